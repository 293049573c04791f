#pragma once
// TVrFormShape: cuts its borderless form to the non-mask pixels of a picture,
// paints that picture as the form's skin, and drags the form by it.

#include <cstdint>
#include <vector>

#include "components/VrControls.h"
#include "rtl/Classes.h"

// The region of a mask picture, scanned row by row. Each run of pixels that
// are not the mask colour gives the rectangle (start + 1, y, end, y + 1):
// the run's first pixel is left out, and a run reaching the last column
// stops before it.
ui::TRegion RegionFromMask(const ui::TBitmap& mask, ui::TColor maskColor);

// A region as Windows' RGNDATA bytes (32-byte header, then the rectangles).
class TVrRgnData {
 public:
  const std::vector<uint8_t>& Bytes() const { return FBytes; }
  void SetBytes(std::vector<uint8_t> bytes) { FBytes = std::move(bytes); }
  int32_t Size() const { return static_cast<int32_t>(FBytes.size()); }
  bool Empty() const { return FBytes.empty(); }

  // As stored with a window: a 32-bit little-endian byte count, then the bytes.
  // A count that is negative or beyond the stream raises EReadError and
  // leaves the data as it was.
  void ReadData(rtl::TStream& stream);
  void WriteData(rtl::TStream& stream) const;

 private:
  std::vector<uint8_t> FBytes;
};

class TVrFormShape : public TVrGraphicImageControl {
 public:
  explicit TVrFormShape(rtl::TComponent* owner);
  const char* ClassName() const override { return "TVrFormShape"; }

  // Only a form can be the parent; its border goes.
  void SetParent(ui::TWinControl* parent) override;

  const ui::TBitmap& Mask() const { return FMask; }
  void SetMask(const ui::TBitmap& mask);
  // The control's Color under another name.
  ui::TColor MaskColor() const { return Color(); }
  void SetMaskColor(ui::TColor value);

  // The region data, as the window description stores it ("RgnData").
  const TVrRgnData& RgnData() const { return FRgnData; }
  void ReadRgnData(rtl::TStream& stream) { FRgnData.ReadData(stream); }
  void WriteRgnData(rtl::TStream& stream) const { FRgnData.WriteData(stream); }

  // Applies the stored region data once the window description is loaded.
  void Loaded() override;

 protected:
  void Paint() override;
  void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;

 private:
  void BuildRegion();
  void ApplyRegion();

  ui::TBitmap FMask;
  TVrRgnData FRgnData;
};
