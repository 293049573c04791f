#pragma once
// The floppy drive A: of the simulated machine with three disks of little
// room (12000 bytes past the 65536 the writer keeps free), changed while a
// test runs. Only the simulated machine makes and changes disks: Linux only.

#include <string>

#include "platform/sim/MachineConfig.h"
#include "tests/archiver/component_fixture.h"

namespace archiver_test {

template <class TBase>
class TWithSmallDisks : public TBase {
 protected:
  void ConfigureMachine(TMachineOptions& options) override {
    TBase::ConfigureMachine(options);
    options.FloppyDrive = true;
  }

  void PrepareMachine(const std::string& folder) override {
    for (int n = 1; n <= 3; ++n) {
      platform::sim::TVolumeConfig v;
      v.Label = rtl::Format("DISCO%d", {n});
      v.Serial = 0x1000 + n;
      v.Size = 65536 + 12000;
      v.ClusterSize = 512;
      platform::sim::AddDisk(folder, "disk" + std::to_string(n), v);
    }
  }

  void Insert(const std::string& disk) { this->Machine().Sim().InsertDisk('A', disk); }

  // Answers the next input with drive A: after putting `disk` in.
  void AnswerWithDisk(const std::string& disk) {
    this->Dialogs().AnswerInput(true, "A:");
    this->Dialogs().AndDo([this, disk] { Insert(disk); });
  }
};

}  // namespace archiver_test
