#pragma once
// Whole installations on a fresh simulated machine per test: the medium is
// the machine's CD-ROM drive D:, `instalar` runs in this process on the
// headless display (virtual time), an operator drives it, dialogs are
// scripted and ending the program at once raises TFimDoPrograma.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "installer/shell/fmprocess.h"
#include "installer/shell/untmain.h"
#include "installer/shell/varglobal.h"
#include "installer/wizard/UntProgresso.h"
#include "platform/Dde.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Shell.h"
#include "platform/sim/SimMachine.h"
#include "rtl/Clock.h"
#include "rtl/SysUtils.h"
#include "tools/demo-medium/DemoMedium.h"
#include "ui/Application.h"
#include "ui/Operator.h"

namespace e2e {

namespace fs = std::filesystem;
using rtl::AnsiString;

// What ending the program at once raises here: not an std::exception, so no
// handler of the framework takes it for an error.
struct TFimDoPrograma {};

// How a run went.
struct TExecucao {
  bool Encerrado = false;  // the program ended at once
  std::vector<AnsiString> ErrosDoOperador;
  std::vector<platform::TAskedDialog> Caixas;

  std::vector<platform::TAskedDialog> DoTipo(platform::TDialogKind kind) const {
    std::vector<platform::TAskedDialog> found;
    for (const platform::TAskedDialog& d : Caixas)
      if (d.Kind == kind) found.push_back(d);
    return found;
  }
};

// The operator's steps through the three pages up to "&Instalar".
inline std::vector<std::string> PassosAteInstalar(bool terminal) {
  // Room for the 7-second pauses of a billboard run.
  std::vector<std::string> steps = {"timeout 120000", "wait-window TFRMProgresso"};
  if (terminal) steps.push_back("click RbTerminal");
  for (const char* step : {"click btnavancar", "click CheckBox1", "wait-enabled btnavancar", "click btnavancar",
                           "click btnavancar"})
    steps.push_back(step);
  return steps;
}

// "Finalizar" in the completion window, restarting or not.
inline std::vector<std::string> PassosFinalizar(bool reinicia) {
  std::vector<std::string> steps = {"wait-window TFRMConclusao"};
  if (!reinicia) steps.push_back("click RadioButton2");
  steps.push_back("click Ok");
  return steps;
}

// The whole way: the wizard, then "Finalizar".
inline std::vector<std::string> PassosCompletos(bool terminal, bool reinicia) {
  std::vector<std::string> steps = PassosAteInstalar(terminal);
  for (const std::string& step : PassosFinalizar(reinicia)) steps.push_back(step);
  return steps;
}

class TInstalacao : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vqm-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FRoot = pattern;
    FCd = FRoot + "/cd";
    fs::create_directories(FCd);
    platform::sim::TMachineOptions options;
    options.CdRomFolder = FCd;
    platform::sim::CreateMachine(FRoot + "/machine", options);
    Abre();
  }

  void TearDown() override {
    platform::SetApi(nullptr);
    FMachine.reset();
    fs::remove_all(FRoot);
  }

  platform::sim::TSimMachine& Maquina() { return *FMachine; }

  // Changes machine.ini and opens the machine again.
  void MudaMaquina(const std::function<void(platform::sim::TMachineConfig&)>& change) {
    platform::sim::TMachineConfig config = platform::sim::LoadMachineConfig(FRoot + "/machine");
    change(config);
    platform::sim::SaveMachineConfig(FRoot + "/machine", config);
    Abre();
  }

  // ---- the medium on D: (written host-side: the drive is read-only) ----

  void ArquivoNoCd(const AnsiString& name, const std::string& bytes) {
    std::ofstream(FCd + "/" + rtl::Utf8FromAnsi(name), std::ios::binary) << bytes;
  }
  // The setup script, from UTF-8.
  void Script(const std::string& utf8) { ArquivoNoCd("VANTOR.STP", rtl::AnsiFromUtf8(utf8)); }
  // An archive of the installer's format, made on C: and copied to the medium.
  void Arquivo(const AnsiString& name, const std::vector<medium::TMediumFile>& files) {
    const AnsiString made = "C:\\FONTE\\" + name;
    medium::WriteArchive(made, files, "C:\\FONTE\\" + rtl::ChangeFileExt(name, ""));
    fs::copy_file(FMachine->HostPath(made), FCd + "/" + rtl::Utf8FromAnsi(name),
                  fs::copy_options::overwrite_existing);
  }
  // The support archives every medium here carries.
  void ArquivosDeApoio() {
    Arquivo("winsysdlls.bak", {{"QMRTL32.DLL", "biblioteca"}});
    Arquivo("Contrato.bak", {{"Contrato.txt", "CONTRATO\r\nTermos de uso.\r\n"}});
  }

  // ---- running the installer ----

  // Runs instalar from D: until it ends: at once (Halt), in order, or when a
  // step tells the application to stop. `passos` queues the operator's steps.
  TExecucao Instala(const std::vector<std::string>& passos) {
    return Instala([&](ui::TOperator& op) { op.Queue(passos); });
  }
  TExecucao Instala(const std::function<void(ui::TOperator&)>& passos) {
    TExecucao result;
    installer::LimpaVarGlobal();
    rtl::TFixedClock clock;
    clock.OnSleep = [this](uint32_t ms) {
      if (OnPausa) OnPausa(ms);
    };
    rtl::SetClock(&clock);
    {
      ui::TApplication app(std::make_unique<ui::THeadlessDisplay>(1024, 768));
      platform::TScriptedDialogs dialogs;
      FDialogos = &dialogs;
      platform::SetHaltHandler([] { throw TFimDoPrograma{}; });
      ui::TOperator op;
      op.OnLog = [](const AnsiString&) {};
      passos(op);
      // A run that never ends fails the test instead of hanging it.
      const uint32_t start = clock.TickCount();
      app.AddIdleHandler([&] {
        if (clock.TickCount() - start > 10 * 60 * 1000) {
          ADD_FAILURE() << "the installer did not end";
          app.Terminate();
        }
        return false;
      });
      try {
        installer::IniciaInstalador(app);
        app.Run();
      } catch (const TFimDoPrograma&) {
        result.Encerrado = true;
      }
      result.ErrosDoOperador = op.Errors();
      result.Caixas = dialogs.Asked();
      platform::SetHaltHandler(nullptr);
      platform::DdeUninitialize();
      FDialogos = nullptr;
    }
    rtl::SetClock(nullptr);
    return result;
  }

  // The boxes shown so far in the run going on.
  const std::vector<platform::TAskedDialog>& CaixasAteAgora() const { return FDialogos->Asked(); }

  // Called after every pause of the program with its length.
  std::function<void(uint32_t)> OnPausa;

  // ---- what the run left ----

  bool Existe(const AnsiString& path) { return platform::FileExists(path); }
  bool PastaExiste(const AnsiString& path) { return platform::DirectoryExists(path); }
  std::string Conteudo(const AnsiString& path) {
    std::ifstream in(FMachine->HostPath(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Registry: a key's value names (empty when the key is missing), a value, the subkeys.
  std::vector<AnsiString> Valores(platform::HKEY root, const AnsiString& key) {
    platform::TRegistry reg;
    reg.SetRootKey(root);
    return reg.OpenKeyReadOnly(key) ? reg.GetValueNames() : std::vector<AnsiString>{};
  }
  AnsiString Valor(platform::HKEY root, const AnsiString& key, const AnsiString& name) {
    platform::TRegistry reg;
    reg.SetRootKey(root);
    return reg.OpenKeyReadOnly(key) ? reg.ReadString(name) : AnsiString();
  }
  std::vector<AnsiString> Subchaves(platform::HKEY root, const AnsiString& key) {
    platform::TRegistry reg;
    reg.SetRootKey(root);
    return reg.OpenKeyReadOnly(key) ? reg.GetKeyNames() : std::vector<AnsiString>{};
  }

  // Journal lines of one kind ("dde", "sound", "exitwindows", ...).
  std::vector<std::string> Diario(const std::string& kind) {
    std::vector<std::string> lines;
    for (const std::string& line : FMachine->Journal())
      if (line.rfind(kind + ":", 0) == 0) lines.push_back(line);
    return lines;
  }

  const platform::sim::TMachineConfig& Config() const { return FMachine->Config(); }

 private:
  void Abre() {
    platform::SetApi(nullptr);
    FMachine = std::make_unique<platform::sim::TSimMachine>(FRoot + "/machine");
    platform::SetApi(FMachine.get());
    FMachine->SetModuleFileName("D:\\INSTALAR.EXE");
  }

  std::string FRoot, FCd;
  platform::TScriptedDialogs* FDialogos = nullptr;
  std::unique_ptr<platform::sim::TSimMachine> FMachine;
};

// Posts a left click on a control, as the mouse would: it is handled the next
// time the program lets its messages run.
inline void PostaClique(ui::TControl& control) {
  const ui::TPoint p = control.ClientToScreen({control.Width() / 2, control.Height() / 2});
  for (ui::TInputKind kind : {ui::ikMouseMove, ui::ikMouseDown, ui::ikMouseUp}) {
    ui::TInputEvent e;
    e.Kind = kind;
    e.Pos = p;
    ui::Application->PostInput(e);
  }
}

// The wizard while it is shown.
inline installer::TFRMProgresso* Assistente(ui::TOperator& op) {
  return dynamic_cast<installer::TFRMProgresso*>(op.FindWindow("TFRMProgresso"));
}

}  // namespace e2e
