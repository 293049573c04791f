#pragma once
// Dates and times: TDateTime (days since 30 December 1899, local time), their
// parts, the DOS file date and the date and time texts.

#include <cstdint>
#include <string_view>

#include "rtl/AnsiString.h"
#include "rtl/Clock.h"
#include "rtl/Format.h"

namespace rtl {

bool IsLeapYear(uint16_t year);
uint16_t DaysInMonth(uint16_t year, uint16_t month);

bool TryEncodeDate(uint16_t year, uint16_t month, uint16_t day, TDateTime& date);
bool TryEncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec, TDateTime& time);
bool TryEncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min,
                       uint16_t sec, uint16_t msec, TDateTime& value);
// EConvertError "Invalid argument to date encode" / "Invalid argument to time encode".
TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day);
TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec);
TDateTime EncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min,
                         uint16_t sec, uint16_t msec);
void DecodeDate(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day);
void DecodeTime(TDateTime time, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);
void DecodeDateTime(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day,
                    uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);
int DayOfWeek(TDateTime date);  // 1 = Sunday .. 7 = Saturday

// The clock's local date and time; Date() without and Time() only the time of day.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// DOS date and time: date in the high 16 bits (year-1980, month, day), time in
// the low 16 (hours, minutes, seconds / 2). Seconds round down to even.
// A date before 1980 or after 2107 has no DOS form and gives 0.
int32_t DateTimeToFileDate(TDateTime value);
// EConvertError "Invalid argument to date encode" / "... time encode" for a
// DOS value whose fields are out of range.
TDateTime FileDateToDateTime(int32_t fileDate);
bool TryFileDateToDateTime(int32_t fileDate, TDateTime& value);

// Tokens: d dd ddd dddd, m mm (month, or minutes after h/hh), M MM MMM MMMM,
// yy yyyy, h hh, n nn, s ss, z zzz, am/pm AMPM a/p, c (short date + long
// time, time omitted at midnight), t tt, ddddd dddddd, '/' ':' separators,
// "..." and '...' literals.
AnsiString FormatDateTime(std::string_view fmt, TDateTime value);
AnsiString FormatDateTime(std::string_view fmt, TDateTime value, const TFormatSettings& settings);
// Short date and long time; the time is left out when it is exactly midnight.
AnsiString DateTimeToStr(TDateTime value);
AnsiString DateToStr(TDateTime value);
AnsiString TimeToStr(TDateTime value);

}  // namespace rtl
