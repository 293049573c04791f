#pragma once
// A simulated machine for fuzz targets, made once per process in memory
// (/dev/shm when there is one), with a fixed clock and dialogs that give
// every question its default answer.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/Files.h"
#include "platform/ScriptedDialogs.h"
#include "platform/sim/SimMachine.h"
#include "rtl/Clock.h"
#include "rtl/SysUtils.h"

namespace fuzz {

namespace fs = std::filesystem;

struct TFuzzMachine {
  TFuzzMachine() {
    fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "vqm-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    Folder = pattern;
    platform::sim::TMachineOptions options;
    options.FloppyDrive = false;
    platform::sim::CreateMachine(Folder, options);
    Machine = std::make_unique<platform::sim::TSimMachine>(Folder);
    platform::SetApi(Machine.get());
    rtl::SetClock(&Clock);
  }
  ~TFuzzMachine() {
    platform::SetApi(nullptr);
    rtl::SetClock(nullptr);
    Machine.reset();
    std::error_code ignored;
    fs::remove_all(Folder, ignored);
  }

  // Puts the bytes into a file of the machine.
  void Write(const rtl::AnsiString& path, const uint8_t* data, size_t size) {
    std::ofstream(Machine->HostPath(path), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  std::string Folder;
  std::unique_ptr<platform::sim::TSimMachine> Machine;
  rtl::TFixedClock Clock;
  platform::TScriptedDialogs Dialogs;
};

}  // namespace fuzz
