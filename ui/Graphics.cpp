// Colours, regions, bitmaps and the canvas.

#include "ui/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <utility>

#include "platform/FileStream.h"

namespace ui {

// ---- system colours -----------------------------------------------------------

namespace {

// The classic Windows scheme.
constexpr TColor kClassicColors[kSysColorCount] = {
    0xC0C0C0,  // scroll bar
    0x808000,  // desktop (teal)
    0x800000,  // active caption (navy)
    0x808080,  // inactive caption
    0xC0C0C0,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application workspace
    0x800000,  // highlight (navy)
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3-D dark shadow
    0xC0C0C0,  // 3-D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background
    0x000000,  // (unused index)
    0x800000,  // hot-tracked item
    0xD08410,  // gradient of the active caption
    0xB5B5B5,  // gradient of the inactive caption
    0x800000,  // menu highlight
    0xC0C0C0,  // menu bar
};

struct TSysColors {
  TColor Colors[kSysColorCount];
  std::map<int, std::function<void()>> Listeners;
  int NextId = 1;
  TSysColors() { ResetColors(); }
  void ResetColors() { std::copy(std::begin(kClassicColors), std::end(kClassicColors), Colors); }
  void Notify() {
    // A listener may unregister itself: walk a copy.
    auto listeners = Listeners;
    for (auto& [id, f] : listeners) f();
  }
};

TSysColors& SysColors() {
  static TSysColors colors;
  return colors;
}

}  // namespace

TColor GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return 0;
  return SysColors().Colors[index];
}

void SetSysColor(int index, TColor rgb) {
  if (index < 0 || index >= kSysColorCount) return;
  SysColors().Colors[index] = rgb & 0xFFFFFF;
  SysColors().Notify();
}

void ResetSysColors() {
  SysColors().ResetColors();
  SysColors().Notify();
}

int AddSysColorListener(std::function<void()> listener) {
  int id = SysColors().NextId++;
  SysColors().Listeners.emplace(id, std::move(listener));
  return id;
}

void RemoveSysColorListener(int id) { SysColors().Listeners.erase(id); }

TColor ColorToRGB(TColor color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return color;
}

TPixel ColorToPixel(TColor color) { return PixelFromRGB(ColorToRGB(color) & 0xFFFFFF); }

// ---- rectangles -------------------------------------------------------------

TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b.IsEmpty() ? TRect{} : b;
  if (b.IsEmpty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

// ---- regions ------------------------------------------------------------------
// Rectangles of a band share top and bottom and are sorted by left. Combining
// sweeps both band lists from top to bottom; in each horizontal slice where
// neither input changes, the two span lists are merged by the operation.

namespace {

bool RegionOp(TRegionOp op, bool inA, bool inB) {
  switch (op) {
    case RGN_AND: return inA && inB;
    case RGN_OR: return inA || inB;
    case RGN_XOR: return inA != inB;
    case RGN_DIFF: return inA && !inB;
    case RGN_COPY: return inB;
  }
  return false;
}

// End of the band that starts at index i.
size_t BandEnd(const std::vector<TRect>& rects, size_t i) {
  size_t j = i + 1;
  while (j < rects.size() && rects[j].Top == rects[i].Top) ++j;
  return j;
}

// Merges the spans of a[ab, ae) and b[bb, be) for the slice [top, bottom) and
// appends the result, merging it into the previous band when that touches it
// with the same spans.
void AppendSlice(std::vector<TRect>& out, size_t& lastBand, const std::vector<TRect>& a, size_t ab,
                 size_t ae, const std::vector<TRect>& b, size_t bb, size_t be, TRegionOp op, int top,
                 int bottom) {
  const size_t start = out.size();
  // Edges of the span lists: even index = left edge, odd = right edge.
  size_t ka = 0, kb = 0;
  const size_t na = (ae - ab) * 2, nb = (be - bb) * 2;
  auto edgeA = [&](size_t k) { return k % 2 == 0 ? a[ab + k / 2].Left : a[ab + k / 2].Right; };
  auto edgeB = [&](size_t k) { return k % 2 == 0 ? b[bb + k / 2].Left : b[bb + k / 2].Right; };
  bool inside = false;
  int spanStart = 0;
  while (ka < na || kb < nb) {
    int x = INT32_MAX;
    if (ka < na) x = edgeA(ka);
    if (kb < nb) x = std::min(x, edgeB(kb));
    while (ka < na && edgeA(ka) == x) ++ka;
    while (kb < nb && edgeB(kb) == x) ++kb;
    bool now = RegionOp(op, ka % 2 == 1, kb % 2 == 1);
    if (now && !inside) spanStart = x;
    if (!now && inside) out.push_back({spanStart, top, x, bottom});
    inside = now;
  }
  if (out.size() == start) return;
  // Coalesce with the band above when it touches and has the same spans.
  if (lastBand < start && out[lastBand].Bottom == top && start - lastBand == out.size() - start) {
    bool same = true;
    for (size_t i = 0; i < out.size() - start && same; ++i)
      same = out[lastBand + i].Left == out[start + i].Left && out[lastBand + i].Right == out[start + i].Right;
    if (same) {
      for (size_t i = lastBand; i < start; ++i) out[i].Bottom = bottom;
      out.resize(start);
      return;
    }
  }
  lastBand = start;
}

std::vector<TRect> CombineRects(const std::vector<TRect>& a, const std::vector<TRect>& b, TRegionOp op) {
  std::vector<TRect> out;
  out.reserve(a.size() + b.size());
  size_t lastBand = SIZE_MAX;
  size_t ia = 0, ib = 0;
  int y = INT32_MIN;
  if (!a.empty()) y = a[0].Top;
  if (!b.empty()) y = a.empty() ? b[0].Top : std::min(y, b[0].Top);
  for (;;) {
    while (ia < a.size() && a[ia].Bottom <= y) ia = BandEnd(a, ia);
    while (ib < b.size() && b[ib].Bottom <= y) ib = BandEnd(b, ib);
    if (ia >= a.size() && ib >= b.size()) break;
    const bool activeA = ia < a.size() && a[ia].Top <= y;
    const bool activeB = ib < b.size() && b[ib].Top <= y;
    int next = INT32_MAX;
    if (ia < a.size()) next = std::min(next, activeA ? a[ia].Bottom : a[ia].Top);
    if (ib < b.size()) next = std::min(next, activeB ? b[ib].Bottom : b[ib].Top);
    if (activeA || activeB) {
      size_t ea = activeA ? BandEnd(a, ia) : ia;
      size_t eb = activeB ? BandEnd(b, ib) : ib;
      AppendSlice(out, lastBand, a, ia, ea, b, ib, eb, op, y, next);
    }
    y = next;
  }
  return out;
}

void PutLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetLE32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

TRegion::TRegion(const TRect& rect) {
  if (!rect.IsEmpty()) FRects.push_back(rect);
}

TRegion TRegion::FromRects(std::span<const TRect> rects) {
  // Pairwise unions keep the work near n log n for the many rows of a shape.
  std::vector<TRegion> parts;
  parts.reserve(rects.size());
  for (const TRect& r : rects)
    if (!r.IsEmpty()) parts.emplace_back(r);
  if (parts.empty()) return {};
  while (parts.size() > 1) {
    std::vector<TRegion> merged;
    merged.reserve((parts.size() + 1) / 2);
    for (size_t i = 0; i + 1 < parts.size(); i += 2) merged.push_back(parts[i] | parts[i + 1]);
    if (parts.size() % 2) merged.push_back(std::move(parts.back()));
    parts = std::move(merged);
  }
  return std::move(parts[0]);
}

TRect TRegion::Bounds() const {
  if (FRects.empty()) return {};
  TRect b = FRects.front();
  for (const TRect& r : FRects) {
    b.Left = std::min(b.Left, r.Left);
    b.Right = std::max(b.Right, r.Right);
  }
  b.Bottom = FRects.back().Bottom;
  return b;
}

bool TRegion::Contains(int x, int y) const {
  for (const TRect& r : FRects) {
    if (r.Top > y) break;
    if (y < r.Bottom && x >= r.Left && x < r.Right) return true;
  }
  return false;
}

bool TRegion::Intersects(const TRect& rect) const {
  if (rect.IsEmpty()) return false;
  for (const TRect& r : FRects) {
    if (r.Top >= rect.Bottom) break;
    if (!IntersectRect(r, rect).IsEmpty()) return true;
  }
  return false;
}

void TRegion::Offset(int dx, int dy) {
  for (TRect& r : FRects) r.Offset(dx, dy);
}

void TRegion::Combine(const TRegion& other, TRegionOp op) {
  if (op == RGN_COPY) {
    FRects = other.FRects;
    return;
  }
  FRects = CombineRects(FRects, other.FRects, op);
}

std::vector<uint8_t> TRegion::RegionData() const {
  std::vector<uint8_t> data(32 + 16 * FRects.size());
  const TRect b = Bounds();
  PutLE32(&data[0], 32);                                       // dwSize
  PutLE32(&data[4], 1);                                        // iType: RDH_RECTANGLES
  PutLE32(&data[8], static_cast<uint32_t>(FRects.size()));     // nCount
  PutLE32(&data[12], static_cast<uint32_t>(16 * FRects.size()));  // nRgnSize
  PutLE32(&data[16], static_cast<uint32_t>(b.Left));           // rcBound
  PutLE32(&data[20], static_cast<uint32_t>(b.Top));
  PutLE32(&data[24], static_cast<uint32_t>(b.Right));
  PutLE32(&data[28], static_cast<uint32_t>(b.Bottom));
  uint8_t* p = data.data() + 32;
  for (const TRect& r : FRects) {
    PutLE32(p, static_cast<uint32_t>(r.Left));
    PutLE32(p + 4, static_cast<uint32_t>(r.Top));
    PutLE32(p + 8, static_cast<uint32_t>(r.Right));
    PutLE32(p + 12, static_cast<uint32_t>(r.Bottom));
    p += 16;
  }
  return data;
}

std::optional<TRegion> TRegion::FromRegionData(std::span<const uint8_t> data) {
  if (data.size() < 32) return std::nullopt;
  const uint32_t size = GetLE32(&data[0]);
  const uint32_t type = GetLE32(&data[4]);
  const uint32_t count = GetLE32(&data[8]);
  if (size != 32 || type != 1) return std::nullopt;
  if (count > (data.size() - 32) / 16) return std::nullopt;
  std::vector<TRect> rects(count);
  const uint8_t* p = data.data() + 32;
  for (uint32_t i = 0; i < count; ++i, p += 16)
    rects[i] = {static_cast<int32_t>(GetLE32(p)), static_cast<int32_t>(GetLE32(p + 4)),
                static_cast<int32_t>(GetLE32(p + 8)), static_cast<int32_t>(GetLE32(p + 12))};
  return FromRects(rects);
}

// ---- graphics -----------------------------------------------------------------

void TGraphic::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Changed();
}

void TGraphic::LoadFromFile(const AnsiString& fileName) {
  platform::TFileStream stream(fileName, platform::fmOpenRead | platform::fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const AnsiString& fileName) const {
  platform::TFileStream stream(fileName, platform::fmCreate);
  SaveToStream(stream);
}

// ---- bitmap -------------------------------------------------------------------

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(other),
      FWidth(other.FWidth),
      FHeight(other.FHeight),
      FPixels(other.FPixels),
      FPixelFormat(other.FPixelFormat),
      FPalette(other.FPalette),
      FTransparentColor(other.FTransparentColor),
      FTransparentMode(other.FTransparentMode) {}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this == &other) return *this;
  FTransparent = other.FTransparent;
  FWidth = other.FWidth;
  FHeight = other.FHeight;
  FPixels = other.FPixels;
  FPixelFormat = other.FPixelFormat;
  FPalette = other.FPalette;
  FTransparentColor = other.FTransparentColor;
  FTransparentMode = other.FTransparentMode;
  Changed();
  return *this;
}

TBitmap::TBitmap(TBitmap&& other) noexcept
    : TGraphic(other),
      FWidth(std::exchange(other.FWidth, 0)),
      FHeight(std::exchange(other.FHeight, 0)),
      FPixels(std::move(other.FPixels)),
      FPixelFormat(other.FPixelFormat),
      FPalette(std::move(other.FPalette)),
      FTransparentColor(other.FTransparentColor),
      FTransparentMode(other.FTransparentMode) {
  other.FPixels.clear();
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
  if (this == &other) return *this;
  FTransparent = other.FTransparent;
  FWidth = std::exchange(other.FWidth, 0);
  FHeight = std::exchange(other.FHeight, 0);
  FPixels = std::move(other.FPixels);
  other.FPixels.clear();
  FPixelFormat = other.FPixelFormat;
  FPalette = std::move(other.FPalette);
  FTransparentColor = other.FTransparentColor;
  FTransparentMode = other.FTransparentMode;
  Changed();
  return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  std::vector<TPixel> pixels(static_cast<size_t>(width) * height, 0xFFFFFF);
  const int w = std::min(width, FWidth), h = std::min(height, FHeight);
  for (int y = 0; y < h; ++y)
    std::copy_n(FPixels.data() + static_cast<size_t>(y) * FWidth, w, pixels.data() + static_cast<size_t>(y) * width);
  FPixels = std::move(pixels);
  FWidth = width;
  FHeight = height;
  Changed();
}

