// TMDIWallpaper: the picture behind a form's controls.

#include "components/MDIWallp.h"

#include <algorithm>

#include "rtl/Format.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/MDIClient.h"

using ui::TColor;

int TilePhase(int offset, int tileSize) {
  if (tileSize == 0 || offset == 0) return 0;
  return offset > 0 ? offset % tileSize - tileSize : offset % tileSize;
}

void ForEachTile(const TTiling& t, int width, int height, const std::function<void(int x, int y)>& draw) {
  if (t.TileWidth <= 0 || t.TileHeight <= 0) return;
  // smColumns is smRows with the axes exchanged.
  const bool rows = t.ShiftMode == smRows;
  const int along = rows ? t.TileWidth : t.TileHeight;    // tile size along a row
  const int across = rows ? t.TileHeight : t.TileWidth;   // tile size from row to row
  const int offAcross = rows ? t.VertOffset : t.HorzOffset;
  const int phaseAlong = TilePhase(rows ? t.HorzOffset : t.VertOffset, along);
  const int phaseAcross = TilePhase(offAcross, across);
  const int extentAlong = rows ? width : height;
  const int extentAcross = rows ? height : width;

  int64_t r0 = -static_cast<int64_t>(offAcross) / across;
  if (offAcross > 0) --r0;
  int64_t e;
  if (t.Zigzag)
    e = r0 % 2 != 0 ? along / 2 : 0;
  else {
    e = (r0 * static_cast<int64_t>(t.Shift)) % along;
    if (e < 0) e += along;
  }
  const int lastRow = (extentAcross - phaseAcross - 1) / across;
  const int lastTile = (extentAlong - phaseAlong - 1) / along;
  for (int g = 0; g <= lastRow; ++g) {
    const int posAcross = phaseAcross + g * across;
    for (int i = e != 0 ? -1 : 0; i <= lastTile; ++i) {
      const int posAlong = phaseAlong + i * along + static_cast<int>(e);
      if (rows)
        draw(posAlong, posAcross);
      else
        draw(posAcross, posAlong);
    }
    if (t.Zigzag)
      e = e == 0 ? along / 2 : 0;
    else
      e = (e + t.Shift) % along;
  }
}

// The replaced window procedure. The form keeps it as long as it keeps its
// procedure chain; once the wallpaper is gone it only passes messages on.
struct TMDIWallpaper::THook {
  TMDIWallpaper* Owner;
  ui::TWndMethod Previous;
  bool Frame;  // the frame window of a multiple-document frame, not the painted area
};

struct TMDIWallpaper::TProc {
  std::shared_ptr<THook> Hook;
  void operator()(ui::TMessage& m) const {
    if (!Hook->Owner) {
      if (Hook->Previous) Hook->Previous(m);
    } else if (Hook->Frame) {
      Hook->Owner->FrameProc(m);
    } else {
      Hook->Owner->HookProc(m);
    }
  }
};

namespace {

bool IsJpeg(const ui::TGraphic* g) { return dynamic_cast<const ui::TJPEGImage*>(g) != nullptr; }
bool IsIconOrMetafile(const ui::TGraphic* g) {
  return dynamic_cast<const ui::TIcon*>(g) != nullptr || dynamic_cast<const ui::TMetafile*>(g) != nullptr;
}

// Shades of grey by the usual luminance weights.
ui::TBitmap GrayCopy(const ui::TGraphic& graphic) {
  ui::TBitmap bitmap;
  bitmap.Assign(graphic);
  ui::TPixel* p = bitmap.Bits();
  const size_t count = static_cast<size_t>(bitmap.Width()) * bitmap.Height();
  for (size_t i = 0; i < count; ++i) {
    const uint32_t r = (p[i] >> 16) & 0xFF, g = (p[i] >> 8) & 0xFF, b = p[i] & 0xFF;
    const uint32_t y = (r * 299 + g * 587 + b * 114 + 500) / 1000;
    p[i] = (y << 16) | (y << 8) | y;
  }
  return bitmap;
}

}  // namespace

