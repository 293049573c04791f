// vqm-machine run end to end on a machine it makes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/sim/SimMachine.h"
#include "tests/platform/MachineFixture.h"

#ifdef VQM_MACHINE_TOOL

namespace {

class MachineTool : public machinetest::TMachineTest {
 protected:
  // Runs the tool on this test's machine; arguments are quoted for the shell.
  std::string Tool(std::initializer_list<std::string> args, int* exitCode) {
    std::string command = "VQM_MACHINE='" + Dir() + "' '" VQM_MACHINE_TOOL "'";
    for (const auto& a : args) command += " '" + a + "'";
    return Run(command, exitCode);
  }
  std::string Tool(std::initializer_list<std::string> args) {
    int code = -1;
    std::string out = Tool(args, &code);
    EXPECT_EQ(code, 0) << out;
    return out;
  }
};

TEST_F(MachineTool, UsageAndErrors) {
  int code = -1;
  EXPECT_NE(Tool({"--help"}).find("Usage: vqm-machine"), std::string::npos);
  Run("'" VQM_MACHINE_TOOL "'", &code);
  EXPECT_EQ(code, 2);
  for (auto args : {std::initializer_list<std::string>{"frobnicate"}, {"reg"}, {"reg", "get", "HKEY_NOWHERE\\X"},
                    {"ini", "C:\\A.INI"}, {"reg", "delete", "HKCU"}}) {
    const std::string out = Tool(args, &code);
    EXPECT_EQ(code, 2) << out;
  }
  // Init refuses a folder that holds a machine already; no machine named: an error.
  EXPECT_NE(Tool({"init", Dir()}, &code), "");
  EXPECT_EQ(code, 1);
  const std::string out = Run("env -u VQM_MACHINE '" VQM_MACHINE_TOOL "' journal", &code);
  EXPECT_EQ(code, 1) << out;
}

TEST_F(MachineTool, InitMakesAMachineOfEitherFamily) {
  const std::string dir = std::filesystem::path(Dir()).parent_path() / "nove";
  const std::string cd = std::filesystem::path(Dir()).parent_path() / "cd";
  std::filesystem::create_directories(cd);
  std::ofstream(cd + "/instalar.exe") << "MZ";
  Tool({"init", dir, "--family", "9x", "--cdrom", cd});
  EXPECT_TRUE(std::filesystem::exists(dir + "/machine.ini"));
  int code = -1;
  const std::string out =
      Run("VQM_MACHINE='" + dir + "' '" VQM_MACHINE_TOOL "' reg get "
          "'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion' RegisteredOwner",
          &code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_EQ(out, "Usuario\n");
  EXPECT_EQ(Run("VQM_MACHINE='" + dir + "' '" VQM_MACHINE_TOOL "' path 'D:\\INSTALAR.EXE'", &code),
            cd + "/instalar.exe\n");
}

TEST_F(MachineTool, RegistrySetGetExportDelete) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\Tarquelia\\Vantor\\Q-Mira";
  Tool({"reg", "set", key, "Tipo de Instalação", "Servidor"});
  Tool({"reg", "set", key + "\\PgConexao", "Nome do Host", ""});
  EXPECT_EQ(Tool({"reg", "get", key, "tipo de instalação"}), "Servidor\n");
  EXPECT_EQ(Tool({"reg", "get", key}), "[" + key + "]\n\"Tipo de Instalação\"=\"Servidor\"\n\n");
  const std::string exported = Tool({"reg", "export"});
  EXPECT_EQ(exported.rfind("REGEDIT4\n\n", 0), 0u);
  EXPECT_NE(exported.find("[" + key + "\\PgConexao]\n\"Nome do Host\"=\"\"\n"), std::string::npos) << exported;
  int code = -1;
  Tool({"reg", "get", key, "Falta"}, &code);
  EXPECT_EQ(code, 1);
  Tool({"reg", "delete", key});
  Tool({"reg", "get", key}, &code);
  EXPECT_EQ(code, 1);
  Tool({"reg", "delete", key}, &code);
  EXPECT_EQ(code, 1);
}

TEST_F(MachineTool, ProfileValuesPathsAndJournal) {
  const std::string host = Tool({"path", "C:\\SETUP.STP"});
  ASSERT_FALSE(host.empty());
  std::ofstream(host.substr(0, host.size() - 1), std::ios::binary)
      << "[Projeto]\r\nAplica\xE7\xE3o=Vantor Q-Mira\r\n[Arquivos Comprimidos]\r\nArquivos=0x1F\r\n"
         "[Pasta e Icones]\r\nIcone_1_Pasta_Desktop= 2 \r\n";
  EXPECT_EQ(Tool({"ini", "C:\\SETUP.STP", "projeto", "Aplicação"}), "Vantor Q-Mira\n");
  EXPECT_EQ(Tool({"ini", "C:\\SETUP.STP", "Arquivos Comprimidos", "Arquivos", "--int"}), "31\n");
  EXPECT_EQ(Tool({"ini", "C:\\SETUP.STP", "Pasta e Icones", "Icone_1_Pasta_Desktop", "--flag"}), "1\n");
  EXPECT_EQ(Tool({"ini", "C:\\SETUP.STP", "Projeto", "Falta", "--flag"}), "0\n");
  std::string windows = Tool({"path", "C:\\WINDOWS"});
  windows.pop_back();
  EXPECT_TRUE(std::filesystem::is_directory(windows)) << windows;
  // Folders that do not exist yet are named as written, below the ones that do.
  EXPECT_EQ(Tool({"path", "c:\\windows\\Novo\\Sub\\a.txt"}), windows + "/Novo/Sub/a.txt\n");
  EXPECT_FALSE(std::filesystem::exists(windows + "/Novo"));
  Tool({"journal"});
}

TEST_F(MachineTool, DisksGoInAndOutOfTheFloppyDrive) {
  Tool({"disk", "add", "floppy1", "--label", "DISCO1", "--serial", "1234ABCD"});
  Tool({"disk", "insert", "a:", "floppy1"});
  EXPECT_EQ(platform::sim::TSimMachine(Dir()).CurrentDisk('A'), "floppy1");
  Tool({"disk", "insert", "A:"});
  EXPECT_EQ(platform::sim::TSimMachine(Dir()).CurrentDisk('A'), "");
  int code = -1;
  for (auto args : {std::initializer_list<std::string>{"disk", "insert", "1:", "floppy1"},
                    {"disk", "add", "x", "--serial", "xyz"}, {"disk", "spin"}}) {
    const std::string out = Tool(args, &code);
    EXPECT_EQ(code, 2) << out;
  }
  Tool({"disk", "insert", "A:", "nodisk"}, &code);
  EXPECT_EQ(code, 1);
}

TEST_F(MachineTool, ShortcutIsAValidLink) {
  const std::string link = "C:\\WINDOWS\\Vantor Q-Mira.lnk";
  Tool({"shortcut", link, "C:\\VantorQ-Mira\\VantorQM.exe", "--description", "Vantor Q-Mira"});
  std::string host = Tool({"path", link});
  host.pop_back();
  ASSERT_TRUE(std::filesystem::exists(host));
  if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "lnkinfo is not installed";
  const std::string info = Run("lnkinfo '" + host + "'");
  EXPECT_NE(info.find("C:\\VantorQ-Mira\\VantorQM.exe"), std::string::npos) << info;
  EXPECT_NE(info.find("Working directory"), std::string::npos) << info;
  EXPECT_NE(info.find("Vantor Q-Mira"), std::string::npos) << info;
}

}  // namespace

#endif
