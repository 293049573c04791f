#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include "rtl/Exceptions.h"

namespace {

using namespace rtl;

TEST(SysUtils, CaseMapping) {
  // Plain versions leave accented letters alone.
  EXPECT_EQ(UpperCase("abc ção"_a), "ABC çãO"_a);
  EXPECT_EQ(LowerCase("ABC ÇÃO"_a), "abc ÇÃo"_a);
  // Ansi versions map every Windows-1252 letter; ß, µ, ÷ and × have no partner.
  EXPECT_EQ(AnsiUpperCase("àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿšœž"_a), "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŸŠŒŽ"_a);
  EXPECT_EQ(AnsiLowerCase("ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŸŠŒŽ"_a), "àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿšœž"_a);
  EXPECT_EQ(AnsiUpperCase("ßµ÷×1-z"_a), "ßµ÷×1-Z"_a);
  EXPECT_EQ(AnsiLowerCase("ßµ÷×1-Z"_a), "ßµ÷×1-z"_a);
}

TEST(SysUtils, TrimDropsBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n\x01 abc d \x1F\x7F \x00"), "abc d \x1F\x7F");
  EXPECT_EQ(Trim(std::string_view(" \0x\0 ", 5)), "x");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // the no-break space is a character here
  EXPECT_EQ(Trim("   "), "");
}

TEST(SysUtils, StrToIntTable) {
  struct {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"0", true, 0},           {"-5", true, -5},         {"+5", true, 5},
      {"  42", true, 42},       {"42 ", false, 0},        {"$1F", true, 31},
      {"0x1f", true, 31},       {"0X1F", true, 31},       {"-$10", true, -16},
      {"$FFFFFFFF", true, -1},  {"$100000000", false, 0}, {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},                   {"2147483648", false, 0},
      {"", false, 0},           {"-", false, 0},          {"$", false, 0},
      {"0x", false, 0},         {"12abc", false, 0},      {"1 2", false, 0},
      {"\t5", false, 0},        {"x1F", false, 0},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    int32_t v = 12345;
    EXPECT_EQ(TryStrToInt(cases[i].text, v), cases[i].ok) << "row " << i << " '" << cases[i].text << "'";
    if (cases[i].ok) EXPECT_EQ(v, cases[i].value) << "row " << i;
    else EXPECT_EQ(v, 12345) << "row " << i << ": value touched on failure";
    EXPECT_EQ(StrToIntDef(cases[i].text, -99), cases[i].ok ? cases[i].value : -99) << "row " << i;
  }
  int64_t big;
  ASSERT_TRUE(TryStrToInt64("-9223372036854775808", big));
  EXPECT_EQ(big, INT64_MIN);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", big));
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
}

TEST(SysUtils, StrToIntRaisesWithTheText) {
  try {
    StrToInt("12abc");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12abc' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64(""), EConvertError);
}

TEST(SysUtils, IniIntegerRule) {
  struct {
    const char* text;
    int32_t value;  // default is -7
  } cases[] = {
      {"0x1F", 31}, {"0X1f", 31}, {"$1F", 31},   {"12abc", -7}, {"0x", -7}, {"0X", -7},
      {"-5", -5},   {"+5", 5},    {"", -7},      {"abc", -7},   {"0", 0},   {"0x-5", -7},
      {"16777215", 16777215},     {"-0x10", -16}, {"true", -7},  {"1.5", -7},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(IniStrToIntDef(cases[i].text, -7), cases[i].value) << "row " << i << " '" << cases[i].text << "'";
}

TEST(SysUtils, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
  EXPECT_EQ(IntToStr(1234567890123LL), "1234567890123");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(-5000000000LL, 1), "FFFFFFFED5FA0E00");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");
}

TEST(SysUtils, Comparisons) {
  EXPECT_TRUE(SameText("Arquivos Comprimidos", "ARQUIVOS comprimidos"));
  EXPECT_FALSE(SameText("ação"_a, "AÇÃO"_a));  // plain folding stops at ASCII
  EXPECT_TRUE(AnsiSameText("ação"_a, "AÇÃO"_a));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "AB "), 0);
  EXPECT_LT(CompareStr("B", "a"), 0);

  // Accented letters sort beside their base letter, case never counts.
  const char* ordered[] = {"1.STP", "A.STP", "b.stp", "cafe", "café", "CAFÉ2", "cafz", "Øre", "zz"};
  for (std::size_t i = 0; i + 1 < std::size(ordered); ++i) {
    AnsiString a = rtl::AnsiFromUtf8(ordered[i]), b = rtl::AnsiFromUtf8(ordered[i + 1]);
    EXPECT_LT(AnsiCompareText(a, b), 0) << ordered[i] << " < " << ordered[i + 1];
    EXPECT_GT(AnsiCompareText(b, a), 0) << ordered[i + 1] << " > " << ordered[i];
  }
  EXPECT_NE(AnsiCompareText("Straße"_a, "STRASSE"_a), 0);  // ß sorts as "ss" but is not equal to it
  EXPECT_LT(AnsiCompareText("Strasse"_a, "Straße"_a), 0);
  EXPECT_EQ(AnsiCompareText("ÀB"_a, "àb"_a), 0);
}

TEST(SysUtils, PosAndStringReplace) {
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("Ação AÇÃO"_a, "ção"_a, "X", rfReplaceAll | rfIgnoreCase), "AX AX"_a);
  EXPECT_EQ(StringReplace("aaa", "aa", "a", rfReplaceAll), "aa");  // no rescanning of the replacement
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
}

TEST(SysUtils, PathHelpers) {
  struct {
    const char* path;
    const char* drive;
    const char* filePath;
    const char* dir;
    const char* name;
    const char* ext;
  } cases[] = {
      {"C:\\Dir\\file.txt", "C:", "C:\\Dir\\", "C:\\Dir", "file.txt", ".txt"},
      {"C:foo.txt", "C:", "C:", "C:", "foo.txt", ".txt"},
      {"a\\b:c", "", "a\\b:", "a\\b:", "c", ""},
      {"C:\\", "C:", "C:\\", "C:\\", "", ""},
      {"\\\\server\\share\\dir\\f.e", "\\\\server\\share", "\\\\server\\share\\dir\\", "\\\\server\\share\\dir", "f.e", ".e"},
      {"\\\\server\\share", "\\\\server\\share", "\\\\server\\", "\\\\server", "share", ""},
      {"\\\\server\\", "\\\\server", "\\\\server\\", "\\\\server", "", ""},
      {"dir.d\\name", "", "dir.d\\", "dir.d", "name", ""},
      {"name.tar.gz", "", "", "", "name.tar.gz", ".gz"},
      {"\\", "", "\\", "\\", "", ""},
      {"", "", "", "", "", ""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(ExtractFileDrive(c.path), c.drive) << "row " << i;
    EXPECT_EQ(ExtractFilePath(c.path), c.filePath) << "row " << i;
    EXPECT_EQ(ExtractFileDir(c.path), c.dir) << "row " << i;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << "row " << i;
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << "row " << i;
  }
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\c.txt", ".log"), "C:\\a.b\\c.log");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\c", ".log"), "C:\\a.b\\c.log");
  EXPECT_EQ(ChangeFileExt("c.txt", ""), "c");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\x"), "C:\\x\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(IncludeTrailingBackslash(""), "\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\x\\"), "C:\\x");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\x"), "C:\\x");
  EXPECT_EQ(ExcludeTrailingBackslash(""), "");
}

}  // namespace
