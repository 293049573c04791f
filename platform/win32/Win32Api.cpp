// The Windows-API interface over the real Windows API.

// Our own declarations first: windows.h then names the same constants as macros.
#include "platform/win32/Win32Api.h"

#include "platform/Dialogs.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ddeml.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>
#undef MessageBox  // the name of our dialogs' call

#include <vector>

namespace platform::win32 {

namespace {

::HANDLE Native(HANDLE h) { return reinterpret_cast<::HANDLE>(h); }
HANDLE Ours(::HANDLE h) { return reinterpret_cast<HANDLE>(h); }

// The predefined keys are sign-extended 32-bit values on 64-bit Windows.
::HKEY NativeKey(HKEY key) {
  const auto raw = static_cast<uintptr_t>(key);
  const auto low = static_cast<uint32_t>(raw);
  if (raw == low && low >= 0x80000000u && low <= 0x80000006u)
    return reinterpret_cast<::HKEY>(static_cast<LONG_PTR>(static_cast<int32_t>(low)));
  return reinterpret_cast<::HKEY>(key);
}

::FILETIME NativeTime(FILETIME t) {
  ::FILETIME f;
  f.dwLowDateTime = static_cast<DWORD>(t);
  f.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return f;
}
FILETIME OurTime(const ::FILETIME& f) { return (static_cast<FILETIME>(f.dwHighDateTime) << 32) | f.dwLowDateTime; }

const char* OrNull(const AnsiString& s) { return s.empty() ? nullptr : s.c_str(); }

void CopyFindData(const ::WIN32_FIND_DATAA& from, WIN32_FIND_DATAA& to) {
  to.dwFileAttributes = from.dwFileAttributes;
  to.ftCreationTime = OurTime(from.ftCreationTime);
  to.ftLastAccessTime = OurTime(from.ftLastAccessTime);
  to.ftLastWriteTime = OurTime(from.ftLastWriteTime);
  to.nFileSize = (static_cast<uint64_t>(from.nFileSizeHigh) << 32) | from.nFileSizeLow;
  to.cFileName = from.cFileName;
}

// A text the system writes into a buffer of MAX_PATH, or "" on failure.
template <typename F>
AnsiString PathText(F call) {
  char buffer[MAX_PATH + 1] = {};
  const UINT n = call(buffer, static_cast<UINT>(sizeof buffer));
  return n == 0 || n > MAX_PATH ? AnsiString() : AnsiString(buffer, n);
}

// A client that only executes needs nothing from its callback.
::HDDEDATA CALLBACK DdeCallback(UINT, UINT, ::HCONV, ::HSZ, ::HSZ, ::HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

class TComShellLink : public IShellLinkA {
 public:
  explicit TComShellLink(::IShellLinkA* link) : FLink(link) {}
  ~TComShellLink() override { FLink->Release(); }
  TComShellLink(const TComShellLink&) = delete;
  TComShellLink& operator=(const TComShellLink&) = delete;

  void SetDescription(const AnsiString& text) override { FLink->SetDescription(text.c_str()); }
  void SetPath(const AnsiString& path) override { FLink->SetPath(path.c_str()); }
  void SetWorkingDirectory(const AnsiString& dir) override { FLink->SetWorkingDirectory(dir.c_str()); }
  void SetArguments(const AnsiString& args) override { FLink->SetArguments(args.c_str()); }
  bool Save(const AnsiString& fileName, bool remember) override {
    IPersistFile* file = nullptr;
    if (FAILED(FLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) return false;
    // IPersistFile takes the name in UTF-16, converted from the ANSI code page.
    const int n = MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(n > 0 ? n : 1);
    MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, wide.data(), n);
    const HRESULT hr = file->Save(wide.data(), remember ? TRUE : FALSE);
    file->Release();
    return SUCCEEDED(hr);
  }

 private:
  ::IShellLinkA* FLink;
};

}  // namespace

TWin32Api::TWin32Api() { FComInitialized = SUCCEEDED(CoInitialize(nullptr)); }

TWin32Api::~TWin32Api() {
  if (FComInitialized) CoUninitialize();
}

// ---- errors ----------------------------------------------------------------

DWORD TWin32Api::GetLastError() { return ::GetLastError(); }
void TWin32Api::SetLastError(DWORD code) { ::SetLastError(code); }

// ---- files and folders -------------------------------------------------------

HANDLE TWin32Api::CreateFileA(const AnsiString& fileName, DWORD desiredAccess, DWORD shareMode,
                              DWORD creationDisposition, DWORD flagsAndAttributes) {
  return Ours(::CreateFileA(fileName.c_str(), desiredAccess, shareMode, nullptr, creationDisposition,
                            flagsAndAttributes, nullptr));
}

bool TWin32Api::ReadFile(HANDLE h, void* buffer, DWORD count, DWORD& read) {
  ::DWORD n = 0;
  const bool ok = ::ReadFile(Native(h), buffer, count, &n, nullptr) != FALSE;
  read = n;
  return ok;
}

bool TWin32Api::WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD& written) {
  ::DWORD n = 0;
  const bool ok = ::WriteFile(Native(h), buffer, count, &n, nullptr) != FALSE;
  written = n;
  return ok;
}

int64_t TWin32Api::SetFilePointerEx(HANDLE h, int64_t distance, DWORD moveMethod) {
  LARGE_INTEGER to, now;
  to.QuadPart = distance;
  if (!::SetFilePointerEx(Native(h), to, &now, moveMethod)) return -1;
  return now.QuadPart;
}

int64_t TWin32Api::GetFileSizeEx(HANDLE h) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(Native(h), &size)) return -1;
  return size.QuadPart;
}

