#include "rtl/AnsiString.h"

#include <gtest/gtest.h>

namespace {

using rtl::AnsiString;

TEST(AnsiString, LiteralIsWindows1252) {
  struct {
    AnsiString literal;
    const char* bytes;
  } cases[] = {
      {"Instalação"_a, "Instala\xE7\xE3o"},
      {"€ 5"_a, "\x80 5"},
      {"Título Aplicação"_a, "T\xEDtulo Aplica\xE7\xE3o"},
      {"šœÿŸ"_a, "\x9A\x9C\xFF\x9F"},
      {"“x” – …"_a, "\x93x\x94 \x96 \x85"},
      {"plain"_a, "plain"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].literal, cases[i].bytes) << "row " << i;
}

TEST(AnsiString, EveryByteRoundTripsThroughUtf8) {
  AnsiString all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = rtl::Utf8FromAnsi(all);
  EXPECT_EQ(rtl::AnsiFromUtf8(utf8), all);
  EXPECT_EQ(rtl::Utf8FromAnsi("\x80\xE7"), "\xE2\x82\xAC\xC3\xA7");  // € ç
}

TEST(AnsiString, Utf8WithoutWindows1252FormBecomesQuestionMark) {
  struct {
    const char* utf8;
    const char* ansi;
  } cases[] = {
      {"\xE4\xB8\xAD", "?"},             // a CJK ideograph
      {"a\xF0\x9F\x98\x80z", "a?z"},     // an emoji
      {"\xC3", "?"},                     // truncated sequence
      {"\x80x", "?x"},                   // stray continuation byte
      {"\xC0\xAF", "?"},                 // overlong '/'
      {"\xED\xA0\x80", "?"},             // surrogate
      {"\xC3\xA7\xC3", "\xE7?"},         // good then truncated
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(rtl::AnsiFromUtf8(cases[i].utf8), cases[i].ansi) << "row " << i;
}

TEST(AnsiString, CodePointFromAnsi) {
  EXPECT_EQ(rtl::CodePointFromAnsi(0x80), U'€');
  EXPECT_EQ(rtl::CodePointFromAnsi(0x9F), U'Ÿ');
  EXPECT_EQ(rtl::CodePointFromAnsi(0x81), 0x81u);  // unassigned: itself
  EXPECT_EQ(rtl::CodePointFromAnsi(0xE9), U'é');
  EXPECT_EQ(rtl::CodePointFromAnsi('A'), U'A');
}

}  // namespace
