#pragma once
// The Windows interface over a simulated machine: a folder on the host with
// machine.ini (settings), registry.reg (registry), state.ini (the disk in each
// removable drive, Program Manager started), journal.log (outward effects)
// and the drives' folders. One TSimMachine is one process on that machine;
// several may share a folder, in one host process or in several.
//
// Outside the Windows calls it offers what tests, tools and the display need:
// the program's own path, changing disks, host paths, the journal, the screen.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/WinApi.h"
#include "platform/sim/Journal.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/MachineState.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/SimRegistry.h"

namespace platform::sim {

class TSimMachine : public TWinApi {
 public:
  // Opens the machine in hostDir; EMachineError when machine.ini is missing or wrong.
  explicit TSimMachine(const std::string& hostDir);
  ~TSimMachine() override;

  const std::string& Folder() const { return FFolder; }
  const TMachineConfig& Config() const { return FConfig; }
  int ScreenWidth() const { return FConfig.ScreenWidth; }
  int ScreenHeight() const { return FConfig.ScreenHeight; }

  // The Windows path of the running program (GetModuleFileNameA).
  void SetModuleFileName(const AnsiString& path) { FModule = path; }
  // Puts a disk of machine.ini into a removable drive, "" takes it out; every
  // process of the machine sees the change. EMachineError for an unknown disk
  // or a drive that is not removable.
  void InsertDisk(char drive, const std::string& disk);
  std::string CurrentDisk(char drive) { return FState.Disk(drive); }
  // The host file of a Windows path (existing, or the name it would get); "" when it maps nowhere.
  // With `missingFolders` the path's folders need not exist yet (they are named as written).
  std::string HostPath(const AnsiString& windowsPath, bool missingFolders = false);
  std::vector<std::string> Journal() const { return ReadJournal(FFolder); }
  TSimFiles& Files() { return FFiles; }
  // Why the registry cannot be used ("" when it can).
  const std::string& RegistryProblem() { return FRegistry.Problem(); }

  // -- TWinApi
  DWORD GetLastError() override { return FLastError; }
  void SetLastError(DWORD code) override { FLastError = code; }

  HANDLE CreateFileA(const AnsiString& fileName, DWORD desiredAccess, DWORD shareMode,
                     DWORD creationDisposition, DWORD flagsAndAttributes) override;
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
  HANDLE FindFirstFileA(const AnsiString& pattern, WIN32_FIND_DATAA& data) override;
  bool FindNextFileA(HANDLE h, WIN32_FIND_DATAA& data) override;
  bool FindClose(HANDLE h) override;
  bool CreateDirectoryA(const AnsiString& path) override;
  bool RemoveDirectoryA(const AnsiString& path) override;
  bool DeleteFileA(const AnsiString& fileName) override;
  bool MoveFileA(const AnsiString& from, const AnsiString& to) override;
  AnsiString GetCurrentDirectoryA() override;
  bool SetCurrentDirectoryA(const AnsiString& path) override;
  DWORD GetTempPathA(DWORD bufferLength, AnsiString& path) override;
  bool FileTimeToLocalFileTime(FILETIME utc, FILETIME& local) override;
  bool LocalFileTimeToFileTime(FILETIME local, FILETIME& utc) override;

  DWORD GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key,
                                 const AnsiString& defaultValue, AnsiString& result, DWORD size,
                                 const AnsiString& fileName) override;

  AnsiString GetWindowsDirectoryA() override { return FConfig.WindowsDir; }
  AnsiString GetSystemDirectoryA() override { return FConfig.SystemDir; }
  bool SHGetSpecialFolderPathA(int csidl, AnsiString& path) override;
  AnsiString GetModuleFileNameA() override { return FModule; }
  bool IsWindowsNT() override { return FConfig.Family == wfNT; }
  LANGID GetUserDefaultLangID() override { return FConfig.LanguageId; }
  AnsiString GetFileVersionString(const AnsiString& fileName, const AnsiString& name) override;

  LONG RegCreateKeyExA(HKEY key, const AnsiString& subKey, DWORD options, DWORD samDesired, HKEY& result,
                       DWORD* disposition) override;
  LONG RegOpenKeyExA(HKEY key, const AnsiString& subKey, DWORD samDesired, HKEY& result) override;
  LONG RegCloseKey(HKEY key) override;
  LONG RegSetValueExA(HKEY key, const AnsiString& valueName, DWORD type, const BYTE* data, DWORD size) override;
  LONG RegQueryValueExA(HKEY key, const AnsiString& valueName, DWORD* type, BYTE* data, DWORD* size) override;
  LONG RegQueryInfoKeyA(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values) override;
  LONG RegEnumKeyExA(HKEY key, DWORD index, AnsiString& name) override;
  LONG RegEnumValueA(HKEY key, DWORD index, AnsiString& name, DWORD* type, std::vector<BYTE>* data) override;
  LONG RegDeleteKeyA(HKEY key, const AnsiString& subKey) override;
  LONG RegDeleteValueA(HKEY key, const AnsiString& valueName) override;

