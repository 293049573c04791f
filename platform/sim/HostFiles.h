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
bool WriteHostFileAtomic(const std::string& path, std::string_view text);
// mkdir -p; false when a level cannot be made.
bool MakeHostDirs(const std::string& path);
std::string JoinHost(const std::string& dir, std::string_view name);
// The host's text for errno.
std::string HostError(int error);

}  // namespace platform::sim
