// Program Manager command parsing.

#include "platform/sim/ProgManCommands.h"

#include "rtl/SysUtils.h"

namespace platform::sim {

bool ParseProgManCommands(std::string_view text, std::vector<TProgManCommand>& commands) {
  std::size_t pos = 0;
  auto skipBlanks = [&] {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
      ++pos;
  };
  skipBlanks();
  if (pos == text.size()) return false;
  while (pos < text.size()) {
    if (text[pos] != '[') return false;
    ++pos;
    TProgManCommand command;
    const std::size_t nameEnd = text.find_first_of("(]", pos);
    if (nameEnd == std::string_view::npos) return false;
    command.Name = rtl::Trim(text.substr(pos, nameEnd - pos));
    if (command.Name.empty()) return false;
    pos = nameEnd;
    if (text[pos] == '(') {
      ++pos;
      for (;;) {
        skipBlanks();
        rtl::AnsiString arg;
        if (pos < text.size() && text[pos] == '"') {
          const std::size_t close = text.find('"', pos + 1);
          if (close == std::string_view::npos) return false;
          arg = text.substr(pos + 1, close - pos - 1);
          pos = close + 1;
          skipBlanks();
        } else {
          const std::size_t end = text.find_first_of(",)", pos);
          if (end == std::string_view::npos) return false;
          arg = rtl::Trim(text.substr(pos, end - pos));
          pos = end;
        }
        if (pos >= text.size()) return false;
        command.Args.push_back(arg);
        if (text[pos] == ')') break;
        if (text[pos] != ',') return false;
        ++pos;
      }
      ++pos;
      // "()" carries no argument at all.
      if (command.Args.size() == 1 && command.Args[0].empty()) command.Args.clear();
    }
    skipBlanks();
    if (pos >= text.size() || text[pos] != ']') return false;
    ++pos;
    commands.push_back(std::move(command));
    skipBlanks();
  }
  return true;
}

}  // namespace platform::sim
