#pragma once
// The files, folders and drives of the simulated machine (internal to
// platform/sim; TSimMachine turns its results into Windows results).
//
// Each drive is a host folder (a removable drive: the folder of the disk in
// it). Windows names are looked up case-insensitively in it, component by
// component, and new names are stored in UTF-8 as given; no path ever leaves
// its drive's folder (a symbolic link that points outside is refused).
// Attributes are kept in the host file's extended attribute user.vqm.attr,
// the read-only one also as the host's write permission; the last-write time
// is the host mtime, with the exact FILETIME kept in user.vqm.mtime for values
// the host cannot hold. On a host file system without extended attributes
// only the read-only attribute is kept. Share modes hold between the handles
// of this process.
//
// Every call returns ERROR_SUCCESS or the Windows error code.

#include <sys/stat.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/WinApi.h"
#include "platform/sim/FolderNames.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/MachineState.h"
#include "platform/sim/WinPath.h"

namespace platform::sim {

// One volume reached through a drive letter: the drive's own, or the disk in it.
struct TVolume {
  char Letter = 'C';
  TDriveKind Kind = dkFixed;
  TVolumeConfig Config;
  std::string Root;  // host folder
};

struct TFileFacts {
  DWORD Attributes = 0;
  FILETIME LastWrite = 0;
  uint64_t Size = 0;
};

class TSimFiles {
 public:
  TSimFiles(const TMachineConfig& config, TMachineState& state);
  ~TSimFiles();
  TSimFiles(const TSimFiles&) = delete;
  TSimFiles& operator=(const TSimFiles&) = delete;

  // The critical-error box for a drive without a disk (unless SEM_FAILCRITICALERRORS).
  std::function<int(const AnsiString& text, const AnsiString& caption, UINT type)> CriticalErrorBox;
  UINT ErrorMode = 0;
  // Reads machine.ini again (a removable drive holds a disk this process does not know yet).
  std::function<void()> ReloadConfig;
  // Runs between the check of a path and the open of its file (tests change the host there).
  std::function<void()> BeforeOpen;

  // -- paths and folders
  DWORD FullPath(const AnsiString& path, TWinPath& result, TWildcards wildcards = wcRefuse) const;
  // The host entry of a path, or the name it would be made with. With
  // `missingFolders`, folders that do not exist yet are named as written too.
  DWORD HostPath(const AnsiString& path, std::string& host, bool missingFolders = false);
  DWORD Attributes(const AnsiString& path, DWORD& attributes);
  DWORD SetAttributes(const AnsiString& path, DWORD attributes);
  DWORD Facts(const AnsiString& path, TFileFacts& facts);
  DWORD CreateDirectory(const AnsiString& path);
  DWORD RemoveDirectory(const AnsiString& path);
  DWORD DeleteFile(const AnsiString& path);
  DWORD MoveFile(const AnsiString& from, const AnsiString& to);
  AnsiString CurrentDirectory() const { return FCurrent.Current().Text(); }
  DWORD SetCurrentDirectory(const AnsiString& path);
  // Makes every missing folder of a full path.
  DWORD ForceDirectories(const AnsiString& path);

  // -- handles
  DWORD CreateFile(const AnsiString& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                   HANDLE& handle, bool& existed);
  DWORD Read(HANDLE h, void* buffer, DWORD count, DWORD& read);
  DWORD Write(HANDLE h, const void* buffer, DWORD count, DWORD& written);
  DWORD Seek(HANDLE h, int64_t distance, DWORD method, int64_t& position);
  DWORD Size(HANDLE h, int64_t& size);
  DWORD SetEndOfFile(HANDLE h);
  DWORD FlushFileBuffers(HANDLE h);
  DWORD GetTime(HANDLE h, FILETIME& lastWrite);
  DWORD SetTime(HANDLE h, FILETIME lastWrite);
  DWORD FindFirst(const AnsiString& pattern, HANDLE& handle, WIN32_FIND_DATAA& data);
  DWORD FindNext(HANDLE h, WIN32_FIND_DATAA& data);
  bool IsFileHandle(HANDLE h) const { return FFiles.count(h) != 0; }
  bool IsFindHandle(HANDLE h) const { return FFinds.count(h) != 0; }
  DWORD Close(HANDLE h);

