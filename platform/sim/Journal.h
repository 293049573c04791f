#pragma once
// journal.log: one line per outward effect of the machine that leaves no
// other trace, UTF-8, appended (O_APPEND, one write per line) so that several
// processes can share it. A line is a kind, ':' and fields:
//   dde: service="PROGMAN" topic="PROGMAN" command="[CreateGroup(X)]" result="ok"
//   winexec: command="PROGMAN PROGMAN" dir="C:\" show=7 result=33
//   shellexecute: verb="print" file="manual.htm" parameters="" dir="D:\" show=1 result=42
//   sound: open file="C:\x\change.wav" device=1 result=0   (also play, close)
//   exitwindows: flags=0x00000006 reason=0x00000000
//   beep: type=0x00000030
//   msgbox: type=0x00002030 caption="Atenção" text="..." answer=1
// In quoted fields a '"' is doubled and control characters are written \xHH.

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/AnsiString.h"

namespace platform::sim {

class TJournal {
 public:
  explicit TJournal(std::string fileName) : FFileName(std::move(fileName)) {}
  // Appends one line (UTF-8, without the line break).
  void Add(const std::string& line);
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
};

// A quoted journal field of a Windows text: "...".
std::string JournalText(const rtl::AnsiString& text);
std::string JournalHex(uint32_t value);  // 0x0000002A

// The lines of a machine's journal (empty when there is none).
std::vector<std::string> ReadJournal(const std::string& machineDir);

}  // namespace platform::sim
