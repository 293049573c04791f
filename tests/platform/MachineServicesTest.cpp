// The services on a real simulated machine: registry, profile files, links,
// script discovery and file dates as a program sees them.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Dde.h"
#include "platform/Files.h"
#include "platform/FileStream.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "platform/SpecialFolders.h"
#include "platform/sim/SimMachine.h"
#include "tests/platform/MachineFixture.h"

using namespace platform;

namespace {

using MachineServices = machinetest::TMachineTest;

TEST_F(MachineServices, RegistryValuesPersistAndEmptyTextIsOneNulByte) {
  Open();
  {
    TRegistry reg;
    reg.OpenKey("\\Software\\Tarquelia\\Vantor\\Q-Mira\\PgConexao", true);
    reg.WriteString("Nome do Host", "");
    reg.WriteString("Porta", "3050");
  }
  // Another process of the same machine.
  sim::TSimMachine other(Dir());
  DWORD type = 0, size = 0;
  HKEY key = 0;
  ASSERT_EQ(other.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tarquelia\\Vantor\\Q-Mira\\PgConexao", KEY_READ, key),
            ERROR_SUCCESS);
  ASSERT_EQ(other.RegQueryValueExA(key, "Nome do Host", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 1u);
  other.RegCloseKey(key);

  TRegistry reg;
  EXPECT_TRUE(reg.OpenKey("Software\\Tarquelia\\Vantor\\Q-Mira\\PgConexao", false));
  EXPECT_EQ(reg.ReadString("Porta"), "3050");
  EXPECT_EQ(reg.ReadString("Nome do Host"), "");
  reg.CloseKey();
  // Start-up deletes the product key with its subkeys.
  EXPECT_TRUE(reg.DeleteKey("\\Software\\Tarquelia\\Vantor\\Q-Mira"));
  EXPECT_FALSE(reg.OpenKey("Software\\Tarquelia\\Vantor\\Q-Mira", false));
  EXPECT_EQ(reg.ReadString("Porta"), "");
  EXPECT_TRUE(reg.OpenKey("Software\\Tarquelia\\Vantor", false));  // the parent stays
}

TEST_F(MachineServices, KeyRefusedForAllAccessReadsEmpty) {
  const AnsiString instances = "Software\\Firebird Project\\Firebird Server\\Instances";
  Open();
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    reg.OpenKey(instances, true);
    reg.WriteString("DefaultInstance", "C:\\Firebird\\Firebird_2_0\\");
  }
  // Then the key is closed to this account's all-access rights.
  auto config = sim::LoadMachineConfig(Dir());
  config.ReadOnlyKeys.push_back("HKEY_LOCAL_MACHINE\\Software\\Firebird Project");
  sim::SaveMachineConfig(Dir(), config);
  Open();
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.OpenKey(instances, false));
  EXPECT_EQ(reg.ReadString("DefaultInstance"), "");
  ASSERT_TRUE(reg.OpenKeyReadOnly(instances));
  EXPECT_EQ(reg.ReadString("DefaultInstance"), "C:\\Firebird\\Firebird_2_0\\");
}

TEST_F(MachineServices, ProfileReadsTrimQuotesAndIntegers) {
  Open();
  WriteFile("C:\\SETUP.STP",
            "[arquivos comprimidos]\r\n"
            "ARQUIVOS=0x1F\r\n"
            "[Grupos]\r\n"
            "Grupos= 12 \r\n"
            "Grupo_1_Nome=  'Meus Fotos 2'  \r\n"
            "Grupo_2_Nome=12abc\r\n");
  const TIniFile ini("C:\\SETUP.STP");
  EXPECT_EQ(ini.ReadInteger("Arquivos Comprimidos", "Arquivos", 0), 31);
  EXPECT_EQ(ini.ReadInteger("Grupos", "Grupos", 0), 12);
  EXPECT_EQ(ini.ReadString("Grupos", "Grupo_1_Nome", ""), "Meus Fotos 2");
  EXPECT_EQ(ini.ReadInteger("Grupos", "Grupo_2_Nome", 0), 0);
  EXPECT_EQ(ini.ReadString("Grupos", "Falta", ""), "");
  EXPECT_EQ(ini.ReadString("Falta", "Falta", ""), "");
  EXPECT_EQ(TIniFile("C:\\NADA.STP").ReadInteger("Grupos", "Grupos", 0), 0);
}

