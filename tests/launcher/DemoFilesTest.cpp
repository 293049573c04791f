// The launcher's files of the demo medium, the demo machine's outside
// programs, and the database installer's stand-in run as the machine runs it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "launcher/DemoFiles.h"
#include "launcher/UntMain.h"
#include "platform/Files.h"
#include "platform/sim/MachineConfig.h"
#include "rtl/SysUtils.h"
#include "tests/platform/MachineFixture.h"

namespace {

namespace fs = std::filesystem;
using rtl::AnsiString;

class TDemoFilesTest : public machinetest::TMachineTest {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vqm-medium-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FMedium = pattern;
    Options.CdRomFolder = FMedium;
    machinetest::TMachineTest::SetUp();
  }
  void TearDown() override {
    machinetest::TMachineTest::TearDown();
    fs::remove_all(FMedium);
  }

  std::string Medium() const { return FMedium; }
  std::string HostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  const platform::sim::TProgramConfig* Programa(const platform::sim::TMachineConfig& c, const AnsiString& name) {
    const platform::sim::TProgramConfig* found = nullptr;
    for (const platform::sim::TProgramConfig& p : c.Programs)
      if (rtl::SameText(p.Name, name)) {
        EXPECT_EQ(found, nullptr) << "twice: " << name;
        found = &p;
      }
    return found;
  }

 private:
  std::string FMedium;
};

TEST_F(TDemoFilesTest, MediumGetsTheLauncherTheManualAndTheDatabaseInstaller) {
  const std::vector<AnsiString> names = launcher::AddLauncherFiles(Medium());
  EXPECT_EQ(names, (std::vector<AnsiString>{"etapix.exe", "manual.htm", "Firebird-2.0.1.12855-1-Win32.exe"}));
  for (const AnsiString& name : names) EXPECT_GT(fs::file_size(Medium() + "/" + name), 1000u) << name;

  // The manual in Windows-1252, saying so, with the three steps.
  const std::string manual = HostFile(Medium() + "/manual.htm");
  EXPECT_NE(manual.find("charset=windows-1252"), std::string::npos);
  EXPECT_NE(manual.find("Manual de Instalação"_a), std::string::npos);
  for (const char* step : {"Passo I ", "Passo II ", "Passo III "}) EXPECT_NE(manual.find(step), std::string::npos);
  EXPECT_EQ(manual.find("\xC3"), std::string::npos) << "UTF-8 bytes in the manual";
}

TEST_F(TDemoFilesTest, MachineStartsTheStandInsAndJournalsThePrintVerb) {
  platform::sim::TMachineConfig before = platform::sim::LoadMachineConfig(Dir());
  before.Print = {"print", platform::sim::paMissing, {}};
  before.Programs.push_back({"firebird-2.0.1.12855-1-WIN32.EXE", platform::sim::paMissing, {}});
  platform::sim::SaveMachineConfig(Dir(), before);

  const launcher::TDemoPrograms programs{"/opt/vqm bin/instalar", "/opt/vqm bin/vqm-fbsetup"};
  EXPECT_EQ(launcher::ConfigureLauncherMachine(Dir(), Medium(), programs), "D:\\");
  // Set up twice, the machine says each thing once.
  EXPECT_EQ(launcher::ConfigureLauncherMachine(Dir(), Medium() + "/", programs), "D:\\");

  const platform::sim::TMachineConfig c = platform::sim::LoadMachineConfig(Dir());
  EXPECT_EQ(c.Print.Action, platform::sim::paJournal);
  const platform::sim::TProgramConfig* firebird = Programa(c, launcher::kInstaladorFirebird);
  ASSERT_NE(firebird, nullptr);
  EXPECT_EQ(firebird->Action, platform::sim::paRun);
  // Quoted: the blank in the folder does not split the program's path.
  EXPECT_EQ(firebird->HostCommand, "\"/opt/vqm bin/vqm-fbsetup\"");
  const platform::sim::TProgramConfig* instalar = Programa(c, "D:\\instalar.exe");
  ASSERT_NE(instalar, nullptr);
  EXPECT_EQ(instalar->Action, platform::sim::paRun);
  EXPECT_EQ(instalar->HostCommand, "\"/opt/vqm bin/instalar\"");
}

TEST_F(TDemoFilesTest, MediumThatNoDriveShowsIsRefused) {
  EXPECT_THROW(launcher::ConfigureLauncherMachine(Dir(), Dir(), {"instalar", "vqm-fbsetup"}),
               platform::sim::EMachineError);
  EXPECT_THROW(launcher::ConfigureLauncherMachine(Dir(), Medium() + "/nenhuma", {"instalar", "vqm-fbsetup"}),
               platform::sim::EMachineError);
}

// The stand-in registers a Firebird 2.0 server the way its installer does,
// and the launcher's read sees it.
TEST_F(TDemoFilesTest, DatabaseInstallerStandInRegistersTheServer) {
  int exitCode = -1;
  const std::string output = Run("VQM_MACHINE='" + Dir() + "' '" VQM_FBSETUP "'", &exitCode);
  ASSERT_EQ(exitCode, 0) << output;
  Open();
  EXPECT_EQ(launcher::InstanciaFirebird(), "C:\\Program Files\\Firebird\\Firebird_2_0\\");
  EXPECT_TRUE(platform::DirectoryExists("C:\\Program Files\\Firebird\\Firebird_2_0"));
}

}  // namespace
