#pragma once
// Profile (INI) text as Windows reads it: "[section]" lines naming the text
// up to the last ']' of the line, "key=value" lines; sections and keys found
// without regard to case and to blanks and tabs around the names asked for, the
// first of repeated ones winning. To the profile reader a line beginning with
// ';' is a key like any other (its name begins with ';'); the machine's own
// settings files read such lines as comments.

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

  enum class TSemicolon { Key, Comment };

  TIniText() = default;
  explicit TIniText(std::string_view text, TSemicolon semicolon = TSemicolon::Comment);

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
// The same over a text read already (with TSemicolon::Key).
uint32_t ProfileString(const TIniText& profile, std::string_view section, std::string_view key,
                       std::string_view defaultValue, AnsiString& result, uint32_t size);

}  // namespace platform::sim