TColor TBitmap::Pixels(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return clNone;
  return RGBFromPixel(ScanLine(y)[x]);
}

void TBitmap::SetPixels(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  ScanLine(y)[x] = ColorToPixel(color);
  Changed();
}

void TBitmap::Fill(TColor color) {
  std::fill(FPixels.begin(), FPixels.end(), ColorToPixel(color));
  Changed();
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>(this);
    FCanvas->OnChange = [this] { Changed(); };
  }
  return *FCanvas;
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed) return FTransparentColor;
  if (Monochrome()) return clWhite;
  if (Empty()) return clDefault;
  return Pixels(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
  FTransparentColor = color;
  FTransparentMode = color == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::Assign(const TGraphic& source) {
  if (auto bitmap = dynamic_cast<const TBitmap*>(&source)) {
    *this = *bitmap;
    return;
  }
  TBitmap result(source.Width(), source.Height());
  source.Draw(result.Canvas(), Rect(0, 0, source.Width(), source.Height()));
  *this = std::move(result);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& dest) const {
  if (Empty()) return;
  if (Transparent())
    canvas.CopyBitmap(dest, *this, Rect(0, 0, FWidth, FHeight), TransparentColor());
  else
    canvas.CopyBitmap(dest, *this, Rect(0, 0, FWidth, FHeight));
}

// ---- canvas ---------------------------------------------------------------------

namespace {

// The binary raster operations, pen p over destination d.
TPixel Rop2(TPenMode mode, TPixel d, TPixel p) {
  TPixel r;
  switch (mode) {
    case pmBlack: r = 0; break;
    case pmWhite: r = 0xFFFFFF; break;
    case pmNop: r = d; break;
    case pmNot: r = ~d; break;
    case pmCopy: r = p; break;
    case pmNotCopy: r = ~p; break;
    case pmMergePenNot: r = p | ~d; break;
    case pmMaskPenNot: r = p & ~d; break;
    case pmMergeNotPen: r = ~p | d; break;
    case pmMaskNotPen: r = ~p & d; break;
    case pmMerge: r = p | d; break;
    case pmNotMerge: r = ~(p | d); break;
    case pmMask: r = p & d; break;
    case pmNotMask: r = ~(p & d); break;
    case pmXor: r = p ^ d; break;
    case pmNotXor: r = ~(p ^ d); break;
    default: r = p; break;
  }
  return r & 0xFFFFFF;
}

// A ternary raster operation from its truth table (bits 16..23 of the code),
// indexed by pattern * 4 + source * 2 + destination.
TPixel Rop3(uint32_t rop, TPixel s, TPixel d, TPixel p) {
  const uint32_t code = (rop >> 16) & 0xFF;
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i)
    if ((code >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return r & 0xFFFFFF;
}

TPixel BlendPixel(TPixel base, TPixel fg, unsigned a) {
  if (a == 255) return fg;
  const unsigned na = 255 - a;
  const unsigned r = (((base >> 16) & 0xFF) * na + ((fg >> 16) & 0xFF) * a + 127) / 255;
  const unsigned g = (((base >> 8) & 0xFF) * na + ((fg >> 8) & 0xFF) * a + 127) / 255;
  const unsigned b = ((base & 0xFF) * na + (fg & 0xFF) * a + 127) / 255;
  return (r << 16) | (g << 8) | b;
}

// Cosmetic pen patterns (on, off, ...) in pixels.
std::span<const int> PenPattern(TPenStyle style) {
  static constexpr int dash[] = {18, 6};
  static constexpr int dot[] = {3, 3};
  static constexpr int dashDot[] = {9, 6, 3, 6};
  static constexpr int dashDotDot[] = {9, 3, 3, 3, 3, 3};
  switch (style) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return {};
  }
}

// The pixels of a line from (x0, y0) towards (x1, y1), the end point left
// out, each with its step number. Only the steps whose major coordinate lies
// in [lo, hi] are visited, so a line far beyond the target costs nothing.
template <typename F>
void LinePixels(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t lo, int64_t hi, F&& plot) {
  const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
  if (!xMajor) {
    std::swap(x0, y0);
    std::swap(x1, y1);
  }
  const int64_t dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
  const int64_t sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
  const int64_t first = std::max<int64_t>(0, sx > 0 ? lo - x0 : x0 - hi);
  const int64_t last = std::min<int64_t>(dx, sx > 0 ? hi - x0 + 1 : x0 - lo + 1);
  if (first >= last) return;
  // Minor steps taken before step i: ceil((2 dy i - dx) / 2 dx); e is the error term there.
  const int64_t num = 2 * dy * first - dx, den = 2 * dx;
  int64_t k = num >= 0 ? (num + den - 1) / den : -((-num) / den);
  int64_t e = 2 * dy * (first + 1) - dx - 2 * dx * k;
  int64_t x = x0 + sx * first, y = y0 + sy * k;
  for (int64_t i = first; i < last; ++i) {
    if (xMajor) plot(x, y, i);
    else plot(y, x, i);
    if (e > 0) {
      y += sy;
      e -= 2 * dx;
    }
    e += 2 * dy;
    x += sx;
  }
}

// A row of a rectangle with rounded corners (an ellipse when the corners
// take the whole size): the first and last pixel inside, inclusive; first >
// last for an empty row. A pixel is inside when its centre lies in the
// corner ellipse.
struct TSpan {
  int64_t X0, X1;
  bool Empty() const { return X0 > X1; }
};

TSpan EllipseRowSpan(double left, double right, double top, double bottom, int64_t y) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double a = (right - left) / 2, b = (bottom - top) / 2;
  const double t = (y + 0.5 - cy) / b;
  if (a <= 0 || b <= 0 || std::abs(t) > 1) return {1, 0};
  const double half = a * std::sqrt(1 - t * t);
  return {static_cast<int64_t>(std::ceil(cx - half - 0.5)), static_cast<int64_t>(std::floor(cx + half - 0.5))};
}

TSpan RoundRectRow(const TRect& r, int cw, int ch, int64_t y) {
  if (y < r.Top || y >= r.Bottom) return {1, 0};
  cw = std::clamp(cw, 0, r.Width());
  ch = std::clamp(ch, 0, r.Height());
  const int64_t i = y - r.Top;
  int64_t top = -1;  // top of the corner ellipse this row lies in, if any
  if (cw > 0 && ch > 0) {
    if (i < ch / 2) top = r.Top;
    else if (r.Height() - 1 - i < ch / 2) top = r.Bottom - ch;
  }
  if (top < 0) return {r.Left, int64_t{r.Right} - 1};
  const TSpan left = EllipseRowSpan(r.Left, r.Left + cw, top, top + ch, y);
  const TSpan right = EllipseRowSpan(r.Right - cw, r.Right, top, top + ch, y);
  return left.Empty() ? TSpan{1, 0} : TSpan{left.X0, right.X1};
}

// The inside of a row-convex shape without its outline `width` pixels wide:
// the pixels whose every pixel within `width` steps (four-neighbour distance)
// is inside, i.e. the shape eroded by a diamond.
template <typename FRow>
TSpan ErodedRow(FRow&& row, int64_t y, int width) {
  TSpan s{INT64_MIN, INT64_MAX};
  for (int64_t j = y - width; j <= y + width; ++j) {
    const TSpan o = row(j);
    if (o.Empty()) return {1, 0};
    const int64_t shrink = width - std::abs(j - y);
    s.X0 = std::max(s.X0, o.X0 + shrink);
    s.X1 = std::min(s.X1, o.X1 - shrink);
  }
  return s;
}

}  // namespace

