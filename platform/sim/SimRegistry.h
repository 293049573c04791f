#pragma once
// The simulated machine's registry, kept in registry.reg in the machine folder.
//
// The file is a REGEDIT4 text in UTF-8 (the machine's files are UTF-8 at the
// host edge; programs see Windows-1252): "[HKEY_LOCAL_MACHINE\path]" key
// lines, "name"="text" for a REG_SZ that ends in its NUL and holds no other
// NUL or control character, dword:0000001f for a four-byte REG_DWORD, hex:
// for REG_BINARY and hex(n): for everything else, so every value keeps its
// exact bytes. HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_USERS are kept;
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
//
// Every change is written at once: under an flock on registry.lock the file is
// re-read if another process changed it, changed, written to a temporary file
// and renamed over registry.reg. Before each call the file is checked (inode,
// size, time) and re-read when it changed, so processes sharing the machine
// see each other's values.
//
// A damaged registry.reg is never written: every call then fails with
// ERROR_BADDB, the problem ("<file>:<line>: <what>") is printed once on stderr
// and kept in Problem(); the registry comes back when the file is repaired.
// A missing registry.reg is made afresh with the registered owner and company.

#include <sys/stat.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinApi.h"
#include "platform/sim/MachineConfig.h"

namespace platform::sim {

struct TRegValue {
  AnsiString Name;
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
};

struct TRegKey {
  AnsiString Name;
  std::map<AnsiString, std::unique_ptr<TRegKey>> SubKeys;  // by case-folded name, so sorted as Windows lists them
  std::vector<TRegValue> Values;                          // in the order they were made

  TRegKey* Find(std::string_view name) const;
  TRegKey& Add(const AnsiString& name);
  TRegValue* Value(std::string_view name);
};

enum TRegRoot { rrLocalMachine, rrCurrentUser, rrUsers, rrCount };

struct TRegHives {
  TRegKey Roots[rrCount];
};

// The .reg text of the hives, and back. Parsing fails with "line N: what".
std::string RegText(const TRegHives& hives);
bool ParseRegText(std::string_view text, TRegHives& hives, std::string& error);

class TSimRegistry {
 public:
  TSimRegistry(std::string machineDir, const TMachineConfig& config);
  ~TSimRegistry();
  TSimRegistry(const TSimRegistry&) = delete;
  TSimRegistry& operator=(const TSimRegistry&) = delete;

  LONG CreateKey(HKEY key, const AnsiString& subKey, DWORD sam, HKEY& result, DWORD* disposition);
  LONG OpenKey(HKEY key, const AnsiString& subKey, DWORD sam, HKEY& result);
  LONG CloseKey(HKEY key);
  LONG SetValue(HKEY key, const AnsiString& name, DWORD type, const BYTE* data, DWORD size);
  LONG QueryValue(HKEY key, const AnsiString& name, DWORD* type, BYTE* data, DWORD* size);
  LONG QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values);
  LONG EnumKey(HKEY key, DWORD index, AnsiString& name);
  LONG EnumValue(HKEY key, DWORD index, AnsiString& name, DWORD* type, std::vector<BYTE>* data);
  LONG DeleteKey(HKEY key, const AnsiString& subKey);
  LONG DeleteValue(HKEY key, const AnsiString& name);

  // Why the registry cannot be used ("" when it can).
  const std::string& Problem();
  const std::string& FileName() const { return FFile; }

 private:
  struct THandle {
    TRegRoot Root;
    std::vector<AnsiString> Path;
    DWORD Access;
  };
  class TLock;

  void Refresh();
  void Load(int fd);
  bool Save();
  void MakeFresh();
  // The key's handle resolved to a root and path; false for an unknown handle.
  bool Resolve(HKEY key, THandle& handle) const;
  TRegKey* Node(const THandle& handle) const;
  bool ReadOnly(const THandle& handle) const;
  LONG Open(HKEY key, const AnsiString& subKey, DWORD sam, bool create, HKEY& result, DWORD* disposition);
  LONG Check(HKEY key, DWORD access, THandle& handle, TRegKey*& node);

  std::string FMachineDir, FFile;
  const TMachineConfig& FConfig;
  TRegHives FHives;
  int FHeld = -1;      // the registry.reg that FHives was read from
  struct stat FStamp {};  // its identity, size and time then
  int FLockFd = -1;
  int FLockDepth = 0;
  std::string FProblem, FReported;
  std::map<HKEY, THandle> FHandles;
  HKEY FNextHandle = 0x40000000;
};

}  // namespace platform::sim
