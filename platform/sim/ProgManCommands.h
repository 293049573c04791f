#pragma once
// The command language of Program Manager's DDE execute transactions:
// "[CreateGroup(Name)][AddItem("C:\x.exe","Title","C:\x.exe")]": one or more
// bracketed commands, each a name and an optional parenthesised list of
// arguments separated by commas; an argument in double quotes may hold commas
// and parentheses, others end at the next comma or ')'. Blanks around
// arguments are dropped.

#include <string_view>
#include <vector>

#include "rtl/AnsiString.h"

namespace platform::sim {

struct TProgManCommand {
  rtl::AnsiString Name;
  std::vector<rtl::AnsiString> Args;
};

// False (and the commands read so far) when the text breaks the syntax.
bool ParseProgManCommands(std::string_view text, std::vector<TProgManCommand>& commands);

}  // namespace platform::sim
