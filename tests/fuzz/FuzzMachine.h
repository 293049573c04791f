#pragma once
// A simulated machine for fuzz targets, made once per process, with its files
// in memory, a fixed clock and dialogs that give every question its default
// answer. Its settings folder goes to /dev/shm when there is one.

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/ScriptedDialogs.h"
#include "rtl/Clock.h"
#include "tests/fuzz/MemoryMachine.h"

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
    Machine = std::make_unique<TMemoryMachine>(Folder);
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
    if (!Machine->PutFile(path, std::string(reinterpret_cast<const char*>(data), size))) std::abort();
  }

  std::string Folder;
  std::unique_ptr<TMemoryMachine> Machine;
  rtl::TFixedClock Clock;
  platform::TScriptedDialogs Dialogs;
};

}  // namespace fuzz
