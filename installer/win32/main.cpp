// instalar.exe: the installer on Windows, over the real system and its
// desktop. It reads no command line and no environment.

#include "installer/shell/untmain.h"
#include "ui/win32/Program.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return ui::win32::RunProgram("instalar", installer::IniciaInstalador);
}