bool TWin32Api::SetEndOfFile(HANDLE h) { return ::SetEndOfFile(Native(h)) != FALSE; }
bool TWin32Api::FlushFileBuffers(HANDLE h) { return ::FlushFileBuffers(Native(h)) != FALSE; }

bool TWin32Api::GetFileTime(HANDLE h, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  ::FILETIME c{}, a{}, w{};
  if (!::GetFileTime(Native(h), &c, &a, &w)) return false;
  if (creation) *creation = OurTime(c);
  if (lastAccess) *lastAccess = OurTime(a);
  if (lastWrite) *lastWrite = OurTime(w);
  return true;
}

bool TWin32Api::SetFileTime(HANDLE h, const FILETIME* creation, const FILETIME* lastAccess,
                            const FILETIME* lastWrite) {
  ::FILETIME c{}, a{}, w{};
  if (creation) c = NativeTime(*creation);
  if (lastAccess) a = NativeTime(*lastAccess);
  if (lastWrite) w = NativeTime(*lastWrite);
  return ::SetFileTime(Native(h), creation ? &c : nullptr, lastAccess ? &a : nullptr, lastWrite ? &w : nullptr) !=
         FALSE;
}

bool TWin32Api::CloseHandle(HANDLE h) { return ::CloseHandle(Native(h)) != FALSE; }

DWORD TWin32Api::GetFileAttributesA(const AnsiString& fileName) { return ::GetFileAttributesA(fileName.c_str()); }

bool TWin32Api::SetFileAttributesA(const AnsiString& fileName, DWORD attributes) {
  return ::SetFileAttributesA(fileName.c_str(), attributes) != FALSE;
}

HANDLE TWin32Api::FindFirstFileA(const AnsiString& pattern, WIN32_FIND_DATAA& data) {
  ::WIN32_FIND_DATAA found{};
  const ::HANDLE h = ::FindFirstFileA(pattern.c_str(), &found);
  if (h != reinterpret_cast<::HANDLE>(-1)) CopyFindData(found, data);
  return Ours(h);
}

bool TWin32Api::FindNextFileA(HANDLE h, WIN32_FIND_DATAA& data) {
  ::WIN32_FIND_DATAA found{};
  if (!::FindNextFileA(Native(h), &found)) return false;
  CopyFindData(found, data);
  return true;
}

