// vqm-fbsetup: plays the Firebird 2.0 server's installer on the machine (the
// simulated one on Linux, the real system on Windows; the program the demo
// medium's "Firebird-2.0.1.12855-1-Win32.exe" runs).
// It does what the launcher looks for after that step: it makes the server's
// folder and registers the server as the default instance.

#include <cstdio>
#include <exception>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "launcher/demo/FbSetupMachine.h"

namespace {

constexpr int kCsidlProgramFiles = 0x26;

}  // namespace

int main() {
  try {
    const launcher::demo::TMachine machine;
    rtl::AnsiString programFiles = platform::SpecialFolder(kCsidlProgramFiles);
    if (programFiles.empty()) programFiles = "C:\\Program Files";
    const rtl::AnsiString instance = programFiles + "\\Firebird\\Firebird_2_0";
    platform::ForceDirectories(instance);

    platform::TRegistry reg;
    reg.SetRootKey(platform::HKEY_LOCAL_MACHINE);
    reg.OpenKey("Software\\Firebird Project\\Firebird Server\\Instances", true);
    reg.WriteString("DefaultInstance", instance + "\\");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vqm-fbsetup: %s\n", e.what());
    return 1;
  }
  return 0;
}
