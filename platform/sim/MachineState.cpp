// The shared running state of a machine.

#include "platform/sim/MachineState.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/sim/HostFiles.h"
#include "platform/sim/IniText.h"
#include "platform/sim/WinPath.h"

namespace platform::sim {

TMachineState::TMachineState(const std::string& machineDir, const TMachineConfig& config)
    : FFile(JoinHost(machineDir, "state.ini")), FConfig(config) {}

void TMachineState::Refresh() {
  struct stat st;
  if (::stat(FFile.c_str(), &st) != 0) {
    FText.clear();
    FStamp = {};
    return;
  }
  if (FStamp.Dev == st.st_dev && FStamp.Ino == st.st_ino && FStamp.Size == st.st_size &&
      FStamp.Sec == st.st_mtim.tv_sec && FStamp.Nsec == st.st_mtim.tv_nsec)
    return;
  FText = ReadHostFile(FFile).value_or("");
  FStamp = {st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

std::string TMachineState::Disk(char drive) {
  Refresh();
  AnsiString disk;
  if (TIniText(FText).Find("Media", std::string(1, drive), disk)) return disk;
  const TDriveConfig* d = FConfig.Drive(drive);
  return d ? d->InitialDisk : std::string();
}

bool TMachineState::ProgManStarted() {
  Refresh();
  AnsiString running;
  return TIniText(FText).Find("ProgramManager", "Running", running) && SameName(running, "yes");
}

void TMachineState::SetDisk(char drive, const std::string& disk) { Write(drive, disk, false); }

void TMachineState::SetProgManStarted() { Write(0, {}, true); }

void TMachineState::Write(char drive, const std::string& disk, bool startProgMan) {
  // The change is made on the file as it is now, under the lock, so that two
  // processes changing it at once both keep their change.
  const THostLock lock(FFile + ".lock");
  if (!lock.Held()) throw EMachineError("Cannot lock " + FFile + ": " + HostError(errno));
  FStamp = {};
  const bool progManStarted = startProgMan || ProgManStarted();
  std::string text = "[Media]\n";
  for (const TDriveConfig& d : FConfig.Drives)
    if (d.Kind == dkRemovable) text += std::string(1, d.Letter) + "=" + (d.Letter == drive ? disk : Disk(d.Letter)) + "\n";
  text += std::string("\n[ProgramManager]\nRunning=") + (progManStarted ? "yes" : "no") + "\n";
  if (!WriteHostFileAtomic(FFile, text)) throw EMachineError("Cannot write " + FFile + ": " + HostError(errno));
  FStamp = {};
  Refresh();
}

}  // namespace platform::sim
