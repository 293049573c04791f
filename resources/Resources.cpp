// Lookup in the table that the resource generator writes.

#include "resources/Resources.h"

#include <string>

#include "ResourceData.h"
#include "rtl/Classes.h"

namespace resources {

std::span<const uint8_t> FindResource(std::string_view name) {
  for (const TResourceEntry& entry : kResourceTable)
    if (entry.Name == name) return {entry.Data, entry.Size};
  return {};
}

ui::TBitmap BitmapResource(std::string_view name) {
  const std::span<const uint8_t> bytes = FindResource(name);
  if (bytes.empty()) throw EResNotFound("Resource " + std::string(name) + " not found");
  rtl::TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.Seek(0, rtl::soBeginning);
  ui::TBitmap bitmap;
  bitmap.LoadFromStream(stream);
  return bitmap;
}

}  // namespace resources
