#pragma once
// Trying a medium: the installer itself runs on it over a throwaway simulated
// machine whose CD-ROM drive D: is the medium, unattended (welcome, licence
// accepted, install, no restart), on the headless display in virtual time,
// and the report tells what the installation left on the machine.

#include <functional>
#include <string>
#include <vector>

#include "platform/WinApi.h"
#include "rtl/AnsiString.h"

namespace platform::sim {
class TSimMachine;
}
namespace ui {
class TOperator;
}

namespace vqmmedium {

struct TTryOptions {
  bool Terminal = false;
  std::string Screens;  // host folder for a PNG of each screen; "" for none
  // Called whenever the installer's loop is idle, with the operator that drives it.
  std::function<void(ui::TOperator&)> OnIdle;
  // Called with the machine once the installer has ended, before the report is made.
  std::function<void(platform::sim::TSimMachine&)> OnEnd;
};

struct TTryResult {
  bool Completed = false;            // the completion window was reached and "Finalizar" pressed
  std::vector<std::string> Problems; // boxes the installer showed, failures it listed, steps that failed
  std::vector<std::string> Report;   // UTF-8 lines
  // 0: completed without a box or a listed failure; 1: completed with some; 2: did not complete.
  int ExitCode() const { return !Completed ? 2 : Problems.empty() ? 0 : 1; }
};

// The registry keys an installation's records go under, with the short name of their root
// ("HKCU", "HKLM"); the uninstall entry's is named after the application.
struct TRecordKey {
  platform::HKEY Root;
  const char* RootName;
  rtl::AnsiString Key;
};
std::vector<TRecordKey> RecordKeys(const rtl::AnsiString& application);

// `medium` is a host folder. rtl::Exception when no machine can be made.
TTryResult TryMedium(const std::string& medium, const TTryOptions& options);

}  // namespace vqmmedium