TMDIWallpaper::TMDIWallpaper(rtl::TComponent* owner) : rtl::TComponent(owner) {
  FForm = dynamic_cast<ui::TCustomForm*>(owner);
  if (!FForm) throw EMDIWallpaper("TMDIWallpaper.Owner needs to be a TForm");
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    rtl::TComponent* other = owner->Components(i);
    if (other != this && dynamic_cast<TMDIWallpaper*>(other)) {
      FForm = nullptr;
      throw EMDIWallpaper(rtl::Format("%s: Only one instance of TMDIWallpaper allowed", {owner->Name()}));
    }
  }
  FPicture.OnChange = [this] { PictureChanged(); };
  // A frame is painted in its client window; its own window only tells of colour changes.
  FArea = FForm->ClientWindow() ? static_cast<ui::TWinControl*>(FForm->ClientWindow()) : FForm;
  FHook = std::make_shared<THook>(THook{this, FArea->WindowProc, false});
  FArea->WindowProc = TProc{FHook};
  if (FArea != FForm) {
    FFrameHook = std::make_shared<THook>(THook{this, FForm->WindowProc, true});
    FForm->WindowProc = TProc{FFrameHook};
  }
}

TMDIWallpaper::~TMDIWallpaper() {
  if (!FForm) return;
  FHook->Owner = nullptr;
  if (FFrameHook) FFrameHook->Owner = nullptr;
  // The owner going away takes its procedures with it.
  if (!Owner()) return;
  if (FFrameHook) {
    const TProc* frame = FForm->WindowProc.target<TProc>();
    if (frame && frame->Hook == FFrameHook) FForm->WindowProc = FFrameHook->Previous;
  }
  const TProc* current = FArea->WindowProc.target<TProc>();
  if (current && current->Hook == FHook) {
    FArea->WindowProc = FHook->Previous;
    return;
  }
  // Another component chained onto ours: its procedure still calls ours,
  // which now passes everything on. A destructor cannot raise, so the error
  // goes to the uncaught-error box.
  if (ui::Application)
    ui::Application->HandleException(EMDIWallpaper(rtl::Format(
        "%s: Oops...Messing up %s's window procedure chain", {Name(), FForm->Name()})));
}

void TMDIWallpaper::HookProc(ui::TMessage& m) {
  const std::shared_ptr<THook> hook = FHook;  // the message may free the wallpaper
  if (m.Msg == ui::WM_ERASEBKGND) {
    if (EraseBackground(*ui::MessageCanvas(m))) {
      m.Result = 1;
      return;
    }
    if (hook->Previous) hook->Previous(m);
    return;
  }
  // A frame's client window is handled before it scrolls (the offsets follow
  // its scroll state as it was); a plain form after its own handling.
  const bool frame = FArea != FForm;
  if (!frame && hook->Previous) hook->Previous(m);
  if (hook->Owner) Handle(m);
  if (frame && hook->Previous) hook->Previous(m);
}

void TMDIWallpaper::FrameProc(ui::TMessage& m) {
  const std::shared_ptr<THook> hook = FFrameHook;
  if (m.Msg == ui::WM_SYSCOLORCHANGE && FGrayMapped) RebuildCache();
  if (hook->Previous) hook->Previous(m);
}

void TMDIWallpaper::Handle(const ui::TMessage& m) {
  switch (m.Msg) {
    case ui::WM_SIZE:
      // Forms here do not scroll: a plain form's offsets stay 0.
      if (FMode != wpTile && FMode != wpTopLeft) InvalidateArea();
      break;
    case ui::WM_HSCROLL:
    case ui::WM_VSCROLL: {
      if (auto* client = dynamic_cast<ui::TMDIClient*>(FArea)) {
        const int bar = m.Msg == ui::WM_HSCROLL ? ui::SB_HORZ : ui::SB_VERT;
        const int units =
            ui::ScrollUnits(client->ScrollInfo(bar), ui::ScrollCode(m.WParam), ui::ScrollThumb(m.WParam));
        (bar == ui::SB_HORZ ? FHorzOffset : FVertOffset) -= units * ui::TMDIClient::kScrollUnit;
      }
      if (FMode != wpTile) InvalidateArea();
      break;
    }
    case ui::WM_SYSCOLORCHANGE:
      if (FGrayMapped) RebuildCache();
      break;
    default:
      break;
  }
}

