#pragma once
// The shell link object: made once for a run of shortcuts and reused, so each
// link carries the values last set.

#include <memory>

#include "platform/WinApi.h"
#include "rtl/Exceptions.h"

namespace platform {

RTL_EXCEPTION(EShellLinkError, rtl::Exception);

class TShellLink {
 public:
  // EShellLinkError when the system cannot make the object.
  TShellLink();

  void SetDescription(const AnsiString& text) { FLink->SetDescription(text); }
  void SetPath(const AnsiString& path) { FLink->SetPath(path); }
  void SetWorkingDirectory(const AnsiString& folder) { FLink->SetWorkingDirectory(folder); }
  void SetArguments(const AnsiString& arguments) { FLink->SetArguments(arguments); }
  // Saves the link file (full Windows path), "remember" false. No caller checks the result.
  bool Save(const AnsiString& fileName) { return FLink->Save(fileName, false); }

 private:
  std::unique_ptr<IShellLinkA> FLink;
};

}  // namespace platform
