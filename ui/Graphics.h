#pragma once
// Pixels: colours, points and rectangles, regions, bitmaps and the canvas
// that draws on them. Drawing follows the Windows device-context rules:
// right and bottom edges are exclusive, LineTo leaves out its end point,
// stretching picks the nearest source pixel (COLORONCOLOR).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "rtl/AnsiString.h"
#include "rtl/Classes.h"
#include "platform/Files.h"
#include "rtl/Exceptions.h"
#include "ui/Font.h"

namespace ui {

using rtl::AnsiString;

// ---- colours --------------------------------------------------------------
// TColor is 0x00BBGGRR; a value with top byte 0xFF names a system colour.
using TColor = uint32_t;

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr uint8_t GetRValue(TColor c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GetGValue(TColor c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t GetBValue(TColor c) { return static_cast<uint8_t>(c >> 16); }

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clLtGray = 0xC0C0C0;
inline constexpr TColor clDkGray = 0x808080;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// System colour indexes (COLOR_*).
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_HOTLIGHT = 26;
inline constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
inline constexpr int COLOR_MENUHILIGHT = 29;
inline constexpr int COLOR_MENUBAR = 30;
inline constexpr int kSysColorCount = 31;

constexpr TColor SysColor(int index) { return 0xFF000000u | static_cast<TColor>(index); }
inline constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = SysColor(COLOR_MENU);
inline constexpr TColor clWindow = SysColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
inline constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
inline constexpr TColor clHotLight = SysColor(COLOR_HOTLIGHT);
inline constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
inline constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
inline constexpr TColor clMenuHighlight = SysColor(COLOR_MENUHILIGHT);
inline constexpr TColor clMenuBar = SysColor(COLOR_MENUBAR);

// The current RGB value of a system colour index (the classic Windows scheme
// unless changed); an index out of range gives black.
TColor GetSysColor(int index);
// Changes one system colour (as the control panel does) and calls the
// listeners registered with OnSysColorChange.
void SetSysColor(int index, TColor rgb);
void ResetSysColors();  // back to the classic scheme
// Listeners of system colour changes (WM_SYSCOLORCHANGE); returns an id for removal.
int AddSysColorListener(std::function<void()> listener);
void RemoveSysColorListener(int id);

// System colours resolved to RGB; any other value is returned unchanged.
TColor ColorToRGB(TColor color);

// ---- pixels -----------------------------------------------------------------
// A bitmap pixel is 0x00RRGGBB: the bytes B, G, R, 0 in memory, as in a
// 32-bit device-independent bitmap. The top byte stays 0.
using TPixel = uint32_t;
constexpr TPixel PixelFromRGB(TColor rgb) {
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}
constexpr TColor RGBFromPixel(TPixel p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}
// Any colour value (system colours resolved, the top byte dropped) as a pixel.
TPixel ColorToPixel(TColor color);

// ---- geometry ---------------------------------------------------------------
struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const TSize&) const = default;
};

// Right and bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  TPoint TopLeft() const { return {Left, Top}; }
  TPoint BottomRight() const { return {Right, Bottom}; }
  void Offset(int dx, int dy) { Left += dx; Right += dx; Top += dy; Bottom += dy; }
  void Inflate(int dx, int dy) { Left -= dx; Right += dx; Top -= dy; Bottom += dy; }
  bool operator==(const TRect&) const = default;
};

constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}
// Empty results are (0, 0, 0, 0), as IntersectRect gives them.
TRect IntersectRect(const TRect& a, const TRect& b);
TRect UnionRect(const TRect& a, const TRect& b);  // bounding box; empty rectangles ignored

// ---- regions ----------------------------------------------------------------
enum TRegionOp { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

// A Windows region: rectangles in y-x bands (sorted by top, then left; no
// overlap; vertically touching bands with the same spans merged), the form
// GetRegionData reports.
class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(const TRect& rect);
  static TRegion FromRects(std::span<const TRect> rects);  // their union

  bool IsEmpty() const { return FRects.empty(); }
  const std::vector<TRect>& Rects() const { return FRects; }
  TRect Bounds() const;  // (0, 0, 0, 0) when empty
  bool Contains(int x, int y) const;
  bool Contains(TPoint p) const { return Contains(p.X, p.Y); }
  bool Intersects(const TRect& rect) const;
  void Offset(int dx, int dy);