bool TWin32Api::FindClose(HANDLE h) { return ::FindClose(Native(h)) != FALSE; }
bool TWin32Api::CreateDirectoryA(const AnsiString& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE; }
bool TWin32Api::RemoveDirectoryA(const AnsiString& path) { return ::RemoveDirectoryA(path.c_str()) != FALSE; }
bool TWin32Api::DeleteFileA(const AnsiString& fileName) { return ::DeleteFileA(fileName.c_str()) != FALSE; }
bool TWin32Api::MoveFileA(const AnsiString& from, const AnsiString& to) {
  return ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

AnsiString TWin32Api::GetCurrentDirectoryA() {
  return PathText([](char* b, UINT n) { return static_cast<UINT>(::GetCurrentDirectoryA(n, b)); });
}

bool TWin32Api::SetCurrentDirectoryA(const AnsiString& path) { return ::SetCurrentDirectoryA(path.c_str()) != FALSE; }

DWORD TWin32Api::GetTempPathA(DWORD bufferLength, AnsiString& path) {
  std::vector<char> buffer(bufferLength + 1);
  const DWORD n = ::GetTempPathA(bufferLength, buffer.data());
  if (n != 0 && n < bufferLength) path.assign(buffer.data(), n);
  return n;
}

bool TWin32Api::FileTimeToLocalFileTime(FILETIME utc, FILETIME& local) {
  const ::FILETIME from = NativeTime(utc);
  ::FILETIME to{};
  if (!::FileTimeToLocalFileTime(&from, &to)) return false;
  local = OurTime(to);
  return true;
}

bool TWin32Api::LocalFileTimeToFileTime(FILETIME local, FILETIME& utc) {
  const ::FILETIME from = NativeTime(local);
  ::FILETIME to{};
  if (!::LocalFileTimeToFileTime(&from, &to)) return false;
  utc = OurTime(to);
  return true;
}

DWORD TWin32Api::GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key,
                                          const AnsiString& defaultValue, AnsiString& result, DWORD size,
                                          const AnsiString& fileName) {
  std::vector<char> buffer(size + 1);
  const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(), size,
                                             fileName.c_str());
  result.assign(buffer.data(), n);
  return n;
}

// ---- folders and identity ---------------------------------------------------------

AnsiString TWin32Api::GetWindowsDirectoryA() {
  return PathText([](char* b, UINT n) { return ::GetWindowsDirectoryA(b, n); });
}

AnsiString TWin32Api::GetSystemDirectoryA() {
  return PathText([](char* b, UINT n) { return ::GetSystemDirectoryA(b, n); });
}

bool TWin32Api::SHGetSpecialFolderPathA(int csidl, AnsiString& path) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return false;
  char buffer[MAX_PATH + 1] = {};
  const bool ok = ::SHGetPathFromIDListA(list, buffer) != FALSE;
  IMalloc* malloc = nullptr;
  if (SUCCEEDED(::SHGetMalloc(&malloc)) && malloc) {
    malloc->Free(list);
    malloc->Release();
  }
  if (ok) path = buffer;
  return ok;
}

AnsiString TWin32Api::GetModuleFileNameA() {
  return PathText([](char* b, UINT n) { return static_cast<UINT>(::GetModuleFileNameA(nullptr, b, n)); });
}

bool TWin32Api::IsWindowsNT() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return ::GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

LANGID TWin32Api::GetUserDefaultLangID() { return ::GetUserDefaultLangID(); }

AnsiString TWin32Api::GetFileVersionString(const AnsiString& fileName, const AnsiString& name) {
  ::DWORD ignored = 0;
  const ::DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> info(size);
  if (!::GetFileVersionInfoA(fileName.c_str(), 0, size, info.data())) return {};
  struct TTranslation {
    WORD Language, CodePage;
  }* translation = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(TTranslation))
    return {};
  char block[64];
  wsprintfA(block, "\\StringFileInfo\\%04x%04x\\", translation->Language, translation->CodePage);
  char* text = nullptr;
  if (!::VerQueryValueA(info.data(), (block + name).c_str(), reinterpret_cast<void**>(&text), &length) || !text)
    return {};
  AnsiString value(text, length);
  return value.substr(0, value.find('\0'));
}

// ---- registry ----------------------------------------------------------------------

LONG TWin32Api::RegCreateKeyExA(HKEY key, const AnsiString& subKey, DWORD options, DWORD samDesired, HKEY& result,
                                DWORD* disposition) {
  ::HKEY created = nullptr;
  ::DWORD how = 0;
  const LONG r = ::RegCreateKeyExA(NativeKey(key), subKey.c_str(), 0, nullptr, options, samDesired, nullptr, &created,
                                   &how);
  result = r == ERROR_SUCCESS ? reinterpret_cast<HKEY>(created) : 0;
  if (disposition && r == ERROR_SUCCESS) *disposition = how;
  return r;
}