TCanvas::TCanvas(TBitmap* target) : FTarget(target) {}

void TCanvas::SetTarget(TBitmap* target) {
  FTarget = target;
  FOrigin = {};
  FClip.reset();
}

TRect TCanvas::DeviceBounds() const {
  return FTarget ? Rect(0, 0, FTarget->Width(), FTarget->Height()) : TRect{};
}

template <typename F>
void TCanvas::ForEachClip(const TRect& deviceArea, F&& f) const {
  const TRect area = IntersectRect(deviceArea, DeviceBounds());
  if (area.IsEmpty()) return;
  if (!FClip) {
    f(area);
    return;
  }
  for (const TRect& r : FClip->Rects()) {
    if (r.Top >= area.Bottom) break;
    const TRect c = IntersectRect(r, area);
    if (!c.IsEmpty()) f(c);
  }
}

TRect TCanvas::ClipRect() const {
  TRect r = FClip ? IntersectRect(FClip->Bounds(), DeviceBounds()) : DeviceBounds();
  r.Offset(-FOrigin.X, -FOrigin.Y);
  return r;
}

void TCanvas::SetClipRect(const TRect& rect) {
  TRect r = rect;
  r.Offset(FOrigin.X, FOrigin.Y);
  FClip = TRegion(r);
}

void TCanvas::IntersectClipRect(const TRect& rect) {
  TRect r = rect;
  r.Offset(FOrigin.X, FOrigin.Y);
  FClip = (FClip ? *FClip : TRegion(DeviceBounds())) & TRegion(r);
}

void TCanvas::ExcludeClipRect(const TRect& rect) {
  TRect r = rect;
  r.Offset(FOrigin.X, FOrigin.Y);
  FClip = (FClip ? *FClip : TRegion(DeviceBounds())) - TRegion(r);
}

void TCanvas::SetClipRegion(const TRegion& region) {
  FClip = region;
  FClip->Offset(FOrigin.X, FOrigin.Y);
}

void TCanvas::ResetClip() { FClip.reset(); }

TRegion TCanvas::ClipRegion() const {
  TRegion r = FClip ? *FClip & TRegion(DeviceBounds()) : TRegion(DeviceBounds());
  r.Offset(-FOrigin.X, -FOrigin.Y);
  return r;
}

TColor TCanvas::Pixels(int x, int y) const {
  if (!FTarget) return clNone;
  return FTarget->Pixels(x + FOrigin.X, y + FOrigin.Y);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  const int dx = x + FOrigin.X, dy = y + FOrigin.Y;
  const TPixel p = ColorToPixel(color);
  ForEachClip(Rect(dx, dy, dx + 1, dy + 1), [&](const TRect&) { FTarget->ScanLine(dy)[dx] = p; });
  if (OnChange) OnChange();
}

void TCanvas::FillSpanDevice(int y, int x0, int x1, TPixel pixel) {
  // Brush and pen areas of shapes use the pen's raster operation.
  ForEachClip(Rect(x0, y, x1, y + 1), [&](const TRect& c) {
    TPixel* row = FTarget->ScanLine(y);
    if (Pen.Mode == pmCopy) {
      std::fill(row + c.Left, row + c.Right, pixel);
    } else {
      for (int x = c.Left; x < c.Right; ++x) row[x] = Rop2(Pen.Mode, row[x], pixel);
    }
  });
}

void TCanvas::PlotPen(int x, int y) {
  if (!FTarget || x < 0 || y < 0 || x >= FTarget->Width() || y >= FTarget->Height()) return;
  if (FClip && !FClip->Contains(x, y)) return;
  TPixel& d = FTarget->ScanLine(y)[x];
  d = Rop2(Pen.Mode, d, ColorToPixel(Pen.Color));
}

void TCanvas::FillRect(const TRect& rect) {
  if (Brush.Style == bsClear || rect.IsEmpty() || !FTarget) return;
  TRect r = rect;
  r.Offset(FOrigin.X, FOrigin.Y);
  const TPixel p = ColorToPixel(Brush.Color);
  ForEachClip(r, [&](const TRect& c) {
    for (int y = c.Top; y < c.Bottom; ++y) {
      TPixel* row = FTarget->ScanLine(y);
      std::fill(row + c.Left, row + c.Right, p);
    }
  });
  if (OnChange) OnChange();
}

void TCanvas::FillRegion(const TRegion& region) {
  for (const TRect& r : region.Rects()) FillRect(r);
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.IsEmpty()) return;
  FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1));
  FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
  FillRect(Rect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1));
  FillRect(Rect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1));
}

