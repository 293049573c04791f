// Terminal dialogs and the progress bar of arq.

#include "tools/arq/Terminal.h"

#include "tools/arq/HostMachine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace arq {

using platform::TDialogAnswer;
using rtl::AnsiString;

namespace {

// Drops the "&" accelerator marks of a button text.
std::string Plain(const AnsiString& text) {
  std::string s = HostText(text);
  s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
  return s;
}

}  // namespace

TTerminalDialogs::TTerminalDialogs() : FPrevious(&platform::Dialogs()) { platform::SetDialogs(this); }

TTerminalDialogs::~TTerminalDialogs() { platform::SetDialogs(FPrevious); }

bool TTerminalDialogs::ReadLine(const std::string& prompt, std::string& line, bool echo) {
  if (!FConsole.Available()) return false;
  if (FBeforeAsk) FBeforeAsk();
  return FConsole.ReadLine(prompt, line, echo);
}

char TTerminalDialogs::Choose(const std::string& prompt, const std::string& letters, char fallback) {
  std::string line;
  for (;;) {
    if (!ReadLine(prompt, line, true)) return fallback;
    if (line.empty()) return letters[0];
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
    if (letters.find(c) != std::string::npos) return c;
  }
}

int TTerminalDialogs::MessageBox(const AnsiString& text, const AnsiString& caption, platform::UINT type) {
  if (FBeforeAsk) FBeforeAsk();
  std::fprintf(stderr, "arq: %s: %s\n", HostText(caption).c_str(), HostText(text).c_str());
  switch (type & 0x0F) {
    case platform::MB_YESNO:
      return Choose("[y]es/[n]o? ", "yn", 'n') == 'y' ? platform::IDYES : platform::IDNO;
    case platform::MB_YESNOCANCEL:
      switch (Choose("[y]es/[n]o/[c]ancel? ", "ync", 'c')) {
        case 'y':
          return platform::IDYES;
        case 'n':
          return platform::IDNO;
        default:
          return platform::IDCANCEL;
      }
    case platform::MB_OKCANCEL:
      return Choose("[o]k/[c]ancel? ", "oc", 'c') == 'o' ? platform::IDOK : platform::IDCANCEL;
    default:
      return platform::DefaultMessageBoxAnswer(type);
  }
}

void TTerminalDialogs::WarningAbort(const AnsiString& text) {
  if (FBeforeAsk) FBeforeAsk();
  std::fprintf(stderr, "arq: %s\n", HostText(text).c_str());
}

bool TTerminalDialogs::InputQuery(const platform::TInputQuery& query, AnsiString& value) {
  std::string prompt = HostText(query.Prompt);
  std::replace(prompt.begin(), prompt.end(), '\n', ' ');
  std::string line;
  if (!ReadLine(prompt + " ", line, !query.Masked)) return false;
  AnsiString text = AnsiText(line);
  if (static_cast<int>(text.size()) > query.MaxLength) text.resize(query.MaxLength);
  value = text;
  return true;
}

TDialogAnswer TTerminalDialogs::QueryOverwrite(const platform::TOverwriteQuery& query) {
  std::string prompt = Plain(query.ReplaceLabel) + " " + HostText(query.ExistingName) + " (" +
                       HostText(query.ExistingInfo) + ")\n" + Plain(query.WithLabel) + " " + HostText(query.EntryName) +
                       " (" + HostText(query.EntryInfo) + ")\n[y]es/[n]o/[a]ll/[c]ancel? ";
  switch (Choose(prompt, "ynac", 'n')) {
    case 'y':
      return platform::daYes;
    case 'a':
      return platform::daYesToAll;
    case 'c':
      return platform::daCancel;
    default:
      return platform::daNo;
  }
}

TDialogAnswer TTerminalDialogs::QueryContinue(const platform::TContinueQuery& query) {
  std::string prompt = Plain(query.ErrorLabel) + " " + HostText(query.ErrorText) + "\n" + Plain(query.FileLabel) + " " +
                       HostText(query.EntryName) + "\n" + HostText(query.Question) + " [y]es/[n]o/[a]ll? ";
  switch (Choose(prompt, "yna", 'n')) {
    case 'y':
      return platform::daYes;
    case 'a':
      return platform::daYesToAll;
    default:
      return platform::daNo;
  }
}

// A path asked for on the terminal: the one shown is taken when the answer
// is empty; an answer is a host path or a Windows path, as on the command line.
bool TTerminalDialogs::AskPath(const AnsiString& title, AnsiString& path) {
  std::string line;
  if (!ReadLine(HostText(title) + "\n[" + HostPathFromWin(path) + "] ", line, true)) return false;
  if (line.empty()) return true;
  try {
    path = WinPathFromArgument(line);
  } catch (const rtl::Exception& e) {
    std::fprintf(stderr, "arq: %s\n", HostText(e.Message()).c_str());
    return false;
  }
  return true;
}

bool TTerminalDialogs::SelectFolder(const AnsiString& caption, AnsiString& folder) { return AskPath(caption, folder); }
bool TTerminalDialogs::OpenFile(const AnsiString& title, AnsiString& fileName) { return AskPath(title, fileName); }

// ---- progress bar --------------------------------------------------------------------

TProgressBar::TProgressBar() : FEnabled(StderrIsTerminal()) {}

void TProgressBar::SetText(const AnsiString& text) {
  FText = HostText(text);
  Draw();
}

void TProgressBar::SetPercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == FPercent && FShown) return;
  FPercent = percent;
  Draw();
}

void TProgressBar::Draw() {
  if (!FEnabled) return;
  constexpr int kWidth = 30;
  int filled = FPercent * kWidth / 100;
  std::string bar(filled, '#');
  bar.append(kWidth - filled, '.');
  // The end of a long name, cut where a UTF-8 character begins.
  std::string text = FText;
  if (text.size() > 40) {
    size_t from = text.size() - 37;
    while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80) ++from;
    text = "..." + text.substr(from);
  }
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", FPercent);
  DrawStatusLine("[" + bar + "] " + percent + " " + text);
  FShown = true;
}

void TProgressBar::Clear() {
  if (!FShown) return;
  ClearStatusLine();
  FShown = false;
}

}  // namespace arq
