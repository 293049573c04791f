// vqm-wine-expect MEDIUM OUT: what the Windows end-to-end run drives and
// checks, from the Linux build over the simulated machine.
//
// Runs the installer of the medium in the host folder MEDIUM and writes into
// OUT/expect.json:
// - "forms": every window the run meets, with its caption, its client size
//   and each control's rectangle in the window's client area, as the windows
//   themselves lay them out, so the driver clicks where the controls are;
// - "server" and "terminal": what each installation of that medium leaves on
//   the machine: every file written (size, CRC-32, DOS date, attributes), the
//   registry values, the Program Manager commands and the link files, copied
//   to OUT/<kind>/links/ for lnkinfo.
// Folders of the machine appear by role ("<WINDIR>", "<WINSYSDIR>",
// "<DESKTOP>", "<STARTMENU>", "<PROGRAMS>"), since a Windows machine has its own.

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "installer/shell/UntCancela.h"
#include "installer/shell/fmprocess.h"
#include "installer/shell/varglobal.h"
#include "launcher/UntMain.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/sim/SimMachine.h"
#include "rtl/SysUtils.h"
#include "tools/vqm-medium/MediumTry.h"
#include "tools/vqm-medium/PrivateMachine.h"
#include "ui/Application.h"
#include "ui/Operator.h"

namespace fs = std::filesystem;
using rtl::AnsiString;

namespace {

std::string Json(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}
// A text of the Windows code page, as JSON.
std::string Quote(const AnsiString& ansi) { return Json(rtl::Utf8FromAnsi(ansi)); }

// One window: caption, client size, the controls by name.
std::string FormTable(ui::TCustomForm& form) {
  std::ostringstream s;
  const ui::TPoint origin = form.ClientOrigin();
  s << "{\"caption\": " << Quote(form.Caption()) << ", \"client\": [" << form.ClientWidth() << ", "
    << form.ClientHeight() << "], \"controls\": {";
  bool first = true;
  for (int i = 0; i < form.ComponentCount(); ++i) {
    auto* control = dynamic_cast<ui::TControl*>(form.Components(i));
    if (!control || control->Name().empty()) continue;
    const ui::TPoint at = control->ClientToScreen({0, 0});
    s << (first ? "" : ",") << "\n    " << Quote(control->Name()) << ": {\"class\": " << Quote(control->ClassName())
      << ", \"caption\": " << Quote(control->Caption()) << ", \"rect\": [" << at.X - origin.X << ", "
      << at.Y - origin.Y << ", " << control->Width() << ", " << control->Height() << "]}";
    first = false;
  }
  s << "}}";
  return s.str();
}

// "C:\WINDOWS\SYSTEM\X.DLL" -> "<WINSYSDIR>\X.DLL", by the longest folder that starts the path.
std::string ByRole(const AnsiString& path, const std::vector<std::pair<AnsiString, std::string>>& roles) {
  size_t best = 0;
  std::string out = rtl::Utf8FromAnsi(path);
  for (const auto& [folder, role] : roles) {
    const size_t n = folder.size();
    if (n > best && path.size() > n && rtl::SameText(path.substr(0, n), folder) && path[n] == '\\') {
      best = n;
      out = role + rtl::Utf8FromAnsi(path.substr(n));
    }
  }
  return out;
}

std::map<std::string, uintmax_t> FilesOf(const std::string& root) {
  std::map<std::string, uintmax_t> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error))
    if (it->is_regular_file()) files[fs::relative(it->path(), root).string()] = it->file_size();
  return files;
}