void TCanvas::InvertRect(const TRect& rect) {
  if (rect.IsEmpty() || !FTarget) return;
  TRect r = rect;
  r.Offset(FOrigin.X, FOrigin.Y);
  ForEachClip(r, [&](const TRect& c) {
    for (int y = c.Top; y < c.Bottom; ++y) {
      TPixel* row = FTarget->ScanLine(y);
      for (int x = c.Left; x < c.Right; ++x) row[x] ^= 0xFFFFFF;
    }
  });
  if (OnChange) OnChange();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  if (rect.IsEmpty() || !FTarget) return;
  TRect r = rect;
  r.Offset(FOrigin.X, FOrigin.Y);
  // A checkerboard aligned to the target, inverted on the one-pixel edge.
  auto invert = [&](const TRect& edge) {
    ForEachClip(edge, [&](const TRect& c) {
      for (int y = c.Top; y < c.Bottom; ++y) {
        TPixel* row = FTarget->ScanLine(y);
        for (int x = c.Left; x < c.Right; ++x)
          if ((x + y) % 2 == 0) row[x] ^= 0xFFFFFF;
      }
    });
  };
  invert(Rect(r.Left, r.Top, r.Right, r.Top + 1));
  if (r.Height() > 1) invert(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
  invert(Rect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1));
  if (r.Width() > 1) invert(Rect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1));
  if (OnChange) OnChange();
}

void TCanvas::LineTo(int x, int y) {
  const TPoint from = FPenPos;
  FPenPos = {x, y};
  Polyline({from, TPoint{x, y}});
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  FPenPos = points.back();
  if (Pen.Style == psClear || !FTarget || points.size() < 2) return;
  if (Pen.Width > 1) {
    WidePath(points, Pen.Width);  // wide pens draw solid
    if (OnChange) OnChange();
    return;
  }
  const int ox = FOrigin.X, oy = FOrigin.Y;
  // Dashes run on along the whole line.
  const std::span<const int> pattern = PenPattern(Pen.Style);
  int64_t period = 0;
  for (int n : pattern) period += n;
  auto on = [&](int64_t step) {
    if (!period) return true;
    int64_t at = step % period;
    for (size_t k = 0; k < pattern.size(); ++k) {
      if (at < pattern[k]) return k % 2 == 0;
      at -= pattern[k];
    }
    return true;
  };
  int64_t base = 0;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    const TPoint a = points[i], b = points[i + 1];
    const bool xMajor = std::abs(int64_t{b.X} - a.X) >= std::abs(int64_t{b.Y} - a.Y);
    const int64_t origin = xMajor ? ox : oy;
    const int64_t extent = xMajor ? FTarget->Width() : FTarget->Height();
    LinePixels(a.X, a.Y, b.X, b.Y, -origin - 1, extent - origin, [&](int64_t x, int64_t y, int64_t step) {
      x += ox;
      y += oy;
      if (x >= 0 && y >= 0 && x < FTarget->Width() && y < FTarget->Height() && on(base + step))
        PlotPen(static_cast<int>(x), static_cast<int>(y));
    });
    base += std::max(std::abs(int64_t{b.X} - a.X), std::abs(int64_t{b.Y} - a.Y));
  }
  if (OnChange) OnChange();
}

void TCanvas::WidePath(std::span<const TPoint> points, int width) {
  // A wide pen covers the pixels whose centres lie within width / 2 of the
  // path (round ends and joins). They are gathered in a mask of the target
  // first, so each is drawn once even where pieces overlap.
  const double radius = width / 2.0;
  // Even widths put the extra pixel to the right and below, as a nib does.
  const double shift = width % 2 == 0 ? 1.0 : 0.5;
  std::vector<std::pair<double, double>> centres;
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (const TPoint& p : points) {
    const double x = p.X + FOrigin.X + shift, y = p.Y + FOrigin.Y + shift;
    centres.emplace_back(x, y);
    minX = std::min(minX, x); maxX = std::max(maxX, x);
    minY = std::min(minY, y); maxY = std::max(maxY, y);
  }
  const TRect area = IntersectRect(
      Rect(static_cast<int>(std::clamp(std::floor(minX - radius - 1), -1.0, 1e9)),
           static_cast<int>(std::clamp(std::floor(minY - radius - 1), -1.0, 1e9)),
           static_cast<int>(std::clamp(std::ceil(maxX + radius + 1), -1.0, 1e9)),
           static_cast<int>(std::clamp(std::ceil(maxY + radius + 1), -1.0, 1e9))),
      DeviceBounds());
  if (area.IsEmpty()) return;
  std::vector<uint8_t> mask(static_cast<size_t>(area.Width()) * area.Height(), 0);
  auto set = [&](int x0, int x1, int y) {
    x0 = std::max(x0, area.Left);
    x1 = std::min(x1, area.Right);
    if (x1 > x0) std::fill_n(mask.begin() + static_cast<ptrdiff_t>(y - area.Top) * area.Width() + (x0 - area.Left), x1 - x0, 1);
  };
  auto rows = [&](double top, double bottom, auto&& span) {
    const int y0 = std::max(area.Top, static_cast<int>(std::clamp(std::floor(top), -1.0, 1e9)));
    const int y1 = std::min(area.Bottom, static_cast<int>(std::clamp(std::ceil(bottom), -1.0, 1e9)));
    for (int y = y0; y < y1; ++y) span(y, y + 0.5);
  };
  for (size_t i = 0; i < centres.size(); ++i) {
    const double cx = centres[i].first, cy = centres[i].second;
    // The round end or join.
    rows(cy - radius, cy + radius, [&](int y, double yc) {
      const double d = radius * radius - (yc - cy) * (yc - cy);
      if (d < 0) return;
      const double half = std::sqrt(d);
      set(static_cast<int>(std::ceil(std::clamp(cx - half - 0.5, -1.0, 1e9))),
          static_cast<int>(std::floor(std::clamp(cx + half - 0.5, -2.0, 1e9))) + 1, y);
    });
    if (i + 1 == centres.size()) break;
    // The band along the segment: a quadrilateral, filled at pixel centres.
    const auto [ex, ey] = centres[i + 1];
    const double len = std::hypot(ex - cx, ey - cy);
    if (len == 0) continue;
    const double nx = -(ey - cy) / len * radius, ny = (ex - cx) / len * radius;
    const std::pair<double, double> quad[4] = {{cx + nx, cy + ny}, {ex + nx, ey + ny}, {ex - nx, ey - ny}, {cx - nx, cy - ny}};
    double top = 1e300, bottom = -1e300;
    for (const auto& q : quad) {
      top = std::min(top, q.second);
      bottom = std::max(bottom, q.second);
    }
    rows(top, bottom, [&](int y, double yc) {
      double lo = 1e300, hi = -1e300;
      for (int k = 0; k < 4; ++k) {
        const auto [ax, ay] = quad[k];
        const auto [bx, by] = quad[(k + 1) % 4];
        if (ay == by || yc < std::min(ay, by) || yc > std::max(ay, by)) continue;
        const double x = ax + (yc - ay) * (bx - ax) / (by - ay);
        lo = std::min(lo, x);
        hi = std::max(hi, x);
      }
      if (lo <= hi)
        set(static_cast<int>(std::ceil(std::clamp(lo - 0.5, -1.0, 1e9))),
            static_cast<int>(std::ceil(std::clamp(hi - 0.5, -1.0, 1e9))), y);
    });
  }
  for (int y = area.Top; y < area.Bottom; ++y) {
    const uint8_t* m = mask.data() + static_cast<size_t>(y - area.Top) * area.Width();
    for (int x = area.Left; x < area.Right; ++x)
      if (m[x - area.Left]) PlotPen(x, y);
  }
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (points.size() < 2) return;
  const std::vector<TPoint> ring(points.begin(), points.end());
  PolyPolygon(std::span(&ring, 1));
}

