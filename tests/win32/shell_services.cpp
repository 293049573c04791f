// The shell's services through the real API: special folders and identity, a
// DDE conversation with Program Manager, a shell link saved through COM, and
// a sound played through MCI.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Dde.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "platform/Sound.h"
#include "platform/SpecialFolders.h"
#include "rtl/SysUtils.h"
#include "tests/win32/win32_fixture.h"

namespace win32_test {
namespace {

using namespace platform;

// Waits a little for what another process writes.
bool AppearsSoon(const AnsiString& path) {
  for (int i = 0; i < 50; ++i) {
    if (FileExists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

using Win32Shell = TWin32Test;

TEST_F(Win32Shell, SpecialFoldersAndIdentity) {
  EXPECT_TRUE(rtl::AnsiSameText(WindowsFolder(), Api.GetWindowsDirectoryA()));
  EXPECT_NE(WindowsFolder().back(), '\\');
  EXPECT_TRUE(DirectoryExists(SystemFolder()));
  EXPECT_TRUE(rtl::AnsiSameText(rtl::ExtractFileName(SystemFolder()), "system32"));
  for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_STARTMENU, 0x02 /* CSIDL_PROGRAMS */}) {
    const AnsiString folder = SpecialFolder(csidl);
    EXPECT_TRUE(DirectoryExists(folder)) << csidl << " " << folder;
  }
  EXPECT_EQ(SpecialFolder(0x7FFF), "");  // no such folder
  EXPECT_TRUE(rtl::AnsiSameText(rtl::ExtractFileName(ProgramPath()), "tests_win32.exe"));
  EXPECT_TRUE(rtl::AnsiSameText(ProgramFolder(), rtl::ExtractFilePath(ProgramPath())));  // with its backslash
  EXPECT_TRUE(Api.IsWindowsNT());
  EXPECT_NE(Api.GetUserDefaultLangID(), 0);
  EXPECT_FALSE(Api.GetFileVersionString(SystemFolder() + "\\kernel32.dll", "FileVersion").empty());
  EXPECT_EQ(Api.GetFileVersionString(Scratch("none.dll"), "FileVersion"), "");

  // The owner keys of the NT family.
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", false));
    reg.WriteString("RegisteredOwner", "Maria Conceição"_a);
    reg.WriteString("RegisteredOrganization", "Tarquelia");
  }
  EXPECT_EQ(RegisteredOwner(), "Maria Conceição"_a);
  EXPECT_EQ(RegisteredCompany(), "Tarquelia");
}

TEST_F(Win32Shell, ProgramManagerMakesAGroupAndAnItem) {
  Put(Scratch("Vantor.exe"), "MZ");  // Program Manager adds items for targets that exist
  DdeInitialize();
  TDdeClientConv conv;
  ASSERT_TRUE(conv.Open("PROGMAN", "PROGMAN"));
  EXPECT_EQ(conv.DataFormat(), CF_TEXT);
  EXPECT_TRUE(conv.Execute("[CreateGroup(VQM Teste)]"));
  EXPECT_TRUE(conv.Execute("[AddItem(" + Scratch("Vantor.exe") + ",Vantor Q-Mira)]"));
  conv.Close();
  // Wine writes the group as a folder of links under the Start menu's Programs.
  const AnsiString group = SpecialFolder(0x02) + "\\VQM Teste";
  EXPECT_TRUE(AppearsSoon(group + "\\Vantor Q-Mira.lnk")) << group;

  // No such server: nothing is started and no conversation is made.
  TDdeClientConv none;
  EXPECT_FALSE(none.Open("VQMNOSERVER", "TOPIC"));
  EXPECT_FALSE(none.Connected());
  EXPECT_EQ(Api.DdeGetLastError(DdeInstance()), DMLERR_NO_CONV_ESTABLISHED);
  EXPECT_FALSE(none.Execute("[CreateGroup(X)]"));
  DdeUninitialize();
}

TEST_F(Win32Shell, ShellLinkSavedThroughCom) {
  // Left in the prefix for the host's lnkinfo to read back.
  const AnsiString folder = "C:\\vqm-links";
  ForceDirectories(folder);
  Put(folder + "\\Vantor.exe", "MZ");
  TShellLink link;
  link.SetPath(folder + "\\Vantor.exe");
  link.SetDescription("Vantor Q-Mira");
  link.SetWorkingDirectory(folder);
  link.SetArguments("/servidor");
  ASSERT_TRUE(link.Save(folder + "\\Vantor.lnk"));
  EXPECT_EQ(Get(folder + "\\Vantor.lnk").substr(0, 4), std::string("L\0\0\0", 4));
  // A folder that is not there.
  TShellLink other;
  other.SetPath(folder + "\\Vantor.exe");
  EXPECT_FALSE(other.Save(Scratch("no\\such\\folder\\x.lnk")));
}

// A short 8-bit mono PCM sound.
std::string Wave() {
  const uint32_t samples = 800;
  auto le = [](uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
  };
  std::string wav = "RIFF" + le(36 + samples, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
                    le(8000, 4) + le(1, 2) + le(8, 2) + "data" + le(samples, 4);
  for (uint32_t i = 0; i < samples; ++i) wav += static_cast<char>(i % 16 < 8 ? 0x60 : 0xA0);
  return wav;
}

TEST_F(Win32Shell, SoundsOpenPlayAndNameTheirErrors) {
  Put(Scratch("change.wav"), Wave());
  TMediaPlayer player;
  player.SetFileName(Scratch("change.wav"));
  try {
    player.Open();
    EXPECT_NE(player.DeviceID(), 0u);
    player.Play();
    player.Close();
  } catch (const EMCIDeviceError& e) {
    // todo_wine: a Wine without a sound device cannot open the wave device.
    if (!UnderWine()) ADD_FAILURE() << e.Message();
  }
  EXPECT_EQ(player.DeviceID(), 0u);

  player.SetFileName(Scratch("missing.wav"));
  try {
    player.Open();
    FAIL() << "a missing sound opened";
  } catch (const EMCIDeviceError& e) {
    EXPECT_EQ(e.Message(), "Cannot find the specified file. Make sure the path and filename are correct.");
  }
  player.SetFileName(Scratch("sound.xyz"));
  try {
    player.Open();
    FAIL() << "a sound of no known kind opened";
  } catch (const EMCIDeviceError& e) {
    EXPECT_EQ(e.Message(), "Cannot determine the device type from the given filename extension.");
  }
  EXPECT_THROW(player.Play(), EMCIDeviceError);  // nothing open
}

}  // namespace
}  // namespace win32_test
