#pragma once
// Running arq (and pyarq) on host folders: a scratch folder per test, file
// trees to compare, and commands with their exit status and output.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace archiver_test {

namespace fs = std::filesystem;

struct TRun {
  int Exit = -1;
  std::string Output;  // stdout and stderr
};

// A command through the shell, without a machine named in the environment.
inline TRun RunCommand(const std::string& command) {
  TRun run;
  FILE* pipe = popen(("(unset VQM_MACHINE; " + command + ") 2>&1 </dev/null").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Output.append(buffer, n);
  int status = pclose(pipe);
  run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

inline std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

inline void WriteHostFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Relative path -> content ("<folder>" for folders).
inline std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  if (!fs::exists(root)) return tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::string relative = fs::relative(e.path(), root).string();
    tree[relative] = e.is_directory() ? "<folder>" : ReadHostFile(e.path());
  }
  return tree;
}

class THostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("vqm-arq-" + std::to_string(std::random_device{}()));
    fs::create_directories(FDir);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FDir, ignored);
  }

  // A small tree of text, binary, empty and accented names in Dir()/name.
  void MakeSampleTree(const std::string& name) {
    std::mt19937 gen(7);
    std::string noise(20000, '\0');
    for (char& c : noise) c = static_cast<char>(gen());
    std::string text;
    for (int i = 0; i < 1500; ++i) text += "line " + std::to_string(i) + " of some text\n";
    WriteHostFile(Dir() / name / "readme.txt", text);
    WriteHostFile(Dir() / name / "bin" / "noise.bin", noise);
    WriteHostFile(Dir() / name / "bin" / "empty.dat", "");
    WriteHostFile(Dir() / name / "configuração.ini", "[a]\nb=c\n");
    fs::create_directories(Dir() / name / "empty folder");
  }

  const fs::path& Dir() const { return FDir; }

 private:
  fs::path FDir;
};

}  // namespace archiver_test
