// TVrFormShape: the shaped, skinned, draggable window.

#include "components/VrFormShape.h"

#include "rtl/Format.h"
#include "ui/Forms.h"

ui::TRegion RegionFromMask(const ui::TBitmap& mask, ui::TColor maskColor) {
  const ui::TColor c = ui::ColorToRGB(maskColor) & 0xFFFFFF;
  const int w = mask.Width(), h = mask.Height();
  std::vector<ui::TRect> rects;
  for (int y = 0; y < h; ++y) {
    const ui::TPixel* row = mask.ScanLine(y);
    auto isMask = [row, c](int x) { return ui::RGBFromPixel(row[x]) == c; };
    int x = 0;
    for (;;) {
      while (x < w - 1 && isMask(x)) ++x;
      const int start = x;
      ++x;
      while (x < w - 1 && !isMask(x)) ++x;
      const int end = x;
      if (start < w - 1 && start + 1 < end) rects.push_back(ui::Rect(start + 1, y, end, y + 1));
      if (x >= w - 1) break;
    }
  }
  return ui::TRegion::FromRects(rects);
}

void TVrRgnData::ReadData(rtl::TStream& stream) {
  int32_t count = 0;
  stream.ReadBuffer(&count, sizeof count);
  if (count < 0 || count > stream.Size() - stream.Position())
    throw rtl::EReadError(rtl::Format("Invalid region data size %d", {count}));
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  if (count > 0) stream.ReadBuffer(bytes.data(), count);
  FBytes = std::move(bytes);
}

void TVrRgnData::WriteData(rtl::TStream& stream) const {
  const int32_t count = Size();
  stream.WriteBuffer(&count, sizeof count);
  if (count > 0) stream.WriteBuffer(FBytes.data(), count);
}

TVrFormShape::TVrFormShape(rtl::TComponent* owner) : TVrGraphicImageControl(owner) {
  SetAlign(ui::alClient);
  SetParentColor(false);
  SetColor(0x008080);
  SetTransparent(true);
}

void TVrFormShape::SetParent(ui::TWinControl* parent) {
  auto* form = dynamic_cast<ui::TCustomForm*>(parent);
  if (parent && !form) throw rtl::Exception("VrFormShape requires a FORM as parent!");
  TVrGraphicImageControl::SetParent(parent);
  if (form) form->SetBorderStyle(ui::bsNone);
}

void TVrFormShape::Loaded() {
  TVrGraphicImageControl::Loaded();
  ApplyRegion();
}

void TVrFormShape::SetMask(const ui::TBitmap& mask) {
  FMask = mask;
  if (!Loading()) {
    BuildRegion();
    ApplyRegion();
  }
  UpdateControlCanvas();
}

void TVrFormShape::SetMaskColor(ui::TColor value) {
  if (value == Color()) return;
  SetColor(value);
  if (!Loading()) {
    BuildRegion();
    ApplyRegion();
  }
  UpdateControlCanvas();
}

void TVrFormShape::BuildRegion() {
  const ui::TCursor saved = ui::Screen ? ui::Screen->Cursor() : ui::crDefault;
  if (ui::Screen) ui::Screen->SetCursor(ui::crHourGlass);
  FRgnData.SetBytes(RegionFromMask(FMask, Color()).RegionData());
  if (ui::Screen) ui::Screen->SetCursor(saved);
}

void TVrFormShape::ApplyRegion() {
  auto* form = dynamic_cast<ui::TCustomForm*>(Parent());
  if (!form || FRgnData.Empty()) return;
  // Bad data, or data without a rectangle, leaves the window as it is.
  std::optional<ui::TRegion> region = ui::TRegion::FromRegionData(FRgnData.Bytes());
  if (!region || region->IsEmpty()) return;
  form->SetWindowRegion(region);
}

void TVrFormShape::Paint() {
  if (FMask.Empty())
    ClearBitmapCanvas();
  else
    BitmapCanvas().Canvas().Draw(0, 0, FMask);
  TVrGraphicImageControl::Paint();
}

void TVrFormShape::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
  // The press moves the window; OnMouseDown is never called.
  if (button != ui::mbLeft) return;
  auto* form = dynamic_cast<ui::TCustomForm*>(Parent());
  if (!form) return;
  SetMouseCapture(false);
  form->BeginDragMove();
}
