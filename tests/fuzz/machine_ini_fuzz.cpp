// Fuzz target: any bytes as the simulated machine's machine.ini, read into
// its configuration. A damaged file is the machine error; crashes, leaks and
// hangs are findings.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sim/MachineConfig.h"

namespace {

// A folder in memory for the file, removed when the process ends.
struct TFolder {
  TFolder() {
    namespace fs = std::filesystem;
    fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "vqm-fuzz-ini-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    Path = pattern;
  }
  ~TFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
  std::string Path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFolder folder;
  std::ofstream(folder.Path + "/machine.ini", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  try {
    platform::sim::TMachineConfig config = platform::sim::LoadMachineConfig(folder.Path);
    (void)config;
  } catch (const platform::sim::EMachineError&) {
    // what a damaged file gives
  }
  return 0;
}
