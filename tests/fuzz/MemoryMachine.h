#pragma once
// A simulated machine whose files and folders live in memory: every file call
// of the Windows interface works on a tree of names held by this object, so a
// fuzz target can put an input into a file, let a component read and write
// files, and look at what it left, thousands of times a second, without the
// host's file system. Everything else (drives, registry, dialogs, profile
// texts' parsing) is the simulated machine's.
//
// Only drive C: exists. Names follow the machine's Windows rules (case-blind,
// "." and "..", '/' or '\', refused characters); share modes hold between open
// handles; a read-only file cannot be opened for writing or deleted; an open
// file cannot be deleted or moved. The disk holds kCapacity bytes. Times are
// UTC (no local bias).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/IniText.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/WinPath.h"

namespace fuzz {

using platform::AnsiString;
using platform::DWORD;
using platform::FILETIME;
using platform::HANDLE;

class TMemoryMachine : public platform::sim::TSimMachine {
 public:
  static constexpr uint64_t kCapacity = 64u << 20;

  struct TNode {
    AnsiString Name;  // the last part, as it was made
    bool Folder = false;
    DWORD Attributes = 0;
    FILETIME LastWrite = 0;
    std::string Data;
    // The furthest end any write or size change asked for (also one refused for want of space).
    uint64_t Reach = 0;
  };

  // hostDir: a simulated machine made by CreateMachine (its settings only are used).
  explicit TMemoryMachine(const std::string& hostDir);

  // Puts a file (its folders made as needed); false when the name is refused.
  bool PutFile(const AnsiString& path, std::string data);
  // The nodes by folded full name ("C:\OUT\A.TXT"); the root is not among them.
  const std::map<AnsiString, TNode>& Nodes() const { return FNodes; }
  // The folded full name of a path, "" when it is refused.
  AnsiString Key(const AnsiString& path) const;
  // Removes every file and folder but those named (and the folders above them).
  void Clear(const std::vector<AnsiString>& keep);
  size_t OpenHandles() const { return FOpen.size(); }

  HANDLE CreateFileA(const AnsiString& fileName, DWORD desiredAccess, DWORD shareMode, DWORD creationDisposition,
                     DWORD flagsAndAttributes) override;
  bool ReadFile(HANDLE h, void* buffer, DWORD count, DWORD& read) override;
  bool WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD& written) override;
  int64_t SetFilePointerEx(HANDLE h, int64_t distance, DWORD moveMethod) override;
  int64_t GetFileSizeEx(HANDLE h) override;
  bool SetEndOfFile(HANDLE h) override;
  bool FlushFileBuffers(HANDLE h) override;
  bool GetFileTime(HANDLE h, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) override;
  bool SetFileTime(HANDLE h, const FILETIME* creation, const FILETIME* lastAccess,
                   const FILETIME* lastWrite) override;
  bool CloseHandle(HANDLE h) override;
  DWORD GetFileAttributesA(const AnsiString& fileName) override;
  bool SetFileAttributesA(const AnsiString& fileName, DWORD attributes) override;
  HANDLE FindFirstFileA(const AnsiString& pattern, platform::WIN32_FIND_DATAA& data) override;
  bool FindNextFileA(HANDLE h, platform::WIN32_FIND_DATAA& data) override;
  bool FindClose(HANDLE h) override;
  bool CreateDirectoryA(const AnsiString& path) override;
  bool RemoveDirectoryA(const AnsiString& path) override;
  bool DeleteFileA(const AnsiString& fileName) override;
  bool MoveFileA(const AnsiString& from, const AnsiString& to) override;
  AnsiString GetCurrentDirectoryA() override;
  bool SetCurrentDirectoryA(const AnsiString& path) override;
  bool FileTimeToLocalFileTime(FILETIME utc, FILETIME& local) override;
  bool LocalFileTimeToFileTime(FILETIME local, FILETIME& utc) override;
  DWORD GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key, const AnsiString& defaultValue,
                                 AnsiString& result, DWORD size, const AnsiString& fileName) override;
  AnsiString GetFileVersionString(const AnsiString& fileName, const AnsiString& name) override;

 private:
  struct TOpenFile {
    AnsiString Key;
    DWORD Access = 0, Share = 0;
    uint64_t Position = 0;
  };
  struct TFind {
    std::vector<platform::WIN32_FIND_DATAA> Entries;
    size_t Next = 0;
  };

  // The parsed path and its key; ERROR_SUCCESS or the Windows error.
  DWORD Resolve(const AnsiString& path, platform::sim::TWinPath& win, AnsiString& key,
                platform::sim::TWildcards wildcards = platform::sim::wcRefuse) const;
  // The folder that holds a path exists (the root always does).
  bool ParentExists(const platform::sim::TWinPath& win) const;
  TNode* Find(const AnsiString& key);
  TOpenFile* Open(HANDLE h);
  bool IsOpen(const AnsiString& key) const;
  // Folded full names of the entries directly in a folder.
  std::vector<AnsiString> Children(const AnsiString& folderKey) const;
  // Lets a file grow to `end` bytes; false (ERROR_DISK_FULL) when the disk cannot hold it.
  bool Grow(TNode& node, uint64_t end);
  bool Fail(DWORD error);
  platform::WIN32_FIND_DATAA FindData(const AnsiString& name, const TNode* node) const;

  std::map<AnsiString, TNode> FNodes;
  std::map<HANDLE, TOpenFile> FOpen;
  std::map<HANDLE, TFind> FFinds;
  platform::sim::TCurrentDirs FCurrent;
  uint64_t FUsed = 0;
  std::string FProfileText;  // the profile text last read, and what it reads as
  std::unique_ptr<platform::sim::TIniText> FProfile;
  HANDLE FNextHandle = 0x10000;
};

}  // namespace fuzz
