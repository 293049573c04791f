#pragma once
// Building a medium from a manifest: the setup script in Windows-1252 with
// CR LF and the file counts taken from the archives, the support and product
// archives written with the archive engine, the change sound and the
// installer copied where the manifest names them. The manifest is read and
// every file it names is looked at before anything is written, so a wrong
// manifest leaves the output folder as it was.

#include <string>
#include <vector>

#include "rtl/AnsiString.h"

namespace vqmmedium {

struct TBuildResult {
  std::vector<std::string> Errors;   // "demo.manifest:12: ..." in UTF-8; nothing was written when any
  std::vector<std::string> Written;  // the files written, with their sizes
  std::vector<rtl::AnsiString> Names;  // the same files' names
};

// `manifest` and `out` are Windows paths of the installed machine; `out` is
// made when missing. Paths in the manifest are relative to its folder.
TBuildResult BuildMedium(const rtl::AnsiString& manifest, const rtl::AnsiString& out);

// Writes a new archive at archivePath (an older file of that name is replaced)
// holding the files of `folder` named in `files` (relative names, which a
// folder part may lead), stored under those names.
void PackFiles(const rtl::AnsiString& archivePath, const rtl::AnsiString& folder,
               const std::vector<rtl::AnsiString>& files);

// The manifest's format, for --help.
const char* ManifestHelp();

}  // namespace vqmmedium
