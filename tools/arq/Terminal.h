#pragma once
// arq on the terminal: the archive component's dialogs asked on the
// controlling terminal (keys with the echo off), and the progress bar.

#include <functional>
#include <string>

#include "platform/Dialogs.h"
#include "tools/arq/Console.h"

namespace arq {

// Answers the component's questions on the terminal. Without a terminal every
// question gets its safe answer: Cancel for inputs, No for overwriting and
// going on, the default button of a message box.
class TTerminalDialogs : public platform::TDialogs {
 public:
  TTerminalDialogs();
  ~TTerminalDialogs() override;
  TTerminalDialogs(const TTerminalDialogs&) = delete;
  TTerminalDialogs& operator=(const TTerminalDialogs&) = delete;

  int MessageBox(const rtl::AnsiString& text, const rtl::AnsiString& caption, platform::UINT type) override;
  void WarningAbort(const rtl::AnsiString& text) override;
  bool InputQuery(const platform::TInputQuery& query, rtl::AnsiString& value) override;
  platform::TDialogAnswer QueryOverwrite(const platform::TOverwriteQuery& query) override;
  platform::TDialogAnswer QueryContinue(const platform::TContinueQuery& query) override;
  bool SelectFolder(const rtl::AnsiString& caption, rtl::AnsiString& folder) override;
  bool OpenFile(const rtl::AnsiString& title, rtl::AnsiString& fileName) override;
  // Questions reach someone (a terminal is there).
  bool Interactive() const { return FConsole.Available(); }
  // Run before every question, e.g. to clear a progress bar off the line.
  void SetBeforeAsk(std::function<void()> action) { FBeforeAsk = std::move(action); }

 private:
  bool AskPath(const rtl::AnsiString& title, rtl::AnsiString& path);
  // One line from the terminal; false without a terminal or at its end.
  bool ReadLine(const std::string& prompt, std::string& line, bool echo);
  // The first letter of an answer among `letters`, asked until one fits.
  char Choose(const std::string& prompt, const std::string& letters, char fallback);

  platform::TDialogs* FPrevious;
  TConsole FConsole;
  std::function<void()> FBeforeAsk;
};

// A one-line progress bar on stderr, drawn only when stderr is a terminal.
class TProgressBar {
 public:
  TProgressBar();
  void SetText(const rtl::AnsiString& text);
  void SetPercent(int percent);
  // Clears the line (before other output, and at the end).
  void Clear();

 private:
  void Draw();
  bool FEnabled;
  bool FShown = false;
  int FPercent = 0;
  std::string FText;
};

}  // namespace arq