LONG TWin32Api::RegOpenKeyExA(HKEY key, const AnsiString& subKey, DWORD samDesired, HKEY& result) {
  ::HKEY opened = nullptr;
  const LONG r = ::RegOpenKeyExA(NativeKey(key), subKey.c_str(), 0, samDesired, &opened);
  result = r == ERROR_SUCCESS ? reinterpret_cast<HKEY>(opened) : 0;
  return r;
}

LONG TWin32Api::RegCloseKey(HKEY key) { return ::RegCloseKey(NativeKey(key)); }

LONG TWin32Api::RegSetValueExA(HKEY key, const AnsiString& valueName, DWORD type, const BYTE* data, DWORD size) {
  return ::RegSetValueExA(NativeKey(key), valueName.c_str(), 0, type, data, size);
}

LONG TWin32Api::RegQueryValueExA(HKEY key, const AnsiString& valueName, DWORD* type, BYTE* data, DWORD* size) {
  ::DWORD t = 0, n = size ? *size : 0;
  const LONG r = ::RegQueryValueExA(NativeKey(key), valueName.c_str(), nullptr, &t, data, size ? &n : nullptr);
  if (type) *type = t;
  if (size) *size = n;
  return r;
}

LONG TWin32Api::RegQueryInfoKeyA(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values) {
  ::DWORD keys = 0, longest = 0, count = 0;
  const LONG r = ::RegQueryInfoKeyA(NativeKey(key), nullptr, nullptr, nullptr, &keys, &longest, nullptr, &count,
                                    nullptr, nullptr, nullptr, nullptr);
  if (r == ERROR_SUCCESS) {
    if (subKeys) *subKeys = keys;
    if (maxSubKeyLen) *maxSubKeyLen = longest;
    if (values) *values = count;
  }
  return r;
}

