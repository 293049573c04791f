#pragma once
// The string table of a Windows executable's version resource: the value
// `name` of the first translation listed in \VarFileInfo\Translation, as
// VerQueryValue gives "\StringFileInfo\<lang><codepage>\<name>". "" when the
// file is no PE image, has no version resource, or lacks the value; damaged
// files give "" too, never a read outside the bytes.

#include <string_view>

#include "rtl/AnsiString.h"

namespace platform::sim {

rtl::AnsiString VersionString(std::string_view image, std::string_view name);

}  // namespace platform::sim