bool TMDIWallpaper::EraseBackground(ui::TCanvas& canvas) {
  if (!FEnabled || FPicture.Width() <= 0 || FPicture.Height() <= 0) return false;
  const ui::TGraphic& image = FCache ? static_cast<const ui::TGraphic&>(*FCache) : *FPicture.Graphic();
  const int w = image.Width(), h = image.Height();
  const ui::TRect r = FArea->ClientRect();
  int areaWidth = r.Width(), areaHeight = r.Height();
  // Outside tiling a frame's picture takes the room of its scroll bars too.
  if (auto* client = dynamic_cast<ui::TMDIClient*>(FArea); client && FMode != wpTile) {
    if (client->ScrollBarShown(ui::SB_HORZ)) areaHeight += ui::kScrollBarWidth;
    if (client->ScrollBarShown(ui::SB_VERT)) areaWidth += ui::kScrollBarWidth;
  }
  const int left = 0, top = 0, right = areaWidth, bottom = areaHeight;

  ui::TCanvasSaver saver(canvas);
  canvas.Brush.Color = FForm->Color();
  canvas.Brush.Style = ui::bsSolid;
  auto fill = [&canvas](int l, int t, int rr, int b) { canvas.FillRect(ui::Rect(l, t, rr, b)); };
  switch (FMode) {
    case wpCenter: {
      const int x = (areaWidth - w) / 2 + left, y = (areaHeight - h) / 2 + top;
      fill(left, top, right, y);
      fill(left, y, x, y + h);
      fill(x + w, y, right, y + h);
      fill(left, y + h, right, bottom);
      canvas.Draw(x, y, image);
      break;
    }
    case wpTopLeft:
      fill(left + w, top, right, top + h);
      fill(left, top + h, right, bottom);
      canvas.Draw(left, top, image);
      break;
    case wpStretch:
      canvas.StretchDraw(ui::Rect(left, top, right, bottom), image);
      break;
    case wpTopRight:
      fill(left, top, right - w, top + h);
      fill(left, top + h, right, bottom);
      canvas.Draw(right - w, top, image);
      break;
    case wpBottomLeft:
      fill(left, top, right, bottom - h);
      fill(left + w, bottom - h, right, bottom);
      canvas.Draw(left, bottom - h, image);
      break;
    case wpBottomRight:
      fill(left, top, right, bottom - h);
      fill(left, bottom - h, right - w, bottom);
      canvas.Draw(right - w, bottom - h, image);
      break;
    case wpTile: {
      const TTiling tiling{FTileWidth, FTileHeight, FHorzOffset, FVertOffset, FShift, FShiftMode, FZigzag};
      ForEachTile(tiling, areaWidth, areaHeight, [&](int x, int y) { canvas.Draw(left + x, top + y, image); });
      break;
    }
  }
  return true;
}

void TMDIWallpaper::InvalidateArea() {
  if (!FLoading) FArea->Invalidate();
}

void TMDIWallpaper::PictureChanged() {
  if (FInPictureChanged) return;
  FInPictureChanged = true;
  const int w = FPicture.Width(), h = FPicture.Height();
  if (FTileWidth < w || FTileHeight < h || (FAutoSizeTile && !FPicture.Empty())) {
    FTileWidth = w;
    FTileHeight = h;
  }
  if (ui::TGraphic* g = FPicture.Graphic(); g && g->Transparent() != FTransparent) g->SetTransparent(FTransparent);
  FInPictureChanged = false;
  RebuildCache();
}

TColor TMDIWallpaper::EffectiveTransparentColor() const {
  if (FTransparentColor == ui::clDefault) {
    if (auto* bitmap = dynamic_cast<const ui::TBitmap*>(FPicture.Graphic())) {
      if (bitmap->Monochrome()) return ui::clWhite;
      if (!bitmap->Empty()) return bitmap->Pixels(0, bitmap->Height() - 1);
    }
  }
  return FTransparentColor;
}

