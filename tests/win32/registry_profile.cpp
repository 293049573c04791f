// The registry and profile files through the real API: what the services
// write and read, the bad input the simulated backend is tried with.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "tests/platform/profile_cases.h"
#include "tests/win32/win32_fixture.h"

namespace win32_test {
namespace {

using namespace platform;

constexpr const char* kKey = "\\Software\\VQM-Test";

class Win32Registry : public TWin32Test {
 protected:
  void TearDown() override {
    TRegistry reg;
    reg.DeleteKey(kKey);
    TWin32Test::TearDown();
  }
};

std::string Raw(const AnsiString& name, DWORD& type) {
  TRegistry reg;
  std::vector<BYTE> data;
  EXPECT_TRUE(reg.OpenKeyReadOnly(kKey));
  if (!reg.ReadRaw(name, type, data)) return "<missing>";
  return std::string(data.begin(), data.end());
}

TEST_F(Win32Registry, TextsWithTheirNulAndTheEmptyTextAsOneNulByte) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteString("Nome", "Instalação"_a);
    reg.WriteString("Vazio", "");
  }
  DWORD type = 0;
  EXPECT_EQ(Raw("Nome", type), "Instalação"_a + std::string(1, '\0'));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(Raw("Vazio", type), std::string(1, '\0'));
  EXPECT_EQ(type, REG_SZ);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, false));
  EXPECT_EQ(reg.ReadString("Nome"), "Instalação"_a);
  EXPECT_EQ(reg.ReadString("Vazio"), "");
  EXPECT_TRUE(reg.ValueExists("Vazio"));
  EXPECT_TRUE(reg.DeleteValue("Vazio"));
  EXPECT_FALSE(reg.ValueExists("Vazio"));
  EXPECT_EQ(reg.GetValueNames(), std::vector<AnsiString>{"Nome"});
}

TEST_F(Win32Registry, WrongTypesMissingKeysAndFailedWrites) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  const uint32_t one = 1;
  ASSERT_EQ(Api.RegSetValueExA(reg.CurrentKey(), "Dword", REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_SUCCESS);
  try {
    reg.ReadString("Dword");
    FAIL() << "no error for a DWORD value";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'Dword'");
  }
  EXPECT_EQ(reg.ReadString("Missing"), "");
  // Asked with too small a buffer, Windows says how much it needs.
  BYTE small[2];
  DWORD size = sizeof small, type = 0;
  EXPECT_EQ(Api.RegQueryValueExA(reg.CurrentKey(), "Dword", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(Api.RegQueryValueExA(reg.CurrentKey(), "Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  reg.CloseKey();

  EXPECT_FALSE(reg.OpenKey("\\Software\\VQM-Test\\Missing", false));
  EXPECT_EQ(reg.ReadString("Dword"), "");
  try {
    reg.WriteString("InstallDir", "C:\\X");
    FAIL() << "a write without a key";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Failed to set data for 'InstallDir'");
  }
  HKEY key = 0;
  EXPECT_EQ(Api.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VQM-Test\\Missing", KEY_READ, key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32Registry, DeleteKeyRemovesTheWholeTree) {
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\VQM-Test\\Q-Mira\\B\\Deep", true));
    reg.WriteString("y", "");
    ASSERT_TRUE(reg.OpenKey("\\Software\\VQM-Test\\Q-Mira\\A", true));
    reg.WriteString("x", "1");
    ASSERT_TRUE(reg.OpenKey("\\Software\\VQM-Test\\Other", true));
  }
  TRegistry reg;
  EXPECT_EQ(reg.GetKeyNames(), std::vector<AnsiString>{});
  ASSERT_TRUE(reg.OpenKey(kKey, false));
  auto names = reg.GetKeyNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<AnsiString>{"Other", "Q-Mira"}));
  reg.CloseKey();
  // Windows NT deletes only keys without subkeys: the service walks the tree.
  HKEY key = 0;
  ASSERT_EQ(Api.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VQM-Test", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
  EXPECT_NE(Api.RegDeleteKeyA(key, "Q-Mira"), ERROR_SUCCESS);
  Api.RegCloseKey(key);
  EXPECT_TRUE(reg.DeleteKey("\\Software\\VQM-Test\\Q-Mira"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\VQM-Test\\Q-Mira"));
  EXPECT_TRUE(reg.KeyExists("\\Software\\VQM-Test\\Other"));
  EXPECT_FALSE(reg.DeleteKey("\\Software\\VQM-Test\\Q-Mira"));
}

using Win32Profile = TWin32Test;

TEST_F(Win32Profile, ReadsAsWindows) {
  Put(Scratch("SETUP.STP"), profile_cases::Script());
  const AnsiString bare = "VQMTEST.INI";
  Put(platform::WindowsFolder() + "\\" + bare, profile_cases::kBareText);
  profile_cases::ExpectReadsAsWindows(Api, Scratch("SETUP.STP"), bare, UnderWine());
  Api.DeleteFileA(platform::WindowsFolder() + "\\" + bare);
}

}  // namespace
}  // namespace win32_test
