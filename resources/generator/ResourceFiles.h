#pragma once
// The file formats the programs embed (BMP, JPEG, icon) and the generator
// programs' output: the files' bytes as C++ arrays with a table by name.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "resources/generator/Drawing.h"

namespace resgen {

// A 24-bit bottom-up BMP file; alpha is ignored.
std::vector<uint8_t> BmpFile(const Picture& p);
// A baseline JPEG file of the given quality (fixed settings: the same bytes every build).
std::vector<uint8_t> JpegFile(const Picture& p, int quality);
// An icon file with one 32-bit image; the AND mask marks the fully see-through
// pixels. Icons draw with their alpha, so the edges blend with any background.
std::vector<uint8_t> IconFile(const Picture& p);

struct TResource {
  const char* Name;    // the name the program looks it up by
  const char* Symbol;  // the array's name in the generated source
  std::vector<uint8_t> Bytes;
};

// Where a generator's output goes: <Prefix>ResourceData.h/.cpp in namespace
// Namespace, with the table k<Prefix>ResourceTable of T<Prefix>ResourceEntry.
struct TResourceSet {
  const char* Tool;
  const char* Namespace;
  const char* Prefix;
};

// A generator program's main: checks for the arguments (the output folder,
// and --windows-resources for a Windows build), draws the resources and
// writes the sources there, each only when its contents change so a rebuild
// stays cheap. For Windows the bytes go to files named in a resource script
// (<Prefix>ResourceData.rc) that the executable carries, and the table finds
// them among the program's resources. Returns the exit code.
int RunGenerator(int argc, char** argv, const TResourceSet& set, const std::function<std::vector<TResource>()>& draw);

}  // namespace resgen
