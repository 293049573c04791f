// Trying a medium with the installer on a throwaway machine.

#include "tools/vqm-medium/MediumTry.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "installer/shell/UntConclusao.h"
#include "installer/shell/fmprocess.h"
#include "installer/shell/untmain.h"
#include "installer/shell/varglobal.h"
#include "platform/Dde.h"
#include "platform/Registry.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Shell.h"
#include "rtl/Clock.h"
#include "rtl/SysUtils.h"
#include "tools/vqm-medium/PrivateMachine.h"
#include "ui/Application.h"
#include "ui/Operator.h"

namespace vqmmedium {

namespace fs = std::filesystem;
using rtl::AnsiString;

namespace {

// What ending the program at once raises here: no handler of the framework takes it for an error.
struct TProgramEnded {};

struct TFileState {
  uintmax_t Size = 0;
  fs::file_time_type Time;
};

std::map<std::string, TFileState> FilesUnder(const std::string& root) {
  std::map<std::string, TFileState> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error))
    if (it->is_regular_file()) files[fs::relative(it->path(), root).string()] = {it->file_size(), it->last_write_time()};
  return files;
}

// "drives/c/A/B.txt" relative to drive C: -> "C:\A\B.txt".
std::string OnC(const std::string& relative) {
  std::string path = "C:\\" + relative;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

uint32_t Le32(const std::string& b, size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 | static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// The local path a shell link file points at, from its LinkInfo; "" when it has none.
std::string LinkTarget(const std::string& hostFile) {
  std::ifstream in(hostFile, std::ios::binary);
  const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uint32_t flags = Le32(b, 20);
  size_t at = 76;
  if (flags & 0x1) at += 2 + (at + 2 <= b.size() ? (static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8) : 0);
  if (!(flags & 0x2) || at + 20 > b.size()) return {};
  const size_t base = at + Le32(b, at + 16);
  if (base >= b.size()) return {};
  return rtl::Utf8FromAnsi(b.c_str() + base);
}

std::vector<std::string> OperatorSteps(const TTryOptions& options) {
  const std::string shots = options.Screens.empty() ? "" : fs::absolute(options.Screens).string() + "/";
  auto shot = [&](std::vector<std::string>& steps, const char* name) {
    if (!shots.empty()) steps.push_back("screenshot " + shots + name);
  };
  // Room for the installer's own pauses, which pass in virtual time.
  std::vector<std::string> steps = {"timeout 600000", "wait-window TFRMProgresso"};
  shot(steps, "1-bem-vindo.png");
  if (options.Terminal) steps.push_back("click RbTerminal");
  steps.insert(steps.end(), {"click btnavancar", "click CheckBox1", "wait-enabled btnavancar"});
  shot(steps, "2-contrato.png");
  steps.push_back("click btnavancar");
  shot(steps, "3-resumo.png");
  steps.push_back("click btnavancar");
  if (!shots.empty()) steps.insert(steps.end(), {"wait-window TFRMProcess", "screenshot " + shots + "4-copia-0.png"});
  steps.push_back("wait-window TFRMConclusao");
  shot(steps, "5-conclusao.png");
  return steps;
}

}  // namespace

std::vector<TRecordKey> RecordKeys(const AnsiString& application) {
  return {
      {platform::HKEY_CURRENT_USER, "HKCU", "Software\\Tarquelia\\Vantor\\Q-Mira"},
      {platform::HKEY_CURRENT_USER, "HKCU", "Software\\Tarquelia\\Vantor\\Q-Mira\\PgConexao"},
      {platform::HKEY_LOCAL_MACHINE, "HKLM", "Software\\MicroSoft\\Windows\\CurrentVersion\\Uninstall\\" + application},
  };
}

TTryResult TryMedium(const std::string& medium, const TTryOptions& options) {
  TTryResult result;
  platform::sim::TMachineOptions machineOptions;
  machineOptions.CdRomFolder = fs::absolute(medium).string();
  TPrivateMachine machine(machineOptions);
  platform::sim::TSimMachine& m = machine.Machine();
  m.SetModuleFileName("D:\\INSTALAR.EXE");
  m.SetCurrentDirectoryA("D:\\");
  if (!options.Screens.empty()) fs::create_directories(options.Screens);
  const std::string driveC = m.HostPath("C:\\");
  const auto before = FilesUnder(driveC);

  std::vector<AnsiString> failures, pauses;
  std::vector<platform::TAskedDialog> boxes;
  std::vector<AnsiString> operatorErrors;
  installer::LimpaVarGlobal();
  rtl::TFixedClock clock;
  rtl::SetClock(&clock);
  {
    ui::TApplication app(std::make_unique<ui::THeadlessDisplay>(m.ScreenWidth(), m.ScreenHeight()));
    platform::TScriptedDialogs dialogs;
    platform::SetHaltHandler([] { throw TProgramEnded{}; });
    ui::TOperator op;
    op.OnLog = [](const AnsiString&) {};
    // A long pause is a billboard change: the strip tells at which message, the screen shows the new picture.
    clock.OnSleep = [&](uint32_t ms) {
      if (ms < 1000 || !installer::FRMProcess) return;
      pauses.push_back(installer::FRMProcess->lFile->Caption());
      if (!options.Screens.empty())
        op.Screenshot((fs::path(options.Screens) / ("4-copia-" + std::to_string(pauses.size()) + ".png")).string());
    };
    op.Queue(OperatorSteps(options));
    op.Queue(
        [&] {
          auto* janela = dynamic_cast<installer::TFRMConclusao*>(op.FindWindow("TFRMConclusao"));
          if (!janela) return false;
          failures = janela->ListBox1->Items().Items();
          result.Completed = true;
          return true;
        },
        "read the completion window");
    op.Queue({"click RadioButton2", "click Ok"});
    const uint32_t start = clock.TickCount();
    app.AddIdleHandler([&] {
      // An installation that never ends is stopped after an hour of its own time.
      if (clock.TickCount() - start > 60u * 60 * 1000) {
        operatorErrors.push_back("the installer did not end");
        app.Terminate();
      }
      if (options.OnIdle) options.OnIdle(op);
      return false;
    });
    bool ended = false;
    try {
      installer::IniciaInstalador(app);
      app.Run();
    } catch (const TProgramEnded&) {
      ended = true;
    }
    if (!ended) result.Completed = false;
    for (const AnsiString& e : op.Errors()) operatorErrors.push_back(e);
    boxes = dialogs.Asked();
    platform::SetHaltHandler(nullptr);
    platform::DdeUninitialize();
    clock.OnSleep = nullptr;
  }
  rtl::SetClock(nullptr);
  if (options.OnEnd) options.OnEnd(m);

  for (const platform::TAskedDialog& d : boxes)
    result.Problems.push_back("box \"" + rtl::Utf8FromAnsi(d.Caption) + "\": " + rtl::Utf8FromAnsi(d.Text));
  for (const AnsiString& f : failures) result.Problems.push_back("listed failure: " + rtl::Utf8FromAnsi(f));
  for (const AnsiString& e : operatorErrors) result.Problems.push_back("unattended run: " + rtl::Utf8FromAnsi(e));

  std::vector<std::string>& out = result.Report;
  out.push_back(std::string(options.Terminal ? "A terminal" : "A server") + " installation " +
                (result.Completed ? "ran to its end." : "did not complete."));
  out.push_back("== files written on C:");
  for (const auto& [path, state] : FilesUnder(driveC)) {
    const auto old = before.find(path);
    if (old != before.end() && old->second.Size == state.Size && old->second.Time == state.Time) continue;
    out.push_back("  " + OnC(path) + "  " + std::to_string(state.Size));
  }
  out.push_back("== registry");
  for (const TRecordKey& k : RecordKeys(installer::NomeAplicacao)) {
    platform::TRegistry reg;
    reg.SetRootKey(k.Root);
    if (!reg.OpenKeyReadOnly(k.Key)) {
      out.push_back("  [" + std::string(k.RootName) + "\\" + rtl::Utf8FromAnsi(k.Key) + "] not there");
      continue;
    }
    out.push_back("  [" + std::string(k.RootName) + "\\" + rtl::Utf8FromAnsi(k.Key) + "]");
    for (const AnsiString& name : reg.GetValueNames())
      out.push_back("    " + rtl::Utf8FromAnsi(name) + " = " + rtl::Utf8FromAnsi(reg.ReadString(name)));
  }
  out.push_back("== links");
  const auto& config = m.Config();
  // The desktop and the Start menu hold links of their own; Program Manager's groups lie below "Programs".
  const struct {
    AnsiString Folder;
    bool Deep;
  } linkFolders[] = {{config.DesktopDir, false}, {config.StartMenuDir, false}, {config.ProgramsDir, true}};
  for (const auto& [folder, deep] : linkFolders) {
    const std::string host = m.HostPath(folder);
    std::vector<fs::path> links;
    std::error_code error;
    if (deep) {
      for (auto it = fs::recursive_directory_iterator(host, error); !error && it != fs::recursive_directory_iterator();
           it.increment(error))
        links.push_back(it->path());
    } else {
      for (auto it = fs::directory_iterator(host, error); !error && it != fs::directory_iterator(); it.increment(error))
        links.push_back(it->path());
    }
    std::sort(links.begin(), links.end());
    for (const fs::path& link : links) {
      if (link.extension() != ".lnk" || !fs::is_regular_file(link)) continue;
      if (before.count(fs::relative(link, driveC).string())) continue;
      std::string relative = fs::relative(link, host).string();
      std::replace(relative.begin(), relative.end(), '/', '\\');
      out.push_back("  " + rtl::Utf8FromAnsi(folder) + "\\" + relative + " -> " + LinkTarget(link.string()));
    }
  }
  out.push_back("== Program Manager commands");
  for (const std::string& line : m.Journal())
    if (line.rfind("dde:", 0) == 0) out.push_back("  " + line);
  out.push_back("== billboard changes (the strip's message at each pause)");
  for (const AnsiString& p : pauses) out.push_back("  " + rtl::Utf8FromAnsi(p));
  out.push_back("== failures and boxes");
  for (const std::string& p : result.Problems) out.push_back("  " + p);
  if (result.Problems.empty()) out.push_back("  none");
  out.push_back("== the journal");
  for (const std::string& line : m.Journal()) out.push_back("  " + line);
  return result;
}

}  // namespace vqmmedium