void TMDIWallpaper::RebuildCache() {
  if (FRebuilding) return;
  FRebuilding = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FRebuilding};

  const ui::TGraphic* picture = FPicture.Empty() ? nullptr : FPicture.Graphic();
  if (!picture) {
    FCache.reset();
    InvalidateArea();
    return;
  }
  const int w = picture->Width(), h = picture->Height();
  const bool tile = FMode == wpTile;
  const bool cellDiffers = tile && (FTileWidth != w || FTileHeight != h);
  const bool iconOrMetafile = IsIconOrMetafile(picture);
  const bool needsMask = iconOrMetafile || (FTransparent && !IsJpeg(picture));
  if (!needsMask && !FGrayMapped && !cellDiffers) {
    FCache.reset();
    InvalidateArea();
    return;
  }
  const int cw = tile ? FTileWidth : w, ch = tile ? FTileHeight : h;
  const int ox = tile ? (FTileWidth - w) / 2 : 0, oy = tile ? (FTileHeight - h) / 2 : 0;
  auto cache = std::make_unique<ui::TBitmap>(cw, ch);
  cache->Fill(FForm->Color());
  ui::TCanvas& canvas = cache->Canvas();
  if (iconOrMetafile) {
    canvas.Draw(ox, oy, *picture);
  } else if (needsMask) {
    const TColor transparent = ui::ColorToRGB(EffectiveTransparentColor());
    ui::TBitmap bitmap;
    if (auto* b = dynamic_cast<const ui::TBitmap*>(picture)) {
      bitmap = *b;
      bitmap.SetTransparent(false);
    } else {
      bitmap.SetSize(w, h);
      bitmap.Fill(transparent);
      std::unique_ptr<ui::TGraphic> opaque = picture->Clone();
      opaque->SetTransparent(false);
      bitmap.Canvas().Draw(0, 0, *opaque);
    }
    canvas.CopyBitmap(ui::Bounds(ox, oy, w, h), bitmap, ui::Rect(0, 0, w, h), transparent);
  } else if (FGrayMapped) {
    canvas.Draw(ox, oy, GrayCopy(*picture));
  } else {
    canvas.Draw(ox, oy, *picture);
  }
  FCache = std::move(cache);
  InvalidateArea();
}

// ---- properties ---------------------------------------------------------------------

void TMDIWallpaper::SetMode(TWallpaperMode value) {
  if (value == FMode) return;
  const bool tileChange = value == wpTile || FMode == wpTile;
  FMode = value;
  if (tileChange && (FTileWidth != FPicture.Width() || FTileHeight != FPicture.Height()))
    PictureChanged();
  else
    InvalidateArea();
}

void TMDIWallpaper::SetAutoSizeTile(bool value) {
  if (value == FAutoSizeTile) return;
  FAutoSizeTile = value;
  if (FMode == wpTile && (FTileWidth != FPicture.Width() || FTileHeight != FPicture.Height())) PictureChanged();
}

void TMDIWallpaper::SetTileWidth(int value) {
  if (FAutoSizeTile) return;
  value = std::max(value, FPicture.Width());
  if (value == FTileWidth) return;
  FTileWidth = value;
  if (FMode == wpTile) PictureChanged();
}

void TMDIWallpaper::SetTileHeight(int value) {
  if (FAutoSizeTile) return;
  value = std::max(value, FPicture.Height());
  if (value == FTileHeight) return;
  FTileHeight = value;
  if (FMode == wpTile) PictureChanged();
}

void TMDIWallpaper::SetShift(uint32_t value) {
  if (value == FShift) return;
  FShift = value;
  FZigzag = false;
  if (FMode == wpTile) InvalidateArea();
}

void TMDIWallpaper::SetShiftMode(TShiftMode value) {
  if (value == FShiftMode) return;
  FShiftMode = value;
  if (FMode == wpTile) InvalidateArea();
}

void TMDIWallpaper::SetZigzag(bool value) {
  if (value == FZigzag) return;
  FZigzag = value;
  if (FMode == wpTile) InvalidateArea();
}

void TMDIWallpaper::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  PictureChanged();
}

void TMDIWallpaper::SetGrayMapped(bool value) {
  if (value == FGrayMapped) return;
  FGrayMapped = value;
  RebuildCache();
}

void TMDIWallpaper::SetTransparentColor(TColor value) {
  if (value == FTransparentColor) return;
  FTransparentMode = value == ui::clDefault ? ui::tmAuto : ui::tmFixed;
  FTransparentColor = value;
  if (FTransparent) RebuildCache();
}

void TMDIWallpaper::SetTransparentMode(ui::TTransparentMode value) {
  if (value == FTransparentMode) return;
  // The mode follows from the colour set: tmFixed holds only for a colour that is not the default.
  SetTransparentColor(value == ui::tmFixed ? EffectiveTransparentColor() : ui::clDefault);
}

void TMDIWallpaper::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  InvalidateArea();
}
