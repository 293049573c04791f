// A script's lines against the profile reader's view of them.

#include "tools/vqm-medium/ScriptLines.h"

namespace vqmmedium {

TScriptLines::TScriptLines(std::string text) : FText(std::move(text)), FIni(FText) {
  for (size_t pos = 0; pos < FText.size();) {
    size_t end = FText.find('\n', pos);
    end = end == std::string::npos ? FText.size() : end + 1;
    FEnds.push_back(end);
    pos = end;
  }
  // Each line's part in the reader's structure: what reading one more line adds.
  size_t sections = 0, keys = 0;
  FInfo.resize(FEnds.size());
  for (int n = 1; n <= Count(); ++n) {
    const platform::sim::TIniText upTo(Prefix(n));
    const auto& all = upTo.Sections();
    const size_t lastKeys = all.empty() ? 0 : all.back().Keys.size();
    TLine& line = FInfo[n - 1];
    if (all.size() > sections) {
      // A header opens a section with no key; a key before any header opens a nameless one.
      line.Kind = lastKeys > 0 ? lkKey : lkSection;
      line.Section = static_cast<int>(all.size()) - 1;
      if (lastKeys > 0) line.Key = static_cast<int>(lastKeys) - 1;
    } else if (!all.empty() && lastKeys > keys) {
      line.Kind = lkKey;
      line.Section = static_cast<int>(all.size()) - 1;
      line.Key = static_cast<int>(lastKeys) - 1;
    }
    sections = all.size();
    keys = lastKeys;
  }
}

std::string_view TScriptLines::Text(int n) const {
  const size_t begin = n == 1 ? 0 : FEnds[n - 2];
  std::string_view line(FText.data() + begin, FEnds[n - 1] - begin);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

std::string_view TScriptLines::Prefix(int lines) const {
  return std::string_view(FText.data(), lines == 0 ? 0 : FEnds[lines - 1]);
}

template <typename F>
int TScriptLines::FirstPrefix(F found) const {
  if (Count() == 0 || !found(platform::sim::TIniText(Prefix(Count())))) return 0;
  int low = 1, high = Count();
  while (low < high) {
    const int mid = (low + high) / 2;
    if (found(platform::sim::TIniText(Prefix(mid)))) high = mid;
    else low = mid + 1;
  }
  return low;
}

int TScriptLines::SectionLine(std::string_view section) const {
  return FirstPrefix([&](const platform::sim::TIniText& ini) { return ini.Section(section) != nullptr; });
}

int TScriptLines::KeyLine(std::string_view section, std::string_view key) const {
  return FirstPrefix([&](const platform::sim::TIniText& ini) {
    AnsiString value;
    return ini.Find(section, key, value);
  });
}

}  // namespace vqmmedium
