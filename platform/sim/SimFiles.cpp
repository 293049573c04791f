// Files, folders and drives of the simulated machine.

#include "platform/sim/SimFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/sim/HostFiles.h"
#include "rtl/SysUtils.h"

namespace platform::sim {

namespace {

constexpr int64_t kEpochSeconds = 11644473600LL;  // from 1601-01-01 to 1970-01-01
constexpr const char* kAttrXattr = "user.vqm.attr";
constexpr const char* kTimeXattr = "user.vqm.mtime";
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

FILETIME FileTimeFromTimespec(const timespec& ts) {
  const int64_t seconds = ts.tv_sec + kEpochSeconds;
  if (seconds < 0) return 0;
  return static_cast<FILETIME>(seconds) * 10000000u + static_cast<FILETIME>(ts.tv_nsec) / 100;
}

timespec TimespecFromFileTime(FILETIME ft) {
  timespec ts;
  ts.tv_sec = static_cast<time_t>(static_cast<int64_t>(ft / 10000000u) - kEpochSeconds);
  ts.tv_nsec = static_cast<long>(ft % 10000000u) * 100;
  return ts;
}

uint64_t RoundUp(uint64_t n, uint64_t unit) { return (n + unit - 1) / unit * unit; }

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    default: return ERROR_ACCESS_DENIED;
  }
}

// An extended attribute through an open file when there is one.
ssize_t GetXattr(int fd, const std::string& path, const char* name, char* buffer, std::size_t size) {
  return fd >= 0 ? ::fgetxattr(fd, name, buffer, size) : ::getxattr(path.c_str(), name, buffer, size);
}

// The attributes kept in the extended attribute, or what a file without it has.
DWORD StoredAttributes(int fd, const std::string& host, const struct stat& st, TDriveKind kind) {
  char text[32];
  const ssize_t n = GetXattr(fd, host, kAttrXattr, text, sizeof text - 1);
  if (n > 0) {
    text[n] = '\0';
    return static_cast<DWORD>(std::strtoul(text, nullptr, 10)) & kKeptAttributes;
  }
  // What Windows gives a new file; folders and CD-ROM files have none.
  return S_ISDIR(st.st_mode) || kind == dkCdRom ? 0 : FILE_ATTRIBUTE_ARCHIVE;
}

DWORD AttributesOf(int fd, const std::string& host, const struct stat& st, TDriveKind kind) {
  DWORD a = StoredAttributes(fd, host, st, kind);
  if (!(st.st_mode & S_IWUSR) || kind == dkCdRom) a |= FILE_ATTRIBUTE_READONLY;
  if (S_ISDIR(st.st_mode)) a |= FILE_ATTRIBUTE_DIRECTORY;
  return a == 0 ? FILE_ATTRIBUTE_NORMAL : a;
}

FILETIME LastWriteOf(int fd, const std::string& host, const struct stat& st) {
  // The exact time stands as long as the host mtime is the one it was set with.
  char text[96];
  const ssize_t n = GetXattr(fd, host, kTimeXattr, text, sizeof text - 1);
  if (n > 0) {
    text[n] = '\0';
    unsigned long long ft;
    long long sec, nsec;
    if (std::sscanf(text, "%llu %lld %lld", &ft, &sec, &nsec) == 3 && sec == st.st_mtim.tv_sec &&
        nsec == st.st_mtim.tv_nsec)
      return ft;
  }
  return FileTimeFromTimespec(st.st_mtim);
}

// Returns the host mtime the time was stored with.
timespec StoreLastWrite(int fd, FILETIME ft) {
  const timespec times[2] = {{0, UTIME_OMIT}, TimespecFromFileTime(ft)};
  ::futimens(fd, times);  // a time the host cannot hold keeps the old mtime; the xattr has it
  struct stat st;
  if (::fstat(fd, &st) != 0) return {-1, -1};
  // The host's mtime is the time itself and no earlier exact time is kept: nothing more to write.
  if (FileTimeFromTimespec(st.st_mtim) == ft && ::fgetxattr(fd, kTimeXattr, nullptr, 0) < 0 &&
      (errno == ENODATA || errno == ENOTSUP))
    return st.st_mtim;
  char text[96];
  const int n = std::snprintf(text, sizeof text, "%llu %lld %lld", static_cast<unsigned long long>(ft),
                              static_cast<long long>(st.st_mtim.tv_sec), static_cast<long long>(st.st_mtim.tv_nsec));
  ::fsetxattr(fd, kTimeXattr, text, static_cast<std::size_t>(n), 0);
  return st.st_mtim;
}

bool CopyHostFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  ::fstat(in, &st);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (::write(out, buffer, static_cast<std::size_t>(n)) != n) {
      ok = false;
      break;
    }
  }
  for (const char* name : {kAttrXattr, kTimeXattr}) {
    char value[96];
    const ssize_t n = ::fgetxattr(in, name, value, sizeof value);
    if (n > 0) ::fsetxattr(out, name, value, static_cast<std::size_t>(n), 0);
  }
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ::futimens(out, times);
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) ::unlink(to.c_str());
  return ok;
}

