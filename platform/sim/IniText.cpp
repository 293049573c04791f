// Profile text reading.

#include "platform/sim/IniText.h"

#include "platform/sim/WinPath.h"
#include "rtl/SysUtils.h"

namespace platform::sim {

namespace {

// The names a caller asks for lose their blanks and tabs, as the names in the file do.
std::string_view TrimName(std::string_view name) {
  const std::size_t first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return name.substr(first, name.find_last_not_of(" \t") - first + 1);
}

}  // namespace

TIniText::TIniText(std::string_view text, TSemicolon semicolon) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const AnsiString line = rtl::Trim(text.substr(pos, end - pos));
    pos = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);

    if (line.empty() || (line[0] == ';' && semicolon == TSemicolon::Comment)) continue;
    if (line[0] == '[') {
      const std::size_t close = line.rfind(']');
      FSections.push_back({rtl::Trim(line.substr(1, close == AnsiString::npos ? AnsiString::npos : close - 1)), {}});
      continue;
    }
    // Lines before the first section belong to a nameless one.
    if (FSections.empty()) FSections.push_back({});
    const std::size_t eq = line.find('=');
    if (eq == AnsiString::npos) continue;
    FSections.back().Keys.emplace_back(rtl::Trim(line.substr(0, eq)), rtl::Trim(line.substr(eq + 1)));
  }
}

const TIniText::TSection* TIniText::Section(std::string_view name) const {
  name = TrimName(name);
  for (const TSection& s : FSections)
    if (SameName(s.Name, name)) return &s;
  return nullptr;
}

bool TIniText::Find(std::string_view section, std::string_view key, AnsiString& value) const {
  const TSection* s = Section(section);
  if (!s) return false;
  key = TrimName(key);
  for (const auto& [k, v] : s->Keys)
    if (SameName(k, key)) {
      value = v;
      return true;
    }
  return false;
}

uint32_t ProfileString(std::string_view fileText, std::string_view section, std::string_view key,
                       std::string_view defaultValue, AnsiString& result, uint32_t size) {
  return ProfileString(TIniText(fileText, TIniText::TSemicolon::Key), section, key, defaultValue, result, size);
}

uint32_t ProfileString(const TIniText& profile, std::string_view section, std::string_view key,
                       std::string_view defaultValue, AnsiString& result, uint32_t size) {
  AnsiString value;
  if (profile.Find(section, key, value)) {
    if (value.size() > 1 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
      value = value.substr(1, value.size() - 2);
  } else {
    // Windows cuts the default's trailing blanks.
    value = defaultValue;
    while (!value.empty() && value.back() == ' ') value.pop_back();
  }
  if (size == 0) {
    result.clear();
    return 0;
  }
  if (value.size() > size - 1) value.resize(size - 1);
  result = value;
  return static_cast<uint32_t>(value.size());
}

}  // namespace platform::sim
