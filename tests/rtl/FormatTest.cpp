#include "rtl/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "rtl/Exceptions.h"

namespace {

using namespace rtl;

// Every test starts from the en-US settings and leaves them as it found them.
class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings(); }
  void TearDown() override { FormatSettings() = TFormatSettings(); }
};

TEST_F(FormatTest, Placeholders) {
  AnsiString owned = "dono";
  struct {
    AnsiString got;
    const char* want;
  } cases[] = {
      {Format("[CreateGroup(%s)]", {"Vantor Q-Mira"}), "[CreateGroup(Vantor Q-Mira)]"},
      {Format("Extraindo %s (%d)", {owned, 1234}), "Extraindo dono (1234)"},
      {Format("%d|%5d|%-5d|%.3d|%.3d|%5.3d", {7, 7, 7, 7, -7, 7}), "7|    7|7    |007|-007|  007"},
      {Format("%s|%5s|%-5s|%.2s|", {"ab", "ab", "ab", "abc"}), "ab|   ab|ab   |ab|"},
      {Format("%u %u", {-1, 4000000000u}), "4294967295 4000000000"},
      {Format("%x|%X|%.4x|%x", {255, 255, 26, -1}), "FF|FF|001A|FFFFFFFF"},
      {Format("%s~Archiv-%x.tmp", {"c:\\", 0x12AB0}), "c:\\~Archiv-12AB0.tmp"},
      {Format("$0%x", {0x4009}), "$04009"},
      {Format("%d %d", {int64_t(-9000000000), uint64_t(18000000000000000000ull)}), "-9000000000 18000000000000000000"},
      {Format("%1:s %0:s %s", {"a", "b", "c"}), "b a b"},
      {Format("%0:s-%0:s", {"r"}), "r-r"},
      {Format("%*d|%-*d|%.*f", {4, 1, 3, 2, 1, 2.25}), "   1|2  |2.3"},
      {Format("100%% %s", {"ok"}), "100% ok"},
      {Format("%p", {static_cast<const void*>(nullptr)}), "00000000"},
      {Format("no placeholders", {}), "no placeholders"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << "row " << i;
}

TEST_F(FormatTest, FloatingPoint) {
  struct {
    AnsiString got;
    const char* want;
  } cases[] = {
      {Format("%f", {1.0}), "1.00"},
      {Format("%.2f", {2.675}), "2.67"},  // stored as 2.67499999999999982
      {Format("%.2f|%.2f", {0.125, 9.999}), "0.13|10.00"},  // halves away from zero; carry
      {Format("%.0f|%.0f|%.0f", {0.5, 1.5, -0.4}), "1|2|0"},
      {Format("%.1f", {0.05}), "0.1"},
      {Format("%.3f", {-1234.5}), "-1234.500"},
      {Format("%n|%.0n|%.1n", {1234567.891, 1234567.5, 999.95}), "1,234,567.89|1,234,568|1,000.0"},
      {Format("%.0n", {0.0}), "0"},
      {Format("%.0n bytes", {int64_t(3000000000)}), "3,000,000,000 bytes"},
      {Format("%e", {1234.5}), "1.23450000000000E+003"},
      {Format("%.3e|%.1e", {-0.000123456, 0.0}), "-1.23E-004|0E+000"},
      {Format("%g|%g|%g|%g", {0.5, 100.0, 1e20, 0.00001}), "0.5|100|1E020|1E-005"},
      {Format("%g", {0.0001}), "0.0001"},
      {Format("%m|%m|%.0m", {1234.5, -2.0, 7.0}), "$1,234.50|($2.00)|$7"},
      {Format("%8.2f|%-8.2f|", {3.14159, 3.14159}), "    3.14|3.14    |"},
      {Format("%f|%f|%f", {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()}),
       "INF|-INF|NAN"},
      {Format("%.0f", {1e20}), "100000000000000000000"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << "row " << i;
}

TEST_F(FormatTest, ErrorsNameTheFormat) {
  struct {
    const char* fmt;
    std::initializer_list<TFormatArg> args;
  } cases[] = {
      {"%d", {}},            // missing argument
      {"%s %s", {"a"}},      // too few
      {"%d", {"a"}},         // string for an integer
      {"%s", {1}},           // integer for a string
      {"%d", {1.5}},         // float for an integer
      {"%x", {2.0}},
      {"%f", {"1"}},
      {"%p", {1}},
      {"%k", {1}},           // unknown conversion
      {"abc%", {1}},         // dangling '%'
      {"%5", {1}},
      {"%3:s", {"a"}},       // index past the arguments
      {"%99999d", {1}},      // absurd width
      {"%*d", {"x", 1}},     // width argument not an integer
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    try {
      Format(cases[i].fmt, cases[i].args);
      ADD_FAILURE() << "row " << i << ": no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Format '" + AnsiString(cases[i].fmt) + "' invalid or incompatible with argument")
          << "row " << i;
    }
  }
}

TEST_F(FormatTest, RegionalOverridesSetAllTenValues) {
  TFormatSettings s;
  s.ThousandSeparator = ' ';
  s.DecimalSeparator = '#';
  s.CurrencyDecimals = 12;  // "12" differs from "2"
  s.DateSeparator = '-';
  s.ShortDateFormat = "yyyy-MM-dd";
  s.TimeSeparator = '.';
  s.ShortTimeFormat = "H.mm";
  s.LongTimeFormat = "H.mm.ss";
  s.TwoDigitYearCenturyWindow = 0;
  s.UpdateFormatSettings = true;
  ApplyRegionalOverrides(s);
  EXPECT_EQ(s.ThousandSeparator, '.');
  EXPECT_EQ(s.DecimalSeparator, ',');
  EXPECT_EQ(s.CurrencyDecimals, 2);
  EXPECT_EQ(s.DateSeparator, '/');
  EXPECT_EQ(s.ShortDateFormat, "dd/MM/yyyy");
  EXPECT_EQ(s.TimeSeparator, ':');
  EXPECT_EQ(s.ShortTimeFormat, "hh:mm");
  EXPECT_EQ(s.LongTimeFormat, "hh:mm:ss");
  EXPECT_EQ(s.TwoDigitYearCenturyWindow, 50);
  EXPECT_FALSE(s.UpdateFormatSettings);

  for (uint8_t decimals : {0, 2, 20, 255}) {
    s.CurrencyDecimals = decimals;
    ApplyRegionalOverrides(s);
    EXPECT_EQ(s.CurrencyDecimals, 2) << int(decimals);
  }
}

TEST_F(FormatTest, NumbersUnderTheOverrides) {
  ApplyRegionalOverrides();
  EXPECT_EQ(Format("%.0n bytes  %s", {1234567.0, "x"}), "1.234.567 bytes  x");
  EXPECT_EQ(Format("Adicionando %s (%.0n)", {"a.txt", 999}), "Adicionando a.txt (999)");
  EXPECT_EQ(Format("%n", {-1234.5}), "-1.234,50");
  EXPECT_EQ(Format("%.2f|%g", {3.5, 0.25}), "3,50|0,25");
  EXPECT_EQ(Format("%m", {1234.5}), "$1.234,50");
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  // Explicit settings leave the process's own alone.
  EXPECT_EQ(Format("%.0n", {1234.0}, TFormatSettings()), "1,234");
}

}  // namespace
