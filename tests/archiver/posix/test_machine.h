#pragma once
// The archive tests' machine on Linux: a fresh simulated machine per test, in
// a temporary folder.

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/sim/SimMachine.h"
#include "rtl/Exceptions.h"

namespace archiver_test {

using TMachineOptions = platform::sim::TMachineOptions;

// Wine's own departures from Windows are marked where a test meets them.
inline bool UnderWine() { return false; }

class TTestMachine {
 public:
  // The machine is made with the options `configure` sets; `prepare` may
  // change its folder (drives, disks) before it is opened and installed.
  TTestMachine(const std::function<void(TMachineOptions&)>& configure,
               const std::function<void(const std::string&)>& prepare) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vqm-archiver-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw rtl::Exception("cannot make a machine folder");
    FFolder = pattern;
    TMachineOptions options;
    options.FloppyDrive = false;
    configure(options);
    platform::sim::CreateMachine(FFolder, options);
    prepare(FFolder);
    FMachine = std::make_unique<platform::sim::TSimMachine>(FFolder);
    platform::SetApi(FMachine.get());
  }

  ~TTestMachine() {
    platform::SetApi(nullptr);
    FMachine.reset();
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }

  TTestMachine(const TTestMachine&) = delete;
  TTestMachine& operator=(const TTestMachine&) = delete;

  platform::sim::TSimMachine& Sim() { return *FMachine; }
  // Where a Windows path of the machine lies for the host's own file calls.
  std::string HostPath(const rtl::AnsiString& path) { return FMachine->HostPath(path); }
  // An entry of C:'s root that belongs to the system, not to the test.
  bool IsSystemEntry(const rtl::AnsiString&) const { return false; }

 private:
  std::string FFolder;
  std::unique_ptr<platform::sim::TSimMachine> FMachine;
};

}  // namespace archiver_test
