#pragma once
// The settings of a simulated machine, kept in machine.ini (UTF-8) in the
// machine folder, and the making of a fresh machine folder.
//
// machine.ini:
//   [Machine]   Family=NT|9x, LanguageId=0x0416, ScreenWidth, ScreenHeight,
//               Owner, Company (registered when registry.reg is first made),
//               WindowsDir, SystemDir, TempDir, DesktopDir, StartMenuDir,
//               ProgramsDir (default StartMenuDir\Programs), CurrentDir,
//               GetDiskFreeSpaceEx=yes|no (kernel32 exports it)
//   [Drive X]   Kind=fixed|removable|cdrom|network|missing, Folder (host folder,
//               relative to the machine folder or absolute), Label, Serial
//               (XXXX-XXXX), FileSystem, Size (bytes or "real": the host's own
//               figures), Free (bytes free before the folder's own files are
//               counted; default Size), ClusterSize; removable drives name the
//               disk in the drive at start with Disk= instead of a folder
//   [Disk NAME] a disk for removable drives: Folder, Label, Serial, FileSystem,
//               Size, Free, ClusterSize
//   [ProgramManager] State=running|startable|absent (startable: WinExec of
//               PROGMAN starts the DDE server)
//   [Dde]       InitializeError=0 (a DMLERR_ code that DdeInitializeA fails with)
//   [Programs]  Windows program (file name, or full path) = journal | missing |
//               run HOSTPROGRAM ARGS... (started with the machine's environment)
//   [Shell]     Print= the "print" verb, same values as a program; Open= the
//               default action on documents (default journal)
//   [Registry]  ReadOnlyKey=ROOT\path (repeatable): on the NT family, opening it or
//               a key below it with write rights is refused (ERROR_ACCESS_DENIED)

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinApi.h"
#include "rtl/Exceptions.h"

namespace platform::sim {

// A machine folder or its settings cannot be used; the message names the file.
RTL_EXCEPTION(EMachineError, rtl::Exception);

enum TWindowsFamily { wf9x, wfNT };
enum TDriveKind { dkMissing, dkFixed, dkRemovable, dkCdRom, dkNetwork };
enum TProgManState { pmRunning, pmStartable, pmAbsent };
enum TProgramAction { paJournal, paMissing, paRun };

inline constexpr int64_t kRealSize = -1;

struct TVolumeConfig {
  std::string Folder;  // host folder (absolute once loaded)
  AnsiString Label;
  DWORD Serial = 0;
  AnsiString FileSystem = "FAT";
  int64_t Size = kRealSize;
  int64_t Free = kRealSize;  // kRealSize: the same as Size
  DWORD ClusterSize = 4096;
};

struct TDriveConfig {
  char Letter = 'C';
  TDriveKind Kind = dkFixed;
  TVolumeConfig Volume;     // not used by removable drives
  std::string InitialDisk;  // removable drives: the disk in the drive at start
};

struct TDiskConfig {
  std::string Name;
  TVolumeConfig Volume;
};

struct TProgramConfig {
  AnsiString Name;  // file name or full Windows path
  TProgramAction Action = paJournal;
  std::string HostCommand;  // for paRun
};

struct TMachineConfig {
  TWindowsFamily Family = wfNT;
  LANGID LanguageId = 0x0416;
  int ScreenWidth = 1024;
  int ScreenHeight = 768;
  AnsiString Owner, Company;
  AnsiString WindowsDir, SystemDir, TempDir, DesktopDir, StartMenuDir, ProgramsDir;
  AnsiString CurrentDir = "C:\\";
  bool HasGetDiskFreeSpaceEx = true;
  std::vector<TDriveConfig> Drives;
  std::vector<TDiskConfig> Disks;
  TProgManState ProgramManager = pmRunning;
  UINT DdeInitializeError = 0;
  std::vector<TProgramConfig> Programs;
  TProgramConfig Print{"print", paJournal, {}};
  TProgramConfig Open{"open", paJournal, {}};
  std::vector<AnsiString> ReadOnlyKeys;

  const TDriveConfig* Drive(char letter) const;
  const TDiskConfig* Disk(const std::string& name) const;
};

// Reads machineDir/machine.ini; raises EMachineError naming the file and the
// setting at fault. Relative folders become absolute under machineDir.
TMachineConfig LoadMachineConfig(const std::string& machineDir);
// Writes machine.ini (atomically). Comments of an edited file are not kept.
void SaveMachineConfig(const std::string& machineDir, const TMachineConfig& config);

struct TMachineOptions {
  TWindowsFamily Family = wfNT;
  AnsiString Owner = "Usuario";
  AnsiString Company = "Empresa";
  AnsiString UserName = "Usuario";  // the NT profile folder's name
  LANGID LanguageId = 0x0416;
  int ScreenWidth = 1024;
  int ScreenHeight = 768;
  std::string CdRomFolder;    // host folder shown as the CD-ROM drive D: ("" for none)
  bool FloppyDrive = true;    // A: removable, no disk in it
  bool HostRoot = false;      // Z: is the host's root folder (Z:\home\x is /home/x)
  TProgManState ProgramManager = pmRunning;
  bool HasGetDiskFreeSpaceEx = true;
  // A machine for one process's run, removed after it: of the folders of C:
  // only the temporary one is made, and nothing waits for the disk.
  bool OneRun = false;
};

// Makes a fresh machine in hostDir (created when missing; refused with
// EMachineError when it holds a machine already): C: fixed in drives/c with
// the Windows, system, temporary, desktop and Start-menu folders of the
// family, machine.ini, an empty journal. registry.reg is made from machine.ini
// on first use.
void CreateMachine(const std::string& hostDir, const TMachineOptions& options);

}  // namespace platform::sim
