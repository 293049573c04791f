#pragma once
// TMDIWallpaper: paints a form's client area with a picture (tiled, centred,
// in a corner or stretched) when the area erases its background, by taking
// the place of the area's window procedure. For a multiple-document frame the
// area is the frame's client window, and the tiles follow its scrolling.

#include <cstdint>
#include <functional>
#include <memory>

#include "rtl/Component.h"
#include "rtl/Exceptions.h"
#include "ui/Controls.h"
#include "ui/Picture.h"

namespace ui {
class TCustomForm;
}

class EMDIWallpaper : public rtl::Exception {
 public:
  using Exception::Exception;
};

enum TWallpaperMode { wpTile, wpCenter, wpTopLeft, wpStretch, wpTopRight, wpBottomLeft, wpBottomRight };
enum TShiftMode { smRows, smColumns };

// Where the tiles of an offset start: o mod T - T for o > 0, o mod T for
// o < 0 (the sign of o), 0 for 0 or a tile size of 0.
int TilePhase(int offset, int tileSize);

// The tiling of an area of width x height: each tile's top-left corner, in
// the order drawn. Offsets are the scroll offsets (minus the scroll
// positions), phases their TilePhase values.
struct TTiling {
  int TileWidth, TileHeight;
  int HorzOffset, VertOffset;
  uint32_t Shift;
  TShiftMode ShiftMode;
  bool Zigzag;
};
void ForEachTile(const TTiling& tiling, int width, int height, const std::function<void(int x, int y)>& draw);

class TMDIWallpaper : public rtl::TComponent {
 public:
  // The owner must be a form without another wallpaper.
  explicit TMDIWallpaper(rtl::TComponent* owner);
  ~TMDIWallpaper() override;

  bool AutoSizeTile() const { return FAutoSizeTile; }
  void SetAutoSizeTile(bool value);
  // Shades of grey instead of the picture's colours.
  bool GrayMapped() const { return FGrayMapped; }
  void SetGrayMapped(bool value);
  TWallpaperMode Mode() const { return FMode; }
  void SetMode(TWallpaperMode value);
  ui::TPicture& Picture() { return FPicture; }
  void SetPicture(const ui::TPicture& value) { FPicture.Assign(value); }
  int TileWidth() const { return FTileWidth; }
  void SetTileWidth(int value);
  int TileHeight() const { return FTileHeight; }
  void SetTileHeight(int value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  ui::TColor TransparentColor() const { return FTransparentColor; }
  void SetTransparentColor(ui::TColor value);
  ui::TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(ui::TTransparentMode value);
  uint32_t Shift() const { return FShift; }
  void SetShift(uint32_t value);
  TShiftMode ShiftMode() const { return FShiftMode; }
  void SetShiftMode(TShiftMode value);
  bool Zigzag() const { return FZigzag; }
  void SetZigzag(bool value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);

  // The colour left out of a transparent picture: TransparentColor, or for a
  // bitmap with the default colour its bottom-left pixel (white when monochrome).
  ui::TColor EffectiveTransparentColor() const;
  // The prepared image painted in place of the picture, when one is needed.
  const ui::TBitmap* Cache() const { return FCache.get(); }

  // Loading from a window description: nothing is invalidated meanwhile.
  void BeginLoading() { FLoading = true; }
  void Loaded() { FLoading = false; }

 private:
  struct THook;
  struct TProc;

  void HookProc(ui::TMessage& message);
  void FrameProc(ui::TMessage& message);
  void Handle(const ui::TMessage& message);
  bool EraseBackground(ui::TCanvas& canvas);
  void PictureChanged();
  void RebuildCache();
  void InvalidateArea();

  ui::TCustomForm* FForm = nullptr;
  ui::TWinControl* FArea = nullptr;  // the painted area: the form, or a frame's client window
  std::shared_ptr<THook> FHook;
  std::shared_ptr<THook> FFrameHook;
  int FHorzOffset = 0, FVertOffset = 0;  // scroll offsets: minus the scrolled pixels
  bool FAutoSizeTile = false;
  bool FGrayMapped = false;
  TWallpaperMode FMode = wpTile;
  ui::TPicture FPicture;
  int FTileWidth = 0;
  int FTileHeight = 0;
  bool FTransparent = false;
  ui::TColor FTransparentColor = ui::clDefault;
  ui::TTransparentMode FTransparentMode = ui::tmAuto;
  uint32_t FShift = 0;
  TShiftMode FShiftMode = smRows;
  bool FZigzag = false;
  bool FEnabled = true;
  bool FLoading = false;
  std::unique_ptr<ui::TBitmap> FCache;
  bool FRebuilding = false;
  bool FInPictureChanged = false;
};
