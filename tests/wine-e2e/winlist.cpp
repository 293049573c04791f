// vqm-winlist: the desktop's window list, as a person's tools would read it:
// one line per visible top-level window, then one per child window with its
// class and text (a message box's text and buttons are children).
//
//   window <hwnd> pid=<pid> class=<class> rect=<l>,<t>,<r>,<b> client=<x>,<y>,<w>,<h> owner=<hwnd> caption=<text>
//   child <hwnd> class=<class> visible=<0|1> rect=<l>,<t>,<r>,<b> text=<text>
//
// Rectangles are in screen pixels. Texts are written in the Windows code page
// with CR and LF as \r and \n.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Escaped(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\r') out += "\\r";
    else if (*p == '\n') out += "\\n";
    else out += *p;
  }
  return out;
}

BOOL CALLBACK Child(HWND hwnd, LPARAM) {
  char cls[256] = "", text[4096] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  RECT r{};
  GetWindowRect(hwnd, &r);
  std::printf("child %p class=%s visible=%d rect=%ld,%ld,%ld,%ld text=%s\n", static_cast<void*>(hwnd), cls,
              IsWindowVisible(hwnd) ? 1 : 0, r.left, r.top, r.right, r.bottom, Escaped(text).c_str());
  return TRUE;
}

BOOL CALLBACK TopLevel(HWND hwnd, LPARAM) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  char cls[256] = "", caption[1024] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, caption, sizeof caption);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  RECT r{}, c{};
  GetWindowRect(hwnd, &r);
  GetClientRect(hwnd, &c);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  std::printf("window %p pid=%lu class=%s rect=%ld,%ld,%ld,%ld client=%ld,%ld,%ld,%ld owner=%p caption=%s\n",
              static_cast<void*>(hwnd), static_cast<unsigned long>(pid), cls, r.left, r.top, r.right, r.bottom,
              origin.x, origin.y, c.right, c.bottom, static_cast<void*>(GetWindow(hwnd, GW_OWNER)),
              Escaped(caption).c_str());
  EnumChildWindows(hwnd, Child, 0);
  return TRUE;
}

}  // namespace

int main() {
  EnumWindows(TopLevel, 0);
  std::fflush(stdout);
  return 0;
}
