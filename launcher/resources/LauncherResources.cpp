// Lookup in the table the launcher's resource generator writes.

#include "launcher/resources/LauncherResources.h"

#include <memory>
#include <string>

#include "LauncherResourceData.h"
#include "rtl/Classes.h"

namespace launcher {

std::span<const uint8_t> FindLauncherResource(std::string_view name) {
  for (const TLauncherResourceEntry& entry : kLauncherResourceTable)
    if (entry.Name == name) return {entry.Data, entry.Size};
  return {};
}

void LoadLauncherPicture(ui::TPicture& picture, std::string_view name) {
  const std::span<const uint8_t> bytes = FindLauncherResource(name);
  std::unique_ptr<ui::TGraphic> graphic;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8)
    graphic = std::make_unique<ui::TJPEGImage>();
  else if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0)
    graphic = std::make_unique<ui::TIcon>();
  else
    throw ui::EInvalidGraphic("No picture resource " + std::string(name));
  rtl::TMemoryStream stream;
  stream.Data().assign(bytes.begin(), bytes.end());
  graphic->LoadFromStream(stream);
  picture.SetGraphic(graphic.get());
}

}  // namespace launcher
