#pragma once
// The Windows-API interface over the real Windows API: every call passed
// through, its results and error codes as Windows gives them.

#include <memory>

#include "platform/WinApi.h"

namespace platform::win32 {

class TWin32Api : public TWinApi {
 public:
  // COM is initialised on the calling (main) thread for the object's life.
  TWin32Api();
  ~TWin32Api() override;
  TWin32Api(const TWin32Api&) = delete;
  TWin32Api& operator=(const TWin32Api&) = delete;

  // Message boxes asked through the installed dialogs (a console program's
  // questions, a test's script) instead of the system's own window.
  void SetMessageBoxesThroughDialogs(bool on) { FMessageBoxesThroughDialogs = on; }

  DWORD GetLastError() override;
  void SetLastError(DWORD code) override;

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
  DWORD GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key, const AnsiString& defaultValue,
                                 AnsiString& result, DWORD size, const AnsiString& fileName) override;

  AnsiString GetWindowsDirectoryA() override;
  AnsiString GetSystemDirectoryA() override;
  bool SHGetSpecialFolderPathA(int csidl, AnsiString& path) override;
  AnsiString GetModuleFileNameA() override;
  bool IsWindowsNT() override;
  LANGID GetUserDefaultLangID() override;
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

  UINT GetDriveTypeA(const AnsiString& rootPath) override;
  bool GetVolumeInformationA(const AnsiString& rootPath, AnsiString* volumeName, DWORD* serialNumber,
                             DWORD* maxComponentLength, DWORD* fileSystemFlags, AnsiString* fileSystemName) override;
  bool HasGetDiskFreeSpaceEx() override;
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

 private:
  bool FComInitialized = false;
  bool FMessageBoxesThroughDialogs = false;
  DWORD FDdeInstance = 0;  // the conversations' instance (DdeQueryConvInfo needs it for names)
};

}  // namespace platform::win32
