// Dates and times over TDateTime, the DOS file date and the date and time texts.

#include "rtl/DateUtils.h"

#include <cmath>

#include "rtl/Exceptions.h"

namespace rtl {

namespace {

constexpr int64_t kMSecsPerDay = 86400000;
// Days from 1 January 0001 to 30 December 1899.
constexpr int64_t kDateDelta = 693594;
// TDateTime of 31 December 9999, the last date that can be encoded.
constexpr int64_t kMaxDate = 2958465;

struct TTimeStamp {
  int64_t Date;  // days since 1 January 0001, that day being 1
  int64_t Time;  // milliseconds since midnight
};

// The value rounded to the millisecond as a whole, so 23:59:59.9996 is the
// next day's midnight; the time of day of a negative value is its absolute
// fraction (-1.25 is 29 December 1899, 06:00).
bool ToTimeStamp(TDateTime value, TTimeStamp& ts) {
  if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(kMaxDate + 1)) return false;
  auto ms = static_cast<int64_t>(std::nearbyint(value * static_cast<double>(kMSecsPerDay)));
  ts.Date = ms / kMSecsPerDay + kDateDelta;
  ts.Time = std::llabs(ms % kMSecsPerDay);
  return true;
}

const int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                               {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

void DecodeTimeStampDate(int64_t days, uint16_t& year, uint16_t& month, uint16_t& day) {
  if (days <= 0 || days > kDateDelta + kMaxDate) {
    year = month = day = 0;
    return;
  }
  // Count 400-, 100-, 4- and 1-year periods of the proleptic Gregorian calendar.
  constexpr int64_t kD1 = 365, kD4 = kD1 * 4 + 1, kD100 = kD4 * 25 - 1, kD400 = kD100 * 4 + 1;
  int64_t t = days - 1;
  int64_t y = 1;
  y += (t / kD400) * 400;
  t %= kD400;
  int64_t i = t / kD100;
  int64_t d = t % kD100;
  if (i == 4) {
    --i;
    d += kD100;
  }
  y += i * 100;
  y += (d / kD4) * 4;
  d %= kD4;
  i = d / kD1;
  d %= kD1;
  if (i == 4) {
    --i;
    d += kD1;
  }
  y += i;
  year = static_cast<uint16_t>(y);
  const int* lengths = kMonthDays[IsLeapYear(year) ? 1 : 0];
  int m = 0;
  while (d >= lengths[m]) d -= lengths[m++];
  month = static_cast<uint16_t>(m + 1);
  day = static_cast<uint16_t>(d + 1);
}

void DecodeTimeStampTime(int64_t ms, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  hour = static_cast<uint16_t>(ms / 3600000);
  min = static_cast<uint16_t>(ms / 60000 % 60);
  sec = static_cast<uint16_t>(ms / 1000 % 60);
  msec = static_cast<uint16_t>(ms % 1000);
}

[[noreturn]] void DateEncodeError() { throw EConvertError("Invalid argument to date encode"); }
[[noreturn]] void TimeEncodeError() { throw EConvertError("Invalid argument to time encode"); }

}  // namespace

bool IsLeapYear(uint16_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

uint16_t DaysInMonth(uint16_t year, uint16_t month) {
  if (month < 1 || month > 12) return 0;
  return static_cast<uint16_t>(kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1]);
}

bool TryEncodeDate(uint16_t year, uint16_t month, uint16_t day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  int64_t days = day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, static_cast<uint16_t>(m));
  int64_t y = year - 1;
  date = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + days - kDateDelta);
  return true;
}

bool TryEncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec, TDateTime& time) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
  time = static_cast<double>(hour * 3600000 + min * 60000 + sec * 1000 + msec) / static_cast<double>(kMSecsPerDay);
  return true;
}

bool TryEncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min, uint16_t sec,
                       uint16_t msec, TDateTime& value) {
  TDateTime date, time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time)) return false;
  // Before 30 December 1899 the time of day counts away from zero.
  value = date < 0 ? date - time : date + time;
  return true;
}

TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day) {
  TDateTime date;
  if (!TryEncodeDate(year, month, day, date)) DateEncodeError();
  return date;
}

TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec) {
  TDateTime time;
  if (!TryEncodeTime(hour, min, sec, msec, time)) TimeEncodeError();
  return time;
}

TDateTime EncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min, uint16_t sec,
                         uint16_t msec) {
  TDateTime date = EncodeDate(year, month, day);
  TDateTime time = EncodeTime(hour, min, sec, msec);
  return date < 0 ? date - time : date + time;
}