  // this = this op other (RGN_COPY: this = other).
  void Combine(const TRegion& other, TRegionOp op);
  void Union(const TRect& rect) { Combine(TRegion(rect), RGN_OR); }
  TRegion operator|(const TRegion& o) const { TRegion r = *this; r.Combine(o, RGN_OR); return r; }
  TRegion operator&(const TRegion& o) const { TRegion r = *this; r.Combine(o, RGN_AND); return r; }
  TRegion operator-(const TRegion& o) const { TRegion r = *this; r.Combine(o, RGN_DIFF); return r; }
  TRegion operator^(const TRegion& o) const { TRegion r = *this; r.Combine(o, RGN_XOR); return r; }
  bool operator==(const TRegion&) const = default;

  // RGNDATA bytes as GetRegionData fills them: the 32-byte header (dwSize 32,
  // iType 1, nCount, nRgnSize = 16 * nCount, rcBound) and nCount RECTs, little-endian.
  std::vector<uint8_t> RegionData() const;
  // A region from RGNDATA bytes as ExtCreateRegion makes it: the union of the
  // rectangles. Malformed data (short, wrong header, count beyond the bytes) gives nothing.
  static std::optional<TRegion> FromRegionData(std::span<const uint8_t> data);

 private:
  std::vector<TRect> FRects;
};

// ---- errors -----------------------------------------------------------------
// A picture file or stream that cannot be read; the same class the platform
// raises for a picture file of unknown kind.
using platform::EInvalidGraphic;

// ---- pens, brushes, modes ---------------------------------------------------
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// The sixteen binary raster operations (R2_*), in the Delphi order.
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
struct TPen {
  TColor Color = clBlack;
  int Width = 1;  // widths below 1 draw as 1
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  bool operator==(const TPen&) const = default;
};

enum TBrushStyle { bsSolid, bsClear };
struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  bool operator==(const TBrush&) const = default;
};

// Raster operations of CopyRect / Draw (the BitBlt values).
enum TCopyMode : uint32_t {
  cmBlackness = 0x00000042,
  cmDstInvert = 0x00550009,
  cmMergeCopy = 0x00C000CA,  // source AND brush
  cmMergePaint = 0x00BB0226,  // NOT source OR destination
  cmNotSrcCopy = 0x00330008,
  cmNotSrcErase = 0x001100A6,  // NOT (source OR destination)
  cmPatCopy = 0x00F00021,
  cmPatInvert = 0x005A0049,
  cmSrcAnd = 0x008800C6,
  cmSrcCopy = 0x00CC0020,
  cmSrcErase = 0x00440328,  // source AND NOT destination
  cmSrcInvert = 0x00660046,  // source XOR destination
  cmSrcPaint = 0x00EE0086,  // source OR destination
  cmWhiteness = 0x00FF0062,
};

// DrawEdge kinds and flags (the DrawEdge values).
inline constexpr unsigned BDR_RAISEDOUTER = 0x1;
inline constexpr unsigned BDR_SUNKENOUTER = 0x2;
inline constexpr unsigned BDR_RAISEDINNER = 0x4;
inline constexpr unsigned BDR_SUNKENINNER = 0x8;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr unsigned BF_LEFT = 0x1;
inline constexpr unsigned BF_TOP = 0x2;
inline constexpr unsigned BF_RIGHT = 0x4;
inline constexpr unsigned BF_BOTTOM = 0x8;
inline constexpr unsigned BF_RECT = 0xF;
inline constexpr unsigned BF_MIDDLE = 0x800;   // fill the inside with the button face
inline constexpr unsigned BF_ADJUST = 0x2000;  // shrink the rectangle by the edge drawn

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

class TCanvas;

// ---- graphics -----------------------------------------------------------------
// A picture of one kind: bitmap here; JPEG, icon, metafile and PNG in ui/Picture.h.
class TGraphic {
 public:
  virtual ~TGraphic() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() <= 0 || Height() <= 0; }
  // Drawn with its transparent parts left out (a bitmap: its transparent colour).
  bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool value);

  // The format's own error (EInvalidGraphic) for damaged data; the graphic is
  // unchanged after a failed load.
  virtual void LoadFromStream(rtl::TStream& stream) = 0;
  virtual void SaveToStream(rtl::TStream& stream) const = 0;
  // Files of the machine, read and written through the platform's file streams.
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;

  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  // Draws over dest (stretched when the sizes differ) with the canvas's copy mode.
  virtual void Draw(TCanvas& canvas, const TRect& dest) const = 0;

  std::function<void()> OnChange;

 protected:
  TGraphic() = default;
  // Copies the look; the copy has no OnChange of its own yet.
  TGraphic(const TGraphic& other) : FTransparent(other.FTransparent) {}
  TGraphic& operator=(const TGraphic& other) {
    FTransparent = other.FTransparent;
    return *this;
  }
  void Changed() { if (OnChange) OnChange(); }
  bool FTransparent = false;
};

