// The simulated machine with its files in memory.

#include "tests/fuzz/MemoryMachine.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/IniText.h"

namespace fuzz {

namespace sim = platform::sim;
using namespace platform;

namespace {

constexpr FILETIME kMadeAt = 133485408000000000ull;  // 1 January 2024, 00:00
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE;

AnsiString FolderPrefix(const AnsiString& key) { return key.ends_with('\\') ? key : key + "\\"; }

bool SharingAllows(DWORD heldAccess, DWORD heldShare, DWORD access, DWORD share) {
  auto wants = [](DWORD a, DWORD generic) { return (a & generic) != 0; };
  if (wants(access, GENERIC_READ) && !(heldShare & FILE_SHARE_READ)) return false;
  if (wants(access, GENERIC_WRITE) && !(heldShare & FILE_SHARE_WRITE)) return false;
  if (wants(heldAccess, GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
  if (wants(heldAccess, GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
  return true;
}

}  // namespace

TMemoryMachine::TMemoryMachine(const std::string& hostDir) : TSimMachine(hostDir) {}

bool TMemoryMachine::Fail(DWORD error) {
  SetLastError(error);
  return false;
}

DWORD TMemoryMachine::Resolve(const AnsiString& path, sim::TWinPath& win, AnsiString& key,
                              sim::TWildcards wildcards) const {
  if (DWORD error = sim::ParseWinPath(path, FCurrent, wildcards, win); error != ERROR_SUCCESS) return error;
  if (win.Drive != 'C' && win.Drive != 'c') return ERROR_PATH_NOT_FOUND;
  key = sim::FoldCase(win.Text());
  return ERROR_SUCCESS;
}

AnsiString TMemoryMachine::Key(const AnsiString& path) const {
  sim::TWinPath win;
  AnsiString key;
  return Resolve(path, win, key) == ERROR_SUCCESS ? key : AnsiString();
}

bool TMemoryMachine::ParentExists(const sim::TWinPath& win) const {
  if (win.Parts.size() <= 1) return true;
  auto it = FNodes.find(sim::FoldCase(win.Parent().Text()));
  return it != FNodes.end() && it->second.Folder;
}

TMemoryMachine::TNode* TMemoryMachine::Find(const AnsiString& key) {
  auto it = FNodes.find(key);
  return it == FNodes.end() ? nullptr : &it->second;
}

TMemoryMachine::TOpenFile* TMemoryMachine::Open(HANDLE h) {
  auto it = FOpen.find(h);
  if (it == FOpen.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &it->second;
}

bool TMemoryMachine::IsOpen(const AnsiString& key) const {
  return std::any_of(FOpen.begin(), FOpen.end(), [&](const auto& open) { return open.second.Key == key; });
}

std::vector<AnsiString> TMemoryMachine::Children(const AnsiString& folderKey) const {
  const AnsiString prefix = FolderPrefix(folderKey);
  std::vector<AnsiString> names;
  for (auto it = FNodes.lower_bound(prefix); it != FNodes.end() && it->first.starts_with(prefix); ++it)
    if (it->first.find('\\', prefix.size()) == AnsiString::npos) names.push_back(it->first);
  return names;
}

bool TMemoryMachine::Grow(TNode& node, uint64_t end) {
  node.Reach = std::max(node.Reach, end);
  if (end <= node.Data.size()) return true;
  if (FUsed + (end - node.Data.size()) > kCapacity) return Fail(ERROR_DISK_FULL);
  FUsed += end - node.Data.size();
  node.Data.resize(end);
  return true;
}

bool TMemoryMachine::PutFile(const AnsiString& path, std::string data) {
  sim::TWinPath win;
  AnsiString key;
  if (Resolve(path, win, key) != ERROR_SUCCESS || win.IsRoot()) return false;
  for (size_t n = 1; n < win.Parts.size(); ++n) {
    sim::TWinPath folder = win;
    folder.Parts.resize(n);
    TNode& node = FNodes[sim::FoldCase(folder.Text())];
    if (node.Name.empty()) node = TNode{win.Parts[n - 1], true, FILE_ATTRIBUTE_DIRECTORY, kMadeAt, {}, 0};
  }
  TNode& node = FNodes[key];
  FUsed -= std::min<uint64_t>(FUsed, node.Data.size());
  FUsed += data.size();
  node = TNode{win.Parts.back(), false, FILE_ATTRIBUTE_ARCHIVE, kMadeAt, std::move(data), 0};
  node.Reach = node.Data.size();
  return true;
}

void TMemoryMachine::Clear(const std::vector<AnsiString>& keep) {
  for (auto it = FNodes.begin(); it != FNodes.end();) {
    const bool kept = std::any_of(keep.begin(), keep.end(), [&](const AnsiString& k) {
      return k == it->first || k.starts_with(FolderPrefix(it->first));
    });
    if (kept) {
      ++it;
    } else {
      FUsed -= std::min<uint64_t>(FUsed, it->second.Data.size());
      it = FNodes.erase(it);
    }
  }
}

// ---- handles ---------------------------------------------------------------------

HANDLE TMemoryMachine::CreateFileA(const AnsiString& fileName, DWORD desiredAccess, DWORD shareMode,
                                   DWORD creationDisposition, DWORD flagsAndAttributes) {
  sim::TWinPath win;
  AnsiString key;
  if (DWORD error = Resolve(fileName, win, key); error != ERROR_SUCCESS) {
    Fail(error);
    return INVALID_HANDLE_VALUE;
  }
  if (win.IsRoot()) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (!ParentExists(win)) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  TNode* node = Find(key);
  const bool truncate = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
  DWORD error = ERROR_SUCCESS;
  if (node && node->Folder)
    error = ERROR_ACCESS_DENIED;
  else if (node && creationDisposition == CREATE_NEW)
    error = ERROR_FILE_EXISTS;
  else if (!node && (creationDisposition == OPEN_EXISTING || creationDisposition == TRUNCATE_EXISTING))
    error = win.TrailingSeparator ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
  else if (node && (node->Attributes & FILE_ATTRIBUTE_READONLY) && ((desiredAccess & GENERIC_WRITE) || truncate))
    error = ERROR_ACCESS_DENIED;
  else if (node)
    for (const auto& [h, open] : FOpen)
      if (open.Key == key && !SharingAllows(open.Access, open.Share, desiredAccess, shareMode))
        error = ERROR_SHARING_VIOLATION;
  if (error != ERROR_SUCCESS) {
    Fail(error);
    return INVALID_HANDLE_VALUE;
  }
  const bool existed = node != nullptr;
  if (!node) {
    node = &FNodes[key];
    *node = TNode{win.Parts.back(), false, (flagsAndAttributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE,
                  kMadeAt, {}, 0};
  } else if (truncate) {
    FUsed -= std::min<uint64_t>(FUsed, node->Data.size());
    node->Data.clear();
    node->LastWrite = kMadeAt;
  }
  const HANDLE h = FNextHandle += 4;
  FOpen[h] = TOpenFile{key, desiredAccess, shareMode, 0};
  const bool always = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
  SetLastError(existed && always ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

bool TMemoryMachine::ReadFile(HANDLE h, void* buffer, DWORD count, DWORD& read) {
  read = 0;
  TOpenFile* open = Open(h);
  if (!open) return false;
  if (!(open->Access & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
  const std::string& data = FNodes[open->Key].Data;
  if (open->Position < data.size()) {
    read = static_cast<DWORD>(std::min<uint64_t>(count, data.size() - open->Position));
    std::memcpy(buffer, data.data() + open->Position, read);
    open->Position += read;
  }
  return true;
}

bool TMemoryMachine::WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD& written) {
  written = 0;
  TOpenFile* open = Open(h);
  if (!open) return false;
  if (!(open->Access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  TNode& node = FNodes[open->Key];
  if (!Grow(node, open->Position + count)) return false;
  std::memcpy(node.Data.data() + open->Position, buffer, count);
  open->Position += count;
  written = count;
  return true;
}

int64_t TMemoryMachine::SetFilePointerEx(HANDLE h, int64_t distance, DWORD moveMethod) {
  TOpenFile* open = Open(h);
  if (!open) return -1;
  const int64_t base = moveMethod == FILE_BEGIN     ? 0
                       : moveMethod == FILE_CURRENT ? static_cast<int64_t>(open->Position)
                                                    : static_cast<int64_t>(FNodes[open->Key].Data.size());
  if (moveMethod > FILE_END || (distance > 0 && distance > INT64_MAX - base)) {
    Fail(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (distance < 0 && base + distance < 0) {
    Fail(ERROR_NEGATIVE_SEEK);
    return -1;
  }
  open->Position = static_cast<uint64_t>(base + distance);
  return base + distance;
}

int64_t TMemoryMachine::GetFileSizeEx(HANDLE h) {
  TOpenFile* open = Open(h);
  return open ? static_cast<int64_t>(FNodes[open->Key].Data.size()) : -1;
}

bool TMemoryMachine::SetEndOfFile(HANDLE h) {
  TOpenFile* open = Open(h);
  if (!open) return false;
  if (!(open->Access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  TNode& node = FNodes[open->Key];
  if (open->Position <= node.Data.size()) {
    FUsed -= std::min<uint64_t>(FUsed, node.Data.size() - open->Position);
    node.Data.resize(open->Position);
    return true;
  }
  return Grow(node, open->Position);
}

bool TMemoryMachine::FlushFileBuffers(HANDLE h) { return Open(h) != nullptr; }

bool TMemoryMachine::GetFileTime(HANDLE h, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  TOpenFile* open = Open(h);
  if (!open) return false;
  for (FILETIME* out : {creation, lastAccess, lastWrite})
    if (out) *out = FNodes[open->Key].LastWrite;
  return true;
}

bool TMemoryMachine::SetFileTime(HANDLE h, const FILETIME*, const FILETIME*, const FILETIME* lastWrite) {
  TOpenFile* open = Open(h);
  if (!open) return false;
  if (!(open->Access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  if (lastWrite) FNodes[open->Key].LastWrite = *lastWrite;
  return true;
}

bool TMemoryMachine::CloseHandle(HANDLE h) {
  if (FOpen.erase(h) == 0) return Fail(ERROR_INVALID_HANDLE);
  return true;
}

// ---- names -----------------------------------------------------------------------

DWORD TMemoryMachine::GetFileAttributesA(const AnsiString& fileName) {
  sim::TWinPath win;
  AnsiString key;
  if (DWORD error = Resolve(fileName, win, key); error != ERROR_SUCCESS) {
    Fail(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (win.IsRoot()) return FILE_ATTRIBUTE_DIRECTORY;
  const TNode* node = Find(key);
  if (!node || (win.TrailingSeparator && !node->Folder)) {
    Fail(ParentExists(win) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (node->Folder) return node->Attributes | FILE_ATTRIBUTE_DIRECTORY;
  return node->Attributes == 0 ? FILE_ATTRIBUTE_NORMAL : node->Attributes;
}

bool TMemoryMachine::SetFileAttributesA(const AnsiString& fileName, DWORD attributes) {
  sim::TWinPath win;
  AnsiString key;
  if (DWORD error = Resolve(fileName, win, key); error != ERROR_SUCCESS) return Fail(error);
  TNode* node = win.IsRoot() ? nullptr : Find(key);
  if (!node) return Fail(win.IsRoot() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
  node->Attributes = (attributes & kKeptAttributes) | (node->Folder ? FILE_ATTRIBUTE_DIRECTORY : 0);
  return true;
}

WIN32_FIND_DATAA TMemoryMachine::FindData(const AnsiString& name, const TNode* node) const {
  WIN32_FIND_DATAA data;
  data.cFileName = name;
  data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
  if (node) {
    data.dwFileAttributes = node->Folder            ? node->Attributes | FILE_ATTRIBUTE_DIRECTORY
                            : node->Attributes == 0 ? FILE_ATTRIBUTE_NORMAL
                                                    : node->Attributes;
    data.ftCreationTime = data.ftLastAccessTime = data.ftLastWriteTime = node->LastWrite;
    data.nFileSize = node->Data.size();
  }
  return data;
}

HANDLE TMemoryMachine::FindFirstFileA(const AnsiString& pattern, WIN32_FIND_DATAA& data) {
  sim::TWinPath win;
  AnsiString key;
  if (DWORD error = Resolve(pattern, win, key, sim::wcInLastPart); error != ERROR_SUCCESS) {
    Fail(error);
    return INVALID_HANDLE_VALUE;
  }
  TFind find;
  if (win.IsRoot()) {
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (!ParentExists(win)) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const AnsiString& last = win.Parts.back();
  if (sim::HasWildcards(last)) {
    const sim::TWinPath folder = win.Parent();
    if (!folder.IsRoot())
      for (const char* dot : {".", ".."})
        if (sim::MatchesPattern(last, dot)) find.Entries.push_back(FindData(dot, nullptr));
    for (const AnsiString& child : Children(sim::FoldCase(folder.Text()))) {
      const TNode& node = FNodes[child];
      if (sim::MatchesPattern(last, node.Name)) find.Entries.push_back(FindData(node.Name, &node));
    }
  } else if (const TNode* node = Find(key); node && !(win.TrailingSeparator && !node->Folder)) {
    find.Entries.push_back(FindData(node->Name, node));
  }
  if (find.Entries.empty()) {
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  data = find.Entries[0];
  find.Next = 1;
  const HANDLE h = FNextHandle += 4;
  FFinds[h] = std::move(find);
  return h;
}

bool TMemoryMachine::FindNextFileA(HANDLE h, WIN32_FIND_DATAA& data) {
  auto it = FFinds.find(h);
  if (it == FFinds.end()) return Fail(ERROR_INVALID_HANDLE);
  if (it->second.Next >= it->second.Entries.size()) return Fail(ERROR_NO_MORE_FILES);
  data = it->second.Entries[it->second.Next++];
  return true;
}

bool TMemoryMachine::FindClose(HANDLE h) { return FFinds.erase(h) != 0 || Fail(ERROR_INVALID_HANDLE); }

bool TMemoryMachine::CreateDirectoryA(const AnsiString& path) {
  sim::TWinPath win;
  AnsiString key;
  if (DWORD error = Resolve(path, win, key); error != ERROR_SUCCESS) return Fail(error);
  if (win.IsRoot() || Find(key)) return Fail(ERROR_ALREADY_EXISTS);
  if (!ParentExists(win)) return Fail(ERROR_PATH_NOT_FOUND);
  FNodes[key] = TNode{win.Parts.back(), true, FILE_ATTRIBUTE_DIRECTORY, kMadeAt, {}, 0};
  return true;
}

bool TMemoryMachine::RemoveDirectoryA(const AnsiString& path) {
  sim::TWinPath win;
  AnsiString key;
  if (DWORD error = Resolve(path, win, key); error != ERROR_SUCCESS) return Fail(error);
  if (win.IsRoot()) return Fail(ERROR_ACCESS_DENIED);
  const TNode* node = Find(key);
  if (!node) return Fail(ERROR_FILE_NOT_FOUND);
  if (!node->Folder) return Fail(ERROR_DIRECTORY);
  if (!Children(key).empty()) return Fail(ERROR_DIR_NOT_EMPTY);
  FNodes.erase(key);
  return true;
}

bool TMemoryMachine::DeleteFileA(const AnsiString& fileName) {
  sim::TWinPath win;
  AnsiString key;
  if (DWORD error = Resolve(fileName, win, key); error != ERROR_SUCCESS) return Fail(error);
  const TNode* node = win.IsRoot() ? nullptr : Find(key);
  if (!node) return Fail(win.IsRoot() || !ParentExists(win) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
  if (node->Folder || (node->Attributes & FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED);
  if (IsOpen(key)) return Fail(ERROR_SHARING_VIOLATION);
  FUsed -= std::min<uint64_t>(FUsed, node->Data.size());
  FNodes.erase(key);
  return true;
}

bool TMemoryMachine::MoveFileA(const AnsiString& from, const AnsiString& to) {
  sim::TWinPath source, target;
  AnsiString sourceKey, targetKey;
  if (DWORD error = Resolve(from, source, sourceKey); error != ERROR_SUCCESS) return Fail(error);
  if (DWORD error = Resolve(to, target, targetKey); error != ERROR_SUCCESS) return Fail(error);
  if (source.IsRoot() || target.IsRoot()) return Fail(ERROR_ACCESS_DENIED);
  if (!Find(sourceKey)) return Fail(ERROR_FILE_NOT_FOUND);
  if (Find(targetKey)) return Fail(ERROR_ALREADY_EXISTS);
  if (!ParentExists(target)) return Fail(ERROR_PATH_NOT_FOUND);
  const AnsiString prefix = FolderPrefix(sourceKey);
  if (targetKey.starts_with(prefix)) return Fail(ERROR_ACCESS_DENIED);  // a folder into itself
  std::vector<AnsiString> moved{sourceKey};
  for (auto it = FNodes.lower_bound(prefix); it != FNodes.end() && it->first.starts_with(prefix); ++it)
    moved.push_back(it->first);
  for (const AnsiString& key : moved)
    if (IsOpen(key)) return Fail(ERROR_SHARING_VIOLATION);
  for (const AnsiString& key : moved) {
    auto node = FNodes.extract(key);
    node.key() = targetKey + key.substr(sourceKey.size());
    FNodes.insert(std::move(node));
  }
  FNodes[targetKey].Name = target.Parts.back();
  return true;
}

AnsiString TMemoryMachine::GetCurrentDirectoryA() { return FCurrent.Current().Text(); }

bool TMemoryMachine::SetCurrentDirectoryA(const AnsiString& path) {
  sim::TWinPath win;
  AnsiString key;
  if (DWORD error = Resolve(path, win, key); error != ERROR_SUCCESS) return Fail(error);
  if (!win.IsRoot()) {
    const TNode* node = Find(key);
    if (!node) return Fail(ERROR_FILE_NOT_FOUND);
    if (!node->Folder) return Fail(ERROR_DIRECTORY);
  }
  FCurrent.Set(win);
  return true;
}

bool TMemoryMachine::FileTimeToLocalFileTime(FILETIME utc, FILETIME& local) {
  local = utc;
  return true;
}

bool TMemoryMachine::LocalFileTimeToFileTime(FILETIME local, FILETIME& utc) {
  utc = local;
  return true;
}

DWORD TMemoryMachine::GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key,
                                               const AnsiString& defaultValue, AnsiString& result, DWORD size,
                                               const AnsiString& fileName) {
  // A bare file name lives in the Windows folder.
  const AnsiString path = fileName.find_first_of("\\/:") == AnsiString::npos
                              ? GetWindowsDirectoryA() + "\\" + fileName
                              : fileName;
  const TNode* node = Find(Key(path));
  if (!node || node->Folder) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return sim::ProfileString(std::string_view(), section, key, defaultValue, result, size);
  }
  // The text is read once for as long as it stays the same.
  if (!FProfile || FProfileText != node->Data) {
    FProfileText = node->Data;
    FProfile = std::make_unique<sim::TIniText>(FProfileText, sim::TIniText::TSemicolon::Key);
  }
  return sim::ProfileString(*FProfile, section, key, defaultValue, result, size);
}

AnsiString TMemoryMachine::GetFileVersionString(const AnsiString&, const AnsiString&) { return {}; }

}  // namespace fuzz
