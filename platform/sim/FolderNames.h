#pragma once
// The entries of host folders, for walking Windows paths without regard to
// case.
//
// A Windows name that is not found with its own bytes must be compared with
// every entry of its folder, and a path of many levels costs a look at the
// host for each level. TFolderNames keeps the folded names of the folders it
// has walked, and what it learned of their subfolders, current with inotify:
// Sync reads the events of every change made until that moment, by this
// process or another, so the answers after it are as fresh as a look at the
// host made then. Listings are found by device and inode, so a folder renamed
// or replaced is never answered for with another's names; a subfolder is
// remembered by the listing of its parent, which forgets it at any event that
// names it (made, removed, moved away, something moved over it).
// A folder passed through only a few times is looked at each time instead.
// Without inotify (or past its limits) each call looks at the host.

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "rtl/AnsiString.h"

namespace platform::sim {

class TFolderNames {
 public:
  struct TEntry {
    std::string Name;   // host name
    struct stat St {};  // its lstat
    bool Stat = false;  // false: the entry went away before the lstat
  };

  TFolderNames() = default;
  TFolderNames(const TFolderNames&) = delete;
  TFolderNames& operator=(const TFolderNames&) = delete;
  ~TFolderNames();

  // Reads every change made until now; the answers until the next call are as of this moment.
  void Sync();
  // The entry of the Windows name `name` in the folder `dir`, whose stat
  // (made after the last Sync, or known from a kept answer) is `dirStat`: the
  // same bytes in UTF-8 when they exist, else the first entry equal without
  // regard to case; nothing when there is none. With `fresh` the entry's stat
  // is made now; else a folder's may be the one made when it was first seen,
  // good for its kind and identity only. `kept` is cleared when the answer
  // did not come from a watched listing.
  std::optional<TEntry> Child(const std::string& dir, const struct stat& dirStat, const rtl::AnsiString& name,
                              bool fresh, bool& kept);
  // Moves on whenever something that was known is forgotten: the answers
  // kept at one value all still hold while it has not moved.
  uint64_t Generation() const { return FGeneration; }

 private:
  struct TListing {
    int Watch = -1;
    uint64_t Used = 0;  // when last asked, for dropping the least used
    // Folded name -> host names that fold to it, the first found first.
    std::unordered_map<rtl::AnsiString, std::vector<std::string>> Names;
    // Folded name -> the subfolder it was found to be (lstat'd after the watch was set).
    std::unordered_map<rtl::AnsiString, TEntry> Folders;
  };
  using TKey = std::pair<dev_t, ino_t>;

  // The listing of a folder; a new one only when the folder has been passed
  // through often, or `now`. Nothing without inotify.
  TListing* Listing(const std::string& dir, const struct stat& st, bool now);
  bool Ready();
  void ReadEvents();
  TListing* List(const std::string& dir, const struct stat& st);
  void Drop(std::map<TKey, TListing>::iterator it, bool removeWatch);
  void DropAll();
  static void Add(TListing& listing, const std::string& entry);
  void Remove(TListing& listing, const std::string& entry);
  void Forget(TListing& listing, const std::string& entry);

  int FInotify = -1;
  bool FFailed = false;  // no inotify here: look at the host every time
  uint64_t FClock = 0;
  uint64_t FGeneration = 1;
  std::map<TKey, TListing> FListings;
  std::map<int, TKey> FWatches;  // watch descriptor -> listing
  std::map<TKey, int> FWalks;    // folders not listed: how often passed through
};

}  // namespace platform::sim
