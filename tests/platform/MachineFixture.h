#pragma once
// A fresh simulated machine per test, in a temporary host folder that is
// removed afterwards. Open() installs it as the backend.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/sim/SimMachine.h"

namespace machinetest {

class TMachineTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vqm-machine-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FDir = pattern;
    FDir += "/machine";
    platform::sim::CreateMachine(FDir, Options);
  }
  void TearDown() override {
    platform::SetApi(nullptr);
    FMachine.reset();
    std::filesystem::remove_all(std::filesystem::path(FDir).parent_path());
  }

  // Opens (again) the machine as this process and installs it.
  void Open() {
    platform::SetApi(nullptr);
    FMachine = std::make_unique<platform::sim::TSimMachine>(FDir);
    platform::SetApi(FMachine.get());
  }
  platform::sim::TSimMachine* Machine() { return FMachine.get(); }
  const std::string& Dir() const { return FDir; }

  // Writes a file of the machine by its Windows path (bytes as given).
  void WriteFile(const rtl::AnsiString& windowsPath, const std::string& bytes) {
    const std::string host = FMachine->HostPath(windowsPath);
    ASSERT_FALSE(host.empty()) << windowsPath;
    std::ofstream(host, std::ios::binary) << bytes;
  }

  // Runs a host command; its standard output (and error) and exit code.
  static std::string Run(const std::string& command, int* exitCode = nullptr) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return output;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
    const int status = pclose(pipe);
    if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
  }

  platform::sim::TMachineOptions Options;

 private:
  std::string FDir;
  std::unique_ptr<platform::sim::TSimMachine> FMachine;
};

}  // namespace machinetest