void TCanvas::PolyPolygon(std::span<const std::vector<TPoint>> rings) {
  if (!FTarget) return;
  const int ox = FOrigin.X, oy = FOrigin.Y;
  if (Brush.Style != bsClear) {
    int top = INT32_MAX, bottom = INT32_MIN;
    for (const auto& ring : rings)
      for (const TPoint& p : ring) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
      }
    const int y0 = std::max(top + oy, 0), y1 = std::min(bottom + oy, FTarget->Height());
    const TPixel brush = ColorToPixel(Brush.Color);
    std::vector<double> xs;
    // Alternate fill: a pixel is inside when its centre has an odd number of edges to its left.
    for (int y = y0; y < y1; ++y) {
      const double yc = y - oy + 0.5;
      xs.clear();
      for (const auto& ring : rings) {
        if (ring.size() < 3) continue;
        for (size_t i = 0; i < ring.size(); ++i) {
          const TPoint& a = ring[i];
          const TPoint& b = ring[(i + 1) % ring.size()];
          if (a.Y == b.Y) continue;
          if (yc < std::min(a.Y, b.Y) || yc >= std::max(a.Y, b.Y)) continue;
          xs.push_back(a.X + (yc - a.Y) * (static_cast<double>(b.X) - a.X) / (static_cast<double>(b.Y) - a.Y));
        }
      }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        const int x0 = static_cast<int>(std::ceil(xs[i] - 0.5)) + ox;
        const int x1 = static_cast<int>(std::ceil(xs[i + 1] - 0.5)) + ox;
        if (x1 > x0) FillSpanDevice(y, x0, x1, brush);
      }
    }
  }
  const TPoint pen = FPenPos;
  for (const auto& ring : rings) {
    if (ring.size() < 2) continue;
    std::vector<TPoint> closed = ring;
    closed.push_back(ring.front());
    Polyline(closed);
  }
  FPenPos = pen;
  if (OnChange) OnChange();
}

void TCanvas::Rectangle(const TRect& rect) {
  if (!FTarget) return;
  TRect r = rect;
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  r.Offset(FOrigin.X, FOrigin.Y);
  TRect inner = r;
  if (Pen.Style == psClear) {
    // Without a pen Windows fills one pixel less on the right and bottom.
    inner.Right -= 1;
    inner.Bottom -= 1;
  } else {
    const int w = std::max(Pen.Width, 1);
    inner.Inflate(-w, -w);
    const TPixel pen = ColorToPixel(Pen.Color);
    const int innerTop = std::min(std::max(inner.Top, r.Top), r.Bottom);
    const int innerBottom = std::max(std::min(inner.Bottom, r.Bottom), innerTop);
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, FTarget->Height()); ++y) {
      if (y < innerTop || y >= innerBottom || inner.IsEmpty()) {
        FillSpanDevice(y, r.Left, r.Right, pen);
      } else {
        FillSpanDevice(y, r.Left, std::min(inner.Left, r.Right), pen);
        FillSpanDevice(y, std::max(inner.Right, r.Left), r.Right, pen);
      }
    }
  }
  if (Brush.Style != bsClear && !inner.IsEmpty()) {
    const TPixel brush = ColorToPixel(Brush.Color);
    for (int y = std::max(inner.Top, 0); y < std::min(inner.Bottom, FTarget->Height()); ++y)
      FillSpanDevice(y, inner.Left, inner.Right, brush);
  }
  if (OnChange) OnChange();
}

void TCanvas::RoundRect(const TRect& rect, int cornerWidth, int cornerHeight) {
  if (!FTarget) return;
  TRect r = rect;
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  r.Offset(FOrigin.X, FOrigin.Y);
  if (Pen.Style == psClear) {
    // Without a pen Windows fills one pixel less on the right and bottom.
    r.Right -= 1;
    r.Bottom -= 1;
  }
  if (r.IsEmpty()) return;
  const int w = Pen.Style == psClear ? 0 : std::max(Pen.Width, 1);
  const TPixel pen = ColorToPixel(Pen.Color), brush = ColorToPixel(Brush.Color);
  auto outerRow = [&](int64_t y) { return RoundRectRow(r, cornerWidth, cornerHeight, y); };
  // Only the rows on the target are worked out.
  const int y0 = std::max(r.Top, 0), y1 = std::min(r.Bottom, FTarget->Height());
  for (int y = y0; y < y1; ++y) {
    const TSpan o = outerRow(y);
    if (o.Empty()) continue;
    const TSpan in = w ? ErodedRow(outerRow, y, w) : o;
    const int ox0 = static_cast<int>(std::clamp<int64_t>(o.X0, -1, FTarget->Width()));
    const int ox1 = static_cast<int>(std::clamp<int64_t>(o.X1 + 1, -1, FTarget->Width()));
    if (in.Empty()) {
      if (w) FillSpanDevice(y, ox0, ox1, pen);
      continue;
    }
    const int ix0 = static_cast<int>(std::clamp<int64_t>(in.X0, -1, FTarget->Width()));
    const int ix1 = static_cast<int>(std::clamp<int64_t>(in.X1 + 1, -1, FTarget->Width()));
    if (w) {
      FillSpanDevice(y, ox0, ix0, pen);
      FillSpanDevice(y, ix1, ox1, pen);
    }
    if (Brush.Style != bsClear) FillSpanDevice(y, ix0, ix1, brush);
  }
  if (OnChange) OnChange();
}

void TCanvas::Ellipse(const TRect& rect) {
  RoundRect(rect, std::abs(rect.Width()), std::abs(rect.Height()));
}

