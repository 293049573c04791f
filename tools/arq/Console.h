#pragma once
// What arq needs of the system's terminal: questions asked on the controlling
// terminal (the console on Windows) even when the standard streams are
// redirected, and a status line drawn over itself on stderr.

#include <string>

#include "rtl/AnsiString.h"

namespace arq {

class TConsole {
 public:
  TConsole();  // opens the terminal; Available() says whether there is one
  ~TConsole();
  TConsole(const TConsole&) = delete;
  TConsole& operator=(const TConsole&) = delete;

  bool Available() const;
  // One line typed after the prompt, without its end; false without a
  // terminal or at its end. With echo off the keys are not shown.
  bool ReadLine(const std::string& prompt, std::string& line, bool echo);

 private:
  intptr_t FIn = -1, FOut = -1;
};

// Windows-1252 text as this system's terminal and files take it.
std::string HostText(const rtl::AnsiString& text);
// Typed text as Windows-1252 (what has no byte there becomes "?").
rtl::AnsiString AnsiText(const std::string& text);
// stderr is a terminal (the status line is drawn only there).
bool StderrIsTerminal();
// The status line: drawn over the previous one, and cleared.
void DrawStatusLine(const std::string& text);
void ClearStatusLine();

}  // namespace arq
