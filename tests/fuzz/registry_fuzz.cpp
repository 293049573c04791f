// Fuzz target: any bytes as the simulated machine's registry.reg. A text
// that parses is written out again, and that must parse to the same text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/sim/SimRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::sim::TRegHives hives;
  std::string error;
  if (!platform::sim::ParseRegText(std::string_view(reinterpret_cast<const char*>(data), size), hives, error))
    return 0;
  const std::string text = platform::sim::RegText(hives);
  platform::sim::TRegHives again;
  if (!platform::sim::ParseRegText(text, again, error) || platform::sim::RegText(again) != text) {
    std::fprintf(stderr, "registry text written does not read back: %s\n", error.c_str());
    std::abort();
  }
  return 0;
}
