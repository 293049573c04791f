#include "rtl/DateUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "rtl/Exceptions.h"

namespace {

using namespace rtl;

class DateUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings(); }
  void TearDown() override {
    FormatSettings() = TFormatSettings();
    SetClock(nullptr);
  }
};

TEST_F(DateUtilsTest, EncodeAndDecode) {
  struct {
    uint16_t y, m, d;
    double serial;
  } cases[] = {
      {1899, 12, 30, 0},     {1899, 12, 31, 1},      {1900, 1, 1, 2},       {1900, 3, 1, 61},
      {2000, 2, 29, 36585},  {2024, 3, 5, 45356},    {1, 1, 1, -693593},    {9999, 12, 31, 2958465},
      {1980, 1, 1, 29221},   {2107, 12, 31, 75971},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial) << "row " << i;
    uint16_t y, m, d;
    DecodeDate(c.serial < 0 ? c.serial - 0.75 : c.serial + 0.75, y, m, d);  // 18:00 that day
    EXPECT_EQ(y, c.y) << "row " << i;
    EXPECT_EQ(m, c.m) << "row " << i;
    EXPECT_EQ(d, c.d) << "row " << i;
  }
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 5)), 3);  // a Tuesday
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);

  for (auto bad : {std::array<uint16_t, 3>{2023, 2, 29}, {0, 1, 1}, {10000, 1, 1}, {2000, 13, 1}, {2000, 4, 31},
                   {2000, 1, 0}, {1900, 2, 29}}) {
    TDateTime t = 123;
    EXPECT_FALSE(TryEncodeDate(bad[0], bad[1], bad[2], t));
    EXPECT_EQ(t, 123);
    EXPECT_THROW(EncodeDate(bad[0], bad[1], bad[2]), EConvertError);
  }
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);

  uint16_t h, n, s, z;
  DecodeTime(EncodeTime(13, 45, 7, 250), h, n, s, z);
  EXPECT_EQ((std::array<uint16_t, 4>{h, n, s, z}), (std::array<uint16_t, 4>{13, 45, 7, 250}));
  // Half a millisecond before midnight is the next day's midnight.
  uint16_t y, m, d;
  DecodeDateTime(EncodeDate(2024, 12, 31) + 86399999.6 / 86400000.0, y, m, d, h, n, s, z);
  EXPECT_EQ((std::array<uint16_t, 7>{y, m, d, h, n, s, z}), (std::array<uint16_t, 7>{2025, 1, 1, 0, 0, 0, 0}));
  // Before 1899 the time of day is the fraction's absolute value.
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  DecodeDateTime(-1.25, y, m, d, h, n, s, z);
  EXPECT_EQ((std::array<uint16_t, 4>{d, h, n, s}), (std::array<uint16_t, 4>{29, 6, 0, 0}));
  // Values no calendar can show decode as zeros instead of garbage.
  for (double v : {std::nan(""), HUGE_VAL, 1e300, -1e9}) {
    DecodeDateTime(v, y, m, d, h, n, s, z);
    EXPECT_EQ(y + m + d, 0) << v;
  }
}

TEST_F(DateUtilsTest, DosDateRoundTripKeepsTwoSecondSteps) {
  struct {
    uint16_t y, m, d, h, n, s;
    uint16_t backSec;
  } cases[] = {
      {1980, 1, 1, 0, 0, 0, 0},   {2024, 3, 5, 14, 7, 9, 8},   {2024, 3, 5, 14, 7, 58, 58},
      {2107, 12, 31, 23, 59, 59, 58}, {2000, 2, 29, 12, 0, 1, 0},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    int32_t dos = DateTimeToFileDate(EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, 999));
    EXPECT_EQ(static_cast<uint32_t>(dos) >> 16, static_cast<uint32_t>(c.d | c.m << 5 | (c.y - 1980) << 9)) << i;
    EXPECT_EQ(FileDateToDateTime(dos), EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.backSec, 0)) << "row " << i;
  }
  // No DOS form outside 1980..2107.
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);

  // Impossible fields: month 0, day 0, 24 h, 60 min, 62 s; -1 is "no date".
  const int32_t bad[] = {0, -1, (44 << 25) | (0 << 21) | (1 << 16), (44 << 25) | (1 << 21) | (0 << 16),
                         (44 << 25) | (1 << 21) | (1 << 16) | (24 << 11),
                         (44 << 25) | (1 << 21) | (1 << 16) | (60 << 5),
                         (44 << 25) | (1 << 21) | (1 << 16) | 31};
  for (int32_t v : bad) {
    EXPECT_THROW(FileDateToDateTime(v), EConvertError) << std::hex << v;
    TDateTime t = 5;
    EXPECT_FALSE(TryFileDateToDateTime(v, t));
    EXPECT_EQ(t, 5);
  }
}

TEST_F(DateUtilsTest, TextsUnderTheOverrides) {
  ApplyRegionalOverrides();
  TDateTime afternoon = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
  EXPECT_EQ(DateTimeToStr(afternoon), "05/03/2024 14:07:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "05/03/2024");  // midnight: no time
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2024, 3, 5, 0, 0, 0, 500)), "05/03/2024");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2024, 3, 5, 0, 0, 1, 0)), "05/03/2024 00:00:01");
  EXPECT_EQ(DateToStr(afternoon), "05/03/2024");
  EXPECT_EQ(TimeToStr(afternoon), "14:07:09");
  EXPECT_EQ(FormatDateTime("t", afternoon), "14:07");
}

TEST_F(DateUtilsTest, FormatDateTimeTokens) {
  TDateTime v = EncodeDateTime(2009, 7, 4, 21, 5, 3, 45);
  struct {
    const char* fmt;
    const char* want;
  } cases[] = {
      {"c", "7/4/2009 9:05:03 PM"},
      {"d dd ddd dddd", "4 04 Sat Saturday"},
      {"m mm mmm mmmm", "7 07 Jul July"},
      {"yy yyyy", "09 2009"},
      {"h:n:s z zzz", "21:5:3 45 045"},
      {"hh:mm:ss", "21:05:03"},
      {"hh:nn am/pm", "09:05 pm"},
      {"h A/P", "9 P"},
      {"h AMPM", "9 PM"},
      {"dd/MM \"at\" hh'h'", "04/07 at 21h"},
      {"ddddd", "7/4/2009"},
      {"'unclosed", "unclosed"},
      {"", "7/4/2009 9:05:03 PM"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(FormatDateTime(cases[i].fmt, v), cases[i].want) << "row " << i << " '" << cases[i].fmt << "'";
  EXPECT_EQ(FormatDateTime("h AMPM", EncodeTime(0, 30, 0, 0)), "12 AM");

  // Formats that name each other do not recurse forever.
  TFormatSettings loop;
  loop.ShortDateFormat = "c";
  loop.LongTimeFormat = "tt";
  EXPECT_NO_THROW(FormatDateTime("c", v, loop));
}

TEST_F(DateUtilsTest, NowComesFromTheClock) {
  TFixedClock clock(EncodeDateTime(2024, 3, 5, 10, 0, 0, 0), 5000);
  SetClock(&clock);
  EXPECT_EQ(Now(), EncodeDateTime(2024, 3, 5, 10, 0, 0, 0));
  EXPECT_EQ(Date(), EncodeDate(2024, 3, 5));
  EXPECT_NEAR(Time(), EncodeTime(10, 0, 0, 0), 1e-9);
}

}  // namespace
