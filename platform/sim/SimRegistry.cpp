// The simulated registry and its registry.reg file.

#include "platform/sim/SimRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/sim/HostFiles.h"
#include "platform/sim/WinPath.h"
#include "rtl/SysUtils.h"

namespace platform::sim {

namespace {

constexpr LONG kErrorRegistryIoFailed = 1016;
constexpr DWORD kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | 0x0020 /* KEY_CREATE_LINK */ |
                               0x00010000 /* DELETE */ | 0x00040000 /* WRITE_DAC */ |
                               0x00080000 /* WRITE_OWNER */;
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;

const char* const kRootNames[rrCount] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS"};

// ---- .reg text ------------------------------------------------------------

std::string Quoted(const AnsiString& ansi) {
  std::string out = "\"";
  for (char c : rtl::Utf8FromAnsi(ansi)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A name registry.reg can hold: a line break or a NUL would cut its line, and
// every process reading the file would see a broken registry.
bool StorableName(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A REG_SZ that the "text" form gives back byte for byte.
bool IsPlainText(const std::vector<BYTE>& data) {
  if (data.empty() || data.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] < 0x20) return false;
  return true;
}

void AppendHex(std::string& out, std::string line, const std::vector<BYTE>& data) {
  // Lines wrap as regedit wraps them: before 80 columns, "\" and two blanks.
  static const char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::string piece{kDigits[data[i] >> 4], kDigits[data[i] & 15]};
    if (i + 1 < data.size()) piece += ',';
    if (line.size() + piece.size() > 77) {
      out += line + "\\\n";
      line = "  ";
    }
    line += piece;
  }
  out += line + "\n";
}

void AppendKey(std::string& out, const std::string& path, const TRegKey& key, bool root) {
  if (!root || !key.Values.empty()) {
    out += "[" + rtl::Utf8FromAnsi(path) + "]\n";
    for (const TRegValue& v : key.Values) {
      const std::string name = v.Name.empty() ? "@" : Quoted(v.Name);
      if (v.Type == REG_SZ && IsPlainText(v.Data)) {
        out += name + "=" + Quoted(AnsiString(v.Data.begin(), v.Data.end() - 1)) + "\n";
      } else if (v.Type == REG_DWORD && v.Data.size() == 4) {
        char text[32];
        const DWORD value = v.Data[0] | v.Data[1] << 8 | v.Data[2] << 16 | static_cast<DWORD>(v.Data[3]) << 24;
        std::snprintf(text, sizeof text, "dword:%08x", value);
        out += name + "=" + text + "\n";
      } else {
        char type[32];
        if (v.Type == REG_BINARY)
          std::snprintf(type, sizeof type, "hex:");
        else
          std::snprintf(type, sizeof type, "hex(%x):", v.Type);
        AppendHex(out, name + "=" + type, v.Data);
      }
    }
    out += "\n";
  }
  for (const auto& [folded, sub] : key.SubKeys) AppendKey(out, path + "\\" + sub->Name, *sub, false);
}

class TRegParser {
 public:
  TRegParser(std::string_view text, TRegHives& hives) : FText(text), FHives(hives) {}

  bool Run(std::string& error) {
    if (FText.starts_with("\xEF\xBB\xBF")) FText.remove_prefix(3);
    bool header = false;
    std::string line;
    while (NextLine(line)) {
      const AnsiString trimmed = rtl::Trim(line);
      if (trimmed.empty() || trimmed[0] == ';') continue;
      if (!header) {
        if (trimmed != "REGEDIT4" && trimmed != "Windows Registry Editor Version 5.00")
          return Fail(error, "not a registry file (REGEDIT4 expected)");
        header = true;
        continue;
      }
      if (trimmed[0] == '[') {
        if (!KeyLine(trimmed, error)) return false;
      } else if (!ValueLine(trimmed, error)) {
        return false;
      }
    }
    if (!header) return Fail(error, "not a registry file (REGEDIT4 expected)");
    return true;
  }

 private:
  // One logical line: a line ending in '\' goes on in the next one.
  bool NextLine(std::string& line) {
    if (FPos >= FText.size()) return false;
    line.clear();
    FLine = FNextLine;
    for (;;) {
      std::size_t end = FText.find('\n', FPos);
      if (end == std::string_view::npos) end = FText.size();
      std::string_view part = FText.substr(FPos, end - FPos);
      if (part.ends_with('\r')) part.remove_suffix(1);
      FPos = end + 1;
      ++FNextLine;
      std::string piece = line.empty() ? std::string(part) : rtl::TrimLeft(part);
      const AnsiString right = rtl::TrimRight(piece);
      if (right.ends_with('\\') && FPos < FText.size()) {
        line += right.substr(0, right.size() - 1);
        continue;
      }
      line += piece;
      return true;
    }
  }

  bool Fail(std::string& error, const std::string& what) {
    error = "line " + std::to_string(FLine) + ": " + what;
    return false;
  }

  bool KeyLine(const std::string& line, std::string& error) {
    const std::size_t close = line.rfind(']');
    if (close == std::string::npos) return Fail(error, "a key line ends with ']'");
    const AnsiString path = rtl::AnsiFromUtf8(line.substr(1, close - 1));
    if (path.starts_with('-')) return Fail(error, "key removal lines are not kept in a registry file");
    std::vector<AnsiString> parts;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = path.find('\\', start);
      parts.push_back(path.substr(start, end == AnsiString::npos ? AnsiString::npos : end - start));
      if (end == AnsiString::npos) break;
      start = end + 1;
    }
    TRegKey* key = nullptr;
    for (int r = 0; r < rrCount; ++r)
      if (SameName(parts[0], kRootNames[r])) key = &FHives.Roots[r];
    if (!key && SameName(parts[0], "HKEY_CLASSES_ROOT"))
      key = &FHives.Roots[rrLocalMachine].Add("SOFTWARE").Add("Classes");
    if (!key) return Fail(error, "unknown root key '" + rtl::Utf8FromAnsi(parts[0]) + "'");
    for (std::size_t i = 1; i < parts.size(); ++i) {
      if (parts[i].empty() || parts[i].size() > kMaxKeyName) return Fail(error, "bad key name");
      key = &key->Add(parts[i]);
    }
    FKey = key;
    return true;
  }

  // A "..." text with \\ and \" escapes, from s[pos] = '"'; pos ends after the closing quote.
  bool QuotedText(const std::string& s, std::size_t& pos, std::string& out, std::string& error) {
    ++pos;
    for (; pos < s.size(); ++pos) {
      if (s[pos] == '"') {
        ++pos;
        return true;
      }
      if (s[pos] == '\\') {
        if (pos + 1 >= s.size() || (s[pos + 1] != '\\' && s[pos + 1] != '"'))
          return Fail(error, "unknown escape in a quoted text");
        ++pos;
      }
      out += s[pos];
    }
    return Fail(error, "a quoted text is not closed");
  }

  bool ValueLine(const std::string& line, std::string& error) {
    if (!FKey) return Fail(error, "a value before the first key");
    TRegValue value;
    std::size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      std::string name;
      if (!QuotedText(line, pos, name, error)) return false;
      value.Name = rtl::AnsiFromUtf8(name);
      if (value.Name.empty() || value.Name.size() > kMaxValueName) return Fail(error, "bad value name");
    } else {
      return Fail(error, "a value line starts with @ or a quoted name");
    }
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size() || line[pos] != '=') return Fail(error, "'=' expected after the value name");
    const std::string data = rtl::Trim(line.substr(pos + 1));

