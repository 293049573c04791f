// The throwaway machine of a command.

#include "tools/vqm-medium/PrivateMachine.h"

#include <stdlib.h>

#include <filesystem>

#include "rtl/Exceptions.h"

namespace vqmmedium {

namespace fs = std::filesystem;

TPrivateMachine::TPrivateMachine(const platform::sim::TMachineOptions& options) {
  std::string pattern = (fs::temp_directory_path() / "vqm-medium-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw rtl::Exception("cannot make a temporary folder in " + fs::temp_directory_path().string());
  FRoot = pattern;
  try {
    platform::sim::CreateMachine(FRoot + "/machine", options);
    FMachine = std::make_unique<platform::sim::TSimMachine>(FRoot + "/machine");
  } catch (...) {
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
    throw;
  }
  try {
    FPrevious = &platform::Api();
  } catch (const rtl::Exception&) {
    FPrevious = nullptr;  // none installed
  }
  platform::SetApi(FMachine.get());
}

TPrivateMachine::~TPrivateMachine() {
  platform::SetApi(FPrevious);
  FMachine.reset();
  std::error_code ignored;
  fs::remove_all(FRoot, ignored);
}

rtl::AnsiString OnDriveZ(const std::string& hostPath) {
  std::string path = fs::absolute(fs::path(hostPath)).lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + rtl::AnsiFromUtf8(path);
}

}  // namespace vqmmedium
