#pragma once
// The narrow Windows-API interface: the Windows calls the system uses, with
// simplified C++ signatures. Backends (platform/sim, later platform/win32)
// implement it; the services of platform/ build the exact behaviour on top.
// Names, constants and result conventions follow the Windows API, so the
// services read like the calls they make.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rtl/AnsiString.h"

namespace platform {

using rtl::AnsiString;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using BOOL = bool;

// Handles are opaque numbers; 0 and INVALID_HANDLE_VALUE are never valid.
using HANDLE = intptr_t;
inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;
using HKEY = intptr_t;
using HWND = intptr_t;
using HCONV = intptr_t;
using HSZ = intptr_t;
using HDDEDATA = intptr_t;
using MCIDEVICEID = UINT;

// 100-nanosecond intervals since 1 January 1601.
using FILETIME = uint64_t;

struct SYSTEMTIME {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

// ---- errors -------------------------------------------------------------
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_READY = 21;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_HANDLE_DISK_FULL = 39;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_BADDB = 1009;
inline constexpr DWORD ERROR_BADKEY = 1010;
inline constexpr DWORD ERROR_CANTOPEN = 1011;
inline constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
inline constexpr DWORD ERROR_NO_MORE_FILES = 18;
inline constexpr DWORD ERROR_BAD_NETPATH = 53;
inline constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
inline constexpr DWORD ERROR_BAD_PATHNAME = 161;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_DIRECTORY = 267;
inline constexpr DWORD ERROR_KEY_DELETED = 1018;

// ---- files --------------------------------------------------------------
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD FILE_SHARE_READ = 1;
inline constexpr DWORD FILE_SHARE_WRITE = 2;
inline constexpr DWORD FILE_SHARE_DELETE = 4;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr DWORD FILE_ATTRIBUTE_VOLUME = 0x08;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime = 0;
  FILETIME ftLastAccessTime = 0;
  FILETIME ftLastWriteTime = 0;
  uint64_t nFileSize = 0;
  AnsiString cFileName;  // the name only, Windows-1252
};

// ---- registry -----------------------------------------------------------
inline constexpr HKEY HKEY_CLASSES_ROOT = static_cast<HKEY>(0x80000000u);
inline constexpr HKEY HKEY_CURRENT_USER = static_cast<HKEY>(0x80000001u);
inline constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002u);
inline constexpr HKEY HKEY_USERS = static_cast<HKEY>(0x80000003u);
inline constexpr DWORD KEY_QUERY_VALUE = 0x0001;
inline constexpr DWORD KEY_SET_VALUE = 0x0002;
inline constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr DWORD KEY_READ = 0x20019;
inline constexpr DWORD KEY_WRITE = 0x20006;
inline constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

// ---- drives -------------------------------------------------------------
inline constexpr UINT DRIVE_UNKNOWN = 0;
inline constexpr UINT DRIVE_NO_ROOT_DIR = 1;
inline constexpr UINT DRIVE_REMOVABLE = 2;
inline constexpr UINT DRIVE_FIXED = 3;
inline constexpr UINT DRIVE_REMOTE = 4;
inline constexpr UINT DRIVE_CDROM = 5;
inline constexpr UINT DRIVE_RAMDISK = 6;
inline constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;

// ---- shell, processes ---------------------------------------------------
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr UINT EWX_REBOOT = 0x02;
inline constexpr UINT EWX_FORCE = 0x04;
inline constexpr int CSIDL_STARTMENU = 11;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 16;

// ---- DDE ----------------------------------------------------------------
inline constexpr DWORD APPCLASS_STANDARD = 0;
inline constexpr UINT DMLERR_NO_ERROR = 0;
inline constexpr UINT DMLERR_DLL_NOT_INITIALIZED = 0x4003;
inline constexpr UINT DMLERR_INVALIDPARAMETER = 0x4006;
inline constexpr UINT DMLERR_LOW_MEMORY = 0x4007;
inline constexpr UINT DMLERR_MEMORY_ERROR = 0x4008;
inline constexpr UINT DMLERR_NO_CONV_ESTABLISHED = 0x400A;
inline constexpr int CP_WINANSI = 1004;
inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT XTYP_EXECUTE = 0x4050;
inline constexpr DWORD TIMEOUT_ASYNC = 0xFFFFFFFFu;

struct CONVCONTEXT {  // 36 bytes on Windows
  UINT cb = 36;
  UINT wFlags = 0;
  UINT wCountryID = 0;
  int iCodePage = 0;
  DWORD dwLangID = 0;
  DWORD dwSecurity = 0;
  // SECURITY_QUALITY_OF_SERVICE (12 bytes) is always zero here.
};

struct CONVINFO {
  UINT wFmt = 0;  // the conversation's data format; 0 names none
  AnsiString service, topic;
};