// 32 bits a pixel, top-down rows of Width pixels (no padding).
class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int width, int height);  // filled white
  TBitmap(const TBitmap& other);   // pixels and properties, a fresh canvas
  TBitmap& operator=(const TBitmap& other);  // keeps this bitmap's canvas and OnChange
  TBitmap(TBitmap&& other) noexcept;  // other is left empty
  TBitmap& operator=(TBitmap&& other) noexcept;
  ~TBitmap() override;

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  // Keeps the overlapping pixels; new pixels are white.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, FHeight); }
  void SetHeight(int height) { SetSize(FWidth, height); }

  TPixel* ScanLine(int y) { return FPixels.data() + static_cast<size_t>(y) * FWidth; }
  const TPixel* ScanLine(int y) const { return FPixels.data() + static_cast<size_t>(y) * FWidth; }
  TPixel* Bits() { return FPixels.data(); }
  const TPixel* Bits() const { return FPixels.data(); }
  // RGB colour of a pixel; outside the bitmap Pixels gives clNone and SetPixels does nothing.
  TColor Pixels(int x, int y) const;
  void SetPixels(int x, int y, TColor color);
  void Fill(TColor color);

  TCanvas& Canvas();

  // The depth the bitmap came from and is saved with (pixels are always 32-bit);
  // pf24bit unless loaded or set otherwise. Saving supports 1, 4, 8, 24 and 32 bits.
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat format) { FPixelFormat = format; }
  bool Monochrome() const { return FPixelFormat == pf1bit; }
  // The colour table of a 1-, 4- or 8-bit bitmap as loaded, used when saving at that depth.
  const std::vector<TColor>& Palette() const { return FPalette; }
  void SetPalette(std::vector<TColor> palette) { FPalette = std::move(palette); }

  // tmAuto: the bottom-left pixel (white for a monochrome bitmap); tmFixed: the colour set.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);  // also sets tmFixed
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode mode) { FTransparentMode = mode; }

  // Any graphic drawn onto a bitmap of its size (over white), a bitmap copied.
  void Assign(const TGraphic& source);

  // BMP files: 1, 4, 8, 16, 24 and 32 bits, RLE4 and RLE8, bottom-up and top-down.
  void LoadFromStream(rtl::TStream& stream) override;
  void SaveToStream(rtl::TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBitmap>(*this); }
  void Draw(TCanvas& canvas, const TRect& dest) const override;

 private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<TPixel> FPixels;
  std::unique_ptr<TCanvas> FCanvas;
  TPixelFormat FPixelFormat = pf24bit;
  std::vector<TColor> FPalette;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
};

// ---- canvas -------------------------------------------------------------------
// Draws on a bitmap. Coordinates are logical: logical (0, 0) is the target's
// pixel Origin(). The clip is kept in target pixels; without one the whole
// target is drawable.
class TCanvas {
 public:
  explicit TCanvas(TBitmap* target = nullptr);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBitmap* Target() const { return FTarget; }
  void SetTarget(TBitmap* target);  // also resets origin and clip

  TPen Pen;
  TBrush Brush;
  TFont Font;
  TCopyMode CopyMode = cmSrcCopy;
  // Called after each drawing operation (a bitmap's own canvas tells the bitmap).
  std::function<void()> OnChange;

  // ---- origin and clip
  TPoint Origin() const { return FOrigin; }
  void SetOrigin(TPoint origin) { FOrigin = origin; }
  // The bounds of the drawable area in logical coordinates (GetClipBox).
  TRect ClipRect() const;
  void SetClipRect(const TRect& rect);  // replaces the clip
  void IntersectClipRect(const TRect& rect);
  void ExcludeClipRect(const TRect& rect);
  void SetClipRegion(const TRegion& region);  // logical coordinates
  void ResetClip();
  bool HasClip() const { return FClip.has_value(); }
  // The drawable area in logical coordinates (the clip within the target).
  TRegion ClipRegion() const;

  // ---- pixels
  TColor Pixels(int x, int y) const;  // clNone outside the target
  void SetPixels(int x, int y, TColor color);

  // ---- areas (brush)
  void FillRect(const TRect& rect);
  void FillRegion(const TRegion& region);
  void FrameRect(const TRect& rect);  // one pixel wide, in the brush colour
  void InvertRect(const TRect& rect);
  void DrawFocusRect(const TRect& rect);  // dotted, by exclusive or

