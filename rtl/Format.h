#pragma once
// Format: the platform's format function (%s %d %u %x %X %e %f %g %n %m %p,
// "%0:s" indexes, width, '-' left justify, precision, "%%"), and the process's
// format settings that it, the dates and the numbers use.

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "rtl/AnsiString.h"

namespace rtl {

// One argument of Format.
class TFormatArg {
 public:
  enum TKind { fkInteger, fkUnsigned, fkFloat, fkString, fkPointer };

  TFormatArg(int v) : FKind(fkInteger), FInt(v) {}
  TFormatArg(long v) : FKind(fkInteger), FInt(v) {}
  TFormatArg(long long v) : FKind(fkInteger), FInt(v) {}
  TFormatArg(unsigned v) : FKind(fkUnsigned), FInt(static_cast<int64_t>(v)) {}
  TFormatArg(unsigned long v) : FKind(fkUnsigned), FInt(static_cast<int64_t>(v)) {}
  TFormatArg(unsigned long long v) : FKind(fkUnsigned), FInt(static_cast<int64_t>(v)) {}
  TFormatArg(double v) : FKind(fkFloat), FFloat(v) {}
  TFormatArg(long double v) : FKind(fkFloat), FFloat(v) {}
  TFormatArg(const AnsiString& v) : FKind(fkString), FStr(v) {}
  TFormatArg(const char* v) : FKind(fkString), FStr(v ? std::string_view(v) : std::string_view()) {}
  TFormatArg(std::string_view v) : FKind(fkString), FStr(v) {}
  TFormatArg(const void* v) : FKind(fkPointer), FInt(static_cast<int64_t>(reinterpret_cast<uintptr_t>(v))) {}

  TKind Kind() const { return FKind; }
  int64_t AsInt() const { return FInt; }
  long double AsFloat() const { return FFloat; }
  std::string_view AsString() const { return FStr; }

 private:
  TKind FKind;
  int64_t FInt = 0;
  long double FFloat = 0;
  std::string_view FStr;  // the argument outlives the Format call
};

struct TFormatSettings {
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  uint8_t CurrencyDecimals = 2;
  char DateSeparator = '/';
  AnsiString ShortDateFormat = "M/d/yyyy";
  AnsiString LongDateFormat = "dddd, MMMM dd, yyyy";
  char TimeSeparator = ':';
  AnsiString ShortTimeFormat = "h:mm AMPM";
  AnsiString LongTimeFormat = "h:mm:ss AMPM";
  AnsiString TimeAMString = "AM";
  AnsiString TimePMString = "PM";
  AnsiString CurrencyString = "$";
  uint8_t CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  uint8_t NegCurrFormat = 0;   // 0 "($1)" .. 15 "(1 $)", as the Windows locale codes
  AnsiString ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  AnsiString LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
  AnsiString ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  AnsiString LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  uint16_t TwoDigitYearCenturyWindow = 50;
  // Whether the settings follow changes of the system's regional settings.
  bool UpdateFormatSettings = true;
};

// The process's settings, initialised like an en-US Windows.
TFormatSettings& FormatSettings();

// The regional-format overrides both programs apply at start-up: '.' thousands,
// ',' decimals, 2 currency decimals, '/' dates, "dd/MM/yyyy", ':' times,
// "hh:mm", "hh:mm:ss", century window 50, automatic refresh off.
void ApplyRegionalOverrides(TFormatSettings& settings);
inline void ApplyRegionalOverrides() { ApplyRegionalOverrides(FormatSettings()); }

// EConvertError "Format '%s' invalid or incompatible with argument" on a bad
// placeholder, a missing argument or an argument of the wrong kind.
AnsiString Format(std::string_view fmt, std::initializer_list<TFormatArg> args);
AnsiString Format(std::string_view fmt, std::initializer_list<TFormatArg> args,
                  const TFormatSettings& settings);

// Floating-point text as %f / %n / %g would give it.
AnsiString FloatToStr(long double value);
AnsiString FloatToStr(long double value, const TFormatSettings& settings);

}  // namespace rtl
