// The screen image shared by the displays, and the choice of a display.

#include "ui/Display.h"

#include <algorithm>
#include <cstring>

namespace ui {

void TScreenImage::Create(HWND window, const TRect& bounds) { FWindows[window].Bounds = bounds; }

void TScreenImage::Destroy(HWND window) {
  FWindows.erase(window);
  FOrder.erase(std::remove(FOrder.begin(), FOrder.end(), window), FOrder.end());
}

void TScreenImage::SetBounds(HWND window, const TRect& bounds) {
  if (auto it = FWindows.find(window); it != FWindows.end()) it->second.Bounds = bounds;
}

void TScreenImage::Show(HWND window, bool visible) {
  if (auto it = FWindows.find(window); it != FWindows.end()) it->second.Visible = visible;
}

void TScreenImage::SetRegion(HWND window, const std::optional<TRegion>& region) {
  if (auto it = FWindows.find(window); it != FWindows.end()) it->second.Region = region;
}

void TScreenImage::Present(HWND window, const TBitmap& image, const TRect& dirty) {
  auto it = FWindows.find(window);
  if (it == FWindows.end()) return;
  TBitmap& own = it->second.Image;
  if (own.Width() != image.Width() || own.Height() != image.Height()) {
    own = image;
    return;
  }
  const TRect r = IntersectRect(dirty, Rect(0, 0, image.Width(), image.Height()));
  for (int y = r.Top; y < r.Bottom; ++y)
    std::memcpy(own.ScanLine(y) + r.Left, image.ScanLine(y) + r.Left, sizeof(TPixel) * r.Width());
}

const TScreenImage::TWindow* TScreenImage::Window(HWND window) const {
  auto it = FWindows.find(window);
  return it == FWindows.end() ? nullptr : &it->second;
}

TBitmap TScreenImage::Compose(TSize screen) const {
  TBitmap out(screen.cx, screen.cy);
  out.Fill(ColorToRGB(clBackground));
  for (HWND h : FOrder) {
    const TWindow* w = Window(h);
    if (!w || !w->Visible || w->Image.Width() == 0) continue;
    // The last picture may be larger than the window now is (a window shrunk
    // to nothing presents no new one).
    const TRect whole = Rect(0, 0, std::min(w->Image.Width(), w->Bounds.Width()),
                             std::min(w->Image.Height(), w->Bounds.Height()));
    const std::vector<TRect> parts = w->Region ? w->Region->Rects() : std::vector<TRect>{whole};
    for (TRect part : parts) {
      part = IntersectRect(part, whole);
      part.Offset(w->Bounds.Left, w->Bounds.Top);
      part = IntersectRect(part, Rect(0, 0, screen.cx, screen.cy));
      for (int y = part.Top; y < part.Bottom; ++y)
        std::memcpy(out.ScanLine(y) + part.Left,
                    w->Image.ScanLine(y - w->Bounds.Top) + (part.Left - w->Bounds.Left),
                    sizeof(TPixel) * part.Width());
    }
  }
  return out;
}

}  // namespace ui