std::string Bytes(const std::string& hostFile) {
  std::ifstream in(hostFile, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string DosDate(int32_t age) {
  if (age == -1) return "";
  const unsigned date = static_cast<uint32_t>(age) >> 16, time = static_cast<uint32_t>(age) & 0xFFFF;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (date >> 9), (date >> 5) & 15, date & 31,
                time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return buf;
}

// What one installation left, as JSON; link files copied under linkDir.
std::string Installation(const std::string& medium, bool terminal, const fs::path& linkDir) {
  // The files a fresh machine holds, to tell what the installation wrote.
  std::map<std::string, uintmax_t> fresh;
  {
    platform::sim::TMachineOptions options;
    options.CdRomFolder = medium;
    vqmmedium::TPrivateMachine machine(options);
    fresh = FilesOf(machine.Machine().HostPath("C:\\"));
  }
  std::ostringstream s;
  vqmmedium::TTryOptions options;
  options.Terminal = terminal;
  options.OnEnd = [&](platform::sim::TSimMachine& m) {
    const auto& config = m.Config();
    const std::vector<std::pair<AnsiString, std::string>> roles = {
        {config.WindowsDir, "<WINDIR>"},     {config.SystemDir, "<WINSYSDIR>"},
        {config.DesktopDir, "<DESKTOP>"},    {config.StartMenuDir, "<STARTMENU>"},
        {config.ProgramsDir, "<PROGRAMS>"},
    };
    const std::string driveC = m.HostPath("C:\\");
    s << "{\n  \"files\": {";
    std::vector<std::pair<std::string, std::string>> links;
    bool first = true;
    for (const auto& [relative, size] : FilesOf(driveC)) {
      if (fresh.count(relative)) continue;
      AnsiString path = "C:\\" + rtl::AnsiFromUtf8(relative);
      for (char& c : path)
        if (c == '/') c = '\\';
      const std::string role = ByRole(path, roles);
      const std::string host = (fs::path(driveC) / relative).string();
      if (rtl::SameText(rtl::ExtractFileExt(path), ".lnk")) {
        links.push_back({role, host});
        continue;
      }
      const std::string bytes = Bytes(host);
      const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
      char crcText[16];
      std::snprintf(crcText, sizeof crcText, "%08lx", static_cast<unsigned long>(crc));
      s << (first ? "" : ",") << "\n    " << Json(role) << ": {\"size\": " << size << ", \"crc32\": \"" << crcText
        << "\", \"date\": " << Json(DosDate(platform::FileAge(path)))
        << ", \"attributes\": " << platform::FileGetAttr(path) << "}";
      first = false;
    }
    s << "},\n  \"links\": {";
    first = true;
    int n = 0;
    for (const auto& [role, host] : links) {
      const fs::path copy = linkDir / (std::to_string(++n) + ".lnk");
      fs::create_directories(linkDir);
      fs::copy_file(host, copy, fs::copy_options::overwrite_existing);
      s << (first ? "" : ",") << "\n    " << Json(role) << ": " << Json(copy.string());
      first = false;
    }
    s << "},\n  \"registry\": {";
    first = true;
    for (const vqmmedium::TRecordKey& k : vqmmedium::RecordKeys(installer::NomeAplicacao)) {
      platform::TRegistry reg;
      reg.SetRootKey(k.Root);
      s << (first ? "" : ",") << "\n    " << Json(std::string(k.Root == platform::HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE") + "\\" +
                                               rtl::Utf8FromAnsi(k.Key)) << ": {";
      first = false;
      if (reg.OpenKeyReadOnly(k.Key)) {
        bool firstValue = true;
        for (const AnsiString& name : reg.GetValueNames()) {
          s << (firstValue ? "" : ", ") << Quote(name) << ": " << Quote(reg.ReadString(name));
          firstValue = false;
        }
      }
      s << "}";
    }
    s << "},\n  \"dde\": [";
    first = true;
    for (const std::string& line : m.Journal()) {
      if (line.rfind("dde:", 0) != 0) continue;
      s << (first ? "" : ",") << "\n    " << Json(line);
      first = false;
    }
    s << "]\n}";
  };
  const vqmmedium::TTryResult result = vqmmedium::TryMedium(medium, options);
  if (result.ExitCode() != 0) {
    std::string problems;
    for (const std::string& p : result.Problems) problems += "\n  " + p;
    throw rtl::Exception(std::string(terminal ? "the terminal" : "the server") +
                         " installation of the medium did not run clean:" + problems);
  }
  return s.str();
}

// The windows of the installer, as a run meets them, the progress strip (made
// hidden at start-up) and the cancel question, which a plain run never asks;
// then the launcher's window.
std::map<std::string, std::string> Forms(const std::string& medium) {
  std::map<std::string, std::string> forms;
  vqmmedium::TTryOptions options;
  options.OnIdle = [&](ui::TOperator& op) {
    for (const char* name : {"TFRMMain", "TFRMProgresso", "TFRMConclusao"}) {
      if (forms.count(name)) continue;
      if (ui::TCustomForm* form = op.FindWindow(name)) forms[name] = FormTable(*form);
    }
    if (!forms.count("TFRMProcess") && installer::FRMProcess) forms["TFRMProcess"] = FormTable(*installer::FRMProcess);
    if (!forms.count("TFRMCancela")) {
      auto* cancela = new installer::TFRMCancela(ui::Application);
      forms["TFRMCancela"] = FormTable(*cancela);
      delete cancela;
    }
  };
  vqmmedium::TryMedium(medium, options);

  platform::sim::TMachineOptions machineOptions;
  machineOptions.CdRomFolder = medium;
  vqmmedium::TPrivateMachine machine(machineOptions);
  machine.Machine().SetModuleFileName("D:\\etapix.exe");
  machine.Machine().SetCurrentDirectoryA("D:\\");
  ui::TApplication app(std::make_unique<ui::THeadlessDisplay>(1024, 768));
  auto* main = new launcher::TFrmMain(&app);
  forms["TFrmMain"] = FormTable(*main);
  delete main;
  launcher::FrmMain = nullptr;
  return forms;
}

}  // namespace

int main(int argc, char** argv) {
  const char* usage = "usage: vqm-wine-expect MEDIUM OUT\n";
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf("%s  writes into OUT/expect.json the windows' control tables and what a server and a\n"
                "  terminal installation of the medium in the folder MEDIUM leave on a machine\n", usage);
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "%s", usage);
    return 2;
  }
  try {
    const fs::path medium = fs::absolute(argv[1]), out = fs::absolute(argv[2]);
    if (!fs::is_directory(medium)) throw rtl::Exception("no medium folder " + medium.string());
    fs::create_directories(out);
    std::ofstream json(out / "expect.json", std::ios::trunc);
    json << "{\n\"forms\": {";
    bool first = true;
    for (const auto& [name, table] : Forms(medium.string())) {
      json << (first ? "" : ",") << "\n  " << Json(name) << ": " << table;
      first = false;
    }
    json << "},\n\"server\": " << Installation(medium.string(), false, out / "server" / "links");
    json << ",\n\"terminal\": " << Installation(medium.string(), true, out / "terminal" / "links") << "\n}\n";
    if (!json) throw rtl::Exception("cannot write " + (out / "expect.json").string());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vqm-wine-expect: %s\n", e.what());
    return 1;
  }
  return 0;
}
