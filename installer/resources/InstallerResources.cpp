// Lookup in the table the installer's resource generator writes.

#include "installer/resources/InstallerResources.h"

#include <memory>

#include "InstallerResourceData.h"
#include "rtl/Classes.h"

namespace installer {

namespace {

void LoadGraphic(ui::TGraphic& graphic, std::span<const uint8_t> bytes) {
  rtl::TMemoryStream stream;
  stream.Data().assign(bytes.begin(), bytes.end());
  graphic.LoadFromStream(stream);
}

}  // namespace

std::span<const uint8_t> FindInstallerResource(std::string_view name) {
  for (const TInstallerResourceEntry& entry : kInstallerResourceTable)
    if (entry.Name == name) return {entry.Data, entry.Size};
  return {};
}

void LoadPictureBytes(ui::TPicture& picture, std::span<const uint8_t> bytes) {
  std::unique_ptr<ui::TGraphic> graphic;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8)
    graphic = std::make_unique<ui::TJPEGImage>();
  else if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0)
    graphic = std::make_unique<ui::TIcon>();
  else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
    graphic = std::make_unique<ui::TBitmap>();
  else
    throw ui::EInvalidGraphic("Unknown picture resource");
  LoadGraphic(*graphic, bytes);
  picture.SetGraphic(graphic.get());
}

void LoadBitmapBytes(ui::TBitmap& bitmap, std::span<const uint8_t> bytes) { LoadGraphic(bitmap, bytes); }

}  // namespace installer
