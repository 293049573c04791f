#pragma once
// A throwaway simulated machine for one command: made in a fresh temporary
// folder, installed as the Windows backend while it lives (the backend in use
// before is put back), and removed with that folder at the end.

#include <memory>
#include <string>

#include "platform/sim/SimMachine.h"

namespace vqmmedium {

class TPrivateMachine {
 public:
  // EMachineError or rtl::Exception when it cannot be made.
  explicit TPrivateMachine(const platform::sim::TMachineOptions& options);
  ~TPrivateMachine();
  TPrivateMachine(const TPrivateMachine&) = delete;
  TPrivateMachine& operator=(const TPrivateMachine&) = delete;

  platform::sim::TSimMachine& Machine() { return *FMachine; }
  // The temporary folder; the machine lies in its "machine" folder.
  const std::string& Root() const { return FRoot; }

 private:
  std::string FRoot;
  std::unique_ptr<platform::sim::TSimMachine> FMachine;
  platform::TWinApi* FPrevious = nullptr;
};

// A host path as a Windows path on drive Z: (the host's root folder of a
// machine made with HostRoot).
rtl::AnsiString OnDriveZ(const std::string& hostPath);

}  // namespace vqmmedium