LONG TWin32Api::RegEnumKeyExA(HKEY key, DWORD index, AnsiString& name) {
  char buffer[256];  // key names hold at most 255 characters
  ::DWORD length = sizeof buffer;
  const LONG r = ::RegEnumKeyExA(NativeKey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (r == ERROR_SUCCESS) name.assign(buffer, length);
  return r;
}

LONG TWin32Api::RegEnumValueA(HKEY key, DWORD index, AnsiString& name, DWORD* type, std::vector<BYTE>* data) {
  ::DWORD nameLength = 0, dataLength = 0;
  LONG r = ::RegQueryInfoKeyA(NativeKey(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &nameLength, &dataLength, nullptr, nullptr);
  if (r != ERROR_SUCCESS) return r;
  std::vector<char> buffer(nameLength + 1);
  std::vector<BYTE> bytes(dataLength + 1);
  ::DWORD n = static_cast<::DWORD>(buffer.size()), size = static_cast<::DWORD>(bytes.size()), t = 0;
  r = ::RegEnumValueA(NativeKey(key), index, buffer.data(), &n, nullptr, &t, data ? bytes.data() : nullptr,
                      data ? &size : nullptr);
  if (r != ERROR_SUCCESS) return r;
  name.assign(buffer.data(), n);
  if (type) *type = t;
  if (data) data->assign(bytes.begin(), bytes.begin() + size);
  return r;
}

LONG TWin32Api::RegDeleteKeyA(HKEY key, const AnsiString& subKey) {
  return ::RegDeleteKeyA(NativeKey(key), subKey.c_str());
}

LONG TWin32Api::RegDeleteValueA(HKEY key, const AnsiString& valueName) {
  return ::RegDeleteValueA(NativeKey(key), valueName.c_str());
}

// ---- drives and volumes ----------------------------------------------------------------

UINT TWin32Api::GetDriveTypeA(const AnsiString& rootPath) { return ::GetDriveTypeA(OrNull(rootPath)); }

bool TWin32Api::GetVolumeInformationA(const AnsiString& rootPath, AnsiString* volumeName, DWORD* serialNumber,
                                      DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                      AnsiString* fileSystemName) {
  char label[MAX_PATH + 1] = {}, system[MAX_PATH + 1] = {};
  ::DWORD serial = 0, component = 0, flags = 0;
  if (!::GetVolumeInformationA(OrNull(rootPath), label, sizeof label, &serial, &component, &flags, system,
                               sizeof system))
    return false;
  if (volumeName) *volumeName = label;
  if (serialNumber) *serialNumber = serial;
  if (maxComponentLength) *maxComponentLength = component;
  if (fileSystemFlags) *fileSystemFlags = flags;
  if (fileSystemName) *fileSystemName = system;
  return true;
}

namespace {

// GetDiskFreeSpaceExA came with later 95 releases: looked up, never linked.
using TGetDiskFreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

TGetDiskFreeSpaceEx DiskFreeSpaceEx() {
  static const TGetDiskFreeSpaceEx call = [] {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<TGetDiskFreeSpaceEx>(
                        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                  : nullptr;
  }();
  return call;
}

}  // namespace

bool TWin32Api::HasGetDiskFreeSpaceEx() { return DiskFreeSpaceEx() != nullptr; }

bool TWin32Api::GetDiskFreeSpaceExA(const AnsiString& rootPath, uint64_t* freeToCaller, uint64_t* totalBytes,
                                    uint64_t* totalFree) {
  const TGetDiskFreeSpaceEx call = DiskFreeSpaceEx();
  if (!call) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  ULARGE_INTEGER caller{}, total{}, free{};
  if (!call(OrNull(rootPath), &caller, &total, &free)) return false;
  if (freeToCaller) *freeToCaller = caller.QuadPart;
  if (totalBytes) *totalBytes = total.QuadPart;
  if (totalFree) *totalFree = free.QuadPart;
  return true;
}

bool TWin32Api::GetDiskFreeSpaceA(const AnsiString& rootPath, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                                  DWORD* freeClusters, DWORD* totalClusters) {
  ::DWORD spc = 0, bps = 0, fc = 0, tc = 0;
  if (!::GetDiskFreeSpaceA(OrNull(rootPath), &spc, &bps, &fc, &tc)) return false;
  if (sectorsPerCluster) *sectorsPerCluster = spc;
  if (bytesPerSector) *bytesPerSector = bps;
  if (freeClusters) *freeClusters = fc;
  if (totalClusters) *totalClusters = tc;
  return true;
}

UINT TWin32Api::SetErrorMode(UINT mode) { return ::SetErrorMode(mode); }

// ---- processes, shell --------------------------------------------------------------------

UINT TWin32Api::WinExec(const AnsiString& commandLine, int show) { return ::WinExec(commandLine.c_str(), show); }

intptr_t TWin32Api::ShellExecuteA(HWND owner, const AnsiString& verb, const AnsiString& file,
                                  const AnsiString& parameters, const AnsiString& directory, int show) {
  return reinterpret_cast<intptr_t>(::ShellExecuteA(reinterpret_cast<::HWND>(owner), OrNull(verb), file.c_str(),
                                                    OrNull(parameters), OrNull(directory), show));
}

bool TWin32Api::ExitWindowsEx(UINT flags, DWORD reason) {
  if (IsWindowsNT()) {
    // An NT account may restart the machine only with the shutdown privilege turned on.
    ::HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
      TOKEN_PRIVILEGES privileges{};
      privileges.PrivilegeCount = 1;
      privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      if (::LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
      ::CloseHandle(token);
    }
  }
  return ::ExitWindowsEx(flags, reason) != FALSE;
}

void TWin32Api::MessageBeep(UINT type) { ::MessageBeep(type); }

// ---- DDE management library ---------------------------------------------------------------

UINT TWin32Api::DdeInitializeA(DWORD& instance, DWORD flags) {
  ::DWORD id = 0;
  const UINT r = ::DdeInitializeA(&id, DdeCallback, flags, 0);
  instance = id;
  if (r == DMLERR_NO_ERROR) FDdeInstance = id;
  return r;
}

bool TWin32Api::DdeUninitialize(DWORD instance) {
  if (instance == FDdeInstance) FDdeInstance = 0;
  return ::DdeUninitialize(instance) != FALSE;
}

UINT TWin32Api::DdeGetLastError(DWORD instance) { return ::DdeGetLastError(instance); }

HSZ TWin32Api::DdeCreateStringHandleA(DWORD instance, const AnsiString& text, int codePage) {
  return reinterpret_cast<HSZ>(::DdeCreateStringHandleA(instance, text.c_str(), codePage));
}

bool TWin32Api::DdeFreeStringHandle(DWORD instance, HSZ hsz) {
  return ::DdeFreeStringHandle(instance, reinterpret_cast<::HSZ>(hsz)) != FALSE;
}

HCONV TWin32Api::DdeConnect(DWORD instance, HSZ service, HSZ topic, const CONVCONTEXT* context) {
  ::CONVCONTEXT native{};
  if (context) {
    native.cb = sizeof native;
    native.wFlags = context->wFlags;
    native.wCountryID = context->wCountryID;
    native.iCodePage = context->iCodePage;
    native.dwLangID = context->dwLangID;
    native.dwSecurity = context->dwSecurity;
  }
  return reinterpret_cast<HCONV>(::DdeConnect(instance, reinterpret_cast<::HSZ>(service),
                                              reinterpret_cast<::HSZ>(topic), context ? &native : nullptr));
}

bool TWin32Api::DdeDisconnect(HCONV conv) { return ::DdeDisconnect(reinterpret_cast<::HCONV>(conv)) != FALSE; }

bool TWin32Api::DdeQueryConvInfo(HCONV conv, CONVINFO& info) {
  ::CONVINFO native{};
  native.cb = sizeof native;
  if (!::DdeQueryConvInfo(reinterpret_cast<::HCONV>(conv), QID_SYNC, &native)) return false;
  info.wFmt = native.wFmt;
  auto text = [this](::HSZ hsz) {
    char buffer[256] = {};
    const ::DWORD n = ::DdeQueryStringA(FDdeInstance, hsz, buffer, sizeof buffer, CP_WINANSI);
    return AnsiString(buffer, n);
  };
  info.service = text(native.hszSvcPartner);
  info.topic = text(native.hszTopic);
  return true;
}

HDDEDATA TWin32Api::DdeCreateDataHandle(DWORD instance, const BYTE* data, DWORD size, UINT format) {
  return reinterpret_cast<HDDEDATA>(
      ::DdeCreateDataHandle(instance, const_cast<BYTE*>(data), size, 0, nullptr, format, 0));
}

bool TWin32Api::DdeClientTransaction(HDDEDATA data, HCONV conv, UINT type, DWORD timeout) {
  ::DWORD result = 0;
  // A data handle as the data: its size is given as -1, and the system owns it from here on.
  return ::DdeClientTransaction(reinterpret_cast<LPBYTE>(data), 0xFFFFFFFFu, reinterpret_cast<::HCONV>(conv),
                                nullptr, 0, type, timeout, &result) != nullptr;
}

// ---- COM shell link ------------------------------------------------------------------------

std::unique_ptr<IShellLinkA> TWin32Api::CreateShellLink() {
  ::IShellLinkA* link = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) ||
      !link)
    return nullptr;
  return std::make_unique<TComShellLink>(link);
}

// ---- Media Control Interface ------------------------------------------------------------------

DWORD TWin32Api::MciOpenElement(const AnsiString& element, HWND callback, MCIDEVICEID& device) {
  MCI_OPEN_PARMSA open{};
  open.dwCallback = static_cast<DWORD_PTR>(callback);
  open.lpstrElementName = element.c_str();
  const MCIERROR r = ::mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open));
  device = r == 0 ? open.wDeviceID : 0;
  return r;
}

DWORD TWin32Api::MciPlay(MCIDEVICEID device, HWND callback) {
  MCI_PLAY_PARMS play{};
  play.dwCallback = static_cast<DWORD_PTR>(callback);
  return ::mciSendCommandA(device, MCI_PLAY, callback ? MCI_NOTIFY : 0, reinterpret_cast<DWORD_PTR>(&play));
}

DWORD TWin32Api::MciClose(MCIDEVICEID device) { return ::mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, 0); }

AnsiString TWin32Api::MciGetErrorStringA(DWORD error) {
  char buffer[256] = {};  // MAXERRORLENGTH
  if (!::mciGetErrorStringA(error, buffer, sizeof buffer)) return {};
  return buffer;
}

// ---- message box ------------------------------------------------------------------------------

int TWin32Api::MessageBoxA(HWND owner, const AnsiString& text, const AnsiString& caption, UINT type) {
  if (FMessageBoxesThroughDialogs) return Dialogs().MessageBox(text, caption, type);
  return ::MessageBoxA(reinterpret_cast<::HWND>(owner), text.c_str(), caption.c_str(), type);
}

}  // namespace platform::win32
