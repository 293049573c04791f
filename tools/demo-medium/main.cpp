// vqm-demomedium: writes the demo installation medium of Vantor Q-Mira into a
// host folder: the setup script, the support and product archives, the sound.

#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/sim/SimMachine.h"
#include "tools/demo-medium/DemoMedium.h"

namespace fs = std::filesystem;

namespace {

// A host path on drive Z:, which is the host's root folder.
rtl::AnsiString OnDriveZ(const fs::path& host) {
  std::string path = host.string();
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + rtl::AnsiFromUtf8(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: vqm-demomedium FOLDER\n  writes the demo installation medium into FOLDER\n");
    return argc == 2 ? 0 : 2;
  }
  std::string machineDir;
  try {
    const fs::path out = fs::absolute(argv[1]);
    fs::create_directories(out);

    // A private machine whose drive Z: is the host's root folder writes the files.
    std::string pattern = (fs::temp_directory_path() / "vqm-demomedium-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw rtl::Exception("cannot make a scratch folder");
    machineDir = pattern;
    platform::sim::TMachineOptions options;
    options.HostRoot = true;
    options.FloppyDrive = false;
    platform::sim::CreateMachine(machineDir + "/machine", options);
    auto machine = std::make_unique<platform::sim::TSimMachine>(machineDir + "/machine");
    platform::SetApi(machine.get());

    const auto written = medium::BuildDemoMedium(OnDriveZ(out), OnDriveZ(fs::path(machineDir) / "staging"));
    for (const rtl::AnsiString& name : written) {
      const fs::path file = out / rtl::Utf8FromAnsi(name);
      std::printf("%10ju  %s\n", static_cast<uintmax_t>(fs::file_size(file)), file.c_str());
    }
    platform::SetApi(nullptr);
  } catch (const std::exception& e) {
    platform::SetApi(nullptr);
    std::fprintf(stderr, "vqm-demomedium: %s\n", e.what());
    if (!machineDir.empty()) fs::remove_all(machineDir);
    return 1;
  }
  fs::remove_all(machineDir);
  return 0;
}
