// Profile reads: buffer size, integer and flag rules.

#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include "tests/platform/FakeApi.h"

using namespace platform;

namespace {

TEST(IniFile, ReadsTextThroughA2048ByteBuffer) {
  fake::TFakeApi api;
  api.SetProfile("D:\\SETUP.STP", "Projeto", "Aplicacao", "Vantor Q-Mira");
  api.SetProfile("D:\\SETUP.STP", "Projeto", "Longo", std::string(3000, 'x'));
  const TIniFile ini("D:\\SETUP.STP");
  EXPECT_EQ(ini.ReadString("Projeto", "Aplicacao", ""), "Vantor Q-Mira");
  EXPECT_EQ(ini.ReadString("Projeto", "Longo", "").size(), 2047u);
  EXPECT_EQ(ini.ReadString("Projeto", "Falta", "def"), "def");
  EXPECT_TRUE(api.Called("GetPrivateProfileStringA Projeto Aplicacao 2048"));
}

TEST(IniFile, IntegerAndFlagRules) {
  struct {
    const char* text;
    int32_t integer;
    bool flag;
  } const rows[] = {
      {"0x1F", 31, true}, {"0X1f", 31, true}, {"$1F", 31, true}, {"12", 12, true},
      {"-5", -5, true},   {"0", 0, false},    {"2", 2, true},    {"12abc", 0, false},
      {"true", 0, false}, {"0x", 0, false},   {"", 0, false},
  };
  fake::TFakeApi api;
  const TIniFile ini("C:\\A.INI");
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(testing::Message() << "row " << i << " \"" << rows[i].text << "\"");
    api.SetProfile("C:\\A.INI", "S", "K", rows[i].text);
    EXPECT_EQ(ini.ReadInteger("S", "K", 0), rows[i].integer);
    EXPECT_EQ(ini.ReadBool("S", "K", false), rows[i].flag);
  }
  // Missing keys give the defaults.
  EXPECT_EQ(ini.ReadInteger("S", "Missing", 7), 7);
  EXPECT_TRUE(ini.ReadBool("S", "Missing", true));
}

}  // namespace
