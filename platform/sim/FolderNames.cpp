// The entries of host folders, kept current with inotify.

#include "platform/sim/FolderNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

#include "platform/sim/HostFiles.h"
#include "platform/sim/WinPath.h"
#include "rtl/SysUtils.h"

namespace platform::sim {

namespace {

constexpr std::size_t kMaxListings = 64;
constexpr int kWalksBeforeListing = 8;
constexpr std::size_t kMaxWalked = 4096;
constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

bool IsAscii(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The Windows name of a host entry, folded.
rtl::AnsiString Folded(std::string_view entry) {
  return FoldCase(IsAscii(entry) ? rtl::AnsiString(entry) : rtl::AnsiFromUtf8(entry));
}

bool IsDots(std::string_view entry) { return entry == "." || entry == ".."; }

// The first entry of `dir` equal to `name` without regard to case.
std::optional<std::string> Scan(const std::string& dir, const rtl::AnsiString& name) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::nullopt;
  const rtl::AnsiString wanted = FoldCase(name);
  std::optional<std::string> found;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view entry = e->d_name;
    // UTF-8 never has fewer bytes than the Windows-1252 name it stands for.
    if (IsDots(entry) || entry.size() < name.size()) continue;
    if (Folded(entry) == wanted) {
      found = std::string(entry);
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

// Closing an inotify descriptor that still has watches waits for the kernel
// to retire them, some ten milliseconds at every exit of a short program;
// removed one by one first, and given a moment, they are retired meanwhile.
TFolderNames::~TFolderNames() {
  if (FInotify < 0) return;
  if (!FWatches.empty()) {
    for (const auto& [watch, key] : FWatches) ::inotify_rm_watch(FInotify, watch);
    std::this_thread::sleep_for(std::chrono::microseconds(1));
  }
  ::close(FInotify);
}

void TFolderNames::Sync() {
  if (FInotify >= 0) ReadEvents();
}

TFolderNames::TListing* TFolderNames::Listing(const std::string& dir, const struct stat& st, bool now) {
  if (!S_ISDIR(st.st_mode)) return nullptr;
  const TKey key{st.st_dev, st.st_ino};
  if (const auto it = FListings.find(key); it != FListings.end()) return &it->second;
  // A folder passed through now and then is looked at each time: a watch
  // costs more to set up and to take down than a few looks.
  if (!now) {
    if (FWalks.size() >= kMaxWalked) FWalks.clear();
    if (++FWalks[key] < kWalksBeforeListing) return nullptr;
  }
  return Ready() ? List(dir, st) : nullptr;
}

std::optional<TFolderNames::TEntry> TFolderNames::Child(const std::string& dir, const struct stat& dirStat,
                                                        const rtl::AnsiString& name, bool fresh, bool& kept) {
  const std::string own = rtl::Utf8FromAnsi(name);
  TListing* listing = Listing(dir, dirStat, false);
  if (!listing) {
    TEntry entry;
    entry.Name = own;
    entry.Stat = ::lstat(JoinHost(dir, own).c_str(), &entry.St) == 0;
    if (entry.Stat) {
      kept = false;
      return entry;
    }
    // Not there with its own bytes: every entry must be compared, and the
    // folder is listed (and kept listed) for that.
    listing = Listing(dir, dirStat, true);
    if (!listing) {
      kept = false;
      std::optional<std::string> found = Scan(dir, name);
      if (!found) return std::nullopt;
      entry.Name = std::move(*found);
      entry.Stat = ::lstat(JoinHost(dir, entry.Name).c_str(), &entry.St) == 0;
      return entry;
    }
  }
  listing->Used = ++FClock;
  const rtl::AnsiString folded = FoldCase(name);
  const auto names = listing->Names.find(folded);
  if (names == listing->Names.end()) return std::nullopt;
  const std::vector<std::string>& hosts = names->second;
  TEntry entry;
  entry.Name = std::find(hosts.begin(), hosts.end(), own) != hosts.end() ? own : hosts.front();
  if (!fresh) {
    const auto known = listing->Folders.find(folded);
    if (known != listing->Folders.end() && known->second.Name == entry.Name) return known->second;
  }
  entry.Stat = ::lstat(JoinHost(dir, entry.Name).c_str(), &entry.St) == 0;
  // A folder, not a link to one: what it is stays true until an event names it.
  if (entry.Stat && S_ISDIR(entry.St.st_mode)) listing->Folders[folded] = entry;
  return entry;
}

bool TFolderNames::Ready() {
  if (FInotify >= 0) return true;
  if (FFailed) return false;
  FInotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  FFailed = FInotify < 0;
  return !FFailed;
}

void TFolderNames::ReadEvents() {
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(FInotify, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // EAGAIN: nothing more
    // Room left for the longest event: the queue was empty after this read.
    const bool drained = sizeof buffer - static_cast<std::size_t>(n) >= sizeof(inotify_event) + NAME_MAX + 1;
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      if (e->mask & IN_Q_OVERFLOW) {
        DropAll();  // events were lost: nothing listed can be trusted
        return;
      }
      const auto watch = FWatches.find(e->wd);
      if (watch == FWatches.end()) continue;
      const auto it = FListings.find(watch->second);
      if (it == FListings.end()) continue;
      if (e->mask & (IN_IGNORED | IN_DELETE_SELF | IN_UNMOUNT)) {
        Drop(it, !(e->mask & IN_IGNORED));
        continue;
      }
      if (e->len == 0) continue;
      const std::string entry = e->name;  // NUL-padded
      if (e->mask & (IN_CREATE | IN_MOVED_TO)) Add(it->second, entry);
      if (e->mask & (IN_DELETE | IN_MOVED_FROM)) Remove(it->second, entry);
      Forget(it->second, entry);
    }
    if (drained) return;
  }
}

TFolderNames::TListing* TFolderNames::List(const std::string& dir, const struct stat& st) {
  const TKey key{st.st_dev, st.st_ino};
  if (const auto it = FListings.find(key); it != FListings.end()) return &it->second;

  if (FListings.size() >= kMaxListings) {
    auto oldest = FListings.begin();
    for (auto it = FListings.begin(); it != FListings.end(); ++it)
      if (it->second.Used < oldest->second.Used) oldest = it;
    Drop(oldest, true);
  }
  // Watched first, listed after: a change in between shows in the listing,
  // as an event, or both, and adding or removing a name twice changes nothing.
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat opened;
  const int watch = ::fstat(fd, &opened) == 0 && opened.st_dev == st.st_dev && opened.st_ino == st.st_ino
                        ? ::inotify_add_watch(FInotify, dir.c_str(), kEvents)
                        : -1;
  struct stat again;
  // The watch went on whatever the path named at that moment: it must still be this folder.
  if (watch < 0 || ::stat(dir.c_str(), &again) != 0 || again.st_dev != st.st_dev || again.st_ino != st.st_ino ||
      FWatches.count(watch)) {
    if (watch >= 0 && !FWatches.count(watch)) ::inotify_rm_watch(FInotify, watch);
    ::close(fd);
    return nullptr;
  }
  DIR* d = ::fdopendir(fd);
  if (!d) {
    ::inotify_rm_watch(FInotify, watch);
    ::close(fd);
    return nullptr;
  }
  TListing listing;
  listing.Watch = watch;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view entry = e->d_name;
    if (!IsDots(entry)) Add(listing, std::string(entry));
  }
  ::closedir(d);
  FWatches[watch] = key;
  return &FListings.emplace(key, std::move(listing)).first->second;
}

void TFolderNames::Drop(std::map<TKey, TListing>::iterator it, bool removeWatch) {
  ++FGeneration;
  if (removeWatch) ::inotify_rm_watch(FInotify, it->second.Watch);
  FWatches.erase(it->second.Watch);
  FListings.erase(it);
}

void TFolderNames::DropAll() {
  // A new descriptor: no event of the old watches can arrive after this.
  ::close(FInotify);
  FInotify = -1;
  ++FGeneration;
  FListings.clear();
  FWatches.clear();
  Ready();
}

void TFolderNames::Add(TListing& listing, const std::string& entry) {
  std::vector<std::string>& names = listing.Names[Folded(entry)];
  if (std::find(names.begin(), names.end(), entry) == names.end()) names.push_back(entry);
}

void TFolderNames::Forget(TListing& listing, const std::string& entry) {
  if (listing.Folders.erase(Folded(entry))) ++FGeneration;
}

void TFolderNames::Remove(TListing& listing, const std::string& entry) {
  const auto it = listing.Names.find(Folded(entry));
  if (it == listing.Names.end()) return;
  std::erase(it->second, entry);
  if (it->second.empty()) listing.Names.erase(it);
}

}  // namespace platform::sim
