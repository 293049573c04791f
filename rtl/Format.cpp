// The format function and the process's format settings.

#include "rtl/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "rtl/Exceptions.h"
#include "rtl/SysUtils.h"

namespace rtl {

namespace {

// Significant digits that a floating value is converted with before it is
// rounded to what the format asks (the 80-bit extended type gives 18).
constexpr int kMaxPrecision = 18;

// A floating value as decimal digits: value = 0.Digits x 10^Exponent.
struct TDecimal {
  bool Negative = false;
  bool Nan = false;
  bool Infinite = false;
  int Exponent = 0;
  std::string Digits;  // no trailing zeros; empty for zero
};

// Rounds v to at most `precision` significant digits and at most `decimals`
// digits after the point; halves round away from zero on the 18-digit form.
TDecimal FloatToDecimal(long double v, int precision, int decimals) {
  TDecimal d;
  if (std::isnan(v)) {
    d.Nan = true;
    return d;
  }
  d.Negative = std::signbit(v);
  if (std::isinf(v)) {
    d.Infinite = true;
    return d;
  }
  if (v == 0) {
    d.Negative = false;
    return d;
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*Le", kMaxPrecision - 1, std::fabs(v));
  // buffer: "d.ddddddddddddddddde[+-]x"
  std::string digits;
  const char* p = buffer;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  d.Exponent = std::atoi(p + 1) + 1;

  long long keep = std::min<long long>(precision, static_cast<long long>(d.Exponent) + decimals);
  if (keep < 0) {
    d.Negative = false;
    d.Exponent = 0;
    return d;
  }
  auto n = static_cast<std::size_t>(keep);
  if (n < digits.size()) {
    bool up = digits[n] >= '5';
    digits.resize(n);
    if (up) {
      std::size_t i = n;
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {  // all nines: 0.999.. -> 1.0
        digits = "1";
        ++d.Exponent;
      } else {
        ++digits[i - 1];
      }
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) {
    d.Negative = false;  // rounded to zero: no "-0"
    d.Exponent = 0;
  }
  d.Digits = std::move(digits);
  return d;
}

char DigitAt(const TDecimal& d, int index) {
  return index >= 0 && index < static_cast<int>(d.Digits.size()) ? d.Digits[static_cast<std::size_t>(index)] : '0';
}

AnsiString NonFiniteText(const TDecimal& d) {
  if (d.Nan) return "NAN";
  return d.Negative ? "-INF" : "INF";
}

// Fixed notation without the sign: integer part (grouped when `thousands` is
// set), then `decimals` digits after the separator.
AnsiString FixedDigits(const TDecimal& d, int decimals, char thousands, const TFormatSettings& fs) {
  AnsiString r;
  int intDigits = std::max(d.Exponent, 1);
  for (int i = 0; i < intDigits; ++i) {
    if (thousands && i > 0 && (intDigits - i) % 3 == 0) r += thousands;
    r += d.Exponent > 0 ? DigitAt(d, i) : '0';
  }
  if (decimals > 0) {
    r += fs.DecimalSeparator;
    for (int i = 0; i < decimals; ++i) r += DigitAt(d, d.Exponent + i);
  }
  return r;
}

AnsiString ExponentDigits(int exponent, int minDigits, bool plusSign) {
  AnsiString r = "E";
  if (exponent < 0) r += '-';
  else if (plusSign) r += '+';
  AnsiString digits = std::to_string(std::abs(exponent));
  if (static_cast<int>(digits.size()) < minDigits) r.append(static_cast<std::size_t>(minDigits) - digits.size(), '0');
  return r + digits;
}

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

AnsiString FloatToText(long double v, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
  precision = std::clamp(precision, 1, kMaxPrecision);
  switch (format) {
    case ffGeneral: {
      TDecimal d = FloatToDecimal(v, precision, 9999);
      if (d.Nan || d.Infinite) return NonFiniteText(d);
      if (d.Digits.empty()) return "0";
      AnsiString r = d.Negative ? "-" : "";
      if (d.Exponent > precision || d.Exponent < -3) {
        r += d.Digits[0];
        if (d.Digits.size() > 1) r += fs.DecimalSeparator + d.Digits.substr(1);
        return r + ExponentDigits(d.Exponent - 1, digits, false);
      }
      int decimals = std::max(static_cast<int>(d.Digits.size()) - d.Exponent, 0);
      return r + FixedDigits(d, decimals, 0, fs);
    }
    case ffExponent: {
      TDecimal d = FloatToDecimal(v, precision, 9999);
      if (d.Nan || d.Infinite) return NonFiniteText(d);
      AnsiString r = d.Negative ? "-" : "";
      r += DigitAt(d, 0);
      if (precision > 1) {
        r += fs.DecimalSeparator;
        for (int i = 1; i < precision; ++i) r += DigitAt(d, i);
      }
      return r + ExponentDigits(d.Digits.empty() ? 0 : d.Exponent - 1, digits, true);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      int decimals = std::clamp(digits, 0, kMaxPrecision);
      TDecimal d = FloatToDecimal(v, kMaxPrecision, decimals);
      if (d.Nan || d.Infinite) return NonFiniteText(d);
      AnsiString number = FixedDigits(d, decimals, format == ffFixed ? 0 : fs.ThousandSeparator, fs);
      if (format != ffCurrency) return d.Negative ? "-" + number : number;
      const AnsiString& cs = fs.CurrencyString;
      if (!d.Negative) {
        switch (fs.CurrencyFormat) {
          case 1: return number + cs;
          case 2: return cs + " " + number;
          case 3: return number + " " + cs;
          default: return cs + number;
        }
      }
      switch (fs.NegCurrFormat) {
        case 1: return "-" + cs + number;
        case 2: return cs + "-" + number;
        case 3: return cs + number + "-";
        case 4: return "(" + number + cs + ")";
        case 5: return "-" + number + cs;
        case 6: return number + "-" + cs;
        case 7: return number + cs + "-";
        case 8: return "-" + number + " " + cs;
        case 9: return "-" + cs + " " + number;
        case 10: return number + " " + cs + "-";
        case 11: return cs + " " + number + "-";
        case 12: return cs + " -" + number;
        case 13: return number + "- " + cs;
        case 14: return "(" + cs + " " + number + ")";
        case 15: return "(" + number + " " + cs + ")";
        default: return "(" + cs + number + ")";
      }
    }
  }
  return AnsiString();
}

[[noreturn]] void FormatError(std::string_view fmt) {
  throw EConvertError("Format '" + AnsiString(fmt) + "' invalid or incompatible with argument");
}

// Unsigned view of an integer argument: a negative value that fits in 32 bits
// reads as its 32-bit form, as a 32-bit integer argument would.
uint64_t UnsignedBits(const TFormatArg& a) {
  int64_t v = a.AsInt();
  if (a.Kind() == TFormatArg::fkInteger && v < 0 && v >= std::numeric_limits<int32_t>::min())
    return static_cast<uint32_t>(v);
  return static_cast<uint64_t>(v);
}

AnsiString HexDigits(uint64_t v) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  AnsiString r;
  do {
    r.insert(r.begin(), kHex[v & 15]);
    v >>= 4;
  } while (v != 0);
  return r;
}

char AsciiUpperOf(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

AnsiString ZeroPad(AnsiString digits, int precision) {
  if (precision > static_cast<int>(digits.size()))
    digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
  return digits;
}

}  // namespace

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

void ApplyRegionalOverrides(TFormatSettings& s) {
  s.UpdateFormatSettings = false;
  s.ThousandSeparator = '.';
  s.DecimalSeparator = ',';
  // The current value is compared as text with "2".
  if (IntToStr(s.CurrencyDecimals) != "2") s.CurrencyDecimals = 2;
  s.DateSeparator = '/';
  s.ShortDateFormat = "dd/MM/yyyy";
  s.TimeSeparator = ':';
  s.ShortTimeFormat = "hh:mm";
  s.LongTimeFormat = "hh:mm:ss";
  s.TwoDigitYearCenturyWindow = 50;
}

AnsiString Format(std::string_view fmt, std::initializer_list<TFormatArg> args) {
  return Format(fmt, args, FormatSettings());
}

AnsiString Format(std::string_view fmt, std::initializer_list<TFormatArg> args, const TFormatSettings& fs) {
  // Width and precision above this are a broken format, not a request for
  // megabytes of padding.
  constexpr int kMaxWidth = 4096;
  AnsiString out;
  const TFormatArg* argv = args.begin();
  const std::size_t argc = args.size();
  std::size_t next = 0;
  std::size_t i = 0;

  auto number = [&](int& value) -> bool {  // digits or '*'; false when neither
    if (i < fmt.size() && fmt[i] == '*') {
      ++i;
      if (next >= argc || argv[next].Kind() != TFormatArg::fkInteger) FormatError(fmt);
      int64_t v = argv[next++].AsInt();
      if (v > kMaxWidth) FormatError(fmt);
      value = static_cast<int>(v);
      return true;
    }
    if (i >= fmt.size() || fmt[i] < '0' || fmt[i] > '9') return false;
    int64_t v = 0;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
      v = v * 10 + (fmt[i++] - '0');
      if (v > kMaxWidth) FormatError(fmt);
    }
    value = static_cast<int>(v);
    return true;
  };

  while (i < fmt.size()) {
    std::size_t percent = fmt.find('%', i);
    if (percent == std::string_view::npos) {
      out.append(fmt.substr(i));
      break;
    }
    out.append(fmt.substr(i, percent - i));
    i = percent + 1;
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }

    // %[index:][-][width][.precision]type
    int value = 0;
    bool left = false;
    int width = -1;
    int precision = -1;
    if (number(value)) {
      if (i < fmt.size() && fmt[i] == ':') {
        ++i;
        next = static_cast<std::size_t>(std::max(value, 0));
        if (i < fmt.size() && fmt[i] == '-') {
          left = true;
          ++i;
        }
        if (number(value)) width = value;
      } else {
        width = value;
      }
    } else {
      if (i < fmt.size() && fmt[i] == '-') {
        left = true;
        ++i;
      }
      if (number(value)) width = value;
    }
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      if (!number(precision)) precision = 0;
    }
    if (i >= fmt.size() || next >= argc) FormatError(fmt);
    const TFormatArg& arg = argv[next++];
    const bool isInt = arg.Kind() == TFormatArg::fkInteger || arg.Kind() == TFormatArg::fkUnsigned;
    const bool isFloat = arg.Kind() == TFormatArg::fkFloat;
    // Integers are taken where a floating value is expected.
    long double real = isFloat ? arg.AsFloat()
                       : arg.Kind() == TFormatArg::fkUnsigned ? static_cast<long double>(static_cast<uint64_t>(arg.AsInt()))
                                                               : static_cast<long double>(arg.AsInt());
    AnsiString text;
    switch (AsciiUpperOf(fmt[i++])) {
      case 'D': {
        if (!isInt) FormatError(fmt);
        int64_t v = arg.AsInt();
        if (arg.Kind() == TFormatArg::fkUnsigned) {
          text = ZeroPad(std::to_string(static_cast<uint64_t>(v)), precision);
        } else {
          uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
          text = ZeroPad(std::to_string(magnitude), precision);
          if (v < 0) text.insert(0, 1, '-');
        }
        break;
      }
      case 'U':
        if (!isInt) FormatError(fmt);
        text = ZeroPad(std::to_string(UnsignedBits(arg)), precision);
        break;
      case 'X':
        if (!isInt) FormatError(fmt);
        text = ZeroPad(HexDigits(UnsignedBits(arg)), precision);
        break;
      case 'P':
        if (arg.Kind() != TFormatArg::fkPointer) FormatError(fmt);
        text = ZeroPad(HexDigits(static_cast<uint64_t>(arg.AsInt())), 8);
        break;
      case 'S':
        if (arg.Kind() != TFormatArg::fkString) FormatError(fmt);
        text = AnsiString(arg.AsString());
        if (precision >= 0 && precision < static_cast<int>(text.size())) text.resize(static_cast<std::size_t>(precision));
        break;
      case 'E':
        if (!isInt && !isFloat) FormatError(fmt);
        text = FloatToText(real, ffExponent, precision < 0 ? 15 : precision, 3, fs);
        break;
      case 'F':
        if (!isInt && !isFloat) FormatError(fmt);
        text = FloatToText(real, ffFixed, kMaxPrecision, precision < 0 ? 2 : precision, fs);
        break;
      case 'G':
        if (!isInt && !isFloat) FormatError(fmt);
        text = FloatToText(real, ffGeneral, precision < 0 ? 15 : precision, 3, fs);
        break;
      case 'N':
        if (!isInt && !isFloat) FormatError(fmt);
        text = FloatToText(real, ffNumber, kMaxPrecision, precision < 0 ? 2 : precision, fs);
        break;
      case 'M':
        if (!isInt && !isFloat) FormatError(fmt);
        text = FloatToText(real, ffCurrency, kMaxPrecision, precision < 0 ? fs.CurrencyDecimals : precision, fs);
        break;
      default:
        FormatError(fmt);
    }
    if (width > static_cast<int>(text.size())) {
      std::size_t pad = static_cast<std::size_t>(width) - text.size();
      if (left) text.append(pad, ' ');
      else text.insert(0, pad, ' ');
    }
    out += text;
  }
  return out;
}

AnsiString FloatToStr(long double value) { return FloatToStr(value, FormatSettings()); }

AnsiString FloatToStr(long double value, const TFormatSettings& settings) {
  return FloatToText(value, ffGeneral, 15, 0, settings);
}

}  // namespace rtl
