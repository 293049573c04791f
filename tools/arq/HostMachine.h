#pragma once
// The machine arq works on. On Windows it is Windows itself, and paths are
// Windows paths as they are. Elsewhere it is the simulated machine that
// VQM_MACHINE names, or a private one made for the run whose drive Z: is the
// host's root folder; host paths given on the command line become Windows
// paths on Z:. One implementation per system (posix/, win32/).

#include <memory>
#include <string>

#include "rtl/AnsiString.h"
#include "rtl/Exceptions.h"

namespace arq {

// A path or text that cannot be used as given (it is a usage error).
RTL_EXCEPTION(EUsage, rtl::Exception);

class THostMachine {
 public:
  // Installs the backend; raises rtl::Exception when no machine can be made.
  THostMachine();
  ~THostMachine();
  THostMachine(const THostMachine&) = delete;
  THostMachine& operator=(const THostMachine&) = delete;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// A command-line path as a full Windows path. On the simulated machine
// "X:..." is taken as it is and anything else is a host path (UTF-8), made
// absolute and put on Z:; EUsage for a name that Windows-1252 cannot write.
rtl::AnsiString WinPathFromArgument(const std::string& argument);
// A Windows path as the user would type it: a path on Z: as the host path
// (UTF-8), anything else as it is.
std::string HostPathFromWin(const rtl::AnsiString& path);
// Command-line text as Windows-1252; EUsage when a character has no byte there.
rtl::AnsiString AnsiFromArgument(const std::string& text);
// The paragraph of --help on paths.
const char* PathsHelp();

}  // namespace arq
