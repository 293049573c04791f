// The display a Linux program shows on: a desktop's windows, or the virtual screen.

#include <cstdlib>
#include <string>

#include "ui/Display.h"

namespace ui {

std::unique_ptr<TDisplay> CreateDisplay(int headlessWidth, int headlessHeight) {
  const char* forced = std::getenv("VQM_DISPLAY");
  const std::string choice = forced ? forced : "";
#ifdef VQM_HAVE_SDL
  const bool desktop = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (choice == "sdl" || (choice.empty() && desktop)) {
    try {
      return CreateSdlDisplay();
    } catch (const std::exception&) {
      if (choice == "sdl") throw;
    }
  }
#endif
  return std::make_unique<THeadlessDisplay>(headlessWidth, headlessHeight);
}

}  // namespace ui
