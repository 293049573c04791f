#pragma once
// The machine arq works on: the one VQM_MACHINE names, or a private one made
// for the run whose drive Z: is the host's root folder. Host paths given on
// the command line become Windows paths on Z:.

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

// A command-line path (UTF-8) as a Windows path: "X:..." is taken as it is;
// anything else is a host path, made absolute and put on Z:. EUsage for a
// name that Windows-1252 cannot write.
rtl::AnsiString WinPathFromArgument(const std::string& argument);
// A Windows path as the user would type it: a path on Z: as the host path
// (UTF-8), anything else as it is.
std::string HostPathFromWin(const rtl::AnsiString& path);
// UTF-8 text as Windows-1252; EUsage when a character has no byte there.
rtl::AnsiString AnsiFromArgument(const std::string& text);

}  // namespace arq