// ---- message boxes ------------------------------------------------------
inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_OKCANCEL = 0x01;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x02;
inline constexpr UINT MB_YESNOCANCEL = 0x03;
inline constexpr UINT MB_YESNO = 0x04;
inline constexpr UINT MB_RETRYCANCEL = 0x05;
inline constexpr UINT MB_ICONHAND = 0x10;  // stop / error
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;  // warning
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr UINT MB_ICONASTERISK = 0x40;  // information
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr UINT MB_ICONSTOP = 0x10;
inline constexpr UINT MB_DEFBUTTON1 = 0x000;
inline constexpr UINT MB_DEFBUTTON2 = 0x100;
inline constexpr UINT MB_DEFBUTTON3 = 0x200;
inline constexpr UINT MB_TASKMODAL = 0x2000;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// ---- language -----------------------------------------------------------
using LANGID = WORD;

// One COM shell link (IShellLinkA + IPersistFile), as CoCreateInstance gives it.
class IShellLinkA {
 public:
  virtual ~IShellLinkA() = default;
  virtual void SetDescription(const AnsiString& text) = 0;
  virtual void SetPath(const AnsiString& path) = 0;
  virtual void SetWorkingDirectory(const AnsiString& dir) = 0;
  virtual void SetArguments(const AnsiString& args) = 0;
  // IPersistFile::Save: the link file's full path (Windows path); returns success.
  virtual bool Save(const AnsiString& fileName, bool remember) = 0;
};

// The Windows calls of the system. Every call may be made from the main thread
// only. File names are Windows paths in Windows-1252.
class TWinApi {
 public:
  virtual ~TWinApi() = default;

  // -- errors
  virtual DWORD GetLastError() = 0;
  virtual void SetLastError(DWORD code) = 0;

