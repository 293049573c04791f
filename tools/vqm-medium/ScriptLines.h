#pragma once
// A setup script's lines as the profile reader sees them: which line opens a
// section, which one is a key (and of which section), and on which line the
// reader finds a section or a key that the installer asks for. Everything is
// learnt from the reader itself, by reading the script up to each line, so the
// answers follow the reader's rules whatever they are.

#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/IniText.h"

namespace vqmmedium {

using rtl::AnsiString;

class TScriptLines {
 public:
  enum TKind { lkOther, lkSection, lkKey };
  struct TLine {
    TKind Kind = lkOther;
    int Section = -1;  // index in Ini().Sections()
    int Key = -1;      // index in that section's keys
  };

  explicit TScriptLines(std::string text);

  int Count() const { return static_cast<int>(FEnds.size()); }
  // Line n (from 1) without its line end.
  std::string_view Text(int n) const;
  const TLine& Info(int n) const { return FInfo[n - 1]; }
  const platform::sim::TIniText& Ini() const { return FIni; }
  const std::string& Bytes() const { return FText; }

  // The line of the section header the reader takes for `section`; 0 when none.
  int SectionLine(std::string_view section) const;
  // The line of the key the reader finds for (section, key); 0 when none.
  int KeyLine(std::string_view section, std::string_view key) const;

 private:
  std::string_view Prefix(int lines) const;
  // The smallest number of lines whose text satisfies `found` (monotonic); 0 when none.
  template <typename F>
  int FirstPrefix(F found) const;

  std::string FText;
  std::vector<size_t> FEnds;  // offset just past each line's end
  std::vector<TLine> FInfo;
  platform::sim::TIniText FIni;
};

}  // namespace vqmmedium
