#pragma once
// The installer's shell on a fresh simulated machine: the medium is a folder
// of the machine holding the installer, its setup script and its archives;
// the display is headless, dialogs are scripted, and ending the program at
// once raises TFimDoPrograma so a test sees it happen.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "archiver/Archiver.h"
#include "installer/shell/fmprocess.h"
#include "installer/shell/untmain.h"
#include "installer/shell/varglobal.h"
#include "platform/Files.h"
#include "platform/ScriptedDialogs.h"
#include "rtl/SysUtils.h"
#include "platform/Shell.h"
#include "tests/platform/MachineFixture.h"
#include "ui/Application.h"

namespace shelltest {

using rtl::AnsiString;

// What ending the program at once raises here; not an std::exception, so no
// handler of the framework takes it for an error.
struct TFimDoPrograma {};

class TShellTest : public machinetest::TMachineTest {
 protected:
  void SetUp() override {
    machinetest::TMachineTest::SetUp();
    Open();
    Machine()->SetModuleFileName(FMedium + "INSTALAR.EXE");
    platform::ForceDirectories(FMedium);
    installer::LimpaVarGlobal();
    platform::SetHaltHandler([] { throw TFimDoPrograma{}; });
    FApplication = std::make_unique<ui::TApplication>(std::make_unique<ui::THeadlessDisplay>(1024, 768));
    FDialogs = std::make_unique<platform::TScriptedDialogs>();
  }

  void TearDown() override {
    FDialogs.reset();
    FApplication.reset();
    platform::SetHaltHandler(nullptr);
    machinetest::TMachineTest::TearDown();
  }

  ui::TApplication& Application() { return *FApplication; }
  platform::TScriptedDialogs& Dialogs() { return *FDialogs; }
  const AnsiString& Medium() const { return FMedium; }
  void SetMedium(const AnsiString& folder) {
    FMedium = folder;
    Machine()->SetModuleFileName(FMedium + "INSTALAR.EXE");
    platform::ForceDirectories(FMedium);
  }

  // A text file of the machine, written from UTF-8 as Windows-1252 (host
  // side, so a read-only medium can be filled too).
  void Texto(const AnsiString& windowsPath, const std::string& utf8) {
    platform::ForceDirectories(rtl::ExtractFileDir(windowsPath));
    WriteFile(windowsPath, rtl::AnsiFromUtf8(utf8));
  }
  // The setup script beside the installer.
  void Script(const std::string& utf8, const AnsiString& name = "SETUP.STP") { Texto(FMedium + name, utf8); }

  // A support or product archive beside the installer, holding files with
  // these names and contents (stored without folders). It is made on C: and
  // copied, so the medium may be read-only.
  void Arquivo(const AnsiString& name, const std::vector<std::pair<AnsiString, std::string>>& files) {
    const AnsiString source = "C:\\FONTE\\" + name + "\\";
    platform::ForceDirectories(source);
    for (const auto& [file, contents] : files) WriteFile(source + file, contents);
    archiver::TArchiver a;
    a.SetErrorAction(archiver::eaAbort);
    a.SetFileName(source + name);
    a.Open();
    for (const auto& file : files) a.AddFile(source + file.first);
    a.Close();
    std::filesystem::copy_file(Machine()->HostPath(source + name), Machine()->HostPath(FMedium + name),
                               std::filesystem::copy_options::overwrite_existing);
  }

  std::string Conteudo(const AnsiString& windowsPath) {
    std::ifstream in(Machine()->HostPath(windowsPath), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Start-up up to the message loop; false when the program ended meanwhile.
  bool Inicia() {
    try {
      installer::IniciaInstalador(Application());
      return true;
    } catch (const TFimDoPrograma&) {
      return false;
    }
  }

  // The boxes shown so far, by kind.
  std::vector<platform::TAskedDialog> Caixas(platform::TDialogKind kind) const {
    std::vector<platform::TAskedDialog> found;
    for (const platform::TAskedDialog& d : FDialogs->Asked())
      if (d.Kind == kind) found.push_back(d);
    return found;
  }

 private:
  AnsiString FMedium = "C:\\MIDIA\\";
  std::unique_ptr<ui::TApplication> FApplication;
  std::unique_ptr<platform::TScriptedDialogs> FDialogs;
};

}  // namespace shelltest
