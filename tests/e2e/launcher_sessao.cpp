// A whole session on one machine with the real outside programs: the
// launcher starts the database server's installer stand-in and then our
// installer (each its own process of the machine), the installer runs to its
// end from the demo medium, and the launcher marks both steps done.

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "tests/e2e/launcher_fixture.h"

namespace launchertest {
namespace {

// The installer's operator: a server installation, the licence accepted, no restart.
const char kPassosDoInstalador[] =
    "timeout 300000\n"
    "wait-window TFRMProgresso\n"
    "click btnavancar\n"
    "click CheckBox1\n"
    "wait-enabled btnavancar\n"
    "click btnavancar\n"
    "click btnavancar\n"
    "wait-window TFRMConclusao\n"
    "click RadioButton2\n"
    "click Ok\n";

class TLauncherSession : public TLauncherRun {
 protected:
  void SetUp() override {
    TLauncherRun::SetUp();
    // The programs the launcher starts run on the headless screen.
    const char* display = std::getenv("VQM_DISPLAY");
    FDisplay = display ? std::optional<std::string>(display) : std::nullopt;
    setenv("VQM_DISPLAY", "headless", 1);
  }
  void TearDown() override {
    if (FDisplay) setenv("VQM_DISPLAY", FDisplay->c_str(), 1);
    else unsetenv("VQM_DISPLAY");
    TLauncherRun::TearDown();
  }

  // Lets the launcher run until pred holds, in real time: the other programs
  // are other processes. False after the time is up.
  bool EsperaReal(const std::function<bool()>& pred, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Op().Wait(10);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

 private:
  std::optional<std::string> FDisplay;
};

TEST_F(TLauncherSession, LauncherDatabaseStepInstallerBothDone) {
  // The demo medium, written on C: and copied to the CD, with the launcher's files.
  ASSERT_TRUE(platform::ForceDirectories("C:\\MIDIA"));
  medium::BuildDemoMedium("C:\\MIDIA", "C:\\FONTE");
  for (const auto& entry : fs::directory_iterator(Maquina().HostPath("C:\\MIDIA")))
    fs::copy_file(entry.path(), Cd() + "/" + entry.path().filename().string(), fs::copy_options::overwrite_existing);
  fs::remove(Cd() + "/instalar.exe");

  // The installer through a host script that notes when it ends and how.
  const std::string fim = Raiz() + "/instalar.fim";
  const std::string wrapper = Raiz() + "/instalar.sh";
  std::ofstream(wrapper) << "#!/bin/sh\n\"" VQM_INSTALAR "\"\necho $? > \"" << fim << ".tmp\"\nmv \"" << fim
                         << ".tmp\" \"" << fim << "\"\n";
  ASSERT_EQ(::chmod(wrapper.c_str(), 0755), 0);
  EXPECT_EQ(launcher::ConfigureLauncherMachine(Pasta(), Cd(), {wrapper, VQM_FBSETUP}), "D:\\");
  std::ofstream(Pasta() + "/operator.txt") << kPassosDoInstalador;
  Abre();  // with the settings just written

  Inicia();
  Op().Wait(100);
  EXPECT_TRUE(FrmMain->Button2->Enabled());
  EXPECT_TRUE(FrmMain->Button3->Enabled());

  Op().Click("&Firebird");
  ASSERT_TRUE(EsperaReal([] { return FrmMain->ImgStep2->Visible(); }, std::chrono::seconds(60)))
      << "the database server was not registered";
  EXPECT_EQ(FrmMain->LbMsgPg->Caption(), kNotaFirebird);
  EXPECT_FALSE(FrmMain->Button2->Enabled());
  EXPECT_TRUE(FrmMain->Button3->Enabled());

  Op().Click("&Vantor");
  ASSERT_TRUE(EsperaReal([&] { return fs::exists(fim) && FrmMain->ImgStep3->Visible(); }, std::chrono::seconds(600)))
      << "the installer did not end, or the product is not in its place";
  std::ifstream status(fim);
  int code = -1;
  status >> code;
  EXPECT_EQ(code, 0);
  EXPECT_EQ(FrmMain->LbMsgVtr->Caption(), kNotaVantor);
  EXPECT_FALSE(FrmMain->Button3->Enabled());
  EXPECT_TRUE(FrmMain->Button1->Enabled());
  // The installer ran its whole course: the uninstall entry is its last record.
  platform::TRegistry reg;
  reg.SetRootKey(platform::HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg.OpenKeyReadOnly("Software\\MicroSoft\\Windows\\CurrentVersion\\Uninstall\\Vantor Q-Mira"));

  // Both programs started from the medium, its folder their working folder.
  const std::vector<std::string> winexec = Diario("winexec");
  ASSERT_EQ(winexec.size(), 1u);
  EXPECT_NE(winexec[0].find("path=\"D:\\Firebird-2.0.1.12855-1-Win32.exe\""), std::string::npos) << winexec[0];
  bool instalar = false;
  for (const std::string& line : Diario("shellexecute"))
    instalar |= line.find("file=\"instalar.exe\"") != std::string::npos && line.find("dir=\"D:\\\"") != std::string::npos;
  EXPECT_TRUE(instalar);

  Op().Click("&Sair");
  EXPECT_TRUE(App().Terminated());
  EXPECT_TRUE(Dialogos().Asked().empty());
}

}  // namespace
}  // namespace launchertest
