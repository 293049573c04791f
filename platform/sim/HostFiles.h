#pragma once
// Host-side file helpers of the simulated machine (internal to platform/sim).

#include <optional>
#include <string>
#include <string_view>

namespace platform::sim {

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadHostFile(const std::string& path);
// Writes a temporary file beside `path` and renames it over `path`, so readers
// see the old or the new text, never a part. False on failure (nothing replaced).
// Without `durable` nothing waits for the disk (a file that does not outlive
// its process need not survive a crash).
bool WriteHostFileAtomic(const std::string& path, std::string_view text, bool durable = true);
// mkdir -p; false when a level cannot be made.
bool MakeHostDirs(const std::string& path);
std::string JoinHost(const std::string& dir, std::string_view name);
// The host's text for errno.
std::string HostError(int error);

// An exclusive lock on a lock file (made when missing), held for the object's
// life, so that processes of a machine change a shared file one at a time.
class THostLock {
 public:
  explicit THostLock(const std::string& lockFile);
  ~THostLock();
  THostLock(const THostLock&) = delete;
  THostLock& operator=(const THostLock&) = delete;
  // False when the lock file could not be opened; errno tells why.
  bool Held() const { return FFd >= 0; }

 private:
  int FFd = -1;
};

}  // namespace platform::sim