  // Whole files, through the same rules (share modes, read-only, capacity).
  DWORD ReadWhole(const AnsiString& path, std::string& content);
  DWORD WriteWhole(const AnsiString& path, const void* data, std::size_t size);

  // -- drives
  UINT DriveType(const AnsiString& rootPath) const;
  DWORD VolumeOf(char letter, TVolume& volume);
  DWORD VolumeInformation(const AnsiString& rootPath, TVolume& volume);
  // Total and free bytes of the volume of a path ("" is the current drive).
  DWORD Space(const AnsiString& path, uint64_t& total, uint64_t& free, DWORD& clusterSize);
  char CurrentDrive() const { return FCurrent.Drive; }

 private:
  struct TOpenFile {
    int Fd = -1;
    dev_t Dev = 0;
    ino_t Ino = 0;
    DWORD Access = 0, Share = 0;
    std::string Host;
    TVolume Volume;
    // The descriptor's offset: the descriptor is this handle's own, so only
    // its own reads, writes and seeks move it (-1: not known after an error).
    int64_t Position = 0;
    bool TimeSet = false;
    FILETIME LastWrite = 0;
    timespec HostTime{};  // the host mtime that LastWrite was stored with
  };
  struct TFind {
    std::vector<WIN32_FIND_DATAA> Entries;
    std::size_t Next = 0;
  };
  struct TResolved {
    TWinPath Win;
    TVolume Volume;
    std::string Host;  // the entry, or the name it would be made with
    bool Exists = false;
    struct stat St {};
    // The folder cache's generation while every folder of the path is as
    // found (no link on the way); 0 when that is not known.
    uint64_t Kept = 0;
  };

  DWORD VolumeOf(char letter, TVolume& volume, struct stat& rootStat);
  DWORD Resolve(const AnsiString& path, TResolved& r, TWildcards wildcards = wcRefuse);
  DWORD ResolveParsed(const TWinPath& win, TResolved& r, bool missingFolders = false);
  bool Inside(const TVolume& volume, const std::string& host) const;
  // open(2) of a checked host path, relative to its folder as it is inside the
  // drive and following no link; -1 with errno (EACCES when the folder left the drive).
  int OpenInVolume(const TVolume& volume, const std::string& host, int flags) const;
  // The same for a resolved path, straight when nothing on its way changed since.
  int OpenResolved(const TResolved& r, int flags);
  DWORD SharingAllows(dev_t dev, ino_t ino, DWORD access, DWORD share) const;
  bool OpenWithoutShareDelete(dev_t dev, ino_t ino) const;
  bool UnderCurrentDirectory(const TWinPath& dir) const;
  DWORD FactsOf(const TResolved& r, TFileFacts& facts) const;
  WIN32_FIND_DATAA FindData(const AnsiString& name, const std::string& host, const TVolume& volume) const;
  // `st`: the entry's stat, made just before.
  void StoreAttributes(int fd, const std::string& host, const struct stat& st, TDriveKind kind,
                       DWORD attributes) const;
  uint64_t Used(const TVolume& volume);
  bool Limited(const TVolume& volume) const;
  uint64_t Capacity(const TVolume& volume) const;
  void Forget(const TVolume& volume) { FUsed.erase(volume.Root); }
  DWORD Grow(TOpenFile& f, uint64_t oldSize, uint64_t newSize);
  static int64_t PositionOf(TOpenFile& f);
  HANDLE NewHandle() { return FNextHandle += 4; }

  const TMachineConfig& FConfig;
  TMachineState& FState;
  TCurrentDirs FCurrent;
  std::map<HANDLE, TOpenFile> FFiles;
  std::map<HANDLE, TFind> FFinds;
  std::map<std::string, uint64_t> FUsed;  // bytes taken on limited volumes, by root
  TFolderNames FNames;
  HANDLE FNextHandle = 0x100;
};

}  // namespace platform::sim