void TCanvas::Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width) {
  const TPixel top = ColorToPixel(topColor), bottom = ColorToPixel(bottomColor);
  auto fill = [&](int l, int t, int r, int b, TPixel p) {
    TRect d = Rect(l, t, r, b);
    d.Offset(FOrigin.X, FOrigin.Y);
    ForEachClip(d, [&](const TRect& c) {
      for (int y = c.Top; y < c.Bottom; ++y) std::fill(FTarget->ScanLine(y) + c.Left, FTarget->ScanLine(y) + c.Right, p);
    });
  };
  for (; width > 0; --width) {
    // Right and bottom as the inclusive last column and row.
    const int l = rect.Left, t = rect.Top, r = rect.Right - 1, b = rect.Bottom - 1;
    if (r >= l && b >= t && FTarget) {
      fill(l, t, r, t + 1, top);          // top edge, without the top-right corner
      fill(l, t, l + 1, b, top);          // left edge, without the bottom-left corner
      fill(r, t, r + 1, b + 1, bottom);   // right edge with both corners
      fill(l, b, r, b + 1, bottom);       // bottom edge with the bottom-left corner
    }
    rect.Inflate(-1, -1);
  }
  if (OnChange) OnChange();
}

void TCanvas::DrawEdge(TRect& rect, unsigned edge, unsigned flags) {
  // Colours of the top-left and bottom-right lines of the outer and inner edge.
  TColor outerTL = clNone, outerBR = clNone, innerTL = clNone, innerBR = clNone;
  if (edge & BDR_RAISEDOUTER) { outerTL = cl3DLight; outerBR = cl3DDkShadow; }
  else if (edge & BDR_SUNKENOUTER) { outerTL = clBtnShadow; outerBR = clBtnHighlight; }
  if (edge & BDR_RAISEDINNER) { innerTL = clBtnHighlight; innerBR = clBtnShadow; }
  else if (edge & BDR_SUNKENINNER) { innerTL = cl3DDkShadow; innerBR = cl3DLight; }

  TRect r = rect;
  auto line = [&](int l, int t, int rr, int b, TColor c) {
    if (c == clNone) return;
    TRect d = Rect(l, t, rr, b);
    d.Offset(FOrigin.X, FOrigin.Y);
    const TPixel p = ColorToPixel(c);
    ForEachClip(d, [&](const TRect& cl) {
      for (int y = cl.Top; y < cl.Bottom; ++y) std::fill(FTarget->ScanLine(y) + cl.Left, FTarget->ScanLine(y) + cl.Right, p);
    });
  };
  auto one = [&](TColor tl, TColor br) {
    if (tl == clNone && br == clNone) return;
    if (FTarget && !r.IsEmpty()) {
      if (flags & BF_TOP) line(r.Left, r.Top, r.Right, r.Top + 1, tl);
      if (flags & BF_LEFT) line(r.Left, r.Top, r.Left + 1, r.Bottom, tl);
      if (flags & BF_BOTTOM) line(r.Left, r.Bottom - 1, r.Right, r.Bottom, br);
      if (flags & BF_RIGHT) line(r.Right - 1, r.Top, r.Right, r.Bottom, br);
    }
    if (flags & BF_LEFT) ++r.Left;
    if (flags & BF_TOP) ++r.Top;
    if (flags & BF_RIGHT) --r.Right;
    if (flags & BF_BOTTOM) --r.Bottom;
  };
  one(outerTL, outerBR);
  one(innerTL, innerBR);
  if ((flags & BF_MIDDLE) && !r.IsEmpty()) line(r.Left, r.Top, r.Right, r.Bottom, clBtnFace);
  if (flags & BF_ADJUST) rect = r;
  if (OnChange) OnChange();
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& dest, const TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, dest);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
  if (!source.FTarget) return;
  TRect s = sourceRect;
  s.Offset(source.FOrigin.X, source.FOrigin.Y);
  CopyBitmap(dest, *source.FTarget, s);
}

