// Fuzz target: any bytes as a picture file. The first byte picks the loader
// (BMP with its RLE forms, ICO, JPEG, WMF and EMF, PNG), the rest is the
// file, loaded from memory and drawn once. A damaged picture is the
// graphic's error; crashes, leaks, hangs and huge allocations are findings.

#include <cstdint>
#include <memory>

#include "rtl/Classes.h"
#include "ui/Graphics.h"
#include "ui/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::unique_ptr<ui::TGraphic> graphic;
  switch (data[0] % 5) {
    case 0:
      graphic = std::make_unique<ui::TBitmap>();
      break;
    case 1:
      graphic = std::make_unique<ui::TIcon>();
      break;
    case 2:
      graphic = std::make_unique<ui::TJPEGImage>();
      break;
    case 3:
      graphic = std::make_unique<ui::TMetafile>();
      break;
    default:
      graphic = std::make_unique<ui::TPngImage>();
      break;
  }
  rtl::TMemoryStream stream;
  stream.WriteBuffer(data + 1, static_cast<int32_t>(size - 1));
  stream.Seek(0, rtl::soBeginning);
  try {
    graphic->LoadFromStream(stream);
  } catch (const rtl::Exception&) {
    return 0;  // a damaged picture: what is expected
  }
  // Drawn into a small bitmap, as a window would.
  ui::TBitmap target;
  target.SetSize(32, 32);
  graphic->Draw(target.Canvas(), ui::TRect{0, 0, 32, 32});
  return 0;
}