  // -- files and folders
  virtual HANDLE CreateFileA(const AnsiString& fileName, DWORD desiredAccess, DWORD shareMode,
                             DWORD creationDisposition, DWORD flagsAndAttributes) = 0;
  virtual bool ReadFile(HANDLE h, void* buffer, DWORD count, DWORD& read) = 0;
  virtual bool WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD& written) = 0;
  // Returns the new position, or -1 on failure.
  virtual int64_t SetFilePointerEx(HANDLE h, int64_t distance, DWORD moveMethod) = 0;
  // Returns the size, or -1 on failure.
  virtual int64_t GetFileSizeEx(HANDLE h) = 0;
  virtual bool SetEndOfFile(HANDLE h) = 0;
  // Writes what the file's data and size are to the disk before returning.
  virtual bool FlushFileBuffers(HANDLE h) = 0;
  virtual bool GetFileTime(HANDLE h, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) = 0;
  virtual bool SetFileTime(HANDLE h, const FILETIME* creation, const FILETIME* lastAccess,
                           const FILETIME* lastWrite) = 0;
  virtual bool CloseHandle(HANDLE h) = 0;

  virtual DWORD GetFileAttributesA(const AnsiString& fileName) = 0;
  virtual bool SetFileAttributesA(const AnsiString& fileName, DWORD attributes) = 0;
  // Wildcards * and ? in the last component; "." and ".." of a folder are listed as on Windows.
  virtual HANDLE FindFirstFileA(const AnsiString& pattern, WIN32_FIND_DATAA& data) = 0;
  virtual bool FindNextFileA(HANDLE h, WIN32_FIND_DATAA& data) = 0;
  virtual bool FindClose(HANDLE h) = 0;
  virtual bool CreateDirectoryA(const AnsiString& path) = 0;
  virtual bool RemoveDirectoryA(const AnsiString& path) = 0;
  virtual bool DeleteFileA(const AnsiString& fileName) = 0;
  virtual bool MoveFileA(const AnsiString& from, const AnsiString& to) = 0;
  virtual AnsiString GetCurrentDirectoryA() = 0;
  virtual bool SetCurrentDirectoryA(const AnsiString& path) = 0;
  // Into a buffer of bufferLength characters; returns the length, 0 on failure.
  virtual DWORD GetTempPathA(DWORD bufferLength, AnsiString& path) = 0;
  virtual bool FileTimeToLocalFileTime(FILETIME utc, FILETIME& local) = 0;
  virtual bool LocalFileTimeToFileTime(FILETIME local, FILETIME& utc) = 0;

  // Profile (INI) file read into a buffer of `size` bytes; returns the length copied.
  virtual DWORD GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key,
                                         const AnsiString& defaultValue, AnsiString& result,
                                         DWORD size, const AnsiString& fileName) = 0;

  // -- folders and identity
  virtual AnsiString GetWindowsDirectoryA() = 0;  // "" on failure
  virtual AnsiString GetSystemDirectoryA() = 0;
  // SHGetSpecialFolderLocation + SHGetPathFromIDListA; false on failure.
  virtual bool SHGetSpecialFolderPathA(int csidl, AnsiString& path) = 0;
  virtual AnsiString GetModuleFileNameA() = 0;  // full path of the running program
  virtual bool IsWindowsNT() = 0;               // NT family (else the 9x family)
  virtual LANGID GetUserDefaultLangID() = 0;
  // A string of the first translation of a file's version resource ("" when none).
  virtual AnsiString GetFileVersionString(const AnsiString& fileName, const AnsiString& name) = 0;

  // -- registry (results are Windows error codes)
  virtual LONG RegCreateKeyExA(HKEY key, const AnsiString& subKey, DWORD options, DWORD samDesired,
                               HKEY& result, DWORD* disposition) = 0;
  virtual LONG RegOpenKeyExA(HKEY key, const AnsiString& subKey, DWORD samDesired, HKEY& result) = 0;
  virtual LONG RegCloseKey(HKEY key) = 0;
  virtual LONG RegSetValueExA(HKEY key, const AnsiString& valueName, DWORD type, const BYTE* data,
                              DWORD size) = 0;
  // data may be null to ask the size; size is in and out as on Windows.
  virtual LONG RegQueryValueExA(HKEY key, const AnsiString& valueName, DWORD* type, BYTE* data,
                                DWORD* size) = 0;
  virtual LONG RegQueryInfoKeyA(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values) = 0;
  virtual LONG RegEnumKeyExA(HKEY key, DWORD index, AnsiString& name) = 0;
  virtual LONG RegEnumValueA(HKEY key, DWORD index, AnsiString& name, DWORD* type,
                             std::vector<BYTE>* data) = 0;
  virtual LONG RegDeleteKeyA(HKEY key, const AnsiString& subKey) = 0;
  virtual LONG RegDeleteValueA(HKEY key, const AnsiString& valueName) = 0;

  // -- drives and volumes
  virtual UINT GetDriveTypeA(const AnsiString& rootPath) = 0;
  // rootPath "" means the current drive.
  virtual bool GetVolumeInformationA(const AnsiString& rootPath, AnsiString* volumeName,
                                     DWORD* serialNumber, DWORD* maxComponentLength,
                                     DWORD* fileSystemFlags, AnsiString* fileSystemName) = 0;
  virtual bool HasGetDiskFreeSpaceEx() = 0;  // kernel32 exports it (not on the first 9x)
  virtual bool GetDiskFreeSpaceExA(const AnsiString& rootPath, uint64_t* freeToCaller,
                                   uint64_t* totalBytes, uint64_t* totalFree) = 0;
  virtual bool GetDiskFreeSpaceA(const AnsiString& rootPath, DWORD* sectorsPerCluster,
                                 DWORD* bytesPerSector, DWORD* freeClusters,
                                 DWORD* totalClusters) = 0;
  virtual UINT SetErrorMode(UINT mode) = 0;

  // -- processes, shell, time
  virtual UINT WinExec(const AnsiString& commandLine, int show) = 0;  // > 31 is success
  virtual intptr_t ShellExecuteA(HWND owner, const AnsiString& verb, const AnsiString& file,
                                 const AnsiString& parameters, const AnsiString& directory,
                                 int show) = 0;  // > 32 is success
  virtual bool ExitWindowsEx(UINT flags, DWORD reason) = 0;
  virtual void MessageBeep(UINT type) = 0;

  // -- DDE management library
  virtual UINT DdeInitializeA(DWORD& instance, DWORD flags) = 0;
  virtual bool DdeUninitialize(DWORD instance) = 0;
  virtual UINT DdeGetLastError(DWORD instance) = 0;
  virtual HSZ DdeCreateStringHandleA(DWORD instance, const AnsiString& text, int codePage) = 0;
  virtual bool DdeFreeStringHandle(DWORD instance, HSZ hsz) = 0;
  virtual HCONV DdeConnect(DWORD instance, HSZ service, HSZ topic, const CONVCONTEXT* context) = 0;
  virtual bool DdeDisconnect(HCONV conv) = 0;
  virtual bool DdeQueryConvInfo(HCONV conv, CONVINFO& info) = 0;
  virtual HDDEDATA DdeCreateDataHandle(DWORD instance, const BYTE* data, DWORD size, UINT format) = 0;
  // Asynchronous execute: returns whether the transaction was started.
  virtual bool DdeClientTransaction(HDDEDATA data, HCONV conv, UINT type, DWORD timeout) = 0;

  // -- COM shell link; null when the object cannot be made
  virtual std::unique_ptr<IShellLinkA> CreateShellLink() = 0;

  // -- Media Control Interface (the three commands used)
  virtual DWORD MciOpenElement(const AnsiString& element, HWND callback, MCIDEVICEID& device) = 0;
  virtual DWORD MciPlay(MCIDEVICEID device, HWND callback) = 0;
  virtual DWORD MciClose(MCIDEVICEID device) = 0;
  virtual AnsiString MciGetErrorStringA(DWORD error) = 0;

  // -- message box (drawn by the user interface when one is registered)
  virtual int MessageBoxA(HWND owner, const AnsiString& text, const AnsiString& caption, UINT type) = 0;
};

// The backend in use; set once at start-up (the simulated machine, or Windows).
TWinApi& Api();
void SetApi(TWinApi* api);

}  // namespace platform