void TCanvas::CopyBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect,
                         std::optional<TColor> transparent) {
  const int dw = dest.Width(), dh = dest.Height(), sw = sourceRect.Width(), sh = sourceRect.Height();
  if (!FTarget || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  // Copying within one bitmap reads from a snapshot, so overlapping areas come out right.
  std::optional<TBitmap> snapshot;
  if (&source == FTarget) snapshot.emplace(source);
  const TBitmap& src = snapshot ? *snapshot : source;

  TRect d = dest;
  d.Offset(FOrigin.X, FOrigin.Y);
  // Nearest source pixel for each destination column and row (pixel centres).
  std::vector<int> xmap(dw), ymap(dh);
  for (int i = 0; i < dw; ++i)
    xmap[i] = sourceRect.Left + static_cast<int>((static_cast<int64_t>(2 * i + 1) * sw) / (2 * static_cast<int64_t>(dw)));
  for (int i = 0; i < dh; ++i)
    ymap[i] = sourceRect.Top + static_cast<int>((static_cast<int64_t>(2 * i + 1) * sh) / (2 * static_cast<int64_t>(dh)));
  const bool hasKey = transparent.has_value();
  const TPixel key = hasKey ? ColorToPixel(*transparent) : 0;
  const TPixel brush = ColorToPixel(Brush.Color);
  const uint32_t rop = CopyMode;
  const bool plain = rop == cmSrcCopy && !hasKey && dw == sw;
  ForEachClip(d, [&](const TRect& c) {
    for (int y = c.Top; y < c.Bottom; ++y) {
      const int sy = ymap[y - d.Top];
      if (sy < 0 || sy >= src.Height()) continue;
      const TPixel* srow = src.ScanLine(sy);
      TPixel* drow = FTarget->ScanLine(y);
      if (plain) {
        // Straight row copy of the part inside the source.
        const int x0 = std::max(c.Left, d.Left - sourceRect.Left);
        const int x1 = std::min(c.Right, d.Left - sourceRect.Left + src.Width());
        if (x1 > x0) std::memcpy(drow + x0, srow + xmap[x0 - d.Left], sizeof(TPixel) * (x1 - x0));
        continue;
      }
      for (int x = c.Left; x < c.Right; ++x) {
        const int sx = xmap[x - d.Left];
        if (sx < 0 || sx >= src.Width()) continue;
        const TPixel s = srow[sx];
        if (hasKey && s == key) continue;
        drow[x] = rop == cmSrcCopy ? s : Rop3(rop, s, drow[x], brush);
      }
    }
  });
  if (OnChange) OnChange();
}

void TCanvas::AlphaDraw(const TRect& dest, const TBitmap& source, std::span<const uint8_t> alpha) {
  const int dw = dest.Width(), dh = dest.Height(), sw = source.Width(), sh = source.Height();
  if (!FTarget || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || alpha.size() < static_cast<size_t>(sw) * sh) return;
  std::optional<TBitmap> snapshot;
  if (&source == FTarget) snapshot.emplace(source);
  const TBitmap& src = snapshot ? *snapshot : source;
  TRect d = dest;
  d.Offset(FOrigin.X, FOrigin.Y);
  std::vector<int> xmap(dw), ymap(dh);
  for (int i = 0; i < dw; ++i) xmap[i] = static_cast<int>((static_cast<int64_t>(2 * i + 1) * sw) / (2 * int64_t{dw}));
  for (int i = 0; i < dh; ++i) ymap[i] = static_cast<int>((static_cast<int64_t>(2 * i + 1) * sh) / (2 * int64_t{dh}));
  ForEachClip(d, [&](const TRect& c) {
    for (int y = c.Top; y < c.Bottom; ++y) {
      const int sy = ymap[y - d.Top];
      const TPixel* srow = src.ScanLine(sy);
      const uint8_t* arow = alpha.data() + static_cast<size_t>(sy) * sw;
      TPixel* drow = FTarget->ScanLine(y);
      for (int x = c.Left; x < c.Right; ++x) {
        const int sx = xmap[x - d.Left];
        if (arow[sx]) drow[x] = BlendPixel(drow[x], srow[sx] & 0xFFFFFF, arow[sx]);
      }
    }
  });
  if (OnChange) OnChange();
}

void TCanvas::BrushCopy(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TColor transparent) {
  const TCopyMode mode = CopyMode;
  CopyMode = cmSrcCopy;
  if (Brush.Style == bsClear) {
    CopyBitmap(dest, source, sourceRect, transparent);
  } else {
    // The transparent colour becomes the brush colour.
    TBitmap copy = source;
    const TPixel key = ColorToPixel(transparent), brush = ColorToPixel(Brush.Color);
    for (int y = 0; y < copy.Height(); ++y) {
      TPixel* row = copy.ScanLine(y);
      for (int x = 0; x < copy.Width(); ++x)
        if (row[x] == key) row[x] = brush;
    }
    CopyBitmap(dest, copy, sourceRect);
  }
  CopyMode = mode;
}


void TCanvas::DrawMask(const TTextMask& mask, int x, int y, int escapement, TColor color,
                       std::optional<TColor> background, const TRect* clip) {
  if (!FTarget || mask.Height <= 0 || (mask.Width <= 0 && mask.CellWidth <= 0)) return;
  const int rx = x + FOrigin.X, ry = y + FOrigin.Y;
  TRect extra = Rect(INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2);
  if (clip) {
    extra = *clip;
    extra.Offset(FOrigin.X, FOrigin.Y);
  }
  const TPixel fg = ColorToPixel(color);
  const bool opaque = background.has_value();
  const TPixel bg = opaque ? ColorToPixel(*background) : 0;
  // u runs along the baseline from the cell's left edge, v down from the cell's top.
  const int u0 = std::min(0, -mask.CellLeft), u1 = std::max(mask.CellWidth, mask.Width - mask.CellLeft);
  auto shade = [&](TPixel& d, int u, int v) {
    if (v < 0 || v >= mask.Height) return;
    const bool inCell = u >= 0 && u < mask.CellWidth;
    const int col = u + mask.CellLeft;
    const unsigned a = col >= 0 && col < mask.Width ? mask.At(col, v) : 0;
    if (opaque && inCell) d = BlendPixel(bg, fg, a);
    else if (a) d = BlendPixel(d, fg, a);
  };
  const int esc = ((escapement % 3600) + 3600) % 3600;
  if (esc == 0) {
    const TRect area = IntersectRect(Rect(rx + u0, ry, rx + u1, ry + mask.Height), extra);
    ForEachClip(area, [&](const TRect& c) {
      for (int py = c.Top; py < c.Bottom; ++py) {
        TPixel* row = FTarget->ScanLine(py);
        for (int px = c.Left; px < c.Right; ++px) shade(row[px], px - rx, py - ry);
      }
    });
  } else {
    // Quarter turns use exact factors so turned text keeps its pixels.
    double sn, cs;
    switch (esc) {
      case 900: sn = 1; cs = 0; break;
      case 1800: sn = 0; cs = -1; break;
      case 2700: sn = -1; cs = 0; break;
      default: sn = std::sin(esc * std::numbers::pi / 1800); cs = std::cos(esc * std::numbers::pi / 1800); break;
    }
    // Device offset of (u, v): (u cos + v sin, -u sin + v cos).
    double minX = 1e18, maxX = -1e18, minY = 1e18, maxY = -1e18;
    for (int u : {u0, u1})
      for (int v : {0, mask.Height}) {
        const double dx = u * cs + v * sn, dy = -u * sn + v * cs;
        minX = std::min(minX, dx); maxX = std::max(maxX, dx);
        minY = std::min(minY, dy); maxY = std::max(maxY, dy);
      }
    const TRect box = Rect(rx + static_cast<int>(std::floor(minX)), ry + static_cast<int>(std::floor(minY)),
                           rx + static_cast<int>(std::ceil(maxX)), ry + static_cast<int>(std::ceil(maxY)));
    ForEachClip(IntersectRect(box, extra), [&](const TRect& c) {
      for (int py = c.Top; py < c.Bottom; ++py) {
        TPixel* row = FTarget->ScanLine(py);
        const double dy = py - ry + 0.5;
        for (int px = c.Left; px < c.Right; ++px) {
          const double dx = px - rx + 0.5;
          shade(row[px], static_cast<int>(std::floor(dx * cs - dy * sn)),
                static_cast<int>(std::floor(dx * sn + dy * cs)));
        }
      }
    });
  }
  if (OnChange) OnChange();
}

// ---- canvas saver ---------------------------------------------------------------

TCanvasSaver::TCanvasSaver(TCanvas& canvas)
    : FCanvas(canvas),
      FOrigin(canvas.FOrigin),
      FClip(canvas.FClip),
      FPen(canvas.Pen),
      FBrush(canvas.Brush),
      FFont(canvas.Font),
      FCopyMode(canvas.CopyMode) {}

TCanvasSaver::~TCanvasSaver() {
  FCanvas.FOrigin = FOrigin;
  FCanvas.FClip = std::move(FClip);
  FCanvas.Pen = FPen;
  FCanvas.Brush = FBrush;
  FCanvas.Font = FFont;
  FCanvas.CopyMode = FCopyMode;
}

}  // namespace ui