TEST_F(MachineServices, FirstScriptIsTakenWithoutCaseAndFoldersAreSkipped) {
  Open();
  ASSERT_TRUE(ForceDirectories("C:\\Instalacao\\x.STP"));
  WriteFile("C:\\Instalacao\\b.stp", "");
  WriteFile("C:\\Instalacao\\A.STP", "");
  EXPECT_EQ(FindFirstMatch("C:\\Instalacao\\", "*.STP"), "A.STP");
  EXPECT_EQ(Api().GetCurrentDirectoryA(), "C:\\Instalacao");
  ASSERT_TRUE(DeleteFile("C:\\Instalacao\\A.STP"));
  ASSERT_TRUE(DeleteFile("C:\\Instalacao\\b.stp"));
  EXPECT_EQ(FindFirstMatch("C:\\Instalacao\\", "*.STP"), "");
}

TEST_F(MachineServices, FileDatesRoundTripThroughTheMachine) {
  Open();
  const int32_t dos = static_cast<int32_t>((uint32_t{(23 << 9) | (4 << 5) | 5} << 16) | ((10 << 11) | (11 << 5) | 6));
  {
    TFileStream file("C:\\data.bin", fmCreate);
    file.WriteBuffer("abc", 3);
    EXPECT_EQ(FileSetDate(file.Handle(), dos), ERROR_SUCCESS);
  }
  EXPECT_EQ(FileAge("C:\\data.bin"), dos);
  EXPECT_EQ(FileAge("C:\\WINDOWS"), -1);
  EXPECT_EQ(ReadTextLines("C:\\data.bin"), std::vector<AnsiString>{"abc"});
  EXPECT_THROW(ReadTextLines("C:\\falta.txt"), rtl::EFOpenError);
}

TEST_F(MachineServices, FoldersAndIdentity) {
  Open();
  EXPECT_EQ(WindowsFolder(), "C:\\WINDOWS");
  EXPECT_TRUE(DirectoryExists(SystemFolder()));
  EXPECT_TRUE(DirectoryExists(DesktopFolder()));
  EXPECT_TRUE(DirectoryExists(StartMenuFolder()));
  EXPECT_EQ(RegisteredOwner(), "Usuario");
  EXPECT_EQ(RegisteredCompany(), "Empresa");
  EXPECT_EQ(GetTempFolder().back(), '\\');
}

TEST_F(MachineServices, ProgramManagerGroupThroughTheConversation) {
  Open();
  DdeInitialize();
  {
    TDdeClientConv conv;
    ASSERT_TRUE(conv.Open("PROGMAN", "PROGMAN"));
    EXPECT_TRUE(conv.Execute("[CreateGroup(Vantor Q-Mira)]"));
  }
  DdeUninitialize();
  EXPECT_TRUE(DirectoryExists(StartMenuFolder() + "\\Programs\\Vantor Q-Mira") ||
              DirectoryExists(Machine()->Config().ProgramsDir + "\\Vantor Q-Mira"));
}

TEST_F(MachineServices, ShellLinkIsReadByLnkinfo) {
  if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "lnkinfo is not installed";
  Open();
  const AnsiString link = DesktopFolder() + "\\Vantor Q-Mira.lnk";
  {
    TShellLink shell;
    shell.SetDescription("Vantor Q-Mira");
    shell.SetPath("C:\\VantorQ-Mira\\VantorQM.exe");
    shell.SetWorkingDirectory("C:\\VantorQ-Mira");
    shell.Save(link);
  }
  const std::string info = Run("lnkinfo '" + Machine()->HostPath(link) + "'");
  EXPECT_NE(info.find("VantorQM.exe"), std::string::npos) << info;
  EXPECT_NE(info.find("C:\\VantorQ-Mira"), std::string::npos) << info;
  EXPECT_NE(info.find("Vantor Q-Mira"), std::string::npos) << info;
}

}  // namespace