  UINT GetDriveTypeA(const AnsiString& rootPath) override { return FFiles.DriveType(rootPath); }
  bool GetVolumeInformationA(const AnsiString& rootPath, AnsiString* volumeName, DWORD* serialNumber,
                             DWORD* maxComponentLength, DWORD* fileSystemFlags,
                             AnsiString* fileSystemName) override;
  bool HasGetDiskFreeSpaceEx() override { return FConfig.HasGetDiskFreeSpaceEx; }
  bool GetDiskFreeSpaceExA(const AnsiString& rootPath, uint64_t* freeToCaller, uint64_t* totalBytes,
                           uint64_t* totalFree) override;
  bool GetDiskFreeSpaceA(const AnsiString& rootPath, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                         DWORD* freeClusters, DWORD* totalClusters) override;
  UINT SetErrorMode(UINT mode) override;

  UINT WinExec(const AnsiString& commandLine, int show) override;
  intptr_t ShellExecuteA(HWND owner, const AnsiString& verb, const AnsiString& file, const AnsiString& parameters,
                         const AnsiString& directory, int show) override;
  bool ExitWindowsEx(UINT flags, DWORD reason) override;
  void MessageBeep(UINT type) override;

  UINT DdeInitializeA(DWORD& instance, DWORD flags) override;
  bool DdeUninitialize(DWORD instance) override;
  UINT DdeGetLastError(DWORD instance) override;
  HSZ DdeCreateStringHandleA(DWORD instance, const AnsiString& text, int codePage) override;
  bool DdeFreeStringHandle(DWORD instance, HSZ hsz) override;
  HCONV DdeConnect(DWORD instance, HSZ service, HSZ topic, const CONVCONTEXT* context) override;
  bool DdeDisconnect(HCONV conv) override;
  bool DdeQueryConvInfo(HCONV conv, CONVINFO& info) override;
  HDDEDATA DdeCreateDataHandle(DWORD instance, const BYTE* data, DWORD size, UINT format) override;
  bool DdeClientTransaction(HDDEDATA data, HCONV conv, UINT type, DWORD timeout) override;

  std::unique_ptr<IShellLinkA> CreateShellLink() override;

  DWORD MciOpenElement(const AnsiString& element, HWND callback, MCIDEVICEID& device) override;
  DWORD MciPlay(MCIDEVICEID device, HWND callback) override;
  DWORD MciClose(MCIDEVICEID device) override;
  AnsiString MciGetErrorStringA(DWORD error) override;

  int MessageBoxA(HWND owner, const AnsiString& text, const AnsiString& caption, UINT type) override;

  // The link file of Program Manager's items and of the shell link object.
  struct TLinkRequest {
    AnsiString Description, Path, Arguments, WorkingDir, IconPath;
    int IconIndex = 0;
  };
  DWORD SaveLink(const TLinkRequest& link, const AnsiString& fileName);

 private:
  struct TProgramStart;
  bool Succeeded(DWORD error);
  bool ProgManRunning();
  AnsiString ExecuteProgMan(const AnsiString& commands);
  UINT StartProgram(const AnsiString& commandLine, const AnsiString& directory, TProgramStart& start);
  void RunHost(const std::string& hostCommand, const std::vector<std::string>& arguments,
               const AnsiString& module, const AnsiString& directory);
  const TProgramConfig* Mapping(const AnsiString& path) const;

  std::string FFolder;
  TMachineConfig FConfig;
  TMachineState FState;
  TSimFiles FFiles;
  TSimRegistry FRegistry;
  TJournal FJournal;
  DWORD FLastError = ERROR_SUCCESS;
  AnsiString FModule;

  // DDE
  DWORD FNextDde = 0x1000;
  UINT FDdeInitError = DMLERR_NO_ERROR;
  std::map<DWORD, UINT> FDdeInstances;  // instance -> last error
  std::map<HSZ, AnsiString> FDdeStrings;
  struct TConversation {
    DWORD Instance = 0;
    CONVINFO Info;  // wFmt 0: the conversation names no format
  };
  std::map<HCONV, TConversation> FConversations;
  std::map<HDDEDATA, std::vector<BYTE>> FDdeData;
  AnsiString FProgManGroup;  // the group the next AddItem fills

  // MCI
  std::map<MCIDEVICEID, AnsiString> FMciDevices;
  MCIDEVICEID FNextMci = 1;
};

// Opens the machine named by VQM_MACHINE and installs it with SetApi: the one
// place of the system that reads the environment. A program started by another
// process of the machine also finds its own Windows path in VQM_MODULE and its
// working folder in VQM_CURDIR. EMachineError without VQM_MACHINE.
TSimMachine& InstallFromEnvironment();

// Adds a disk to machine.ini (its folder made when missing), ready for InsertDisk.
void AddDisk(const std::string& machineDir, const std::string& name, const TVolumeConfig& volume);

}  // namespace platform::sim
