// String, number and Windows-path helpers over Windows-1252 text.

#include "rtl/SysUtils.h"

#include <algorithm>
#include <cstdlib>
#include <compare>
#include <limits>
#include <type_traits>
#include <vector>

#include "rtl/Exceptions.h"

namespace rtl {

namespace {

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// Windows-1252 letter pairs outside the plain a-z / 0xE0-0xFE runs.
int UpperByte(int b) {
  if (b >= 'a' && b <= 'z') return b - 0x20;
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return b - 0x20;  // à..þ, not ÷
  switch (b) {
    case 0x9A: return 0x8A;  // š
    case 0x9C: return 0x8C;  // œ
    case 0x9E: return 0x8E;  // ž
    case 0xFF: return 0x9F;  // ÿ
    default: return b;       // ß and µ have no capital here
  }
}

int LowerByte(int b) {
  if (b >= 'A' && b <= 'Z') return b + 0x20;
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return b + 0x20;  // À..Þ, not ×
  switch (b) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return b;
  }
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

bool IsBlank(char c) { return Byte(c) <= ' '; }

// The integer grammar of the platform's conversion: leading spaces, optional
// sign, then decimal digits or "$" / "0x" / "0X" and hex digits, up to the end.
// Decimal must fit [min, max]; hex may use all the bits of the unsigned type
// and wraps into the signed one.
template <typename TSigned>
bool ParseInteger(std::string_view s, TSigned& value) {
  using TUnsigned = std::make_unsigned_t<TSigned>;
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return false;

  TUnsigned magnitude = 0;
  const TUnsigned limit = hex ? std::numeric_limits<TUnsigned>::max()
                              : static_cast<TUnsigned>(std::numeric_limits<TSigned>::max()) + (negative ? 1 : 0);
  const unsigned base = hex ? 16 : 10;
  for (; i < s.size(); ++i) {
    char c = s[i];
    unsigned digit;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else return false;
    if (magnitude > (limit - digit) / base) return false;
    magnitude = static_cast<TUnsigned>(magnitude * base + digit);
  }
  if (negative) magnitude = static_cast<TUnsigned>(TUnsigned(0) - magnitude);
  value = static_cast<TSigned>(magnitude);
  return true;
}

[[noreturn]] void InvalidInteger(std::string_view s) {
  throw EConvertError("'" + AnsiString(s) + "' is not a valid integer value");
}

// Collation of AnsiCompareText: letters sort by their base letter with
// accents and case ignored, accents only break ties; digits come before
// letters and other characters before digits.
struct TCollation {
  // Primary weight of each byte and, for the few letters that expand
  // (æ, œ, ß, þ), a second primary weight.
  uint16_t Primary[256][2];
  uint8_t Secondary[256];
  constexpr TCollation() : Primary{}, Secondary{} {
    for (int b = 0; b < 256; ++b) {
      Primary[b][0] = static_cast<uint16_t>(b);
      Primary[b][1] = 0;
      Secondary[b] = 0;
    }
    for (int d = 0; d < 10; ++d) Primary['0' + d][0] = static_cast<uint16_t>(0x300 + d);
    for (int l = 0; l < 26; ++l) {
      Primary['a' + l][0] = Primary['A' + l][0] = Letter('a' + l);
    }
    // Accented letters: base letter and an accent rank.
    const char* bases =
        // 0xC0..0xFF
        "aaaaaa\0ceeeeiiii\0nooooo\0ouuuuy\0\0aaaaaa\0ceeeeiiii\0nooooo\0ouuuuy\0y";
    for (int b = 0xC0; b <= 0xFF; ++b) {
      char base = bases[b - 0xC0];
      if (base == 0) continue;
      Primary[b][0] = Letter(base);
      Secondary[b] = static_cast<uint8_t>(1 + (b & 0x1F));  // same for both cases
    }
    SetLetter(0x8A, 's', 1);  // Š
    SetLetter(0x9A, 's', 1);  // š
    SetLetter(0x8E, 'z', 1);  // Ž
    SetLetter(0x9E, 'z', 1);  // ž
    SetLetter(0x9F, 'y', 5);  // Ÿ
    SetLetter(0x83, 'f', 1);  // ƒ
    SetLetter(0xD0, 'd', 1);  // Ð
    SetLetter(0xF0, 'd', 1);  // ð
    SetPair(0xC6, 'a', 'e');  // Æ
    SetPair(0xE6, 'a', 'e');  // æ
    SetPair(0x8C, 'o', 'e');  // Œ
    SetPair(0x9C, 'o', 'e');  // œ
    SetPair(0xDF, 's', 's');  // ß
    SetPair(0xDE, 't', 'h');  // Þ
    SetPair(0xFE, 't', 'h');  // þ
  }
  static constexpr uint16_t Letter(int base) { return static_cast<uint16_t>(0x400 + (base - 'a')); }
  constexpr void SetLetter(int b, char base, uint8_t accent) {
    Primary[b][0] = Letter(base);
    Secondary[b] = accent;
  }
  constexpr void SetPair(int b, char first, char second) {
    Primary[b][0] = Letter(first);
    Primary[b][1] = Letter(second);
    Secondary[b] = 33;
  }
};

constexpr TCollation kCollation;

template <typename TFn>
void ForEachPrimary(std::string_view s, TFn&& fn) {
  for (char c : s) {
    const auto& p = kCollation.Primary[Byte(c)];
    fn(p[0]);
    if (p[1]) fn(p[1]);
  }
}

int CollatePrimary(std::string_view a, std::string_view b) {
  std::vector<uint16_t> ka, kb;
  ka.reserve(a.size());
  kb.reserve(b.size());
  ForEachPrimary(a, [&](uint16_t w) { ka.push_back(w); });
  ForEachPrimary(b, [&](uint16_t w) { kb.push_back(w); });
  auto r = std::lexicographical_compare_three_way(ka.begin(), ka.end(), kb.begin(), kb.end());
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

char AnsiUpperChar(char c) { return static_cast<char>(UpperByte(Byte(c))); }
char AnsiLowerChar(char c) { return static_cast<char>(LowerByte(Byte(c))); }

AnsiString UpperCase(std::string_view s) {
  AnsiString r(s);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

AnsiString LowerCase(std::string_view s) {
  AnsiString r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  return r;
}

AnsiString AnsiUpperCase(std::string_view s) {
  AnsiString r(s);
  for (char& c : r) c = AnsiUpperChar(c);
  return r;
}

AnsiString AnsiLowerCase(std::string_view s) {
  AnsiString r(s);
  for (char& c : r) c = AnsiLowerChar(c);
  return r;
}

AnsiString Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

AnsiString TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return AnsiString(s.substr(i));
}

AnsiString TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return AnsiString(s.substr(0, n));
}

AnsiString IntToStr(int64_t value) { return std::to_string(value); }

AnsiString IntToHex(int64_t value, int digits) {
  // Negative values show their 32-bit form when they fit in 32 bits.
  uint64_t bits = value < 0 && value >= std::numeric_limits<int32_t>::min()
                      ? static_cast<uint32_t>(value)
                      : static_cast<uint64_t>(value);
  static constexpr char kHex[] = "0123456789ABCDEF";
  char buffer[16];
  int n = 0;
  do {
    buffer[n++] = kHex[bits & 15];
    bits >>= 4;
  } while (bits != 0);
  digits = std::clamp(digits, 0, 32);
  AnsiString r(static_cast<std::size_t>(std::max(digits - n, 0)), '0');
  while (n > 0) r += buffer[--n];
  return r;
}

bool TryStrToInt(std::string_view s, int32_t& value) { return ParseInteger(s, value); }
bool TryStrToInt64(std::string_view s, int64_t& value) { return ParseInteger(s, value); }

int32_t StrToInt(std::string_view s) {
  int32_t v;
  if (!TryStrToInt(s, v)) InvalidInteger(s);
  return v;
}

int64_t StrToInt64(std::string_view s) {
  int64_t v;
  if (!TryStrToInt64(s, v)) InvalidInteger(s);
  return v;
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
  int32_t v;
  return TryStrToInt(s, v) ? v : def;
}

int32_t IniStrToIntDef(std::string_view s, int32_t def) {
  // "0x1F" is read as "$1F"; "0x" alone stays as it is and fails.
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    return StrToIntDef("$" + AnsiString(s.substr(2)), def);
  return StrToIntDef(s, def);
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

int CompareText(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int d = Byte(AsciiUpper(a[i])) - Byte(AsciiUpper(b[i]));
    if (d != 0) return d;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

int CompareStr(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int d = Byte(a[i]) - Byte(b[i]);
    if (d != 0) return d;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  if (int r = CollatePrimary(a, b)) return r;
  // Same letters: the unaccented form first, then by accent.
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int d = kCollation.Secondary[Byte(a[i])] - kCollation.Secondary[Byte(b[i])];
    if (d != 0) return Sign(d);
  }
  return Sign(static_cast<int>(a.size()) - static_cast<int>(b.size()));
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  std::size_t p = s.find(sub);
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

AnsiString StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                         TReplaceFlags flags) {
  if (oldPattern.empty()) return AnsiString(s);
  AnsiString searchIn, pattern;
  if (flags & rfIgnoreCase) {
    searchIn = AnsiUpperCase(s);
    pattern = AnsiUpperCase(oldPattern);
  } else {
    searchIn = AnsiString(s);
    pattern = AnsiString(oldPattern);
  }
  AnsiString result;
  std::size_t from = 0;
  while (true) {
    std::size_t p = searchIn.find(pattern, from);
    if (p == AnsiString::npos) break;
    result.append(s.substr(from, p - from));
    result.append(newPattern);
    from = p + pattern.size();
    if (!(flags & rfReplaceAll)) break;
  }
  result.append(s.substr(from));
  return result;
}

namespace {

// 0-based index of the last character of `delimiters` in s, or npos.
std::size_t LastDelimiter(std::string_view delimiters, std::string_view s) {
  return s.find_last_of(delimiters);
}

}  // namespace

AnsiString ExtractFileDrive(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return AnsiString(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // "\\server\share": up to, not including, the backslash after the share name.
    std::size_t i = 2;
    for (int seen = 0; i + 1 < path.size() && seen < 2;) {
      if (path[i] == '\\') ++seen;
      if (seen < 2) ++i;
    }
    if (i < path.size() && path[i] == '\\') --i;
    return AnsiString(path.substr(0, i + 1));
  }
  return AnsiString();
}

AnsiString ExtractFilePath(std::string_view path) {
  std::size_t i = LastDelimiter("\\:", path);
  return i == std::string_view::npos ? AnsiString() : AnsiString(path.substr(0, i + 1));
}

AnsiString ExtractFileDir(std::string_view path) {
  std::size_t i = LastDelimiter("\\:", path);
  if (i == std::string_view::npos) return AnsiString();
  // A root ("C:\", "\") keeps its backslash.
  if (i > 0 && path[i] == '\\' && path[i - 1] != '\\' && path[i - 1] != ':') return AnsiString(path.substr(0, i));
  return AnsiString(path.substr(0, i + 1));
}

AnsiString ExtractFileName(std::string_view path) {
  std::size_t i = LastDelimiter("\\:", path);
  return AnsiString(i == std::string_view::npos ? path : path.substr(i + 1));
}

AnsiString ExtractFileExt(std::string_view path) {
  std::size_t i = LastDelimiter(".\\:", path);
  if (i == std::string_view::npos || path[i] != '.') return AnsiString();
  return AnsiString(path.substr(i));
}

AnsiString ChangeFileExt(std::string_view path, std::string_view ext) {
  std::size_t i = LastDelimiter(".\\:", path);
  if (i == std::string_view::npos || path[i] != '.') i = path.size();
  return AnsiString(path.substr(0, i)) + AnsiString(ext);
}

bool IsPathDelimiter(std::string_view s, std::size_t index) { return index < s.size() && s[index] == '\\'; }

AnsiString IncludeTrailingBackslash(std::string_view path) {
  AnsiString r(path);
  if (r.empty() || r.back() != '\\') r += '\\';
  return r;
}

AnsiString ExcludeTrailingBackslash(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return AnsiString(path);
}

}  // namespace rtl