    if (data.starts_with('"')) {
      std::size_t p = 0;
      std::string text;
      if (!QuotedText(data, p, text, error)) return false;
      if (p != data.size()) return Fail(error, "text after the closing quote");
      const AnsiString ansi = rtl::AnsiFromUtf8(text);
      value.Type = REG_SZ;
      value.Data.assign(ansi.begin(), ansi.end());
      value.Data.push_back(0);
    } else if (data.starts_with("dword:")) {
      const std::string digits = data.substr(6);
      int64_t number;
      if (digits.empty() || digits.size() > 8 || !rtl::TryStrToInt64("$" + digits, number) || number < 0)
        return Fail(error, "bad dword '" + digits + "'");
      value.Type = REG_DWORD;
      for (int i = 0; i < 4; ++i) value.Data.push_back(static_cast<BYTE>(number >> (8 * i)));
    } else if (data.starts_with("hex")) {
      std::size_t colon = data.find(':');
      if (colon == std::string::npos) return Fail(error, "':' expected after hex");
      const std::string kind = data.substr(3, colon - 3);
      if (kind.empty()) {
        value.Type = REG_BINARY;
      } else {
        int64_t type;
        if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')' || kind.size() > 10 ||
            !rtl::TryStrToInt64("$" + kind.substr(1, kind.size() - 2), type) || type < 0)
          return Fail(error, "bad value type '" + kind + "'");
        value.Type = static_cast<DWORD>(type);
      }
      if (!HexBytes(data.substr(colon + 1), value.Data, error)) return false;
    } else if (data == "-") {
      return Fail(error, "value removal lines are not kept in a registry file");
    } else {
      return Fail(error, "unknown value data '" + data + "'");
    }

