#pragma once
// Trying a medium: the installer itself runs on it over a throwaway simulated
// machine whose CD-ROM drive D: is the medium, unattended (welcome, licence
// accepted, install, no restart), on the headless display in virtual time,
// and the report tells what the installation left on the machine.

#include <string>
#include <vector>

namespace vqmmedium {

struct TTryOptions {
  bool Terminal = false;
  std::string Screens;  // host folder for a PNG of each screen; "" for none
};

struct TTryResult {
  bool Completed = false;            // the completion window was reached and "Finalizar" pressed
  std::vector<std::string> Problems; // boxes the installer showed, failures it listed, steps that failed
  std::vector<std::string> Report;   // UTF-8 lines
  // 0: completed without a box or a listed failure; 1: completed with some; 2: did not complete.
  int ExitCode() const { return !Completed ? 2 : Problems.empty() ? 0 : 1; }
};

// `medium` is a host folder. rtl::Exception when no machine can be made.
TTryResult TryMedium(const std::string& medium, const TTryOptions& options);

}  // namespace vqmmedium
