// Fuzz target: any bytes as an archive, listed, tested and extracted by the
// component. The bytes may hold up to three segment files, split at the
// marker "\nSEGMENT\n" (the first is the archive, the others its -002.mmm and
// -003.mmm); an archive with the solid flag is read through its inner one.
// Inputs of odd length are read with two threads, so that blocks are read
// ahead and decoded by a worker. The files are the memory machine's. Errors
// are expected; crashes, leaks, hangs, huge allocations, files written
// outside the extraction folder or longer than their entry says and files
// left open are findings.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

#include "archiver/Archiver.h"
#include "platform/Files.h"
#include "rtl/SysUtils.h"
#include "tests/fuzz/FuzzMachine.h"

namespace {

struct TArchiveMachine : fuzz::TFuzzMachine {
  TArchiveMachine() {
    for (const rtl::AnsiString& folder : {rtl::AnsiString("C:\\out"), rtl::AnsiString("C:\\arq"),
                                          rtl::ExcludeTrailingBackslash(platform::GetTempFolder())}) {
      platform::ForceDirectories(folder);
      Kept.push_back(Machine->Key(folder));
    }
    Out = Kept[0] + "\\";
  }

  // Every name of the machine is in the extraction folder, the archive's
  // folder or the temporary folder (where a solid archive's inner one goes).
  bool AllInside() const {
    for (const auto& [key, node] : Machine->Nodes()) {
      bool inside = false;
      for (const rtl::AnsiString& kept : Kept) inside = inside || key == kept || key.starts_with(kept + "\\") || kept.starts_with(key + "\\");
      if (!inside) return false;
    }
    return true;
  }

  std::vector<rtl::AnsiString> Kept;
  rtl::AnsiString Out;
};

TArchiveMachine& Machine() {
  static TArchiveMachine machine;
  return machine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TArchiveMachine& m = Machine();
  constexpr std::string_view kMarker = "\nSEGMENT\n";
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const char* names[] = {"C:\\arq\\fuzz.arq", "C:\\arq\\fuzz-002.mmm", "C:\\arq\\fuzz-003.mmm"};
  size_t at = 0;
  for (int n = 0; n < 3 && at <= bytes.size(); ++n) {
    size_t end = n == 2 ? std::string_view::npos : bytes.find(kMarker, at);
    std::string_view part = bytes.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    m.Write(names[n], reinterpret_cast<const uint8_t*>(part.data()), part.size());
    if (end == std::string_view::npos) break;
    at = end + kMarker.size();
  }

  std::map<std::string, int64_t> stated;  // the largest Size announced per target name
  {
    archiver::TArchiver a;
    a.SetFileName(names[0]);
    a.SetExtractPath("C:\\out");
    a.SetRestoreAction(archiver::raOverwrite);
    a.SetErrorAction(archiver::eaContinue);
    a.SetThreads(size % 2 == 1 ? 2 : 1);
    a.SetOptions(a.Options() + archiver::TOptions{archiver::oShowEmptyFolders});
    a.OnRequestCryptKey = [](archiver::TArchiverRoot*, rtl::AnsiString& key) { key = "0123456789"; };
    // Names with a drive or a network path go where they say by design; only
    // relative names are held to the extraction folder.
    a.OnExtractFile = [&](archiver::TArchiverRoot*, const archiver::TFileEntry& e, rtl::AnsiString&, bool& accept) {
      size_t slash = e.Name.rfind('\\');
      std::string folder = slash == std::string::npos ? std::string() : e.Name.substr(0, slash + 1);
      if (folder.find(':') != std::string::npos || (!folder.empty() && folder[0] == '\\')) accept = false;
      int64_t& largest = stated[rtl::UpperCase(slash == std::string::npos ? e.Name : e.Name.substr(slash + 1))];
      largest = std::max<int64_t>(largest, e.Size);
    };
    try {
      a.EnumerateFiles();
      a.TestFiles();
      a.ExtractFiles();
      a.Close();
    } catch (const rtl::Exception&) {
      // a damaged archive's error: what is expected
    }
  }
  int64_t largest = 0;
  for (const auto& [name, bytes] : stated) largest = std::max(largest, bytes);
  for (const auto& [key, node] : m.Machine->Nodes()) {
    if (node.Folder || !key.starts_with(m.Out)) continue;
    auto found = stated.find(rtl::UpperCase(node.Name));
    if (std::max<uint64_t>(node.Data.size(), node.Reach) >
        static_cast<uint64_t>(found == stated.end() ? largest : found->second)) {
      std::fprintf(stderr, "%s is longer than its entry says\n", key.c_str());
      std::abort();
    }
  }
  if (!m.AllInside()) {
    std::fprintf(stderr, "a file was written outside the extraction folder\n");
    std::abort();
  }
  if (m.Machine->OpenHandles() != 0) {
    std::fprintf(stderr, "a file was left open\n");
    std::abort();
  }
  m.Machine->Clear(m.Kept);
  m.Dialogs.Clear();
  return 0;
}
