#include "tests/win32/win32_support.h"

#include <windows.h>

namespace win32_test {

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace win32_test