    if (TRegValue* old = FKey->Value(value.Name))
      *old = std::move(value);
    else
      FKey->Values.push_back(std::move(value));
    return true;
  }

  bool HexBytes(const std::string& text, std::vector<BYTE>& out, std::string& error) {
    std::size_t pos = 0;
    const AnsiString list = rtl::Trim(text);
    if (list.empty()) return true;
    for (;;) {
      const std::size_t comma = list.find(',', pos);
      const AnsiString item = rtl::Trim(list.substr(pos, comma == AnsiString::npos ? AnsiString::npos : comma - pos));
      int64_t byte;
      if (item.empty() || item.size() > 2 || !rtl::TryStrToInt64("$" + item, byte) || byte < 0)
        return Fail(error, "bad hex byte '" + item + "'");
      out.push_back(static_cast<BYTE>(byte));
      if (comma == AnsiString::npos) return true;
      pos = comma + 1;
    }
  }

  std::string_view FText;
  TRegHives& FHives;
  std::size_t FPos = 0;
  int FLine = 1, FNextLine = 1;
  TRegKey* FKey = nullptr;
};

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

std::vector<BYTE> TextData(const AnsiString& text) {
  std::vector<BYTE> data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

}  // namespace

// ---- keys -------------------------------------------------------------------

TRegKey* TRegKey::Find(std::string_view name) const {
  auto it = SubKeys.find(FoldCase(name));
  return it == SubKeys.end() ? nullptr : it->second.get();
}

TRegKey& TRegKey::Add(const AnsiString& name) {
  auto& slot = SubKeys[FoldCase(name)];
  if (!slot) {
    slot = std::make_unique<TRegKey>();
    slot->Name = name;
  }
  return *slot;
}

TRegValue* TRegKey::Value(std::string_view name) {
  for (TRegValue& v : Values)
    if (SameName(v.Name, name)) return &v;
  return nullptr;
}

std::string RegText(const TRegHives& hives) {
  std::string out = "REGEDIT4\n\n";
  for (int r = 0; r < rrCount; ++r) AppendKey(out, kRootNames[r], hives.Roots[r], true);
  return out;
}

bool ParseRegText(std::string_view text, TRegHives& hives, std::string& error) {
  return TRegParser(text, hives).Run(error);
}

// ---- the registry of the machine ---------------------------------------------

