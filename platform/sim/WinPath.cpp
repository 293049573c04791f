// Windows path parsing and FindFirstFile pattern matching.

#include "platform/sim/WinPath.h"

#include <algorithm>

#include "rtl/SysUtils.h"

namespace platform::sim {

namespace {

constexpr std::size_t kMaxName = 255;
constexpr std::size_t kMaxPath = 259;  // MAX_PATH less the terminating NUL

bool IsDeviceName(std::string_view name) {
  // "NUL", "nul.txt", "COM1 .log": the part before the first dot, blanks dropped.
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const AnsiString upper = rtl::UpperCase(base);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

// Checks one name and drops its trailing dots and blanks.
DWORD CleanName(AnsiString& name, bool wildcardsAllowed) {
  const bool pattern = wildcardsAllowed && HasWildcards(name);
  // "*." means "names without an extension": a pattern keeps its dots.
  if (!pattern)
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.empty()) return ERROR_INVALID_NAME;
  if (name.size() > kMaxName) return ERROR_FILENAME_EXCED_RANGE;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || ch == '<' || ch == '>' || ch == ':' || ch == '"' || ch == '|')
      return ERROR_INVALID_NAME;
    if ((ch == '*' || ch == '?') && !wildcardsAllowed) return ERROR_INVALID_NAME;
  }
  if (!pattern && IsDeviceName(name)) return ERROR_INVALID_NAME;
  return ERROR_SUCCESS;
}

}  // namespace

TWinPath TWinPath::Parent() const {
  TWinPath p{Drive, Parts, false};
  if (!p.Parts.empty()) p.Parts.pop_back();
  return p;
}

TWinPath TWinPath::Child(const AnsiString& name) const {
  TWinPath p{Drive, Parts, false};
  p.Parts.push_back(name);
  return p;
}

AnsiString TWinPath::Text() const {
  AnsiString s{Drive, ':', '\\'};
  for (std::size_t i = 0; i < Parts.size(); ++i) {
    if (i > 0) s += '\\';
    s += Parts[i];
  }
  return s;
}

TWinPath TCurrentDirs::Of(char drive) const {
  TWinPath p;
  p.Drive = drive;
  p.Parts = Dirs[static_cast<std::size_t>(drive - 'A')];
  return p;
}

void TCurrentDirs::Set(const TWinPath& path) {
  Drive = path.Drive;
  Dirs[static_cast<std::size_t>(path.Drive - 'A')] = path.Parts;
}

bool HasWildcards(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

DWORD ParseWinPath(std::string_view path, const TCurrentDirs& current, TWildcards wildcards,
                   TWinPath& result) {
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  AnsiString text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  if (text.starts_with("\\\\")) {
    // "\\?\" and "\\.\" reach the object namespace, which this machine does not have.
    if (text.size() >= 4 && (text[2] == '?' || text[2] == '.') && text[3] == '\\')
      return ERROR_INVALID_NAME;
    return ERROR_BAD_NETPATH;
  }

  TWinPath out;
  std::string_view rest = text;
  if (rest.size() >= 2 && rest[1] == ':') {
    const char letter = rtl::UpperCase(rest.substr(0, 1))[0];
    if (letter < 'A' || letter > 'Z') return ERROR_INVALID_NAME;
    rest.remove_prefix(2);
    out = rest.starts_with('\\') ? TWinPath{letter, {}, false} : current.Of(letter);
  } else {
    out = current.Current();
    if (rest.starts_with('\\')) out.Parts.clear();
  }

  std::vector<AnsiString> names;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string_view::npos) end = rest.size();
    // Runs of separators count as one.
    if (end > start) names.emplace_back(rest.substr(start, end - start));
    start = end + 1;
  }
  out.TrailingSeparator = !names.empty() && rest.ends_with('\\');

  for (std::size_t i = 0; i < names.size(); ++i) {
    AnsiString& name = names[i];
    if (name == ".") continue;
    if (name == "..") {
      if (!out.Parts.empty()) out.Parts.pop_back();
      continue;
    }
    const bool last = i + 1 == names.size() && !out.TrailingSeparator;
    if (DWORD error = CleanName(name, last && wildcards == wcInLastPart); error != ERROR_SUCCESS)
      return error;
    out.Parts.push_back(std::move(name));
  }
  if (out.Text().size() > kMaxPath) return ERROR_FILENAME_EXCED_RANGE;
  result = std::move(out);
  return ERROR_SUCCESS;
}

AnsiString FoldCase(std::string_view name) { return rtl::AnsiUpperCase(name); }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (rtl::AnsiUpperChar(a[i]) != rtl::AnsiUpperChar(b[i])) return false;
  return true;
}

namespace {

// Pattern tokens after the translation FindFirstFile makes before matching.
enum TToken : char {
  tkStar = 1,     // '*': any run of characters
  tkDosStar = 2,  // '*' before '.': any run that stops short of the name's last dot
  tkDosQm = 3,    // '?': one character, or nothing at a dot or at the end
  tkDosDot = 4,   // '.' before a wildcard or at the end: a dot, or nothing at the end
};

class TMatcher {
 public:
  TMatcher(std::string_view pattern, std::string_view name) : FName(name) {
    if (pattern == "*.*") pattern = "*";
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      const char c = pattern[i];
      const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
      if (c == '?')
        FPattern += tkDosQm;
      else if (c == '.' && (next == '?' || next == '*' || next == '\0'))
        FPattern += tkDosDot;
      else if (c == '*')
        FPattern += next == '.' ? tkDosStar : tkStar;
      else
        FPattern += rtl::AnsiUpperChar(c);
    }
    FLastDot = name.rfind('.');
    FMemo.assign((FPattern.size() + 1) * (name.size() + 1), -1);
  }

  bool Match(std::size_t p, std::size_t n) {
    signed char& memo = FMemo[p * (FName.size() + 1) + n];
    if (memo < 0) memo = Step(p, n) ? 1 : 0;
    return memo == 1;
  }

 private:
  bool Step(std::size_t p, std::size_t n) {
    const std::size_t len = FName.size();
    if (p == FPattern.size()) return n == len;
    switch (FPattern[p]) {
      case tkStar:
        for (std::size_t k = n; k <= len; ++k)
          if (Match(p + 1, k)) return true;
        return false;
      case tkDosStar: {
        const std::size_t limit = FLastDot != std::string_view::npos && FLastDot >= n ? FLastDot : len;
        for (std::size_t k = n; k <= limit; ++k)
          if (Match(p + 1, k)) return true;
        return false;
      }
      case tkDosQm:
        if (n == len || FName[n] == '.') return Match(p + 1, n);
        return Match(p + 1, n + 1);
      case tkDosDot:
        if (n == len) return Match(p + 1, n);
        return FName[n] == '.' && Match(p + 1, n + 1);
      default:
        return n < len && rtl::AnsiUpperChar(FName[n]) == FPattern[p] && Match(p + 1, n + 1);
    }
  }

  std::string_view FName;
  AnsiString FPattern;
  std::size_t FLastDot;
  std::vector<signed char> FMemo;
};

}  // namespace

bool MatchesPattern(std::string_view pattern, std::string_view name) {
  TMatcher matcher(pattern, name);
  return matcher.Match(0, 0);
}

}  // namespace platform::sim
