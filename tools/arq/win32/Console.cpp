// arq's terminal on Windows: the console (CONIN$ and CONOUT$), and text in
// the ANSI code page as the programs' own.

#include "tools/arq/Console.h"

#include <windows.h>

#include <cstdio>
#include <io.h>

namespace arq {

namespace {

HANDLE Handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// The console's width, or 80 when stderr is no console.
int ConsoleWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 80;
  return info.dwSize.X > 1 ? info.dwSize.X : 80;
}

size_t gShown = 0;  // characters of the status line on the screen

}  // namespace

TConsole::TConsole() {
  const HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  const HANDLE out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || !GetConsoleMode(in, &mode)) {
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return;
  }
  FIn = reinterpret_cast<intptr_t>(in);
  FOut = reinterpret_cast<intptr_t>(out);
}

TConsole::~TConsole() {
  if (FIn == -1) return;
  CloseHandle(Handle(FIn));
  CloseHandle(Handle(FOut));
}

bool TConsole::Available() const { return FIn != -1; }

bool TConsole::ReadLine(const std::string& prompt, std::string& line, bool echo) {
  if (FIn == -1) return false;
  DWORD written = 0;
  if (!WriteConsoleA(Handle(FOut), prompt.data(), static_cast<DWORD>(prompt.size()), &written, nullptr)) return false;
  DWORD saved = 0;
  GetConsoleMode(Handle(FIn), &saved);
  SetConsoleMode(Handle(FIn), echo ? saved | ENABLE_ECHO_INPUT | ENABLE_LINE_INPUT
                                   : (saved | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  line.clear();
  bool ok = false;
  char c;
  DWORD read = 0;
  while (ReadConsoleA(Handle(FIn), &c, 1, &read, nullptr) && read == 1) {
    if (c == '\n') {
      ok = true;
      break;
    }
    line += c;
  }
  SetConsoleMode(Handle(FIn), saved);
  if (!echo) WriteConsoleA(Handle(FOut), "\r\n", 2, &written, nullptr);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ok || !line.empty();
}

std::string HostText(const rtl::AnsiString& text) { return text; }

rtl::AnsiString AnsiText(const std::string& text) { return text; }

bool StderrIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

// The console of older Windows knows no escape sequences: the line is
// overwritten with spaces, and never reaches the last column (that would wrap).
void DrawStatusLine(const std::string& text) {
  const size_t width = static_cast<size_t>(ConsoleWidth() - 1);
  std::string line = text.substr(0, width);
  std::string shown = line;
  if (line.size() < gShown) line.append(gShown - line.size(), ' ');
  std::fprintf(stderr, "\r%s\r%s", line.c_str(), shown.c_str());
  std::fflush(stderr);
  gShown = shown.size();
}

void ClearStatusLine() {
  std::fprintf(stderr, "\r%s\r", std::string(gShown, ' ').c_str());
  std::fflush(stderr);
  gShown = 0;
}

}  // namespace arq