uint64_t FolderBytes(const std::string& dir, uint64_t cluster) {
  uint64_t total = 0;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return 0;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string host = JoinHost(dir, name);
    struct stat st;
    if (::lstat(host.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode))
      total += FolderBytes(host, cluster);
    else if (S_ISREG(st.st_mode))
      total += RoundUp(static_cast<uint64_t>(st.st_size), cluster);
  }
  ::closedir(d);
  return total;
}

}  // namespace

TSimFiles::TSimFiles(const TMachineConfig& config, TMachineState& state) : FConfig(config), FState(state) {
  TWinPath current;
  if (ParseWinPath(config.CurrentDir, FCurrent, wcRefuse, current) == ERROR_SUCCESS) FCurrent.Set(current);
}

TSimFiles::~TSimFiles() {
  for (auto& [handle, f] : FFiles) ::close(f.Fd);
}

// ---- paths --------------------------------------------------------------------

DWORD TSimFiles::FullPath(const AnsiString& path, TWinPath& result, TWildcards wildcards) const {
  return ParseWinPath(path, FCurrent, wildcards, result);
}

DWORD TSimFiles::VolumeOf(char letter, TVolume& volume) {
  struct stat st;
  return VolumeOf(letter, volume, st);
}

DWORD TSimFiles::VolumeOf(char letter, TVolume& volume, struct stat& st) {
  const TDriveConfig* drive = FConfig.Drive(letter);
  if (!drive) return ERROR_PATH_NOT_FOUND;
  volume.Letter = letter;
  volume.Kind = drive->Kind;
  if (drive->Kind != dkRemovable) {
    volume.Config = drive->Volume;
    volume.Root = drive->Volume.Folder;
    // A CD-ROM or network folder that is not there is a drive without a medium.
    return ::stat(volume.Root.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_SUCCESS : ERROR_NOT_READY;
  }
  for (;;) {
    const std::string name = FState.Disk(letter);
    // A disk added to machine.ini after this process read it.
    if (!name.empty() && !FConfig.Disk(name) && ReloadConfig) ReloadConfig();
    const TDiskConfig* disk = FConfig.Disk(name);
    if (disk && ::stat(disk->Volume.Folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      volume.Config = disk->Volume;
      volume.Root = disk->Volume.Folder;
      return ERROR_SUCCESS;
    }
    if ((ErrorMode & SEM_FAILCRITICALERRORS) || !CriticalErrorBox) return ERROR_NOT_READY;
    // The system's own box; Retry looks at the drive again.
    const bool portuguese = (FConfig.LanguageId & 0x3FF) == 0x16;
    const AnsiString drive{letter, ':'};
    const int answer = portuguese
        ? CriticalErrorBox("Não há disco na unidade. Insira um disco na unidade "_a + drive + ".",
                           "Windows - Sem disco", MB_RETRYCANCEL | MB_ICONHAND)
        : CriticalErrorBox("There is no disk in the drive. Please insert a disk into drive " + drive + ".",
                           "Windows - No Disk", MB_RETRYCANCEL | MB_ICONHAND);
    if (answer != IDRETRY) return ERROR_NOT_READY;
  }
}

bool TSimFiles::Inside(const TVolume& volume, const std::string& host) const {
  char resolved[PATH_MAX], root[PATH_MAX];
  if (!::realpath(host.c_str(), resolved) || !::realpath(volume.Root.c_str(), root)) return false;
  const std::string_view r = root, p = resolved;
  return r == "/" || p == r || (p.starts_with(r) && p[r.size()] == '/');
}

int TSimFiles::OpenInVolume(const TVolume& volume, const std::string& host, int flags) const {
  // Where the entry is now: its folder, and for a link (which Resolve let
  // through only when it stays inside the drive) the place it names.
  std::string target = host;
  struct stat st;
  if (::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (!::realpath(host.c_str(), resolved)) return -1;
    target = resolved;
  }
  const std::size_t slash = target.rfind('/');
  const std::string name = target.substr(slash + 1);
  char root[PATH_MAX], folder[PATH_MAX];
  if (!::realpath(volume.Root.c_str(), root) ||
      !::realpath(slash == 0 ? "/" : target.substr(0, slash).c_str(), folder))
    return -1;
  const std::string_view rootView = root;
  std::string_view rest = folder;
  if (rootView != "/") {
    if (!rest.starts_with(rootView) || (rest.size() > rootView.size() && rest[rootView.size()] != '/')) {
      errno = EACCES;  // the folder has left the drive
      return -1;
    }
    rest.remove_prefix(rootView.size());
  }
  // From the drive's root down, every level opened without following a link:
  // a component swapped for a link since it was checked fails here.
  int dirFd = ::open(root, O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (std::size_t pos = 0; dirFd >= 0 && pos < rest.size();) {
    std::size_t end = rest.find('/', pos);
    if (end == std::string_view::npos) end = rest.size();
    if (end > pos) {
      const int next = ::openat(dirFd, std::string(rest.substr(pos, end - pos)).c_str(),
                                O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      ::close(dirFd);
      dirFd = next;
    }
    pos = end + 1;
  }
  if (dirFd < 0) return -1;
  const int fd = ::openat(dirFd, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0644);
  const int error = errno;
  ::close(dirFd);
  errno = error;
  return fd;
}

int TSimFiles::OpenResolved(const TResolved& r, int flags) {
  // Its folders are as they were when it was resolved, no link among them:
  // the path cannot lead out of the drive but through its last name.
  if (r.Kept) {
    FNames.Sync();
    if (FNames.Generation() == r.Kept) {
      const int fd = ::open(r.Host.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0644);
      if (fd >= 0 || errno != ELOOP) return fd;
    }
  }
  return OpenInVolume(r.Volume, r.Host, flags);
}

DWORD TSimFiles::Resolve(const AnsiString& path, TResolved& r, TWildcards wildcards) {
  TWinPath win;
  if (DWORD error = ParseWinPath(path, FCurrent, wildcards, win); error != ERROR_SUCCESS) return error;
  return ResolveParsed(win, r);
}

DWORD TSimFiles::ResolveParsed(const TWinPath& win, TResolved& r, bool missingFolders) {
  r.Win = win;
  r.Kept = 0;
  struct stat dirStat;  // of `dir`
  if (DWORD error = VolumeOf(win.Drive, r.Volume, dirStat); error != ERROR_SUCCESS) return error;
  std::string dir = r.Volume.Root;
  // Every change made until now shows in the answers, here and in the caller's lookups after it.
  FNames.Sync();
  if (win.Parts.empty()) {
    r.Host = dir;
    r.Exists = true;
    r.St = dirStat;
    return ERROR_SUCCESS;
  }
  const uint64_t generation = FNames.Generation();
  bool kept = true;  // every level answered from watched listings, no link on the way
  for (std::size_t i = 0; i < win.Parts.size(); ++i) {
    const bool last = i + 1 == win.Parts.size();
    std::optional<TFolderNames::TEntry> child = FNames.Child(dir, dirStat, win.Parts[i], last, kept);
    if (!child) {
      if (!last && !missingFolders) return ERROR_PATH_NOT_FOUND;
      r.Host = dir;
      for (std::size_t j = i; j < win.Parts.size(); ++j) r.Host = JoinHost(r.Host, rtl::Utf8FromAnsi(win.Parts[j]));
      r.Exists = false;
      if (last && kept && FNames.Generation() == generation) r.Kept = generation;
      return ERROR_SUCCESS;
    }
    if (!child->Stat) return last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    const std::string host = JoinHost(dir, child->Name);
    struct stat& st = child->St;
    if (S_ISLNK(st.st_mode)) {
      // A link may point anywhere on the host; only a place inside the drive counts.
      if (!Inside(r.Volume, host) || ::stat(host.c_str(), &st) != 0) return ERROR_ACCESS_DENIED;
      kept = false;
    }
    if (!last) {
      if (!S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
      dir = host;
      dirStat = st;
      continue;
    }
    r.Host = host;
    r.Exists = true;
    r.St = st;
    if (kept && FNames.Generation() == generation) r.Kept = generation;
    if (win.TrailingSeparator && !S_ISDIR(st.st_mode)) return ERROR_INVALID_NAME;
  }
  return ERROR_SUCCESS;
}

DWORD TSimFiles::HostPath(const AnsiString& path, std::string& host, bool missingFolders) {
  TResolved r;
  TWinPath win;
  if (DWORD error = ParseWinPath(path, FCurrent, wcRefuse, win); error != ERROR_SUCCESS) return error;
  if (DWORD error = ResolveParsed(win, r, missingFolders); error != ERROR_SUCCESS) return error;
  host = r.Host;
  return ERROR_SUCCESS;
}

DWORD TSimFiles::FactsOf(const TResolved& r, TFileFacts& facts) const {
  if (!r.Exists) return ERROR_FILE_NOT_FOUND;
  facts.Attributes = AttributesOf(-1, r.Host, r.St, r.Volume.Kind);
  facts.LastWrite = LastWriteOf(-1, r.Host, r.St);
  facts.Size = S_ISDIR(r.St.st_mode) ? 0 : static_cast<uint64_t>(r.St.st_size);
  return ERROR_SUCCESS;
}

DWORD TSimFiles::Facts(const AnsiString& path, TFileFacts& facts) {
  TResolved r;
  if (DWORD error = Resolve(path, r); error != ERROR_SUCCESS) return error;
  return FactsOf(r, facts);
}

DWORD TSimFiles::Attributes(const AnsiString& path, DWORD& attributes) {
  TFileFacts facts;
  if (DWORD error = Facts(path, facts); error != ERROR_SUCCESS) return error;
  attributes = facts.Attributes;
  return ERROR_SUCCESS;
}

void TSimFiles::StoreAttributes(int fd, const std::string& host, const struct stat& st, TDriveKind kind,
                                DWORD attributes) const {
  // Written only when what is read back would change.
  const DWORD kept = attributes & kKeptAttributes;
  if (StoredAttributes(fd, host, st, kind) != kept) {
    const std::string text = std::to_string(kept);
    if (fd >= 0)
      ::fsetxattr(fd, kAttrXattr, text.data(), text.size(), 0);
    else
      ::setxattr(host.c_str(), kAttrXattr, text.data(), text.size(), 0);
  }
  // Read-only also shows on the host (folders stay writable: on Windows the
  // flag does not protect a folder's contents).
  if (!S_ISREG(st.st_mode)) return;
  const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (st.st_mode & ~0222) : (st.st_mode | S_IWUSR);
  if (mode != st.st_mode) {
    if (fd >= 0)
      ::fchmod(fd, mode & 07777);
    else
      ::chmod(host.c_str(), mode & 07777);
  }
}

DWORD TSimFiles::SetAttributes(const AnsiString& path, DWORD attributes) {
  TResolved r;
  if (DWORD error = Resolve(path, r); error != ERROR_SUCCESS) return error;
  if (!r.Exists) return ERROR_FILE_NOT_FOUND;
  if (r.Volume.Kind == dkCdRom) return ERROR_ACCESS_DENIED;
  StoreAttributes(-1, r.Host, r.St, r.Volume.Kind, attributes);
  return ERROR_SUCCESS;
}

DWORD TSimFiles::CreateDirectory(const AnsiString& path) {
  TResolved r;
  if (DWORD error = Resolve(path, r); error != ERROR_SUCCESS) return error;
  if (r.Win.IsRoot() || r.Volume.Kind == dkCdRom) return ERROR_ACCESS_DENIED;
  if (r.Exists) return ERROR_ALREADY_EXISTS;
  if (::mkdir(r.Host.c_str(), 0755) != 0) return errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(errno);
  return ERROR_SUCCESS;
}

DWORD TSimFiles::ForceDirectories(const AnsiString& path) {
  TWinPath full;
  if (DWORD error = FullPath(path, full); error != ERROR_SUCCESS) return error;
  TWinPath step{full.Drive, {}, false};
  for (const AnsiString& part : full.Parts) {
    step.Parts.push_back(part);
    const DWORD error = CreateDirectory(step.Text());
    if (error != ERROR_SUCCESS && error != ERROR_ALREADY_EXISTS) return error;
  }
  DWORD attributes;
  if (DWORD error = Attributes(full.Text(), attributes); error != ERROR_SUCCESS) return error;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
}

bool TSimFiles::UnderCurrentDirectory(const TWinPath& dir) const {
  const TWinPath current = FCurrent.Of(dir.Drive);
  if (current.Parts.size() < dir.Parts.size()) return false;
  for (std::size_t i = 0; i < dir.Parts.size(); ++i)
    if (!SameName(current.Parts[i], dir.Parts[i])) return false;
  return true;
}

DWORD TSimFiles::RemoveDirectory(const AnsiString& path) {
  TResolved r;
  if (DWORD error = Resolve(path, r); error != ERROR_SUCCESS) return error;
  if (!r.Exists) return ERROR_FILE_NOT_FOUND;
  if (!S_ISDIR(r.St.st_mode)) return ERROR_DIRECTORY;
  if (r.Win.IsRoot() || r.Volume.Kind == dkCdRom) return ERROR_ACCESS_DENIED;
  if (AttributesOf(-1, r.Host, r.St, r.Volume.Kind) & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  // A process's current folder is in use.
  if (UnderCurrentDirectory(r.Win)) return ERROR_SHARING_VIOLATION;
  if (::rmdir(r.Host.c_str()) != 0) return errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(errno);
  return ERROR_SUCCESS;
}

bool TSimFiles::OpenWithoutShareDelete(dev_t dev, ino_t ino) const {
  for (const auto& [handle, f] : FFiles)
    if (f.Dev == dev && f.Ino == ino && !(f.Share & FILE_SHARE_DELETE)) return true;
  return false;
}

DWORD TSimFiles::DeleteFile(const AnsiString& path) {
  TResolved r;
  if (DWORD error = Resolve(path, r); error != ERROR_SUCCESS) return error;
  if (!r.Exists) return ERROR_FILE_NOT_FOUND;
  if (S_ISDIR(r.St.st_mode) || r.Volume.Kind == dkCdRom) return ERROR_ACCESS_DENIED;
  if (AttributesOf(-1, r.Host, r.St, r.Volume.Kind) & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  if (OpenWithoutShareDelete(r.St.st_dev, r.St.st_ino)) return ERROR_SHARING_VIOLATION;
  if (::unlink(r.Host.c_str()) != 0) return ErrorFromErrno(errno);
  Forget(r.Volume);
  return ERROR_SUCCESS;
}

DWORD TSimFiles::MoveFile(const AnsiString& from, const AnsiString& to) {
  TResolved src, dst;
  if (DWORD error = Resolve(from, src); error != ERROR_SUCCESS) return error;
  if (!src.Exists) return ERROR_FILE_NOT_FOUND;
  if (DWORD error = Resolve(to, dst); error != ERROR_SUCCESS) return error;
  // A new case of the same name is a rename; anything else already there stops it.
  const bool sameEntry = dst.Exists && dst.St.st_dev == src.St.st_dev && dst.St.st_ino == src.St.st_ino;
  if (dst.Exists && !sameEntry) return ERROR_ALREADY_EXISTS;
  if (src.Win.IsRoot() || dst.Win.IsRoot() || src.Volume.Kind == dkCdRom || dst.Volume.Kind == dkCdRom)
    return ERROR_ACCESS_DENIED;
  if (OpenWithoutShareDelete(src.St.st_dev, src.St.st_ino)) return ERROR_SHARING_VIOLATION;
  const bool isDir = S_ISDIR(src.St.st_mode);
  if (sameEntry) {
    const std::string target = JoinHost(dst.Host.substr(0, dst.Host.rfind('/')), rtl::Utf8FromAnsi(dst.Win.Parts.back()));
    return ::rename(src.Host.c_str(), target.c_str()) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
  }
  if (src.Volume.Root != dst.Volume.Root) {
    // Folders stay on their volume; files are copied over.
    if (isDir) return ERROR_NOT_SAME_DEVICE;
    if (Limited(dst.Volume) &&
        Used(dst.Volume) + RoundUp(static_cast<uint64_t>(src.St.st_size), dst.Volume.Config.ClusterSize) >
            Capacity(dst.Volume))
      return ERROR_DISK_FULL;
  }
  if (isDir && UnderCurrentDirectory(src.Win)) return ERROR_SHARING_VIOLATION;
  if (::rename(src.Host.c_str(), dst.Host.c_str()) != 0) {
    if (errno != EXDEV) return errno == EINVAL ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno);
    if (!CopyHostFile(src.Host, dst.Host)) return ERROR_ACCESS_DENIED;
    ::unlink(src.Host.c_str());
  }
  Forget(src.Volume);
  Forget(dst.Volume);
  return ERROR_SUCCESS;
}

DWORD TSimFiles::SetCurrentDirectory(const AnsiString& path) {
  TResolved r;
  if (DWORD error = Resolve(path, r); error != ERROR_SUCCESS) return error;
  if (!r.Exists) return ERROR_FILE_NOT_FOUND;
  if (!S_ISDIR(r.St.st_mode)) return ERROR_DIRECTORY;
  FCurrent.Set(r.Win);
  return ERROR_SUCCESS;
}

// ---- handles -------------------------------------------------------------------

DWORD TSimFiles::SharingAllows(dev_t dev, ino_t ino, DWORD access, DWORD share) const {
  // A handle without data access takes no part in sharing, either way.
  constexpr DWORD kData = GENERIC_READ | GENERIC_WRITE;
  if (!(access & kData)) return ERROR_SUCCESS;
  for (const auto& [handle, f] : FFiles) {
    if (f.Dev != dev || f.Ino != ino || !(f.Access & kData)) continue;
    if (((access & GENERIC_READ) && !(f.Share & FILE_SHARE_READ)) ||
        ((access & GENERIC_WRITE) && !(f.Share & FILE_SHARE_WRITE)) ||
        ((f.Access & GENERIC_READ) && !(share & FILE_SHARE_READ)) ||
        ((f.Access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)))
      return ERROR_SHARING_VIOLATION;
  }
  return ERROR_SUCCESS;
}

DWORD TSimFiles::CreateFile(const AnsiString& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                            HANDLE& handle, bool& existed) {
  handle = INVALID_HANDLE_VALUE;
  existed = false;
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return ERROR_INVALID_PARAMETER;
  TResolved r;
  if (DWORD error = Resolve(path, r); error != ERROR_SUCCESS) return error;
  existed = r.Exists;
  if (r.Win.IsRoot() || (r.Exists && S_ISDIR(r.St.st_mode))) return ERROR_ACCESS_DENIED;
  if (r.Win.TrailingSeparator) return ERROR_INVALID_NAME;

  const bool writes = access & GENERIC_WRITE;
  const bool create = !r.Exists && disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
  const bool truncate = r.Exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
  if (r.Exists && disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
  if (!r.Exists && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) return ERROR_FILE_NOT_FOUND;
  if (disposition == TRUNCATE_EXISTING && !writes) return ERROR_INVALID_PARAMETER;
  if (r.Volume.Kind == dkCdRom && (writes || create || truncate)) return ERROR_ACCESS_DENIED;

  DWORD attributes = (flags & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
  if (r.Exists) {
    const DWORD old = AttributesOf(-1, r.Host, r.St, r.Volume.Kind);
    if ((old & FILE_ATTRIBUTE_READONLY) && (writes || truncate)) return ERROR_ACCESS_DENIED;
    // Overwriting a hidden or system file must name the same attribute.
    if (disposition == CREATE_ALWAYS && (((old & FILE_ATTRIBUTE_HIDDEN) && !(flags & FILE_ATTRIBUTE_HIDDEN)) ||
                                         ((old & FILE_ATTRIBUTE_SYSTEM) && !(flags & FILE_ATTRIBUTE_SYSTEM))))
      return ERROR_ACCESS_DENIED;
    if (DWORD error = SharingAllows(r.St.st_dev, r.St.st_ino, access, share); error != ERROR_SUCCESS) return error;
  }

  int mode = writes || create || truncate ? O_RDWR : O_RDONLY;
  if (create) mode |= O_CREAT | O_EXCL;
  if (truncate) mode |= O_TRUNC;
  if (BeforeOpen) BeforeOpen();
  const int fd = OpenResolved(r, mode);
  if (fd < 0) return ErrorFromErrno(errno);
  struct stat st;
  ::fstat(fd, &st);
  // A new or overwritten file gets the attributes asked and the archive flag;
  // TRUNCATE_EXISTING keeps what the file had.
  if ((create && attributes != FILE_ATTRIBUTE_ARCHIVE) || (truncate && disposition == CREATE_ALWAYS))
    StoreAttributes(fd, r.Host, st, r.Volume.Kind, attributes);
  if (truncate) Forget(r.Volume);
  handle = NewHandle();
  TOpenFile& f = FFiles[handle];
  f.Fd = fd;
  f.Dev = st.st_dev;
  f.Ino = st.st_ino;
  f.Access = access;
  f.Share = share;
  f.Host = r.Host;
  f.Volume = r.Volume;
  return ERROR_SUCCESS;
}

int64_t TSimFiles::PositionOf(TOpenFile& f) {
  if (f.Position < 0) f.Position = ::lseek(f.Fd, 0, SEEK_CUR);
  return f.Position;
}

DWORD TSimFiles::Read(HANDLE h, void* buffer, DWORD count, DWORD& read) {
  read = 0;
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  TOpenFile& f = it->second;
  if (!(f.Access & GENERIC_READ)) return ERROR_ACCESS_DENIED;
  auto* p = static_cast<char*>(buffer);
  while (read < count) {
    const ssize_t n = ::read(f.Fd, p + read, count - read);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      f.Position = -1;
      return ErrorFromErrno(errno);
    }
    if (n == 0) break;
    read += static_cast<DWORD>(n);
  }
  if (f.Position >= 0) f.Position += read;
  return ERROR_SUCCESS;
}

bool TSimFiles::Limited(const TVolume& volume) const {
  return volume.Kind != dkCdRom && volume.Config.Size != kRealSize;
}

uint64_t TSimFiles::Capacity(const TVolume& volume) const {
  const TVolumeConfig& c = volume.Config;
  return static_cast<uint64_t>(c.Free == kRealSize ? c.Size : c.Free);
}

uint64_t TSimFiles::Used(const TVolume& volume) {
  auto it = FUsed.find(volume.Root);
  if (it != FUsed.end()) return it->second;
  const uint64_t used = FolderBytes(volume.Root, volume.Config.ClusterSize);
  FUsed[volume.Root] = used;
  return used;
}

DWORD TSimFiles::Grow(TOpenFile& f, uint64_t oldSize, uint64_t newSize) {
  if (!Limited(f.Volume) || newSize <= oldSize) return ERROR_SUCCESS;
  const uint64_t cluster = f.Volume.Config.ClusterSize;
  const uint64_t more = RoundUp(newSize, cluster) - RoundUp(oldSize, cluster);
  const uint64_t used = Used(f.Volume);
  if (used + more > Capacity(f.Volume)) return ERROR_DISK_FULL;
  FUsed[f.Volume.Root] = used + more;
  return ERROR_SUCCESS;
}

DWORD TSimFiles::Write(HANDLE h, const void* buffer, DWORD count, DWORD& written) {
  written = 0;
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  TOpenFile& f = it->second;
  if (!(f.Access & GENERIC_WRITE)) return ERROR_ACCESS_DENIED;
  if (count == 0) return ERROR_SUCCESS;
  // Only a volume of limited size counts what the write adds.
  if (Limited(f.Volume)) {
    struct stat st;
    const int64_t position = PositionOf(f);
    if (position < 0 || ::fstat(f.Fd, &st) != 0) return ErrorFromErrno(errno);
    const uint64_t end = static_cast<uint64_t>(position) + count;
    if (DWORD error = Grow(f, static_cast<uint64_t>(st.st_size), end); error != ERROR_SUCCESS) return error;
  }
  const auto* p = static_cast<const char*>(buffer);
  while (written < count) {
    const ssize_t n = ::write(f.Fd, p + written, count - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      f.Position = -1;
      Forget(f.Volume);
      return ErrorFromErrno(errno);
    }
    written += static_cast<DWORD>(n);
  }
  if (f.Position >= 0) f.Position += written;
  return ERROR_SUCCESS;
}

DWORD TSimFiles::Seek(HANDLE h, int64_t distance, DWORD method, int64_t& position) {
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  TOpenFile& f = it->second;
  int64_t base;
  struct stat st;
  switch (method) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = PositionOf(f); break;
    case FILE_END:
      if (::fstat(f.Fd, &st) != 0) return ErrorFromErrno(errno);
      base = st.st_size;
      break;
    default: return ERROR_INVALID_PARAMETER;
  }
  if ((distance < 0 && base + distance < 0) || (distance > 0 && base > INT64_MAX - distance))
    return ERROR_NEGATIVE_SEEK;
  // Asking where the handle stands, or moving to where it is, needs no call.
  if (base + distance != f.Position) {
    if (::lseek(f.Fd, base + distance, SEEK_SET) < 0) return ERROR_INVALID_PARAMETER;
    f.Position = base + distance;
  }
  position = base + distance;
  return ERROR_SUCCESS;
}

DWORD TSimFiles::Size(HANDLE h, int64_t& size) {
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  struct stat st;
  if (::fstat(it->second.Fd, &st) != 0) return ErrorFromErrno(errno);
  size = st.st_size;
  return ERROR_SUCCESS;
}

DWORD TSimFiles::FlushFileBuffers(HANDLE h) {
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  return ::fsync(it->second.Fd) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

DWORD TSimFiles::SetEndOfFile(HANDLE h) {
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  TOpenFile& f = it->second;
  if (!(f.Access & GENERIC_WRITE)) return ERROR_ACCESS_DENIED;
  struct stat st;
  const int64_t position = PositionOf(f);
  if (position < 0 || ::fstat(f.Fd, &st) != 0) return ErrorFromErrno(errno);
  if (DWORD error = Grow(f, static_cast<uint64_t>(st.st_size), static_cast<uint64_t>(position));
      error != ERROR_SUCCESS)
    return error;
  if (::ftruncate(f.Fd, position) != 0) return ErrorFromErrno(errno);
  if (position < st.st_size) Forget(f.Volume);
  return ERROR_SUCCESS;
}

DWORD TSimFiles::GetTime(HANDLE h, FILETIME& lastWrite) {
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  struct stat st;
  if (::fstat(it->second.Fd, &st) != 0) return ErrorFromErrno(errno);
  lastWrite = LastWriteOf(it->second.Fd, it->second.Host, st);
  return ERROR_SUCCESS;
}

DWORD TSimFiles::SetTime(HANDLE h, FILETIME lastWrite) {
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  TOpenFile& f = it->second;
  if (!(f.Access & GENERIC_WRITE)) return ERROR_ACCESS_DENIED;
  f.HostTime = StoreLastWrite(f.Fd, lastWrite);
  // Once set, later writes through this handle do not move the time.
  f.TimeSet = true;
  f.LastWrite = lastWrite;
  return ERROR_SUCCESS;
}

DWORD TSimFiles::Close(HANDLE h) {
  if (FFinds.erase(h)) return ERROR_SUCCESS;
  auto it = FFiles.find(h);
  if (it == FFiles.end()) return ERROR_INVALID_HANDLE;
  if (TOpenFile& f = it->second; f.TimeSet) {
    // Stored again only when something moved the host mtime since.
    struct stat st;
    if (::fstat(f.Fd, &st) != 0 || st.st_mtim.tv_sec != f.HostTime.tv_sec || st.st_mtim.tv_nsec != f.HostTime.tv_nsec)
      StoreLastWrite(f.Fd, f.LastWrite);
  }
  ::close(it->second.Fd);
  FFiles.erase(it);
  return ERROR_SUCCESS;
}

WIN32_FIND_DATAA TSimFiles::FindData(const AnsiString& name, const std::string& host, const TVolume& volume) const {
  WIN32_FIND_DATAA data;
  data.cFileName = name;
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return data;
  data.dwFileAttributes = AttributesOf(-1, host, st, volume.Kind);
  data.ftLastWriteTime = LastWriteOf(-1, host, st);
  data.ftCreationTime = data.ftLastAccessTime = data.ftLastWriteTime;
  data.nFileSize = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  return data;
}

DWORD TSimFiles::FindFirst(const AnsiString& pattern, HANDLE& handle, WIN32_FIND_DATAA& data) {
  handle = INVALID_HANDLE_VALUE;
  TWinPath win;
  if (DWORD error = FullPath(pattern, win, wcInLastPart); error != ERROR_SUCCESS) return error;
  if (win.IsRoot() || win.TrailingSeparator) return ERROR_FILE_NOT_FOUND;
  TResolved dir;
  if (DWORD error = ResolveParsed(win.Parent(), dir); error != ERROR_SUCCESS) return error;
  if (!dir.Exists || !S_ISDIR(dir.St.st_mode)) return ERROR_PATH_NOT_FOUND;

  const AnsiString& mask = win.Parts.back();
  TFind find;
  if (!HasWildcards(mask)) {
    bool kept = true;
    const std::optional<TFolderNames::TEntry> child = FNames.Child(dir.Host, dir.St, mask, true, kept);
    if (!child) return ERROR_FILE_NOT_FOUND;
    const std::string host = JoinHost(dir.Host, child->Name);
    if (child->Stat && S_ISLNK(child->St.st_mode) && !Inside(dir.Volume, host)) return ERROR_FILE_NOT_FOUND;
    find.Entries.push_back(FindData(rtl::AnsiFromUtf8(child->Name), host, dir.Volume));
  } else {
    // Folders other than the root list themselves and their parent first.
    if (!dir.Win.IsRoot()) {
      if (MatchesPattern(mask, ".")) find.Entries.push_back(FindData(".", dir.Host, dir.Volume));
      if (MatchesPattern(mask, "..")) find.Entries.push_back(FindData("..", dir.Host + "/..", dir.Volume));
    }
    const std::size_t dots = find.Entries.size();
    if (DIR* d = ::opendir(dir.Host.c_str())) {
      while (const dirent* e = ::readdir(d)) {
        const std::string_view entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        const AnsiString name = rtl::AnsiFromUtf8(entry);
        if (name.find('\\') != AnsiString::npos || !MatchesPattern(mask, name)) continue;
        const std::string host = JoinHost(dir.Host, entry);
        if (e->d_type == DT_LNK && !Inside(dir.Volume, host)) continue;
        find.Entries.push_back(FindData(name, host, dir.Volume));
      }
      ::closedir(d);
    }
    std::sort(find.Entries.begin() + static_cast<std::ptrdiff_t>(dots), find.Entries.end(),
              [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
                return FoldCase(a.cFileName) < FoldCase(b.cFileName);
              });
  }
  if (find.Entries.empty()) return ERROR_FILE_NOT_FOUND;
  data = find.Entries[0];
  find.Next = 1;
  handle = NewHandle();
  FFinds[handle] = std::move(find);
  return ERROR_SUCCESS;
}

DWORD TSimFiles::FindNext(HANDLE h, WIN32_FIND_DATAA& data) {
  auto it = FFinds.find(h);
  if (it == FFinds.end()) return ERROR_INVALID_HANDLE;
  if (it->second.Next >= it->second.Entries.size()) return ERROR_NO_MORE_FILES;
  data = it->second.Entries[it->second.Next++];
  return ERROR_SUCCESS;
}

DWORD TSimFiles::ReadWhole(const AnsiString& path, std::string& content) {
  HANDLE h;
  bool existed;
  if (DWORD error = CreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0, h, existed);
      error != ERROR_SUCCESS)
    return error;
  content.clear();
  char buffer[65536];
  DWORD read;
  DWORD error;
  while ((error = Read(h, buffer, sizeof buffer, read)) == ERROR_SUCCESS && read > 0) content.append(buffer, read);
  Close(h);
  return error;
}

DWORD TSimFiles::WriteWhole(const AnsiString& path, const void* data, std::size_t size) {
  HANDLE h;
  bool existed;
  if (DWORD error = CreateFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, h, existed);
      error != ERROR_SUCCESS)
    return error;
  DWORD written;
  const DWORD error = Write(h, data, static_cast<DWORD>(size), written);
  Close(h);
  return error;
}

// ---- drives ----------------------------------------------------------------------

UINT TSimFiles::DriveType(const AnsiString& rootPath) const {
  char letter = FCurrent.Drive;
  if (!rootPath.empty()) {
    // A root: "C:" or "C:\".
    const bool root = rootPath.size() >= 2 && rootPath[1] == ':' &&
                      (rootPath.size() == 2 || (rootPath.size() == 3 && (rootPath[2] == '\\' || rootPath[2] == '/')));
    if (!root) return DRIVE_NO_ROOT_DIR;
    letter = rtl::UpperCase(rootPath.substr(0, 1))[0];
  }
  const TDriveConfig* drive = FConfig.Drive(letter);
  if (!drive) return DRIVE_NO_ROOT_DIR;
  switch (drive->Kind) {
    case dkFixed: return DRIVE_FIXED;
    case dkRemovable: return DRIVE_REMOVABLE;
    case dkCdRom: return DRIVE_CDROM;
    case dkNetwork: return DRIVE_REMOTE;
    case dkMissing: break;
  }
  return DRIVE_NO_ROOT_DIR;
}

DWORD TSimFiles::VolumeInformation(const AnsiString& rootPath, TVolume& volume) {
  if (rootPath.empty()) return VolumeOf(FCurrent.Drive, volume);
  // The root with its backslash, as Windows wants it.
  if (rootPath.size() != 3 || rootPath[1] != ':' || (rootPath[2] != '\\' && rootPath[2] != '/'))
    return ERROR_INVALID_NAME;
  const char letter = rtl::UpperCase(rootPath.substr(0, 1))[0];
  if (letter < 'A' || letter > 'Z') return ERROR_INVALID_NAME;
  return VolumeOf(letter, volume);
}

DWORD TSimFiles::Space(const AnsiString& path, uint64_t& total, uint64_t& free, DWORD& clusterSize) {
  char letter = FCurrent.Drive;
  if (!path.empty()) {
    TWinPath win;
    if (DWORD error = FullPath(path, win); error != ERROR_SUCCESS) return error;
    letter = win.Drive;
  }
  TVolume volume;
  if (DWORD error = VolumeOf(letter, volume); error != ERROR_SUCCESS) return error;
  const TVolumeConfig& c = volume.Config;
  clusterSize = c.ClusterSize;
  // An explicit question counts the files again, so other processes' files show.
  Forget(volume);
  if (volume.Kind == dkCdRom) {
    total = Used(volume);
    free = 0;
  } else if (c.Size == kRealSize) {
    struct statvfs vfs;
    if (::statvfs(volume.Root.c_str(), &vfs) != 0) return ERROR_NOT_READY;
    total = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    free = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  } else {
    total = static_cast<uint64_t>(c.Size);
    const uint64_t used = Used(volume), capacity = Capacity(volume);
    free = used >= capacity ? 0 : capacity - used;
  }
  return ERROR_SUCCESS;
}

}  // namespace platform::sim
