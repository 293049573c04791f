// Host-side file helpers.

#include "platform/sim/HostFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::sim {

std::optional<std::string> ReadHostFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

bool WriteHostFileAtomic(const std::string& path, std::string_view text, bool durable) {
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  // The new text is on the disk before it takes the old one's name, and the
  // rename is on the disk before the write is reported done.
  const bool complete = done == text.size() && (!durable || ::fsync(fd) == 0);
  const bool written = complete && ::close(fd) == 0;
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    if (!complete) ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  if (!durable) return true;
  const std::string::size_type slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool MakeHostDirs(const std::string& path) {
  // The folder itself first: the levels above are made only when one is missing.
  if (::mkdir(path.c_str(), 0755) != 0 && errno == ENOENT) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0 || !MakeHostDirs(path.substr(0, slash))) return false;
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string JoinHost(const std::string& dir, std::string_view name) {
  std::string out = dir;
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

std::string HostError(int error) { return std::strerror(error); }

THostLock::THostLock(const std::string& lockFile) {
  FFd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (FFd >= 0)
    while (::flock(FFd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

THostLock::~THostLock() {
  if (FFd >= 0) ::close(FFd);  // closing releases the lock
}

}  // namespace platform::sim
