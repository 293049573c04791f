#pragma once
// Profile (INI) text as Windows reads it: "[section]" lines, "key=value"
// lines, ';' comments at the start of a line; sections and keys found without
// regard to case, the first of repeated ones winning. Used for the programs'
// profile files and for the machine's own settings.

#include <string_view>
#include <utility>
#include <vector>

#include "rtl/AnsiString.h"

namespace platform::sim {

using rtl::AnsiString;

class TIniText {
 public:
  struct TSection {
    AnsiString Name;
    std::vector<std::pair<AnsiString, AnsiString>> Keys;  // blanks trimmed, in file order
  };

  TIniText() = default;
  explicit TIniText(std::string_view text);

  // The first section of that name, or null.
  const TSection* Section(std::string_view name) const;
  // The trimmed value of the first matching key of the first matching section.
  // A line without '=' has no value and is not found.
  bool Find(std::string_view section, std::string_view key, AnsiString& value) const;
  const std::vector<TSection>& Sections() const { return FSections; }

 private:
  std::vector<TSection> FSections;
};

// GetPrivateProfileStringA on a file's text: the value without one pair of
// matching enclosing quotes, or the default without its trailing blanks;
// truncated to size - 1 characters. Returns the number of characters copied.
uint32_t ProfileString(std::string_view fileText, std::string_view section, std::string_view key,
                       std::string_view defaultValue, AnsiString& result, uint32_t size);

}  // namespace platform::sim
