#pragma once
// The launcher on a fresh simulated machine per test: the medium with the
// launcher's files is the CD-ROM drive D:, the launcher runs from it in this
// process on the headless display (virtual time), an operator drives it and
// dialogs are scripted. What the outside programs do is done by the test, as
// another process of the machine would.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "launcher/DemoFiles.h"
#include "launcher/UntMain.h"
#include "platform/Files.h"
#include "platform/ScriptedDialogs.h"
#include "platform/sim/SimMachine.h"
#include "rtl/SysUtils.h"
#include "tools/demo-medium/DemoMedium.h"
#include "ui/Application.h"
#include "ui/Operator.h"

namespace launchertest {

namespace fs = std::filesystem;
using launcher::FrmMain;
using platform::BYTE;
using platform::DWORD;
using rtl::AnsiString;

inline const AnsiString kNotaFirebird =
    "o Firebird já está instalado !!!.Para fazer uma re-instalação consulte o manual !!!"_a;
inline const AnsiString kNotaVantor =
    "Já existe um Vantor Q-Mira instalado.Para fazer uma re-instalação consulte o manual !!!"_a;

class TLauncherRun : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vqm-launcher-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FRoot = pattern;
    FCd = FRoot + "/cd";
    fs::create_directories(FCd);
    launcher::AddLauncherFiles(FCd);
    // The installer as a plain program of the medium: started, journalled.
    std::ofstream(FCd + "/instalar.exe", std::ios::binary) << medium::ProgramBytes("instalar.exe", 4096);
    platform::sim::TMachineOptions options;
    options.CdRomFolder = FCd;
    platform::sim::CreateMachine(Pasta(), options);
    Abre();
    FApplication = std::make_unique<ui::TApplication>(std::make_unique<ui::THeadlessDisplay>(1024, 768));
    FDialogs = std::make_unique<platform::TScriptedDialogs>();
    FOperator = std::make_unique<ui::TOperator>();
    FOperator->OnLog = [](const AnsiString&) {};
  }

  void TearDown() override {
    FOperator.reset();
    FDialogs.reset();
    FApplication.reset();
    FrmMain = nullptr;
    platform::SetApi(nullptr);
    FMachine.reset();
    fs::remove_all(FRoot);
  }

  // Opens the machine (again, after its settings changed) as the launcher's
  // process, started from the medium as the shell starts a program of a CD.
  void Abre() {
    platform::SetApi(nullptr);
    FMachine = std::make_unique<platform::sim::TSimMachine>(Pasta());
    platform::SetApi(FMachine.get());
    FMachine->SetModuleFileName("D:\\etapix.exe");
    FMachine->SetCurrentDirectoryA("D:\\");
  }

  // The program's start up to the shown window, as the loop's start shows it.
  void Inicia() {
    launcher::IniciaLauncher(*FApplication);
    FrmMain->Show();
    Op().Wait(0);
  }

  ui::TOperator& Op() { return *FOperator; }
  ui::TApplication& App() { return *FApplication; }
  platform::TScriptedDialogs& Dialogos() { return *FDialogs; }
  platform::sim::TSimMachine& Maquina() { return *FMachine; }
  std::string Pasta() const { return FRoot + "/machine"; }
  const std::string& Raiz() const { return FRoot; }
  const std::string& Cd() const { return FCd; }

  // ---- another process of the machine ----

  // Writes the database server's "DefaultInstance" (any type), as its installer would.
  void RegistraInstancia(DWORD type, const std::string& bytes) {
    platform::sim::TSimMachine outro(Pasta());
    platform::HKEY key = 0;
    ASSERT_EQ(outro.RegCreateKeyExA(platform::HKEY_LOCAL_MACHINE, launcher::kChaveFirebird, 0,
                                    platform::KEY_ALL_ACCESS, key, nullptr),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(outro.RegSetValueExA(key, launcher::kValorInstancia, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size())),
              platform::ERROR_SUCCESS);
    outro.RegCloseKey(key);
  }
  void RegistraInstancia(const AnsiString& text) {
    RegistraInstancia(platform::REG_SZ, text + std::string(1, '\0'));
  }

  // Puts a file on C: (folders made), as the product's installer would.
  void CriaArquivo(const AnsiString& path) {
    ASSERT_TRUE(platform::ForceDirectories(rtl::ExtractFileDir(path))) << path;
    medium::WriteMachineFile(path, "programa");
  }

  // ---- what the launcher shows and did ----

  // Step II or III: done (note, sign, button disabled) or open (none of them).
  void EsperaPasso(int passo, bool feito) {
    const bool dois = passo == 2;
    ui::TLabel* nota = dois ? FrmMain->LbMsgPg : FrmMain->LbMsgVtr;
    ui::TImage* sinal = dois ? FrmMain->ImgStep2 : FrmMain->ImgStep3;
    ui::TButton* botao = dois ? FrmMain->Button2 : FrmMain->Button3;
    ui::TTimer* relogio = dois ? FrmMain->Timer1 : FrmMain->Timer2;
    SCOPED_TRACE("step " + std::to_string(passo));
    EXPECT_EQ(nota->Caption(), feito ? (dois ? kNotaFirebird : kNotaVantor) : AnsiString());
    EXPECT_EQ(sinal->Visible(), feito);
    EXPECT_EQ(botao->Enabled(), !feito);
    EXPECT_EQ(relogio->Interval(), feito ? 0u : 1u);
  }

  // Journal lines of one kind ("winexec", "shellexecute", ...).
  std::vector<std::string> Diario(const std::string& kind) {
    std::vector<std::string> lines;
    for (const std::string& line : FMachine->Journal())
      if (line.rfind(kind + ":", 0) == 0) lines.push_back(line);
    return lines;
  }

 private:
  std::string FRoot, FCd;
  std::unique_ptr<platform::sim::TSimMachine> FMachine;
  std::unique_ptr<ui::TApplication> FApplication;
  std::unique_ptr<platform::TScriptedDialogs> FDialogs;
  std::unique_ptr<ui::TOperator> FOperator;
};

}  // namespace launchertest