void DecodeDate(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day) {
  TTimeStamp ts;
  if (!ToTimeStamp(date, ts)) ts.Date = 0;
  DecodeTimeStampDate(ts.Date, year, month, day);
}

void DecodeTime(TDateTime time, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  TTimeStamp ts;
  if (!ToTimeStamp(time, ts)) ts.Time = 0;
  DecodeTimeStampTime(ts.Time, hour, min, sec, msec);
}

void DecodeDateTime(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& hour, uint16_t& min,
                    uint16_t& sec, uint16_t& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, min, sec, msec);
}

int DayOfWeek(TDateTime date) {
  TTimeStamp ts;
  if (!ToTimeStamp(date, ts) || ts.Date <= 0) return 0;
  return static_cast<int>(ts.Date % 7) + 1;  // day 1, 1 January 0001, was a Monday (2)
}

TDateTime Now() { return Clock().Now(); }

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
  TDateTime now = Now();
  return now - std::trunc(now);
}

int32_t DateTimeToFileDate(TDateTime value) {
  uint16_t year, month, day, hour, min, sec, msec;
  DecodeDateTime(value, year, month, day, hour, min, sec, msec);
  if (year < 1980 || year > 2107) return 0;
  uint32_t time = static_cast<uint32_t>(sec >> 1) | (static_cast<uint32_t>(min) << 5) | (static_cast<uint32_t>(hour) << 11);
  uint32_t date = static_cast<uint32_t>(day) | (static_cast<uint32_t>(month) << 5) |
                  (static_cast<uint32_t>(year - 1980) << 9);
  return static_cast<int32_t>((date << 16) | time);
}

namespace {

// The fields of a DOS date and time; seconds are stored halved.
struct TDosFields {
  uint16_t Year, Month, Day, Hour, Min, Sec;
  explicit TDosFields(int32_t fileDate) {
    auto bits = static_cast<uint32_t>(fileDate);
    uint32_t date = bits >> 16, time = bits & 0xFFFF;
    Year = static_cast<uint16_t>((date >> 9) + 1980);
    Month = static_cast<uint16_t>((date >> 5) & 15);
    Day = static_cast<uint16_t>(date & 31);
    Hour = static_cast<uint16_t>(time >> 11);
    Min = static_cast<uint16_t>((time >> 5) & 63);
    Sec = static_cast<uint16_t>((time & 31) << 1);
  }
};

}  // namespace

bool TryFileDateToDateTime(int32_t fileDate, TDateTime& value) {
  TDosFields f(fileDate);
  TDateTime date, time;
  if (!TryEncodeDate(f.Year, f.Month, f.Day, date) || !TryEncodeTime(f.Hour, f.Min, f.Sec, 0, time)) return false;
  value = date + time;
  return true;
}

TDateTime FileDateToDateTime(int32_t fileDate) {
  TDosFields f(fileDate);
  return EncodeDate(f.Year, f.Month, f.Day) + EncodeTime(f.Hour, f.Min, f.Sec, 0);
}

namespace {

class TDateFormatter {
 public:
  TDateFormatter(TDateTime value, const TFormatSettings& fs) : FValue(value), FSettings(fs) {
    DecodeDate(value, FYear, FMonth, FDay);
    DecodeTime(value, FHour, FMin, FSec, FMSec);
  }

  AnsiString Run(std::string_view fmt) {
    Append(fmt, 0);
    return FOut;
  }

 private:
  // The settings' own formats may name each other ("c" in a short date); two
  // levels are enough for every sane format and stop a loop.
  static constexpr int kMaxNesting = 2;

  static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

  void Number(unsigned value, std::size_t digits) {
    AnsiString s = std::to_string(value);
    if (s.size() < digits) s.insert(0, digits - s.size(), '0');
    FOut += s;
  }

  static bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view what) {
    if (s.size() - at < what.size()) return false;
    for (std::size_t k = 0; k < what.size(); ++k)
      if (Upper(s[at + k]) != Upper(what[k])) return false;
    return true;
  }

  // Whether an am/pm marker follows position `from` outside quotes: then
  // hours are on the 12-hour clock.
  static bool HasAmPm(std::string_view fmt, std::size_t from) {
    char quote = 0;
    for (std::size_t k = from; k < fmt.size(); ++k) {
      char c = fmt[k];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (Upper(c) == 'A' &&
                 (StartsWithNoCase(fmt, k, "AM/PM") || StartsWithNoCase(fmt, k, "A/P") ||
                  StartsWithNoCase(fmt, k, "AMPM"))) {
        return true;
      }
    }
    return false;
  }

