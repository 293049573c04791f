// arq on Windows: the real Windows API, and paths as Windows has them.

#include "tools/arq/HostMachine.h"

// Our own declarations first: windows.h then names the same constants as macros.
#include "platform/win32/Win32Api.h"

#include <windows.h>

#include <vector>

namespace arq {

struct THostMachine::TImpl {
  platform::win32::TWin32Api Api;
};

THostMachine::THostMachine() : FImpl(std::make_unique<TImpl>()) {
  // The component's questions go to the console, as its other dialogs do.
  FImpl->Api.SetMessageBoxesThroughDialogs(true);
  platform::SetApi(&FImpl->Api);
}

THostMachine::~THostMachine() { platform::SetApi(nullptr); }

// The command line arrives in the ANSI code page already.
rtl::AnsiString AnsiFromArgument(const std::string& text) { return text; }

rtl::AnsiString WinPathFromArgument(const std::string& argument) {
  std::vector<char> full(MAX_PATH + 1);
  DWORD n = GetFullPathNameA(argument.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {
    full.resize(n + 1);
    n = GetFullPathNameA(argument.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (n == 0 || n >= full.size()) throw EUsage("\"" + argument + "\" is no usable path");
  std::string path(full.data(), n);
  // A folder's path without its closing backslash, a drive's root with it.
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string HostPathFromWin(const rtl::AnsiString& path) { return path; }

const char* PathsHelp() { return "Paths are Windows paths, relative to the current folder or full.\n"; }

}  // namespace arq
