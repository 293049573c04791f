#pragma once
// The names of host folders, folded for lookups without regard to case.
//
// A Windows name that is not found with its own bytes must be compared with
// every entry of its folder; in a folder of many files that scan costs more
// than the rest of making a file. TFolderNames keeps the folded names of the
// folders it has listed and keeps them current with inotify: the events of
// every change, by this process or another, are read before each answer, so
// an answer is as fresh as a scan made at that moment. Listings are found by
// device and inode, which a stat of the folder's path gives at each call:
// a folder renamed or replaced is never answered for with another's names.
// Without inotify (or past its limits) each call scans the folder.

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
  TFolderNames() = default;
  TFolderNames(const TFolderNames&) = delete;
  TFolderNames& operator=(const TFolderNames&) = delete;
  ~TFolderNames();

  // The host name of the first entry of `dir` equal to `name` without regard
  // to case; nothing when there is none or the folder cannot be read.
  // `dirStat`, when given, is a stat of `dir` made just before the call.
  std::optional<std::string> Find(const std::string& dir, const rtl::AnsiString& name,
                                  const struct stat* dirStat = nullptr);

 private:
  struct TListing {
    int Watch = -1;
    uint64_t Used = 0;  // when last asked, for dropping the least used
    // Folded name -> host names that fold to it, the first found first.
    std::unordered_map<rtl::AnsiString, std::vector<std::string>> Names;
  };
  using TKey = std::pair<dev_t, ino_t>;

  static std::optional<std::string> Scan(const std::string& dir, const rtl::AnsiString& name);
  bool Ready();
  void ReadEvents();
  TListing* List(const std::string& dir, const struct stat& st);
  void Drop(std::map<TKey, TListing>::iterator it, bool removeWatch);
  void DropAll();
  static void Add(TListing& listing, const std::string& entry);
  static void Remove(TListing& listing, const std::string& entry);

  int FInotify = -1;
  bool FFailed = false;  // no inotify here: scan every time
  uint64_t FClock = 0;
  std::map<TKey, TListing> FListings;
  std::map<int, TKey> FWatches;  // watch descriptor -> listing
};

}  // namespace platform::sim