  void Append(std::string_view fmt, int nesting) {
    if (nesting > kMaxNesting) return;
    std::size_t i = 0;
    char lastToken = 0;
    while (i < fmt.size()) {
      char c = fmt[i];
      char token = Upper(c);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';  // "hh:mm": minutes
        lastToken = token;
      }
      std::size_t count = 1;
      auto run = [&] {
        while (i + count < fmt.size() && Upper(fmt[i + count]) == Upper(c)) ++count;
      };
      switch (token) {
        case 'Y':
          run();
          if (count <= 2) Number(FYear % 100u, 2);
          else Number(FYear, 4);
          break;
        case 'M':
          run();
          if (count <= 2) Number(FMonth, count);
          else if (FMonth >= 1) FOut += count == 3 ? FSettings.ShortMonthNames[FMonth - 1] : FSettings.LongMonthNames[FMonth - 1];
          break;
        case 'D': {
          run();
          int dow = DayOfWeek(FValue);
          if (count <= 2) Number(FDay, count);
          else if (count == 5) Append(FSettings.ShortDateFormat, nesting + 1);
          else if (count >= 6) Append(FSettings.LongDateFormat, nesting + 1);
          else if (dow >= 1) FOut += count == 3 ? FSettings.ShortDayNames[dow - 1] : FSettings.LongDayNames[dow - 1];
          break;
        }
        case 'H': {
          run();
          unsigned hour = FHour;
          if (HasAmPm(fmt, i + count)) {
            hour %= 12;
            if (hour == 0) hour = 12;
          }
          Number(hour, count >= 2 ? 2 : 1);
          break;
        }
        case 'N':
          run();
          Number(FMin, count >= 2 ? 2 : 1);
          break;
        case 'S':
          run();
          Number(FSec, count >= 2 ? 2 : 1);
          break;
        case 'Z':
          run();
          Number(FMSec, count >= 2 ? 3 : 1);
          break;
        case 'T':
          run();
          Append(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, nesting + 1);
          break;
        case 'C':
          run();
          Append(FSettings.ShortDateFormat, nesting + 1);
          if (FHour != 0 || FMin != 0 || FSec != 0) {
            FOut += ' ';
            Append(FSettings.LongTimeFormat, nesting + 1);
          }
          break;
        case 'A':
          if (StartsWithNoCase(fmt, i, "AM/PM")) {
            FOut.append(fmt.substr(FHour >= 12 ? i + 3 : i, 2));
            count = 5;
          } else if (StartsWithNoCase(fmt, i, "A/P")) {
            FOut += fmt[FHour >= 12 ? i + 2 : i];
            count = 3;
          } else if (StartsWithNoCase(fmt, i, "AMPM")) {
            FOut += FHour >= 12 ? FSettings.TimePMString : FSettings.TimeAMString;
            count = 4;
          } else {
            FOut += c;
          }
          break;
        case '/':
          FOut += FSettings.DateSeparator;
          break;
        case ':':
          FOut += FSettings.TimeSeparator;
          break;
        case '"':
        case '\'': {
          std::size_t close = fmt.find(c, i + 1);
          if (close == std::string_view::npos) close = fmt.size();
          FOut.append(fmt.substr(i + 1, close - i - 1));
          count = close - i + (close < fmt.size() ? 1 : 0);
          break;
        }
        default:
          FOut += c;
          break;
      }
      i += count;
    }
  }

  TDateTime FValue;
  const TFormatSettings& FSettings;
  uint16_t FYear, FMonth, FDay, FHour, FMin, FSec, FMSec;
  AnsiString FOut;
};

}  // namespace

AnsiString FormatDateTime(std::string_view fmt, TDateTime value) {
  return FormatDateTime(fmt, value, FormatSettings());
}

AnsiString FormatDateTime(std::string_view fmt, TDateTime value, const TFormatSettings& settings) {
  return TDateFormatter(value, settings).Run(fmt.empty() ? std::string_view("c") : fmt);
}

AnsiString DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }
AnsiString DateToStr(TDateTime value) { return FormatDateTime("ddddd", value); }
AnsiString TimeToStr(TDateTime value) { return FormatDateTime("tt", value); }

}  // namespace rtl
