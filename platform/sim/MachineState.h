#pragma once
// state.ini: what changes on a machine while it runs and is shared by its
// processes: the disk in each removable drive ([Media] A=disk1, empty for no
// disk) and whether Program Manager has been started ([ProgramManager]
// Running=yes). An operator or a test may edit it at any time; it is read
// again whenever it changed.

#include <string>

#include "platform/sim/MachineConfig.h"

namespace platform::sim {

class TMachineState {
 public:
  TMachineState(const std::string& machineDir, const TMachineConfig& config);

  // The disk in a removable drive ("" for none): state.ini, else machine.ini's Disk=.
  std::string Disk(char drive);
  void SetDisk(char drive, const std::string& disk);
  bool ProgManStarted();
  void SetProgManStarted();

 private:
  void Refresh();
  // Writes the whole state with one drive's disk changed (drive 0: none) and,
  // with `startProgMan`, Program Manager marked as started.
  void Write(char drive, const std::string& disk, bool startProgMan);

  std::string FFile;
  const TMachineConfig& FConfig;
  std::string FText;  // the file as last read
  struct {
    unsigned long Dev = 0, Ino = 0;
    long long Size = -1, Sec = 0, Nsec = 0;
  } FStamp;
};

}  // namespace platform::sim
