#pragma once
// An in-memory Windows for unit tests of the services: a registry, profile
// values, a flat file store, drives, and switches for DDE, MCI and links.
// Every call that has an outward effect is logged in Calls, in order.
// Installs itself as the backend while it lives.

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/WinApi.h"
#include "rtl/SysUtils.h"

namespace fake {

using namespace platform;

class TFakeApi : public TWinApi {
 public:
  TFakeApi() { SetApi(this); }
  ~TFakeApi() override { SetApi(nullptr); }

  std::vector<std::string> Calls;
  bool Called(const std::string& prefix) const {
    return std::any_of(Calls.begin(), Calls.end(),
                       [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  }

  // ---- errors
  DWORD LastError = 0;
  DWORD GetLastError() override { return LastError; }
  void SetLastError(DWORD code) override { LastError = code; }

  // ---- files: a flat store keyed by upper-case full path
  struct TFile {
    AnsiString Name;  // as created
    DWORD Attributes = FILE_ATTRIBUTE_ARCHIVE;
    std::string Data;
    FILETIME WriteTime = 0;
  };
  std::map<std::string, TFile> Files;
  AnsiString CurrentDirectory = "C:\\";

  void AddFile(const AnsiString& path, const std::string& data = "", DWORD attributes = FILE_ATTRIBUTE_ARCHIVE,
               FILETIME writeTime = 0) {
    Files[Key(Full(path))] = TFile{Full(path), attributes, data, writeTime};
  }
  void AddFolder(const AnsiString& path) { AddFile(path, "", FILE_ATTRIBUTE_DIRECTORY); }
  TFile* FindFile(const AnsiString& path) {
    auto it = Files.find(Key(Full(path)));
    return it == Files.end() ? nullptr : &it->second;
  }

  HANDLE CreateFileA(const AnsiString& fileName, DWORD access, DWORD share, DWORD disposition,
                     DWORD) override {
    Calls.push_back("CreateFileA " + fileName + " " + std::to_string(access) + " " + std::to_string(share) +
                    " " + std::to_string(disposition));
    TFile* file = FindFile(fileName);
    if (disposition == OPEN_EXISTING) {
      if (!file || (file->Attributes & FILE_ATTRIBUTE_DIRECTORY)) return Fail(ERROR_FILE_NOT_FOUND);
    } else {
      if (!ParentExists(fileName)) return Fail(ERROR_PATH_NOT_FOUND);
      if (file && (file->Attributes & FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED);
      AddFile(fileName);
      file = FindFile(fileName);
    }
    const HANDLE h = NextHandle++;
    Open[h] = TOpenFile{Key(Full(fileName)), 0};
    return h;
  }
  DWORD ReadFailure = 0;  // when set, reads after the first fail with this code
  bool ReadFile(HANDLE h, void* buffer, DWORD count, DWORD& read) override {
    auto* f = OpenFile(h);
    if (!f) return false;
    if (ReadFailure != 0 && f->Position > 0) return LastError = ReadFailure, false;
    const std::string& data = Files[f->Key].Data;
    read = f->Position >= data.size() ? 0 : static_cast<DWORD>(std::min<size_t>(count, data.size() - f->Position));
    std::copy_n(data.data() + std::min<size_t>(f->Position, data.size()), read, static_cast<char*>(buffer));
    f->Position += read;
    return true;
  }
  bool WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD& written) override {
    auto* f = OpenFile(h);
    if (!f) return false;
    std::string& data = Files[f->Key].Data;
    if (data.size() < f->Position + count) data.resize(f->Position + count);
    std::copy_n(static_cast<const char*>(buffer), count, data.begin() + static_cast<ptrdiff_t>(f->Position));
    f->Position += count;
    written = count;
    return true;
  }
  int64_t SetFilePointerEx(HANDLE h, int64_t distance, DWORD method) override {
    auto* f = OpenFile(h);
    if (!f) return -1;
    const int64_t base = method == FILE_BEGIN     ? 0
                         : method == FILE_CURRENT ? static_cast<int64_t>(f->Position)
                                                  : static_cast<int64_t>(Files[f->Key].Data.size());
    if (base + distance < 0) return Fail(ERROR_INVALID_PARAMETER), -1;
    f->Position = static_cast<size_t>(base + distance);
    return base + distance;
  }
  int64_t GetFileSizeEx(HANDLE h) override {
    auto* f = OpenFile(h);
    return f ? static_cast<int64_t>(Files[f->Key].Data.size()) : -1;
  }
  bool FlushFileBuffers(HANDLE h) override { return OpenFile(h) != nullptr; }
  bool SetEndOfFile(HANDLE h) override {
    auto* f = OpenFile(h);
    if (!f) return false;
    Files[f->Key].Data.resize(f->Position);
    return true;
  }
  bool GetFileTime(HANDLE h, FILETIME*, FILETIME*, FILETIME* lastWrite) override {
    auto* f = OpenFile(h);
    if (!f) return false;
    if (lastWrite) *lastWrite = Files[f->Key].WriteTime;
    return true;
  }
  bool SetFileTime(HANDLE h, const FILETIME* creation, const FILETIME* access, const FILETIME* lastWrite) override {
    Calls.push_back(std::string("SetFileTime") + (creation ? " creation" : "") + (access ? " access" : "") +
                    (lastWrite ? " write" : ""));
    auto* f = OpenFile(h);
    if (!f) return false;
    if (lastWrite) Files[f->Key].WriteTime = *lastWrite;
    return true;
  }
  bool CloseHandle(HANDLE h) override {
    Calls.push_back("CloseHandle");
    return Open.erase(h) == 1;
  }
  DWORD GetFileAttributesA(const AnsiString& fileName) override {
    TFile* f = FindFile(fileName);
    return f ? f->Attributes : (Fail(ERROR_FILE_NOT_FOUND), INVALID_FILE_ATTRIBUTES);
  }
  bool SetFileAttributesA(const AnsiString& fileName, DWORD attributes) override {
    TFile* f = FindFile(fileName);
    if (!f) return Fail(ERROR_FILE_NOT_FOUND), false;
    f->Attributes = attributes;
    return true;
  }
  // Wildcards in the last component, ASCII case folded.
  HANDLE FindFirstFileA(const AnsiString& pattern, WIN32_FIND_DATAA& data) override {
    Calls.push_back("FindFirstFileA " + pattern);
    const AnsiString full = Full(pattern);
    const auto slash = full.rfind('\\');
    const std::string folder = Key(full.substr(0, slash)), mask = Key(full.substr(slash + 1));
    std::vector<TFile*> found;
    for (auto& [key, file] : Files) {
      const auto s = key.rfind('\\');
      if (key.substr(0, s) == folder && Matches(mask, key.substr(s + 1))) found.push_back(&file);
    }
    if (found.empty()) return Fail(ERROR_FILE_NOT_FOUND);
    const HANDLE h = NextHandle++;
    Searches[h] = std::deque<TFile*>(found.begin(), found.end());
    FindNextFileA(h, data);
    return h;
  }
  bool FindNextFileA(HANDLE h, WIN32_FIND_DATAA& data) override {
    auto it = Searches.find(h);
    if (it == Searches.end() || it->second.empty()) return false;
    const TFile* f = it->second.front();
    it->second.pop_front();
    data.dwFileAttributes = f->Attributes;
    data.ftLastWriteTime = f->WriteTime;
    data.nFileSize = f->Data.size();
    data.cFileName = rtl::ExtractFileName(f->Name);
    return true;
  }
  bool FindClose(HANDLE h) override {
    Calls.push_back("FindClose");
    return Searches.erase(h) == 1;
  }
  bool CreateDirectoryA(const AnsiString& path) override {
    Calls.push_back("CreateDirectoryA " + path);
    if (FindFile(path)) return Fail(ERROR_ALREADY_EXISTS), false;
    if (!ParentExists(path)) return Fail(ERROR_PATH_NOT_FOUND), false;
    AddFolder(path);
    return true;
  }
  bool RemoveDirectoryA(const AnsiString& path) override { return Files.erase(Key(Full(path))) == 1; }
  bool DeleteFileA(const AnsiString& fileName) override { return Files.erase(Key(Full(fileName))) == 1; }
  bool MoveFileA(const AnsiString& from, const AnsiString& to) override {
    TFile* f = FindFile(from);
    if (!f || FindFile(to)) return false;
    TFile moved = *f;
    moved.Name = to;
    Files.erase(Key(Full(from)));
    Files[Key(Full(to))] = moved;
    return true;
  }
  AnsiString GetCurrentDirectoryA() override { return CurrentDirectory; }
  bool SetCurrentDirectoryA(const AnsiString& path) override {
    Calls.push_back("SetCurrentDirectoryA " + path);
    CurrentDirectory = path;
    return true;
  }
  std::optional<AnsiString> TempPath = AnsiString("C:\\WINDOWS\\TEMP\\");
  DWORD GetTempPathA(DWORD bufferLength, AnsiString& path) override {
    if (!TempPath) return 0;
    if (TempPath->size() >= bufferLength) return static_cast<DWORD>(TempPath->size() + 1);
    path = *TempPath;
    return static_cast<DWORD>(path.size());
  }
  // Local time is UTC minus three hours, as in Brasília.
  static constexpr FILETIME kZoneShift = 3ull * 3600 * 10000000;
  bool FileTimeToLocalFileTime(FILETIME utc, FILETIME& local) override {
    local = utc - kZoneShift;
    return true;
  }
  bool LocalFileTimeToFileTime(FILETIME local, FILETIME& utc) override {
    utc = local + kZoneShift;
    return true;
  }

  // ---- profile: (file|section|key) upper-cased -> value, returned as stored
  std::map<std::string, AnsiString> Profile;
  void SetProfile(const AnsiString& file, const AnsiString& section, const AnsiString& key, const AnsiString& value) {
    Profile[Key(file + "|" + section + "|" + key)] = value;
  }
  DWORD GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key, const AnsiString& defaultValue,
                                 AnsiString& result, DWORD size, const AnsiString& fileName) override {
    Calls.push_back("GetPrivateProfileStringA " + section + " " + key + " " + std::to_string(size));
    auto it = Profile.find(Key(fileName + "|" + section + "|" + key));
    result = it == Profile.end() ? defaultValue : it->second;
    if (result.size() > size - 1) result.resize(size - 1);
    return static_cast<DWORD>(result.size());
  }

  // ---- folders and identity
  AnsiString WindowsDirectory = "C:\\WINDOWS", SystemDirectory = "C:\\WINDOWS\\SYSTEM32";
  std::map<int, AnsiString> SpecialFolders;
  AnsiString ModuleFileName = "D:\\instalar.exe";
  bool NT = true;
  LANGID LangID = 0x0416;
  AnsiString GetWindowsDirectoryA() override { return WindowsDirectory; }
  AnsiString GetSystemDirectoryA() override { return SystemDirectory; }
  bool SHGetSpecialFolderPathA(int csidl, AnsiString& path) override {
    auto it = SpecialFolders.find(csidl);
    if (it == SpecialFolders.end()) return false;
    path = it->second;
    return true;
  }
  AnsiString GetModuleFileNameA() override { return ModuleFileName; }
  bool IsWindowsNT() override { return NT; }
  LANGID GetUserDefaultLangID() override { return LangID; }
  AnsiString GetFileVersionString(const AnsiString&, const AnsiString&) override { return {}; }

  // ---- registry: keys by upper-case full path ("HKCU\A\B"), values in order
  struct TValue {
    AnsiString Name;
    DWORD Type;
    std::vector<BYTE> Data;
  };
  struct TKey {
    AnsiString Path;  // as created
    std::vector<TValue> Values;
  };
  std::map<std::string, TKey> Keys{{"HKCU", {"HKCU", {}}}, {"HKLM", {"HKLM", {}}}};
  std::vector<std::string> DeniedAllAccess;  // keys opened only with less than KEY_ALL_ACCESS

  void SetValue(const AnsiString& keyPath, const AnsiString& name, DWORD type, const std::string& bytes) {
    EnsureKey(keyPath);
    auto& values = Keys[Key(keyPath)].Values;
    values.erase(std::remove_if(values.begin(), values.end(),
                                [&](const TValue& v) { return rtl::SameText(v.Name, name); }),
                 values.end());
    values.push_back({name, type, std::vector<BYTE>(bytes.begin(), bytes.end())});
  }
  const TValue* GetValue(const AnsiString& keyPath, const AnsiString& name) {
    auto it = Keys.find(Key(keyPath));
    if (it == Keys.end()) return nullptr;
    for (const auto& v : it->second.Values)
      if (rtl::SameText(v.Name, name)) return &v;
    return nullptr;
  }
  void EnsureKey(const AnsiString& path) {
    size_t pos = 0;
    while ((pos = path.find('\\', pos + 1)) != AnsiString::npos)
      Keys.emplace(Key(path.substr(0, pos)), TKey{path.substr(0, pos), {}});
    Keys.emplace(Key(path), TKey{path, {}});
  }
  bool KeyExists(const AnsiString& path) { return Keys.count(Key(path)) != 0; }

  LONG RegCreateKeyExA(HKEY key, const AnsiString& subKey, DWORD, DWORD sam, HKEY& result, DWORD*) override {
    const AnsiString path = KeyPath(key, subKey);
    Calls.push_back("RegCreateKeyExA " + path + " " + std::to_string(sam));
    if (path.empty()) return ERROR_INVALID_HANDLE;
    if (Denied(path, sam)) return ERROR_ACCESS_DENIED;
    EnsureKey(path);
    return OpenHandle(path, result);
  }
  LONG RegOpenKeyExA(HKEY key, const AnsiString& subKey, DWORD sam, HKEY& result) override {
    const AnsiString path = KeyPath(key, subKey);
    Calls.push_back("RegOpenKeyExA " + path + " " + std::to_string(sam));
    if (path.empty() || !KeyExists(path)) return ERROR_FILE_NOT_FOUND;
    if (Denied(path, sam)) return ERROR_ACCESS_DENIED;
    return OpenHandle(path, result);
  }
  LONG RegCloseKey(HKEY key) override {
    Calls.push_back("RegCloseKey");
    return KeyHandles.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  }
  LONG RegSetValueExA(HKEY key, const AnsiString& name, DWORD type, const BYTE* data, DWORD size) override {
    const AnsiString path = KeyPath(key, "");
    if (path.empty() || !KeyExists(path)) return ERROR_INVALID_HANDLE;
    SetValue(path, name, type, std::string(reinterpret_cast<const char*>(data), size));
    return ERROR_SUCCESS;
  }
  LONG RegQueryValueExA(HKEY key, const AnsiString& name, DWORD* type, BYTE* data, DWORD* size) override {
    const TValue* v = GetValue(KeyPath(key, ""), name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->Type;
    const auto length = static_cast<DWORD>(v->Data.size());
    if (data) {
      if (!size || *size < length) return ERROR_MORE_DATA;
      std::copy(v->Data.begin(), v->Data.end(), data);
    }
    if (size) *size = length;
    return ERROR_SUCCESS;
  }
  LONG RegQueryInfoKeyA(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values) override {
    const AnsiString path = KeyPath(key, "");
    if (!KeyExists(path)) return ERROR_INVALID_HANDLE;
    const auto children = Children(path);
    if (subKeys) *subKeys = static_cast<DWORD>(children.size());
    if (maxSubKeyLen) *maxSubKeyLen = 0;
    for (const auto& c : children)
      if (maxSubKeyLen) *maxSubKeyLen = std::max<DWORD>(*maxSubKeyLen, static_cast<DWORD>(c.size()));
    if (values) *values = static_cast<DWORD>(Keys[Key(path)].Values.size());
    return ERROR_SUCCESS;
  }
  LONG RegEnumKeyExA(HKEY key, DWORD index, AnsiString& name) override {
    const auto children = Children(KeyPath(key, ""));
    if (index >= children.size()) return ERROR_NO_MORE_ITEMS;
    Calls.push_back("RegEnumKeyExA " + std::to_string(index));
    name = children[index];
    return ERROR_SUCCESS;
  }
  LONG RegEnumValueA(HKEY key, DWORD index, AnsiString& name, DWORD* type, std::vector<BYTE>* data) override {
    auto it = Keys.find(Key(KeyPath(key, "")));
    if (it == Keys.end() || index >= it->second.Values.size()) return ERROR_NO_MORE_ITEMS;
    const TValue& v = it->second.Values[index];
    name = v.Name;
    if (type) *type = v.Type;
    if (data) *data = v.Data;
    return ERROR_SUCCESS;
  }
  LONG RegDeleteKeyA(HKEY key, const AnsiString& subKey) override {
    const AnsiString path = KeyPath(key, subKey);
    Calls.push_back("RegDeleteKeyA " + path);
    if (!KeyExists(path)) return ERROR_FILE_NOT_FOUND;
    if (!Children(path).empty()) return ERROR_ACCESS_DENIED;  // Windows deletes leaves only
    Keys.erase(Key(path));
    return ERROR_SUCCESS;
  }
  LONG RegDeleteValueA(HKEY key, const AnsiString& name) override {
    auto it = Keys.find(Key(KeyPath(key, "")));
    if (it == Keys.end()) return ERROR_INVALID_HANDLE;
    auto& values = it->second.Values;
    const auto before = values.size();
    values.erase(std::remove_if(values.begin(), values.end(),
                                [&](const TValue& v) { return rtl::SameText(v.Name, name); }),
                 values.end());
    return values.size() == before ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
  }

  // ---- drives
  struct TDrive {
    UINT Type = DRIVE_FIXED;
    bool VolumeOk = true;
    AnsiString Label;
    DWORD Serial = 0;
    AnsiString FileSystem = "NTFS";
    bool SpaceOk = true;
    uint64_t Total = 0, Free = 0;
  };
  std::map<char, TDrive> Drives;
  bool HasEx = true;
  UINT ErrorMode = 0;
  TDrive* DriveOf(const AnsiString& root) {
    const AnsiString r = root.empty() ? CurrentDirectory : root;
    if (r.size() < 3 || r[1] != ':' || r[2] != '\\') return nullptr;
    auto it = Drives.find(static_cast<char>(std::toupper(static_cast<unsigned char>(r[0]))));
    return it == Drives.end() ? nullptr : &it->second;
  }
  UINT GetDriveTypeA(const AnsiString& root) override {
    Calls.push_back("GetDriveTypeA " + root);
    const TDrive* d = DriveOf(root);
    return d ? d->Type : DRIVE_NO_ROOT_DIR;
  }
  bool GetVolumeInformationA(const AnsiString& root, AnsiString* name, DWORD* serial, DWORD* maxComponent,
                             DWORD*, AnsiString* fileSystem) override {
    Calls.push_back("GetVolumeInformationA " + root);
    const TDrive* d = DriveOf(root);
    if (!d || !d->VolumeOk) return Fail(ERROR_NOT_READY), false;
    if (name) *name = d->Label;
    if (serial) *serial = d->Serial;
    if (maxComponent) *maxComponent = 255;
    if (fileSystem) *fileSystem = d->FileSystem;
    return true;
  }
  bool HasGetDiskFreeSpaceEx() override { return HasEx; }
  bool GetDiskFreeSpaceExA(const AnsiString& root, uint64_t* freeToCaller, uint64_t* total,
                           uint64_t* totalFree) override {
    Calls.push_back("GetDiskFreeSpaceExA " + root + " mode " + std::to_string(ErrorMode));
    const TDrive* d = DriveOf(root);
    if (!d || !d->SpaceOk) return Fail(ERROR_NOT_READY), false;
    *freeToCaller = d->Free;
    *total = d->Total;
    *totalFree = d->Free;
    return true;
  }
  bool GetDiskFreeSpaceA(const AnsiString& root, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                         DWORD* freeClusters, DWORD* totalClusters) override {
    Calls.push_back("GetDiskFreeSpaceA " + root);
    const TDrive* d = DriveOf(root);
    if (!d || !d->SpaceOk) return Fail(ERROR_NOT_READY), false;
    *sectorsPerCluster = 8;
    *bytesPerSector = 512;
    *freeClusters = static_cast<DWORD>(d->Free / 4096);
    *totalClusters = static_cast<DWORD>(d->Total / 4096);
    return true;
  }
  UINT SetErrorMode(UINT mode) override {
    Calls.push_back("SetErrorMode " + std::to_string(mode));
    return std::exchange(ErrorMode, mode);
  }

  // ---- processes and shell
  UINT WinExecResult = 33;
  intptr_t ShellExecuteResult = 42;
  UINT WinExec(const AnsiString& commandLine, int show) override {
    Calls.push_back("WinExec " + commandLine + " " + std::to_string(show));
    if (WinExecResult > 31 && commandLine == "PROGMAN PROGMAN") ServerRunning = true;
    return WinExecResult;
  }
  intptr_t ShellExecuteA(HWND owner, const AnsiString& verb, const AnsiString& file, const AnsiString& params,
                         const AnsiString& dir, int show) override {
    Calls.push_back("ShellExecuteA " + std::to_string(owner) + " [" + verb + "] " + file + " [" + params + "] " +
                    dir + " " + std::to_string(show));
    return ShellExecuteResult;
  }
  bool ExitWindowsEx(UINT flags, DWORD) override {
    Calls.push_back("ExitWindowsEx " + std::to_string(flags));
    return true;
  }
  void MessageBeep(UINT) override { Calls.push_back("MessageBeep"); }

  // ---- DDE: a Program Manager that answers when ServerRunning
  UINT DdeInitResult = DMLERR_NO_ERROR;
  UINT DdeLastError = DMLERR_NO_ERROR;
  bool ServerRunning = true;
  UINT ConvFormat = 0;
  bool TransactionOk = true;
  UINT DdeInitializeA(DWORD& instance, DWORD flags) override {
    Calls.push_back("DdeInitializeA " + std::to_string(flags));
    instance = DdeInitResult == DMLERR_NO_ERROR ? 7 : 0;
    return DdeInitResult;
  }
  bool DdeUninitialize(DWORD) override { return true; }
  UINT DdeGetLastError(DWORD) override { return DdeLastError; }
  HSZ DdeCreateStringHandleA(DWORD, const AnsiString& text, int codePage) override {
    Calls.push_back("DdeCreateStringHandleA " + text + " " + std::to_string(codePage));
    const HSZ h = NextHandle++;
    Strings[h] = text;
    return h;
  }
  bool DdeFreeStringHandle(DWORD, HSZ hsz) override {
    Calls.push_back("DdeFreeStringHandle " + Strings[hsz]);
    return Strings.erase(hsz) == 1;
  }
  HCONV DdeConnect(DWORD, HSZ service, HSZ topic, const CONVCONTEXT* context) override {
    Calls.push_back("DdeConnect " + Strings[service] + " " + Strings[topic] + " cb=" + std::to_string(context->cb) +
                    " cp=" + std::to_string(context->iCodePage) + " flags=" + std::to_string(context->wFlags));
    return ServerRunning ? 99 : 0;
  }
  bool DdeDisconnect(HCONV conv) override {
    Calls.push_back("DdeDisconnect " + std::to_string(conv));
    return true;
  }
  bool DdeQueryConvInfo(HCONV, CONVINFO& info) override {
    info.wFmt = ConvFormat;
    return true;
  }
  HDDEDATA DdeCreateDataHandle(DWORD, const BYTE* data, DWORD size, UINT format) override {
    Calls.push_back("DdeCreateDataHandle " + std::string(reinterpret_cast<const char*>(data), size) + "|" +
                    std::to_string(size) + " fmt=" + std::to_string(format));
    return NextHandle++;
  }
  bool DdeClientTransaction(HDDEDATA, HCONV conv, UINT type, DWORD timeout) override {
    Calls.push_back("DdeClientTransaction " + std::to_string(conv) + " " + std::to_string(type) + " " +
                    std::to_string(timeout));
    return TransactionOk;
  }

  // ---- shell links: every link saved, with the values it carried
  struct TSavedLink {
    AnsiString FileName, Description, Path, WorkingDirectory;
  };
  std::vector<TSavedLink> SavedLinks;
  bool LinkAvailable = true;
  std::unique_ptr<IShellLinkA> CreateShellLink() override {
    Calls.push_back("CreateShellLink");
    if (!LinkAvailable) return nullptr;
    return std::make_unique<TLink>(*this);
  }

  // ---- MCI
  DWORD MciOpenError = 0, MciPlayError = 0;
  MCIDEVICEID NextDevice = 1;
  DWORD MciOpenElement(const AnsiString& element, HWND callback, MCIDEVICEID& device) override {
    Calls.push_back("MciOpenElement " + element + " " + std::to_string(callback));
    if (MciOpenError) return MciOpenError;
    device = NextDevice++;
    return 0;
  }
  DWORD MciPlay(MCIDEVICEID device, HWND callback) override {
    Calls.push_back("MciPlay " + std::to_string(device) + " " + std::to_string(callback));
    return MciPlayError;
  }
  DWORD MciClose(MCIDEVICEID device) override {
    Calls.push_back("MciClose " + std::to_string(device));
    return 0;
  }
  AnsiString MciGetErrorStringA(DWORD error) override { return "MCI error " + std::to_string(error); }

  // ---- message box
  int MessageBoxAnswer = IDOK;
  int MessageBoxA(HWND, const AnsiString& text, const AnsiString& caption, UINT type) override {
    Calls.push_back("MessageBoxA " + caption + "|" + text + "|" + std::to_string(type));
    return MessageBoxAnswer;
  }

 private:
  struct TOpenFile {
    std::string Key;
    size_t Position;
  };
  class TLink : public IShellLinkA {
   public:
    explicit TLink(TFakeApi& api) : FApi(api) {}
    void SetDescription(const AnsiString& text) override { FLink.Description = text; }
    void SetPath(const AnsiString& path) override { FLink.Path = path; }
    void SetWorkingDirectory(const AnsiString& dir) override { FLink.WorkingDirectory = dir; }
    void SetArguments(const AnsiString&) override {}
    bool Save(const AnsiString& fileName, bool remember) override {
      FApi.Calls.push_back("Save " + fileName + (remember ? " remember" : ""));
      FLink.FileName = fileName;
      FApi.SavedLinks.push_back(FLink);
      return true;
    }

   private:
    TFakeApi& FApi;
    TSavedLink FLink;
  };

  static std::string Key(const AnsiString& s) { return rtl::UpperCase(s); }
  HANDLE Fail(DWORD code) {
    LastError = code;
    return INVALID_HANDLE_VALUE;
  }
  AnsiString Full(const AnsiString& path) const {
    if (path.size() >= 2 && path[1] == ':') return path;
    return rtl::IncludeTrailingBackslash(CurrentDirectory) + path;
  }
  bool ParentExists(const AnsiString& path) {
    const AnsiString parent = rtl::ExcludeTrailingBackslash(rtl::ExtractFilePath(Full(path)));
    return parent.size() <= 2 || (FindFile(parent) && (FindFile(parent)->Attributes & FILE_ATTRIBUTE_DIRECTORY));
  }
  static bool Matches(const std::string& mask, const std::string& name) {
    if (mask.empty()) return name.empty();
    if (mask[0] == '*')
      return Matches(mask.substr(1), name) || (!name.empty() && Matches(mask, name.substr(1)));
    return !name.empty() && (mask[0] == '?' || mask[0] == name[0]) && Matches(mask.substr(1), name.substr(1));
  }
  TOpenFile* OpenFile(HANDLE h) {
    auto it = Open.find(h);
    return it == Open.end() ? nullptr : &it->second;
  }

  AnsiString KeyPath(HKEY key, const AnsiString& subKey) {
    AnsiString base;
    if (key == HKEY_CURRENT_USER) base = "HKCU";
    else if (key == HKEY_LOCAL_MACHINE) base = "HKLM";
    else if (auto it = KeyHandles.find(key); it != KeyHandles.end()) base = it->second;
    else return {};
    return subKey.empty() ? base : base + "\\" + subKey;
  }
  LONG OpenHandle(const AnsiString& path, HKEY& result) {
    result = NextHandle++;
    KeyHandles[result] = path;
    return ERROR_SUCCESS;
  }
  bool Denied(const AnsiString& path, DWORD sam) {
    return sam == KEY_ALL_ACCESS &&
           std::find(DeniedAllAccess.begin(), DeniedAllAccess.end(), Key(path)) != DeniedAllAccess.end();
  }
  std::vector<AnsiString> Children(const AnsiString& path) {
    std::vector<AnsiString> names;
    const std::string prefix = Key(path) + "\\";
    for (const auto& [key, value] : Keys)
      if (key.rfind(prefix, 0) == 0 && key.find('\\', prefix.size()) == std::string::npos)
        names.push_back(value.Path.substr(prefix.size()));
    return names;
  }

  intptr_t NextHandle = 0x100;
  std::map<HANDLE, TOpenFile> Open;
  std::map<HANDLE, std::deque<TFile*>> Searches;
  std::map<HKEY, AnsiString> KeyHandles;
  std::map<HSZ, AnsiString> Strings;
};

}  // namespace fake