  // ---- lines and shapes (pen outline, brush inside)
  TPoint PenPos() const { return FPenPos; }
  void SetPenPos(TPoint p) { FPenPos = p; }
  void MoveTo(int x, int y) { FPenPos = {x, y}; }
  void LineTo(int x, int y);  // leaves out (x, y)
  void Polyline(std::span<const TPoint> points);
  void Polyline(std::initializer_list<TPoint> points) { Polyline(std::span(points.begin(), points.size())); }
  void Polygon(std::span<const TPoint> points);  // alternate fill mode
  void Polygon(std::initializer_list<TPoint> points) { Polygon(std::span(points.begin(), points.size())); }
  // Several rings filled together (alternate mode: overlaps make holes), each outlined.
  void PolyPolygon(std::span<const std::vector<TPoint>> rings);
  // The pen is drawn inside the rectangle, the brush fills what is inside the pen.
  void Rectangle(const TRect& rect);
  void Rectangle(int left, int top, int right, int bottom) { Rectangle(Rect(left, top, right, bottom)); }
  void RoundRect(const TRect& rect, int cornerWidth, int cornerHeight);
  void Ellipse(const TRect& rect);
  void Ellipse(int left, int top, int right, int bottom) { Ellipse(Rect(left, top, right, bottom)); }

  // ---- 3-D frames
  // Top and left edges in topColor; right and bottom edges, with the top-right
  // and bottom-left corner pixels, in bottomColor; repeated width times
  // inward. rect comes back shrunk by width.
  void Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width);
  // The classic DrawEdge: EDGE_* / BDR_* kinds with BF_* flags, in system colours.
  void DrawEdge(TRect& rect, unsigned edge, unsigned flags);

  // ---- images
  void Draw(int x, int y, const TGraphic& graphic);
  void StretchDraw(const TRect& dest, const TGraphic& graphic);
  // Copies (stretching when the sizes differ) with CopyMode.
  void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);
  // Bitmap pixels (stretched onto dest when the sizes differ) with CopyMode,
  // leaving out those of the transparent colour when one is given.
  void CopyBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect,
                  std::optional<TColor> transparent = std::nullopt);
  // Bitmap pixels (stretched onto dest) laid over the canvas with their own
  // opacity: alpha holds one value a source pixel, 255 opaque, 0 see-through.
  void AlphaDraw(const TRect& dest, const TBitmap& source, std::span<const uint8_t> alpha);
  // The classic brush copy: source pixels of `transparent` show the brush
  // (nothing when the brush is clear), the others are copied.
  void BrushCopy(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TColor transparent);

  // ---- text (Windows-1252), with Font; the background is the brush unless the brush is clear.
  void TextOut(int x, int y, std::string_view text);
  // TextOut clipped to rect.
  void TextRect(const TRect& rect, int x, int y, std::string_view text);
  int TextWidth(std::string_view text) const;
  int TextHeight(std::string_view text) const;
  TSize TextExtent(std::string_view text) const;
  // DrawTextA: lays the text out in rect with the DT_ flags and returns the
  // height of the text; DT_CALCRECT only measures and sets rect's right and bottom.
  int DrawText(std::string_view text, TRect& rect, unsigned flags);

 private:
  friend class TCanvasSaver;
  template <typename F>
  void ForEachClip(const TRect& deviceArea, F&& f) const;
  void PlotPen(int x, int y);  // one pen pixel, device coordinates, clipped
  void WidePath(std::span<const TPoint> points, int width);
  void FillSpanDevice(int y, int x0, int x1, TPixel pixel);
  // Text coverage at reference point (x, y) turned by escapement; the cell is
  // filled with background first when one is given; clip is extra, logical.
  void DrawMask(const TTextMask& mask, int x, int y, int escapement, TColor color,
                std::optional<TColor> background, const TRect* clip);
  void TextOutClipped(int x, int y, std::string_view text, const TRect* clip);
  TRect DeviceBounds() const;

  TBitmap* FTarget;
  TPoint FOrigin;
  std::optional<TRegion> FClip;  // target pixels
  TPoint FPenPos;
};

// Saves a canvas's origin, clip, pen, brush, font and copy mode and puts them back when it goes.
class TCanvasSaver {
 public:
  explicit TCanvasSaver(TCanvas& canvas);
  ~TCanvasSaver();
  TCanvasSaver(const TCanvasSaver&) = delete;
  TCanvasSaver& operator=(const TCanvasSaver&) = delete;

 private:
  TCanvas& FCanvas;
  TPoint FOrigin;
  std::optional<TRegion> FClip;
  TPen FPen;
  TBrush FBrush;
  TFont FFont;
  TCopyMode FCopyMode;
};

}  // namespace ui
