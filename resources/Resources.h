#pragma once
// Resources of the programs (pictures and the like) embedded at build time:
// named blobs of bytes, looked up by name. Pictures are BMP files.

#include <cstdint>
#include <span>
#include <string_view>

#include "rtl/Exceptions.h"
#include "ui/Graphics.h"

namespace resources {

RTL_EXCEPTION(EResNotFound, rtl::Exception);

// The progress strip's skin and shape: 595 x 35, black pieces on fuchsia.
inline constexpr std::string_view kStripMask = "STRIPMASK";
// The strip's abort button, 24 x 24 on fuchsia: mouse away, mouse over.
inline constexpr std::string_view kAbortLeave = "ABORTLEAVE";
inline constexpr std::string_view kAbortEnter = "ABORTENTER";

// The bytes of a resource (case-sensitive name); empty when there is none.
std::span<const uint8_t> FindResource(std::string_view name);
// A picture resource as a bitmap; raises EResNotFound "Resource NAME not found".
ui::TBitmap BitmapResource(std::string_view name);

}  // namespace resources
