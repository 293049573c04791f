// vqm-demomedium: writes the demo installation medium of Vantor Q-Mira into a
// host folder: the setup script, the support and product archives, the sound.
// It makes the sources and their manifest, and vqm-medium's build the medium;
// --sources keeps them in a folder of the caller's.

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tools/demo-medium/DemoMedium.h"
#include "tools/vqm-medium/PrivateMachine.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::string folder, sources;
  bool usage = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("usage: vqm-demomedium FOLDER [--sources DIR]\n"
                  "  writes the demo installation medium into FOLDER; with --sources its\n"
                  "  sources and their manifest (DIR/demo.manifest, for vqm-medium build) stay in DIR\n");
      return 0;
    }
    if (std::strcmp(argv[i], "--sources") == 0 && i + 1 < argc) sources = argv[++i];
    else if (folder.empty() && argv[i][0] != '-') folder = argv[i];
    else usage = true;
  }
  if (usage || folder.empty()) {
    std::fprintf(stderr, "usage: vqm-demomedium FOLDER [--sources DIR]\n");
    return 2;
  }
  try {
    const fs::path out = fs::absolute(folder);
    fs::create_directories(out);
    // A private machine whose drive Z: is the host's root folder writes the files.
    platform::sim::TMachineOptions options;
    options.HostRoot = true;
    options.FloppyDrive = false;
    vqmmedium::TPrivateMachine machine(options);
    const fs::path staging = sources.empty() ? fs::path(machine.Root()) / "staging" : fs::absolute(sources);
    for (const rtl::AnsiString& name : medium::BuildDemoMedium(vqmmedium::OnDriveZ(out), vqmmedium::OnDriveZ(staging))) {
      const fs::path file = out / rtl::Utf8FromAnsi(name);
      std::printf("%10ju  %s\n", static_cast<uintmax_t>(fs::file_size(file)), file.c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vqm-demomedium: %s\n", e.what());
    return 1;
  }
  return 0;
}
