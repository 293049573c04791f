// A Windows program's entry over the real system and its desktop.

#include "ui/win32/Program.h"

#include <exception>

#include "platform/win32/Win32Api.h"
#include "ui/Display.h"

// The system's headers last: they name our constants as macros.
#include <windows.h>

namespace ui::win32 {

int RunProgram(const char* name, const std::function<void(TApplication&)>& start) {
  try {
    platform::win32::TWin32Api api;
    platform::SetApi(&api);
    struct TReset {
      ~TReset() { platform::SetApi(nullptr); }
    } reset;
    TApplication application(CreateDisplay());
    start(application);
    application.Run();
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), name, MB_OK | MB_ICONSTOP);
    return 1;
  }
  return 0;
}

}  // namespace ui::win32
