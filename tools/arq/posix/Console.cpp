// arq's terminal on POSIX systems: /dev/tty, and UTF-8 text.

#include "tools/arq/Console.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

namespace arq {

TConsole::TConsole() {
  FIn = open("/dev/tty", O_RDWR | O_CLOEXEC);
  FOut = FIn;
}

TConsole::~TConsole() {
  if (FIn >= 0) close(static_cast<int>(FIn));
}

bool TConsole::Available() const { return FIn >= 0; }

bool TConsole::ReadLine(const std::string& prompt, std::string& line, bool echo) {
  if (FIn < 0) return false;
  const int tty = static_cast<int>(FIn);
  if (write(tty, prompt.data(), prompt.size()) < 0) return false;
  termios saved{};
  bool restore = false;
  if (!echo && tcgetattr(tty, &saved) == 0) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    restore = tcsetattr(tty, TCSAFLUSH, &quiet) == 0;
  }
  line.clear();
  char c;
  bool ok = false;
  while (read(tty, &c, 1) == 1) {
    if (c == '\n') {
      ok = true;
      break;
    }
    line += c;
  }
  if (restore) {
    tcsetattr(tty, TCSAFLUSH, &saved);
    if (write(tty, "\n", 1) < 0) return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ok || !line.empty();
}

std::string HostText(const rtl::AnsiString& text) { return rtl::Utf8FromAnsi(text); }

rtl::AnsiString AnsiText(const std::string& text) { return rtl::AnsiFromUtf8(text); }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void DrawStatusLine(const std::string& text) {
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
}

void ClearStatusLine() {
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
}

}  // namespace arq
