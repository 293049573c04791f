// The machine arq runs on, and host paths as Windows paths.

#include "tools/arq/HostMachine.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "platform/sim/SimMachine.h"

namespace arq {

namespace fs = std::filesystem;

struct THostMachine::TImpl {
  std::string PrivateFolder;  // removed at the end; empty for the VQM_MACHINE one
  std::unique_ptr<platform::sim::TSimMachine> Machine;
};

THostMachine::THostMachine() : FImpl(std::make_unique<TImpl>()) {
  if (std::getenv("VQM_MACHINE")) {
    platform::sim::InstallFromEnvironment();
    return;
  }
  fs::path temp = fs::temp_directory_path() / "arq-machine-XXXXXX";
  std::string pattern = temp.string();
  if (!mkdtemp(pattern.data())) throw rtl::Exception("cannot make a machine folder in " + temp.parent_path().string());
  FImpl->PrivateFolder = pattern;
  try {
    platform::sim::TMachineOptions options;
    options.HostRoot = true;
    options.FloppyDrive = false;
    options.LanguageId = 0x0409;  // English texts from the archive component
    options.OneRun = true;
    platform::sim::CreateMachine(FImpl->PrivateFolder, options);
    FImpl->Machine = std::make_unique<platform::sim::TSimMachine>(FImpl->PrivateFolder);
  } catch (...) {
    std::error_code ignored;
    fs::remove_all(FImpl->PrivateFolder, ignored);
    throw;
  }
  platform::SetApi(FImpl->Machine.get());
}

THostMachine::~THostMachine() {
  if (FImpl->PrivateFolder.empty()) return;
  platform::SetApi(nullptr);
  FImpl->Machine.reset();
  std::error_code ignored;
  fs::remove_all(FImpl->PrivateFolder, ignored);
}

rtl::AnsiString AnsiFromArgument(const std::string& text) {
  rtl::AnsiString ansi = rtl::AnsiFromUtf8(text);
  if (rtl::Utf8FromAnsi(ansi) != text)
    throw EUsage("\"" + ansi + "\" holds characters that Windows-1252 cannot write");
  return ansi;
}

rtl::AnsiString WinPathFromArgument(const std::string& argument) {
  if (argument.size() >= 2 && argument[1] == ':' && std::isalpha(static_cast<unsigned char>(argument[0])))
    return AnsiFromArgument(argument);
  std::string host = fs::absolute(fs::path(argument)).lexically_normal().string();
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  std::string windows = "Z:";
  for (char c : host) windows += c == '/' ? '\\' : c;
  if (windows == "Z:") windows += '\\';
  return AnsiFromArgument(windows);
}

const char* PathsHelp() {
  return "Paths are host paths (or Windows paths such as C:\\DATA of the machine named by\n"
         "VQM_MACHINE).\n";
}

std::string HostPathFromWin(const rtl::AnsiString& path) {
  std::string text = rtl::Utf8FromAnsi(path);
  if (text.size() < 3 || (text[0] != 'Z' && text[0] != 'z') || text[1] != ':' || text[2] != '\\') return text;
  text.erase(0, 2);
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

}  // namespace arq
