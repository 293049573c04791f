// The registry object over the in-memory registry.

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include "tests/platform/FakeApi.h"

using namespace platform;

namespace {

std::string Bytes(const fake::TFakeApi::TValue* v) { return std::string(v->Data.begin(), v->Data.end()); }

TEST(Registry, WritesTextWithItsNulAndEmptyTextAsOneNulByte) {
  fake::TFakeApi api;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Tarquelia", true));
  reg.WriteString("Nome", "abc");
  reg.WriteString("Vazio", "");
  const auto* nome = api.GetValue("HKCU\\Software\\Tarquelia", "Nome");
  const auto* vazio = api.GetValue("HKCU\\Software\\Tarquelia", "Vazio");
  ASSERT_TRUE(nome && vazio);
  EXPECT_EQ(nome->Type, REG_SZ);
  EXPECT_EQ(Bytes(nome), std::string("abc\0", 4));
  EXPECT_EQ(vazio->Type, REG_SZ);
  EXPECT_EQ(Bytes(vazio), std::string(1, '\0'));
  // All-access rights, creation without a leading backslash.
  EXPECT_TRUE(api.Called("RegCreateKeyExA HKCU\\Software\\Tarquelia " + std::to_string(KEY_ALL_ACCESS)));
}

TEST(Registry, RootKeyIsCurrentUserUnlessSet) {
  fake::TFakeApi api;
  {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    reg.OpenKey("Software\\X", true);
    reg.WriteString("A", "1");
  }
  EXPECT_TRUE(api.GetValue("HKLM\\Software\\X", "A"));
  EXPECT_FALSE(api.KeyExists("HKCU\\Software\\X"));
}

TEST(Registry, ReadsOfMissingOrRefusedKeysGiveEmptyText) {
  fake::TFakeApi api;
  api.SetValue("HKLM\\Software\\Firebird", "DefaultInstance", REG_SZ, std::string("C:\\FB\0", 6));
  api.DeniedAllAccess.push_back("HKLM\\SOFTWARE\\FIREBIRD");
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.OpenKey("Software\\Missing", false));
  EXPECT_EQ(reg.ReadString("DefaultInstance"), "");
  // All-access rights are asked also for a read; refused, the read is empty.
  EXPECT_FALSE(reg.OpenKey("Software\\Firebird", false));
  EXPECT_EQ(reg.ReadString("DefaultInstance"), "");
  // A write after a failed open fails.
  EXPECT_THROW(reg.WriteString("X", "y"), ERegistryException);
  // Read-only rights are granted.
  EXPECT_TRUE(reg.OpenKeyReadOnly("Software\\Firebird"));
  EXPECT_EQ(reg.ReadString("DefaultInstance"), "C:\\FB");
}

TEST(Registry, ReadStringTypesAndSizes) {
  fake::TFakeApi api;
  api.SetValue("HKCU\\K", "Sz", REG_SZ, std::string("one\0two", 7));
  api.SetValue("HKCU\\K", "Expand", REG_EXPAND_SZ, std::string("%WINDIR%\0", 9));
  api.SetValue("HKCU\\K", "NoNul", REG_SZ, "abc");
  api.SetValue("HKCU\\K", "Zero", REG_SZ, "");
  api.SetValue("HKCU\\K", "Dword", REG_DWORD, std::string("\x01\0\0\0", 4));
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", false));
  EXPECT_EQ(reg.ReadString("Sz"), "one");  // ends at the first NUL
  EXPECT_EQ(reg.ReadString("Expand"), "%WINDIR%");
  EXPECT_EQ(reg.ReadString("NoNul"), "abc");
  EXPECT_EQ(reg.ReadString("Zero"), "");     // size 0 is no error
  EXPECT_EQ(reg.ReadString("Missing"), "");  // nor is a missing value
  try {
    reg.ReadString("Dword");
    FAIL() << "no error for a DWORD value";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'Dword'");
  }
}

TEST(Registry, FailedWriteNamesTheValue) {
  fake::TFakeApi api;
  TRegistry reg;
  try {
    reg.WriteString("InstallDir", "C:\\X");  // no key open
    FAIL();
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "Failed to set data for 'InstallDir'");
  }
}

TEST(Registry, DeleteKeyRemovesTheTreeFromTheLastSubkeyDown) {
  fake::TFakeApi api;
  api.SetValue("HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira", "InstallDir", REG_SZ, std::string("C:\\\0", 4));
  api.SetValue("HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira\\A", "x", REG_SZ, std::string(1, '\0'));
  api.SetValue("HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira\\B\\Deep", "y", REG_SZ, std::string(1, '\0'));
  api.EnsureKey("HKCU\\Software\\Tarquelia\\Vantor\\Other");
  api.Calls.clear();
  TRegistry reg;
  EXPECT_TRUE(reg.DeleteKey("\\Software\\Tarquelia\\Vantor\\Q-Mira"));
  EXPECT_FALSE(api.KeyExists("HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira"));
  EXPECT_TRUE(api.KeyExists("HKCU\\Software\\Tarquelia\\Vantor\\Other"));
  std::vector<std::string> order;
  for (const auto& call : api.Calls)
    if (call.rfind("RegEnumKeyExA", 0) == 0 || call.rfind("RegDeleteKeyA", 0) == 0) order.push_back(call);
  const std::vector<std::string> expected = {
      "RegEnumKeyExA 1", "RegEnumKeyExA 0", "RegDeleteKeyA HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira\\B\\Deep",
      "RegDeleteKeyA HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira\\B",
      "RegEnumKeyExA 0", "RegDeleteKeyA HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira\\A",
      "RegDeleteKeyA HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira"};
  EXPECT_EQ(order, expected);
  // A missing key is no error; every handle was closed.
  EXPECT_FALSE(reg.DeleteKey("Software\\Tarquelia\\Vantor\\Q-Mira"));
  size_t opened = 0, closed = 0;
  for (const auto& call : api.Calls) {
    opened += call.rfind("RegOpenKeyExA", 0) == 0 && call.find("Q-Mira") != std::string::npos;
    closed += call == "RegCloseKey";
  }
  EXPECT_EQ(opened - 1, closed);  // the last open failed
}

TEST(Registry, EnumeratesNamesAndRootNames) {
  fake::TFakeApi api;
  api.SetValue("HKCU\\K", "A", REG_SZ, std::string(1, '\0'));
  api.SetValue("HKCU\\K", "B", REG_DWORD, std::string(4, '\0'));
  api.EnsureKey("HKCU\\K\\Sub");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", false));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<AnsiString>{"A", "B"}));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<AnsiString>{"Sub"}));
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(reg.ReadRaw("B", type, data));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data.size(), 4u);
  EXPECT_EQ(RootKeyFromName("hkey_local_machine"), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootKeyFromName("HKCU"), HKEY_CURRENT_USER);
  EXPECT_EQ(RootKeyFromName("HKEY_NOWHERE"), 0);
  EXPECT_EQ(RootKeyName(HKEY_CURRENT_USER), "HKEY_CURRENT_USER");
}

}  // namespace
