// libFuzzer target: any bytes as an archive file, opened, extracted, checked
// and listed by the component on a simulated machine. Errors are expected;
// crashes, leaks, hangs, huge allocations and files written outside the
// extraction folder are findings.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "archiver/Archiver.h"
#include "platform/Files.h"
#include "platform/ScriptedDialogs.h"
#include "platform/sim/SimMachine.h"
#include "rtl/Clock.h"
#include "rtl/SysUtils.h"

namespace {

namespace fs = std::filesystem;

struct TMachine {
  TMachine() {
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
    platform::ForceDirectories("C:\\out");
    ArchiveHost = Machine->HostPath("C:\\fuzz.arq");
    OutHost = Machine->HostPath("C:\\out");
    TempHost = Machine->HostPath(rtl::ExcludeTrailingBackslash(platform::GetTempFolder()));
    RootHost = Machine->HostPath("C:\\");
  }
  ~TMachine() {
    std::error_code ignored;
    fs::remove_all(Folder, ignored);
  }

  // Names on drive C: besides the extraction folder, the archive and the
  // temporary folder (where a failed solid rebuild keeps its inner archive).
  size_t OutsideCount() {
    size_t n = 0;
    for (auto it = fs::recursive_directory_iterator(RootHost); it != fs::recursive_directory_iterator(); ++it) {
      std::string path = it->path().string();
      if (path == OutHost || path == ArchiveHost || path == TempHost) {
        it.disable_recursion_pending();
        continue;
      }
      ++n;
    }
    return n;
  }

  std::string Folder, ArchiveHost, OutHost, TempHost, RootHost;
  std::unique_ptr<platform::sim::TSimMachine> Machine;
  rtl::TFixedClock Clock;
  platform::TScriptedDialogs Dialogs;  // every question gets its default answer
  size_t Runs = 0;
  size_t Outside = 0;
};

TMachine& Machine() {
  static TMachine machine;
  return machine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMachine& m = Machine();
  if (m.Runs == 0) m.Outside = m.OutsideCount();
  {
    std::ofstream(m.ArchiveHost, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  {
    archiver::TArchiver a;
    a.SetFileName("C:\\fuzz.arq");
    a.SetExtractPath("C:\\out");
    a.SetRestoreAction(archiver::raOverwrite);
    a.SetErrorAction(archiver::eaContinue);
    a.SetOptions(a.Options() + archiver::TOptions{archiver::oShowEmptyFolders});
    a.OnRequestCryptKey = [](archiver::TArchiverRoot*, rtl::AnsiString& key) { key = "0123456789"; };
    // Names with a drive or a network path go where they say by design; only
    // relative names are held to the extraction folder.
    a.OnExtractFile = [](archiver::TArchiverRoot*, const archiver::TFileEntry& e, rtl::AnsiString&, bool& accept) {
      size_t slash = e.Name.rfind('\\');
      std::string folder = slash == std::string::npos ? std::string() : e.Name.substr(0, slash + 1);
      if (folder.find(':') != std::string::npos || (!folder.empty() && folder[0] == '\\')) accept = false;
    };
    try {
      a.ExtractFiles();
      a.TestFiles();
      a.EnumerateFiles();
      a.Close();
    } catch (const rtl::Exception&) {
      // a damaged archive's error: what is expected
    }
  }
  if (m.OutsideCount() != m.Outside) {
    std::fprintf(stderr, "a file was written outside the extraction folder\n");
    std::abort();
  }
  if (++m.Runs % 64 == 0) {
    std::error_code ignored;
    fs::remove_all(m.OutHost, ignored);
    fs::create_directories(m.OutHost);
    for (const auto& e : fs::directory_iterator(m.TempHost)) fs::remove_all(e.path(), ignored);
  }
  return 0;
}
