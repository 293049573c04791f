#pragma once
// Reading profile (INI) files by their full path: text, integer and flag.
// Reads never fail: a missing file, section or key gives the default.

#include "platform/WinApi.h"

namespace platform {

class TIniFile {
 public:
  explicit TIniFile(AnsiString fileName) : FFileName(std::move(fileName)) {}
  const AnsiString& FileName() const { return FFileName; }

  // At most 2047 characters; blanks around the value and one pair of enclosing
  // quotes are removed by the profile reader.
  AnsiString ReadString(const AnsiString& section, const AnsiString& key,
                        const AnsiString& defaultValue) const;
  // Decimal with optional sign, or hexadecimal after "$", "0x" or "0X"; text
  // that does not convert as a whole gives the default.
  int32_t ReadInteger(const AnsiString& section, const AnsiString& key, int32_t defaultValue) const;
  // An integer; true when it is not 0.
  bool ReadBool(const AnsiString& section, const AnsiString& key, bool defaultValue) const;

 private:
  AnsiString FFileName;
};

}  // namespace platform
