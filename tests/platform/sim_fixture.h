#pragma once
// A fresh simulated machine per test in its own temporary host folder.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/sim/SimMachine.h"

namespace simtest {

using namespace platform;
using namespace platform::sim;

class TSimTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vqm-sim-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FRoot = pattern;
    FDir = FRoot + "/machine";
    Prepare();
    CreateMachine(FDir, Options);
    Configure();
    M = std::make_unique<TSimMachine>(FDir);
  }
  void TearDown() override {
    M.reset();
    std::filesystem::remove_all(FRoot);
  }
  // Before the machine is made: adjust Options, make host folders.
  virtual void Prepare() {}
  // After machine.ini is written, before the machine opens: edit the config.
  virtual void Configure() {}

  void EditConfig(const std::function<void(TMachineConfig&)>& edit) {
    TMachineConfig c = LoadMachineConfig(FDir);
    edit(c);
    SaveMachineConfig(FDir, c);
  }

  // A file of the machine, written through the Windows calls.
  void Put(const AnsiString& path, const std::string& bytes) {
    const HANDLE h = M->CreateFileA(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path << " error " << M->GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(M->WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), written));
    ASSERT_TRUE(M->CloseHandle(h));
  }
  std::string Get(const AnsiString& path) {
    const HANDLE h = M->CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    if (h == INVALID_HANDLE_VALUE) return "<error " + std::to_string(M->GetLastError()) + ">";
    std::string bytes(static_cast<std::size_t>(M->GetFileSizeEx(h)), '\0');
    DWORD read = 0;
    M->ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), read);
    M->CloseHandle(h);
    return bytes;
  }
  static std::string HostText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void HostWrite(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  TMachineOptions Options;
  std::string FRoot, FDir;
  std::unique_ptr<TSimMachine> M;
};

}  // namespace simtest