// The exclusive lock of registry.lock; nested locks of one registry share it.
class TSimRegistry::TLock {
 public:
  explicit TLock(TSimRegistry& r) : FRegistry(r) {
    if (r.FLockFd < 0)
      r.FLockFd = ::open(JoinHost(r.FMachineDir, "registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (r.FLockFd >= 0 && r.FLockDepth++ == 0)
      while (::flock(r.FLockFd, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~TLock() {
    if (FRegistry.FLockFd >= 0 && --FRegistry.FLockDepth == 0) ::flock(FRegistry.FLockFd, LOCK_UN);
  }
  bool Held() const { return FRegistry.FLockFd >= 0; }

 private:
  TSimRegistry& FRegistry;
};

TSimRegistry::TSimRegistry(std::string machineDir, const TMachineConfig& config)
    : FMachineDir(std::move(machineDir)), FFile(JoinHost(FMachineDir, "registry.reg")), FConfig(config) {}

TSimRegistry::~TSimRegistry() {
  if (FHeld >= 0) ::close(FHeld);
  if (FLockFd >= 0) ::close(FLockFd);
}

const std::string& TSimRegistry::Problem() {
  Refresh();
  return FProblem;
}

void TSimRegistry::Refresh() {
  struct stat now;
  if (::stat(FFile.c_str(), &now) != 0) {
    if (errno == ENOENT) {
      MakeFresh();
    } else {
      FProblem = FFile + ": " + HostError(errno);
    }
    return;
  }
  if (FHeld >= 0 && SameFile(now, FStamp)) return;
  const int fd = ::open(FFile.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    FProblem = FFile + ": " + HostError(errno);
    return;
  }
  Load(fd);
}

void TSimRegistry::Load(int fd) {
  std::string text;
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
  // Held open, the file's inode cannot be reused by a later version unnoticed.
  if (FHeld >= 0) ::close(FHeld);
  FHeld = fd;
  ::fstat(fd, &FStamp);

  TRegHives hives;
  std::string error;
  if (n < 0) {
    FProblem = FFile + ": " + HostError(errno);
  } else if (!ParseRegText(text, hives, error)) {
    // "line 12: what" becomes "<file>:12: what".
    FProblem = FFile + ":" + error.substr(5);
  } else {
    FHives = std::move(hives);
    FProblem.clear();
    FReported.clear();
    return;
  }
  FHives = TRegHives();
  if (FProblem != FReported) {
    std::fprintf(stderr, "registry damaged, left untouched: %s\n", FProblem.c_str());
    FReported = FProblem;
  }
}

bool TSimRegistry::Save() {
  if (!WriteHostFileAtomic(FFile, RegText(FHives))) {
    // The file still holds what it held; read it again at the next call.
    if (FHeld >= 0) ::close(FHeld);
    FHeld = -1;
    return false;
  }
  if (FHeld >= 0) ::close(FHeld);
  FHeld = ::open(FFile.c_str(), O_RDONLY | O_CLOEXEC);
  if (FHeld >= 0) ::fstat(FHeld, &FStamp);
  return true;
}

void TSimRegistry::MakeFresh() {
  TLock lock(*this);
  struct stat st;
  if (::stat(FFile.c_str(), &st) == 0) {
    // Another process made it meanwhile.
    const int fd = ::open(FFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) Load(fd);
    return;
  }
  FHives = TRegHives();
  TRegKey& software = FHives.Roots[rrLocalMachine].Add("SOFTWARE");
  TRegKey& microsoft = software.Add("Microsoft");
  software.Add("Classes");
  TRegKey& version = microsoft.Add("Windows").Add("CurrentVersion");
  version.Values.push_back({"ProgramFilesDir", REG_SZ, TextData("C:\\Program Files")});
  TRegKey& owner = FConfig.Family == wfNT ? microsoft.Add("Windows NT").Add("CurrentVersion") : version;
  owner.Values.push_back({"RegisteredOwner", REG_SZ, TextData(FConfig.Owner)});
  owner.Values.push_back({"RegisteredOrganization", REG_SZ, TextData(FConfig.Company)});
  FHives.Roots[rrCurrentUser].Add("Software");
  char locale[16];
  std::snprintf(locale, sizeof locale, "%08X", FConfig.LanguageId);
  FHives.Roots[rrCurrentUser].Add("Control Panel").Add("International").Values.push_back(
      {"Locale", REG_SZ, TextData(locale)});
  FHives.Roots[rrUsers].Add(".DEFAULT");
  FProblem.clear();
  Save();
}

bool TSimRegistry::Resolve(HKEY key, THandle& handle) const {
  switch (key) {
    case HKEY_LOCAL_MACHINE: handle = {rrLocalMachine, {}, KEY_ALL_ACCESS}; return true;
    case HKEY_CURRENT_USER: handle = {rrCurrentUser, {}, KEY_ALL_ACCESS}; return true;
    case HKEY_USERS: handle = {rrUsers, {}, KEY_ALL_ACCESS}; return true;
    case HKEY_CLASSES_ROOT: handle = {rrLocalMachine, {"SOFTWARE", "Classes"}, KEY_ALL_ACCESS}; return true;
    default: break;
  }
  auto it = FHandles.find(key);
  if (it == FHandles.end()) return false;
  handle = it->second;
  return true;
}

TRegKey* TSimRegistry::Node(const THandle& handle) const {
  const TRegKey* key = &FHives.Roots[handle.Root];
  for (const AnsiString& part : handle.Path) {
    key = key->Find(part);
    if (!key) return nullptr;
  }
  return const_cast<TRegKey*>(key);
}

bool TSimRegistry::ReadOnly(const THandle& handle) const {
  // Access rights exist on the NT family only; the 9x registry grants everything.
  if (FConfig.Family != wfNT) return false;
  AnsiString path = kRootNames[handle.Root];
  for (const AnsiString& part : handle.Path) path += "\\" + part;
  for (const AnsiString& ro : FConfig.ReadOnlyKeys) {
    if (path.size() >= ro.size() && SameName(path.substr(0, ro.size()), ro) &&
        (path.size() == ro.size() || path[ro.size()] == '\\'))
      return true;
  }
  return false;
}

LONG TSimRegistry::Check(HKEY key, DWORD access, THandle& handle, TRegKey*& node) {
  Refresh();
  if (!FProblem.empty()) return ERROR_BADDB;
  if (!Resolve(key, handle)) return ERROR_INVALID_HANDLE;
  if (FConfig.Family == wfNT && (handle.Access & access) != access) return ERROR_ACCESS_DENIED;
  node = Node(handle);
  return node ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG TSimRegistry::Open(HKEY key, const AnsiString& subKey, DWORD sam, bool create, HKEY& result,
                        DWORD* disposition) {
  result = 0;
  if (subKey.starts_with('\\')) return ERROR_BAD_PATHNAME;
  std::vector<AnsiString> parts;
  std::size_t start = 0;
  while (start < subKey.size()) {
    std::size_t end = subKey.find('\\', start);
    if (end == AnsiString::npos) end = subKey.size();
    if (end == start || end - start > kMaxKeyName || !StorableName(subKey.substr(start, end - start)))
      return ERROR_INVALID_PARAMETER;
    parts.push_back(subKey.substr(start, end - start));
    start = end + 1;
  }

  std::unique_ptr<TLock> lock;
  if (create) {
    lock = std::make_unique<TLock>(*this);
    if (!lock->Held()) return ERROR_ACCESS_DENIED;
  }
  THandle handle;
  TRegKey* node;
  if (LONG error = Check(key, 0, handle, node); error != ERROR_SUCCESS) return error;
  THandle target{handle.Root, handle.Path, sam};
  target.Path.insert(target.Path.end(), parts.begin(), parts.end());
  if ((sam & kWriteRights) && ReadOnly(target)) return ERROR_ACCESS_DENIED;

  bool created = false;
  for (const AnsiString& part : parts) {
    TRegKey* next = node->Find(part);
    if (!next) {
      if (!create) return ERROR_FILE_NOT_FOUND;
      if (FConfig.Family == wfNT && !(handle.Access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
      if (ReadOnly(target)) return ERROR_ACCESS_DENIED;
      next = &node->Add(part);
      created = true;
    }
    node = next;
  }
  if (created && !Save()) return kErrorRegistryIoFailed;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  result = FNextHandle;
  FNextHandle += 4;
  FHandles[result] = std::move(target);
  return ERROR_SUCCESS;
}

LONG TSimRegistry::CreateKey(HKEY key, const AnsiString& subKey, DWORD sam, HKEY& result, DWORD* disposition) {
  return Open(key, subKey, sam, true, result, disposition);
}

LONG TSimRegistry::OpenKey(HKEY key, const AnsiString& subKey, DWORD sam, HKEY& result) {
  return Open(key, subKey, sam, false, result, nullptr);
}

LONG TSimRegistry::CloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_USERS || key == HKEY_CLASSES_ROOT)
    return ERROR_SUCCESS;
  return FHandles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG TSimRegistry::SetValue(HKEY key, const AnsiString& name, DWORD type, const BYTE* data, DWORD size) {
  if (name.size() > kMaxValueName || !StorableName(name) || (size > 0 && !data)) return ERROR_INVALID_PARAMETER;
  TLock lock(*this);
  if (!lock.Held()) return ERROR_ACCESS_DENIED;
  THandle handle;
  TRegKey* node;
  if (LONG error = Check(key, KEY_SET_VALUE, handle, node); error != ERROR_SUCCESS) return error;
  if (ReadOnly(handle)) return ERROR_ACCESS_DENIED;
  TRegValue value{name, type, std::vector<BYTE>(data, data + size)};
  if (TRegValue* old = node->Value(name)) {
    old->Type = type;
    old->Data = std::move(value.Data);
  } else {
    node->Values.push_back(std::move(value));
  }
  return Save() ? ERROR_SUCCESS : kErrorRegistryIoFailed;
}

LONG TSimRegistry::QueryValue(HKEY key, const AnsiString& name, DWORD* type, BYTE* data, DWORD* size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  THandle handle;
  TRegKey* node;
  if (LONG error = Check(key, KEY_QUERY_VALUE, handle, node); error != ERROR_SUCCESS) return error;
  const TRegValue* value = node->Value(name);
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->Type;
  const auto needed = static_cast<DWORD>(value->Data.size());
  if (data) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    if (needed > 0) std::memcpy(data, value->Data.data(), needed);
  }
  if (size) *size = needed;
  return ERROR_SUCCESS;
}

LONG TSimRegistry::QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values) {
  THandle handle;
  TRegKey* node;
  if (LONG error = Check(key, KEY_QUERY_VALUE, handle, node); error != ERROR_SUCCESS) return error;
  if (subKeys) *subKeys = static_cast<DWORD>(node->SubKeys.size());
  if (maxSubKeyLen) {
    *maxSubKeyLen = 0;
    for (const auto& [folded, sub] : node->SubKeys)
      *maxSubKeyLen = std::max(*maxSubKeyLen, static_cast<DWORD>(sub->Name.size()));
  }
  if (values) *values = static_cast<DWORD>(node->Values.size());
  return ERROR_SUCCESS;
}

LONG TSimRegistry::EnumKey(HKEY key, DWORD index, AnsiString& name) {
  THandle handle;
  TRegKey* node;
  if (LONG error = Check(key, KEY_ENUMERATE_SUB_KEYS, handle, node); error != ERROR_SUCCESS) return error;
  if (index >= node->SubKeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = node->SubKeys.begin();
  std::advance(it, index);
  name = it->second->Name;
  return ERROR_SUCCESS;
}

LONG TSimRegistry::EnumValue(HKEY key, DWORD index, AnsiString& name, DWORD* type, std::vector<BYTE>* data) {
  THandle handle;
  TRegKey* node;
  if (LONG error = Check(key, KEY_QUERY_VALUE, handle, node); error != ERROR_SUCCESS) return error;
  if (index >= node->Values.size()) return ERROR_NO_MORE_ITEMS;
  const TRegValue& value = node->Values[index];
  name = value.Name;
  if (type) *type = value.Type;
  if (data) *data = value.Data;
  return ERROR_SUCCESS;
}

LONG TSimRegistry::DeleteKey(HKEY key, const AnsiString& subKey) {
  TLock lock(*this);
  if (!lock.Held()) return ERROR_ACCESS_DENIED;
  THandle handle;
  TRegKey* node;
  if (LONG error = Check(key, 0, handle, node); error != ERROR_SUCCESS) return error;
  THandle target = handle;
  std::size_t start = 0;
  while (start < subKey.size()) {
    std::size_t end = subKey.find('\\', start);
    if (end == AnsiString::npos) end = subKey.size();
    if (end > start) target.Path.push_back(subKey.substr(start, end - start));
    start = end + 1;
  }
  // An empty name deletes the open key itself; a root cannot go.
  if (target.Path.empty()) return ERROR_ACCESS_DENIED;
  TRegKey* victim = Node(target);
  if (!victim) return ERROR_FILE_NOT_FOUND;
  if (ReadOnly(target)) return ERROR_ACCESS_DENIED;
  // NT deletes one key with no subkeys; 9x takes the whole tree.
  if (FConfig.Family == wfNT && !victim->SubKeys.empty()) return ERROR_ACCESS_DENIED;
  THandle parent = target;
  parent.Path.pop_back();
  Node(parent)->SubKeys.erase(FoldCase(target.Path.back()));
  return Save() ? ERROR_SUCCESS : kErrorRegistryIoFailed;
}

LONG TSimRegistry::DeleteValue(HKEY key, const AnsiString& name) {
  TLock lock(*this);
  if (!lock.Held()) return ERROR_ACCESS_DENIED;
  THandle handle;
  TRegKey* node;
  if (LONG error = Check(key, KEY_SET_VALUE, handle, node); error != ERROR_SUCCESS) return error;
  if (ReadOnly(handle)) return ERROR_ACCESS_DENIED;
  for (auto it = node->Values.begin(); it != node->Values.end(); ++it)
    if (SameName(it->Name, name)) {
      node->Values.erase(it);
      return Save() ? ERROR_SUCCESS : kErrorRegistryIoFailed;
    }
  return ERROR_FILE_NOT_FOUND;
}

}  // namespace platform::sim
