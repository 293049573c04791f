// Metafiles: loading Windows metafiles (WMF) and enhanced metafiles (EMF)
// and playing their drawing records onto a canvas.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "ui/ImageCodecs.h"
#include "ui/Picture.h"

namespace ui {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t EMR_HEADER = 1;
constexpr uint32_t EMR_EOF = 14;

// Little-endian reads that give 0 outside the data, so a short record plays as zeros instead of reading beyond it.
struct TBytes {
  std::span<const uint8_t> Data;
  uint8_t U8(size_t o) const { return o < Data.size() ? Data[o] : 0; }
  uint16_t U16(size_t o) const { return static_cast<uint16_t>(U8(o) | (U8(o + 1) << 8)); }
  int16_t I16(size_t o) const { return static_cast<int16_t>(U16(o)); }
  uint32_t U32(size_t o) const { return U16(o) | (static_cast<uint32_t>(U16(o + 2)) << 16); }
  int32_t I32(size_t o) const { return static_cast<int32_t>(U32(o)); }
  float F32(size_t o) const {
    const uint32_t v = U32(o);
    float f;
    std::memcpy(&f, &v, 4);
    return std::isfinite(f) ? f : 0.0f;
  }
  bool Has(size_t o, size_t n) const { return o <= Data.size() && n <= Data.size() - o; }
};

// ---- state of playback ---------------------------------------------------------

struct TLogFont {
  int Height = 0;
  int Escapement = 0;
  int Weight = 400;
  bool Italic = false, Underline = false, StrikeOut = false;
  AnsiString Face = "MS Sans Serif";
};

struct TObject {
  enum TKind { okNone, okPen, okBrush, okFont, okOther } Kind = okNone;
  TPenStyle PenStyle = psSolid;
  double PenWidth = 0;  // logical units; 0 = one pixel
  TColor Color = 0;
  bool NullBrush = false;
  TLogFont Font;
};

struct TMatrix {
  double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
  TMatrix operator*(const TMatrix& b) const {  // this first, then b
    return {M11 * b.M11 + M12 * b.M21, M11 * b.M12 + M12 * b.M22, M21 * b.M11 + M22 * b.M21,
            M21 * b.M12 + M22 * b.M22, Dx * b.M11 + Dy * b.M21 + b.Dx, Dx * b.M12 + Dy * b.M22 + b.Dy};
  }
};

struct TDcState {
  TObject Pen, Brush, Font;
  TColor TextColor = 0, BkColor = 0xFFFFFF;
  bool BkOpaque = true;
  unsigned TextAlign = 0;
  TPenMode Rop2 = pmCopy;
  int MapMode = 1;  // MM_TEXT
  double WinOrgX = 0, WinOrgY = 0, WinExtX = 1, WinExtY = 1;
  double VpOrgX = 0, VpOrgY = 0, VpExtX = 1, VpExtY = 1;
  TMatrix World;
  double CurX = 0, CurY = 0;
  TRegion Clip;  // canvas coordinates
};

TPenMode PenModeFromRop2(unsigned rop2) {
  static constexpr TPenMode modes[16] = {pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot, pmNot,
                                         pmXor,   pmNotMask,  pmMask,       pmNotXor,  pmNop,        pmMergeNotPen,
                                         pmCopy,  pmMergePenNot, pmMerge,   pmWhite};
  return rop2 >= 1 && rop2 <= 16 ? modes[rop2 - 1] : pmCopy;
}

TPenStyle PenStyleFromGdi(uint32_t style) {
  switch (style & 0x0F) {
    case 1: return psDash;
    case 2: return psDot;
    case 3: return psDashDot;
    case 4: return psDashDotDot;
    case 5: return psClear;
    default: return psSolid;
  }
}

AnsiString AnsiFromUtf16(const TBytes& b, size_t offset, size_t chars) {
  std::string utf8;
  for (size_t i = 0; i < chars; ++i) {
    char32_t c = b.U16(offset + 2 * i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < chars) {
      const char32_t low = b.U16(offset + 2 * (i + 1));
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (c >> 18));
      utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return rtl::AnsiFromUtf8(utf8);
}

// Points of a cubic Bezier run (start, then three points per segment), flattened.
std::vector<std::pair<double, double>> FlattenBezier(const std::vector<std::pair<double, double>>& pts) {
  std::vector<std::pair<double, double>> out;
  if (pts.empty()) return out;
  out.push_back(pts[0]);
  constexpr int kSteps = 16;
  for (size_t i = 0; i + 3 < pts.size(); i += 3) {
    const auto [x0, y0] = pts[i];
    const auto [x1, y1] = pts[i + 1];
    const auto [x2, y2] = pts[i + 2];
    const auto [x3, y3] = pts[i + 3];
    for (int s = 1; s <= kSteps; ++s) {
      const double t = static_cast<double>(s) / kSteps, u = 1 - t;
      out.emplace_back(u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3,
                       u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3);
    }
  }
  return out;
}

// Plays records onto a canvas. Coordinates go logical -> (world) -> page ->
// device of the recording -> canvas; the last step maps the picture's frame
// onto the destination rectangle.
class TPlayer {
 public:
  TPlayer(TCanvas& canvas, const TRect& dest, double frameLeft, double frameTop, double frameWidth, double frameHeight)
      : FCanvas(canvas), FDest(dest) {
    FScaleX = frameWidth != 0 ? dest.Width() / frameWidth : 1;
    FScaleY = frameHeight != 0 ? dest.Height() / frameHeight : 1;
    FOffsetX = dest.Left - frameLeft * FScaleX;
    FOffsetY = dest.Top - frameTop * FScaleY;
    FBaseClip = canvas.ClipRegion() & TRegion(dest);
    FState.Clip = FBaseClip;
    FState.Pen.Kind = TObject::okPen;
    FState.Brush.Kind = TObject::okBrush;
    FState.Brush.Color = 0xFFFFFF;
    FState.Font.Kind = TObject::okFont;
  }

  TDcState& State() { return FState; }
  std::map<uint32_t, TObject>& Objects() { return FObjects; }

  // ---- coordinates
  double DevX(double x, double y) const { return PageToDevX(x * FState.World.M11 + y * FState.World.M21 + FState.World.Dx); }
  double DevY(double x, double y) const { return PageToDevY(x * FState.World.M12 + y * FState.World.M22 + FState.World.Dy); }
  // Records may hold any numbers: positions are held to a range the canvas handles.
  static int Coord(double v) { return static_cast<int>(std::lround(std::isfinite(v) ? std::clamp(v, -1e9, 1e9) : 0.0)); }
  TPoint Map(double x, double y) const {
    return {Coord(DevX(x, y) * FScaleX + FOffsetX), Coord(DevY(x, y) * FScaleY + FOffsetY)};
  }
  // Canvas pixels per logical unit, for widths and heights.
  double UnitX() const { return std::abs((DevX(1, 0) - DevX(0, 0)) * FScaleX); }
  double UnitY() const { return std::abs((DevY(0, 1) - DevY(0, 0)) * FScaleY); }
  TRect MapRect(double l, double t, double r, double b) const {
    TPoint a = Map(l, t), c = Map(r, b);
    return Rect(std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y));
  }

  // ---- objects
  void Select(const TObject& o) {
    switch (o.Kind) {
      case TObject::okPen: FState.Pen = o; break;
      case TObject::okBrush: FState.Brush = o; break;
      case TObject::okFont: FState.Font = o; break;
      default: break;
    }
  }
  void SelectStock(uint32_t index) {
    TObject o;
    switch (index) {
      case 0: case 1: case 2: case 3: case 4: {  // white, light grey, grey, dark grey, black brush
        static constexpr TColor greys[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
        o.Kind = TObject::okBrush;
        o.Color = greys[index];
        break;
      }
      case 5: o.Kind = TObject::okBrush; o.NullBrush = true; break;
      case 6: o.Kind = TObject::okPen; o.Color = 0xFFFFFF; break;
      case 7: o.Kind = TObject::okPen; o.Color = 0; break;
      case 8: o.Kind = TObject::okPen; o.PenStyle = psClear; break;
      case 10: case 11: case 12: case 13: case 14: case 16: case 17:
        o.Kind = TObject::okFont;
        break;
      default: return;
    }
    Select(o);
  }

  // ---- drawing
  void Prepare() {
    const TObject& pen = FState.Pen;
    FCanvas.Pen.Style = pen.PenStyle;
    FCanvas.Pen.Color = pen.Color;
    FCanvas.Pen.Width = pen.PenWidth <= 0 ? 1 : std::max(1, Coord(std::min(pen.PenWidth * UnitX(), 10000.0)));
    FCanvas.Pen.Mode = FState.Rop2;
    FCanvas.Brush.Style = FState.Brush.NullBrush ? bsClear : bsSolid;
    FCanvas.Brush.Color = FState.Brush.Color;
  }
  void Polyline(const std::vector<std::pair<double, double>>& pts) {
    if (pts.size() < 2) return;
    Prepare();
    std::vector<TPoint> p;
    for (auto [x, y] : pts) p.push_back(Map(x, y));
    FCanvas.Polyline(p);
  }
  void PolyPolygon(const std::vector<std::vector<std::pair<double, double>>>& rings) {
    Prepare();
    std::vector<std::vector<TPoint>> mapped;
    for (const auto& ring : rings) {
      std::vector<TPoint> p;
      for (auto [x, y] : ring) p.push_back(Map(x, y));
      mapped.push_back(std::move(p));
    }
    FCanvas.PolyPolygon(mapped);
  }
  void Shape(int kind, double l, double t, double r, double b, double cw = 0, double ch = 0) {
    Prepare();
    const TRect rect = MapRect(l, t, r, b);
    if (kind == 0) FCanvas.Rectangle(rect);
    else if (kind == 1) FCanvas.Ellipse(rect);
    else FCanvas.RoundRect(rect, Coord(cw * UnitX()), Coord(ch * UnitY()));
  }
  void LineTo(double x, double y) {
    Polyline({{FState.CurX, FState.CurY}, {x, y}});
    FState.CurX = x;
    FState.CurY = y;
  }
  void SetPixel(double x, double y, TColor c) {
    const TPoint p = Map(x, y);
    FCanvas.SetPixels(p.X, p.Y, c & 0xFFFFFF);
  }
  void Text(double x, double y, const AnsiString& text, unsigned options, const TRect* rect) {
    TFont font;
    const TLogFont& lf = FState.Font.Font;
    font.SetName(lf.Face.empty() ? AnsiString("MS Sans Serif") : lf.Face);
    if (lf.Height != 0) {
      const int h = Coord(std::abs(lf.Height) * UnitY());
      font.SetHeight(lf.Height < 0 ? -std::max(h, 1) : std::max(h, 1));
    }
    font.SetStyle((lf.Weight >= 600 ? fsBold : 0) | (lf.Italic ? fsItalic : 0) | (lf.Underline ? fsUnderline : 0) |
                  (lf.StrikeOut ? fsStrikeOut : 0));
    font.SetEscapement(lf.Escapement);
    font.SetColor(FState.TextColor & 0xFFFFFF);
    FCanvas.Font = font;
    const bool updateCp = FState.TextAlign & 1;
    if (updateCp) {
      x = FState.CurX;
      y = FState.CurY;
    }
    TPoint p = Map(x, y);
    const int width = FCanvas.TextWidth(text);
    const TTextMetric m = font.Metrics();
    if ((FState.TextAlign & 6) == 6) p.X -= width / 2;
    else if (FState.TextAlign & 2) p.X -= width;
    if ((FState.TextAlign & 24) == 24) p.Y -= m.Ascent;
    else if (FState.TextAlign & 8) p.Y -= m.Height;
    if (rect && (options & 2)) {  // ETO_OPAQUE
      FCanvas.Brush.Style = bsSolid;
      FCanvas.Brush.Color = FState.BkColor & 0xFFFFFF;
      FCanvas.FillRect(*rect);
    }
    FCanvas.Brush.Style = FState.BkOpaque ? bsSolid : bsClear;
    FCanvas.Brush.Color = FState.BkColor & 0xFFFFFF;
    if (rect && (options & 4)) FCanvas.TextRect(*rect, p.X, p.Y, text);  // ETO_CLIPPED
    else FCanvas.TextOut(p.X, p.Y, text);
    if (updateCp) FState.CurX += width / std::max(UnitX(), 1e-9);
  }
  void Bitmap(const TRect& dest, std::span<const uint8_t> record, size_t bmi, size_t bits, int sx, int sy, int sw,
              int sh, uint32_t rop) {
    codec::TDecodedImage dib;
    try {
      dib = codec::DecodeDib(record, bmi, bits, false, codec::kInvalidMetafile);
    } catch (const EInvalidGraphic&) {
      return;  // a damaged picture inside the records draws nothing
    }
    FCanvas.CopyMode = static_cast<TCopyMode>(rop);
    FCanvas.Brush.Color = FState.Brush.Color;
    // Source rows count from the bottom of a bottom-up bitmap, as StretchDIBits reads them.
    const int top = dib.Bitmap.Height() - sy - sh;
    FCanvas.CopyBitmap(dest, dib.Bitmap, Bounds(sx, top < 0 ? sy : top, sw, sh));
    FCanvas.CopyMode = cmSrcCopy;
  }
  void PatBlt(const TRect& dest, uint32_t rop) {
    FCanvas.Brush.Style = bsSolid;
    switch (rop) {
      case cmBlackness: FCanvas.Brush.Color = 0; break;
      case cmWhiteness: FCanvas.Brush.Color = 0xFFFFFF; break;
      case cmDstInvert: FCanvas.InvertRect(dest); return;
      default:
        if (FState.Brush.NullBrush) return;
        FCanvas.Brush.Color = FState.Brush.Color;
        break;
    }
    FCanvas.FillRect(dest);
  }

  // ---- clipping and saved states
  void IntersectClip(const TRect& r) { SetClip(FState.Clip & TRegion(r)); }
  void ExcludeClip(const TRect& r) { SetClip(FState.Clip - TRegion(r)); }
  void ResetClip() { SetClip(FBaseClip); }
  void SetClip(const TRegion& r) {
    FState.Clip = r;
    FCanvas.SetClipRegion(r);
  }
  void Save() { FSaved.push_back(FState); }
  void Restore(int n) {
    // A negative count goes back that many states; a positive one to that state.
    const int size = static_cast<int>(FSaved.size());
    const int index = n < 0 ? size + n : n - 1;
    if (index < 0 || index >= size) return;
    FState = FSaved[index];
    FSaved.resize(index);
    FCanvas.SetClipRegion(FState.Clip);
  }

 private:
  double PageToDevX(double x) const {
    switch (FState.MapMode) {
      case 1: return x - FState.WinOrgX + FState.VpOrgX;
      case 7: case 8: return (x - FState.WinOrgX) * FState.VpExtX / FState.WinExtX + FState.VpOrgX;
      default: return (x - FState.WinOrgX) * MetricScale() + FState.VpOrgX;
    }
  }
  double PageToDevY(double y) const {
    switch (FState.MapMode) {
      case 1: return y - FState.WinOrgY + FState.VpOrgY;
      case 7: case 8: return (y - FState.WinOrgY) * FState.VpExtY / FState.WinExtY + FState.VpOrgY;
      default: return -(y - FState.WinOrgY) * MetricScale() + FState.VpOrgY;  // y grows upward
    }
  }
  // Device pixels (at 96 an inch) per logical unit of the metric and English map modes.
  double MetricScale() const {
    switch (FState.MapMode) {
      case 2: return 96 / 254.0;     // MM_LOMETRIC: 0.1 mm
      case 3: return 96 / 2540.0;    // MM_HIMETRIC: 0.01 mm
      case 4: return 96 / 100.0;     // MM_LOENGLISH: 0.01 inch
      case 5: return 96 / 1000.0;    // MM_HIENGLISH: 0.001 inch
      case 6: return 96 / 1440.0;    // MM_TWIPS
      default: return 1;
    }
  }

  TCanvas& FCanvas;
  TRect FDest;
  double FScaleX, FScaleY, FOffsetX, FOffsetY;
  TRegion FBaseClip;
  TDcState FState;
  std::vector<TDcState> FSaved;
  std::map<uint32_t, TObject> FObjects;
};

// ---- WMF ---------------------------------------------------------------------------

struct TWmfLayout {
  size_t Records = 0;  // offset of the first record
  bool Placeable = false;
  TRect Frame;         // logical units
  int Inch = 0;
};

// Walks the records; false when they run past the data or never end.
template <typename F>
bool WalkWmf(std::span<const uint8_t> data, size_t pos, F&& f) {
  const TBytes b{data};
  while (b.Has(pos, 6)) {
    const uint64_t size = uint64_t{b.U32(pos)} * 2;
    const unsigned function = b.U16(pos + 4);
    if (size < 6 || size > data.size() - pos) return false;
    if (function == 0) return true;  // META_EOF
    f(function, data.subspan(pos, static_cast<size_t>(size)));
    pos += static_cast<size_t>(size);
  }
  return false;
}

TWmfLayout ParseWmf(std::span<const uint8_t> data) {
  auto fail = [] { throw EInvalidGraphic(codec::kInvalidMetafile); };
  const TBytes b{data};
  TWmfLayout layout;
  size_t pos = 0;
  if (b.Has(0, 22) && b.U32(0) == kPlaceableKey) {
    // The placeable header's checksum is the XOR of its first ten words.
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= b.U16(2 * i);
    if (sum != b.U16(20)) fail();
    layout.Placeable = true;
    layout.Frame = Rect(b.I16(6), b.I16(8), b.I16(10), b.I16(12));
    layout.Inch = b.U16(14);
    if (layout.Inch == 0 || layout.Frame.Width() == 0 || layout.Frame.Height() == 0) fail();
    pos = 22;
  }
  // METAHEADER: type 1 (memory) or 2 (disk), header size 9 words, version.
  if (!b.Has(pos, 18)) fail();
  const unsigned type = b.U16(pos), headerWords = b.U16(pos + 2), version = b.U16(pos + 4);
  if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) fail();
  layout.Records = pos + 18;
  bool haveOrg = false, haveExt = false;
  TRect window;
  const bool complete = WalkWmf(data, layout.Records, [&](unsigned function, std::span<const uint8_t> rec) {
    const TBytes r{rec};
    if (function == 0x020B && !haveOrg) {  // META_SETWINDOWORG y, x
      window.Left = r.I16(8);
      window.Top = r.I16(6);
      haveOrg = true;
    } else if (function == 0x020C && !haveExt) {  // META_SETWINDOWEXT y, x
      window.Right = r.I16(8);
      window.Bottom = r.I16(6);
      haveExt = true;
    }
  });
  if (!complete) fail();
  if (!layout.Placeable) {
    // Without the placeable header the window extent is the picture's size.
    if (!haveExt || window.Right == 0 || window.Bottom == 0) fail();
    layout.Frame = Rect(window.Left, window.Top, window.Left + window.Right, window.Top + window.Bottom);
  }
  return layout;
}

void PlayWmf(TPlayer& player, std::span<const uint8_t> data, const TWmfLayout& layout) {
  TDcState& s = player.State();
  // The default window is the picture's frame; MM_ANISOTROPIC onto the frame's size.
  s.MapMode = 8;
  s.WinOrgX = layout.Frame.Left;
  s.WinOrgY = layout.Frame.Top;
  s.WinExtX = layout.Frame.Width();
  s.WinExtY = layout.Frame.Height();
  s.VpExtX = layout.Frame.Width();
  s.VpExtY = layout.Frame.Height();
  s.VpOrgX = layout.Frame.Left;
  s.VpOrgY = layout.Frame.Top;
  // Object handles take the lowest free slot in creation order.
  auto create = [&](const TObject& o) {
    uint32_t slot = 0;
    while (player.Objects().count(slot)) ++slot;
    player.Objects()[slot] = o;
  };
  auto points = [](const TBytes& r, size_t at, size_t count) {
    std::vector<std::pair<double, double>> pts;
    for (size_t i = 0; i < count && r.Has(at + 4 * i, 4); ++i) pts.emplace_back(r.I16(at + 4 * i), r.I16(at + 4 * i + 2));
    return pts;
  };
  WalkWmf(data, layout.Records, [&](unsigned function, std::span<const uint8_t> rec) {
    const TBytes r{rec};
    const size_t p = 6;  // parameters
    switch (function) {
      case 0x0201: s.BkColor = r.U32(p) & 0xFFFFFF; break;                    // SETBKCOLOR
      case 0x0102: s.BkOpaque = r.U16(p) == 2; break;                         // SETBKMODE
      case 0x0104: s.Rop2 = PenModeFromRop2(r.U16(p)); break;                 // SETROP2
      case 0x012E: s.TextAlign = r.U16(p); break;                             // SETTEXTALIGN
      case 0x0209: s.TextColor = r.U32(p) & 0xFFFFFF; break;                  // SETTEXTCOLOR
      case 0x020B: s.WinOrgX = r.I16(p + 2); s.WinOrgY = r.I16(p); break;     // SETWINDOWORG
      case 0x020C:                                                            // SETWINDOWEXT
        if (r.I16(p + 2) && r.I16(p)) { s.WinExtX = r.I16(p + 2); s.WinExtY = r.I16(p); }
        break;
      case 0x020F: s.WinOrgX += r.I16(p + 2); s.WinOrgY += r.I16(p); break;   // OFFSETWINDOWORG
      case 0x0214: s.CurX = r.I16(p + 2); s.CurY = r.I16(p); break;           // MOVETO
      case 0x0213: player.LineTo(r.I16(p + 2), r.I16(p)); break;              // LINETO
      case 0x041F: player.SetPixel(r.I16(p + 6), r.I16(p + 4), r.U32(p)); break;  // SETPIXEL
      case 0x041B: player.Shape(0, r.I16(p + 6), r.I16(p + 4), r.I16(p + 2), r.I16(p)); break;  // RECTANGLE
      case 0x0418: player.Shape(1, r.I16(p + 6), r.I16(p + 4), r.I16(p + 2), r.I16(p)); break;  // ELLIPSE
      case 0x061C:                                                                              // ROUNDRECT
        player.Shape(2, r.I16(p + 10), r.I16(p + 8), r.I16(p + 6), r.I16(p + 4), r.I16(p + 2), r.I16(p));
        break;
      case 0x0324: player.PolyPolygon({points(r, p + 2, r.U16(p))}); break;  // POLYGON
      case 0x0325: player.Polyline(points(r, p + 2, r.U16(p))); break;       // POLYLINE
      case 0x0538: {                                                          // POLYPOLYGON
        const unsigned n = r.U16(p);
        std::vector<std::vector<std::pair<double, double>>> rings;
        size_t at = p + 2 + 2 * size_t{n};
        for (unsigned i = 0; i < n; ++i) {
          const unsigned count = r.U16(p + 2 + 2 * i);
          rings.push_back(points(r, at, count));
          at += 4 * size_t{count};
        }
        player.PolyPolygon(rings);
        break;
      }
      case 0x0521: {  // TEXTOUT: count, string (even length), y, x
        const unsigned count = r.U16(p);
        const size_t after = p + 2 + ((count + 1) & ~1u);
        if (!r.Has(p + 2, count)) break;
        player.Text(r.I16(after + 2), r.I16(after), AnsiString(reinterpret_cast<const char*>(rec.data() + p + 2), count), 0, nullptr);
        break;
      }
      case 0x0A32: {  // EXTTEXTOUT: y, x, count, options, [rect], string
        const int y = r.I16(p), x = r.I16(p + 2);
        const unsigned count = r.U16(p + 4), options = r.U16(p + 6);
        size_t at = p + 8;
        std::optional<TRect> rect;
        if (options & 6) {
          rect = player.MapRect(r.I16(at), r.I16(at + 2), r.I16(at + 4), r.I16(at + 6));
          at += 8;
        }
        if (!r.Has(at, count)) break;
        player.Text(x, y, AnsiString(reinterpret_cast<const char*>(rec.data() + at), count), options, rect ? &*rect : nullptr);
        break;
      }
      case 0x02FA: {  // CREATEPENINDIRECT: style, width (x, y), colour
        TObject o;
        o.Kind = TObject::okPen;
        o.PenStyle = PenStyleFromGdi(r.U16(p));
        o.PenWidth = r.I16(p + 2);
        o.Color = r.U32(p + 6) & 0xFFFFFF;
        create(o);
        break;
      }
      case 0x02FC: {  // CREATEBRUSHINDIRECT: style, colour, hatch
        TObject o;
        o.Kind = TObject::okBrush;
        o.NullBrush = r.U16(p) == 1;
        o.Color = r.U32(p + 2) & 0xFFFFFF;
        create(o);
        break;
      }
      case 0x02FB: {  // CREATEFONTINDIRECT: LOGFONT with 16-bit fields
        TObject o;
        o.Kind = TObject::okFont;
        o.Font.Height = r.I16(p);
        o.Font.Escapement = r.I16(p + 4);
        o.Font.Weight = r.I16(p + 8);
        o.Font.Italic = r.U8(p + 10);
        o.Font.Underline = r.U8(p + 11);
        o.Font.StrikeOut = r.U8(p + 12);
        AnsiString face;
        for (size_t i = 0; i < 32 && r.Has(p + 18 + i, 1) && r.U8(p + 18 + i); ++i) face += static_cast<char>(r.U8(p + 18 + i));
        if (!face.empty()) o.Font.Face = face;
        create(o);
        break;
      }
      case 0x00F7: case 0x01F9: case 0x0142: case 0x06FF: {  // palette, pattern brushes, region
        TObject o;
        o.Kind = function == 0x0142 || function == 0x01F9 ? TObject::okBrush : TObject::okOther;
        o.Color = 0x808080;  // pattern brushes paint a mid grey
        create(o);
        break;
      }
      case 0x012D: {  // SELECTOBJECT
        auto it = player.Objects().find(r.U16(p));
        if (it != player.Objects().end()) player.Select(it->second);
        break;
      }
      case 0x01F0: player.Objects().erase(r.U16(p)); break;  // DELETEOBJECT
      case 0x001E: player.Save(); break;                     // SAVEDC
      case 0x0127: player.Restore(r.I16(p)); break;          // RESTOREDC
      case 0x0416: player.IntersectClip(player.MapRect(r.I16(p + 6), r.I16(p + 4), r.I16(p + 2), r.I16(p))); break;
      case 0x0415: player.ExcludeClip(player.MapRect(r.I16(p + 6), r.I16(p + 4), r.I16(p + 2), r.I16(p))); break;
      case 0x061D: {  // PATBLT: rop, height, width, y, x
        const TPoint a = player.Map(r.I16(p + 10), r.I16(p + 8));
        const TPoint c = player.Map(r.I16(p + 10) + r.I16(p + 6), r.I16(p + 8) + r.I16(p + 4));
        player.PatBlt(Rect(std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y)), r.U32(p));
        break;
      }
      case 0x0F43: {  // STRETCHDIB: rop, usage, srcH, srcW, ySrc, xSrc, destH, destW, yDst, xDst, DIB
        const TRect dest = player.MapRect(r.I16(p + 20), r.I16(p + 18), r.I16(p + 20) + r.I16(p + 16),
                                          r.I16(p + 18) + r.I16(p + 14));
        player.Bitmap(dest, rec, p + 22, 0, r.I16(p + 12), r.I16(p + 10), r.I16(p + 8), r.I16(p + 6), r.U32(p));
        break;
      }
      case 0x0B41: case 0x0940: {  // DIBSTRETCHBLT / DIBBITBLT
        const bool stretch = function == 0x0B41;
        const size_t q = p + (stretch ? 4 : 0);  // DIBSTRETCHBLT carries the source size first
        const int dh = r.I16(q + 4), dw = r.I16(q + 6), dy = r.I16(q + 8), dx = r.I16(q + 10);
        const int sh = stretch ? r.I16(p + 4) : dh, sw = stretch ? r.I16(p + 6) : dw;
        const int sy = r.I16(q), sx = r.I16(q + 2);
        const TRect dest = player.MapRect(dx, dy, dx + dw, dy + dh);
        const size_t bmi = q + 12;
        if (rec.size() <= bmi + 4) player.PatBlt(dest, r.U32(p));  // no bitmap: a pattern fill
        else player.Bitmap(dest, rec, bmi, 0, sx, sy, sw, sh, r.U32(p));
        break;
      }
      default: break;  // mapping, palette and other records do not change the picture here
    }
  });
}

// ---- EMF --------------------------------------------------------------------------

struct TEmfLayout {
  TRect Frame;       // 0.01 mm
  double PixelsPerMmX = 96 / 25.4, PixelsPerMmY = 96 / 25.4;  // of the recording device
};

template <typename F>
bool WalkEmf(std::span<const uint8_t> data, F&& f) {
  const TBytes b{data};
  size_t pos = 0;
  while (b.Has(pos, 8)) {
    const uint32_t type = b.U32(pos), size = b.U32(pos + 4);
    if (size < 8 || size % 4 != 0 || size > data.size() - pos) return false;
    f(type, data.subspan(pos, size));
    if (type == EMR_EOF) return true;
    pos += size;
  }
  return false;
}

TEmfLayout ParseEmf(std::span<const uint8_t> data) {
  auto fail = [] { throw EInvalidGraphic(codec::kInvalidMetafile); };
  const TBytes b{data};
  // ENHMETAHEADER: type 1, size, bounds, frame (0.01 mm), signature, ... device and millimetres.
  if (!b.Has(0, 88) || b.U32(0) != EMR_HEADER || b.U32(40) != kEmfSignature || b.U32(4) < 88) fail();
  TEmfLayout layout;
  // A frame that is empty, or wider or taller than an int holds, is no picture.
  const int64_t left = b.I32(24), top = b.I32(28), right = b.I32(32), bottom = b.I32(36);
  if (right - left <= 0 || bottom - top <= 0 || right - left > INT32_MAX || bottom - top > INT32_MAX) fail();
  layout.Frame = Rect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom));
  const int devX = b.I32(72), devY = b.I32(76), mmX = b.I32(80), mmY = b.I32(84);
  if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) {
    layout.PixelsPerMmX = static_cast<double>(devX) / mmX;
    layout.PixelsPerMmY = static_cast<double>(devY) / mmY;
  }
  if (layout.Frame.Width() <= 0 || layout.Frame.Height() <= 0) fail();
  if (!WalkEmf(data, [](uint32_t, std::span<const uint8_t>) {})) fail();
  return layout;
}

void PlayEmf(TPlayer& player, std::span<const uint8_t> data) {
  TDcState& s = player.State();
  auto points = [](const TBytes& r, size_t at, size_t count, bool small) {
    std::vector<std::pair<double, double>> pts;
    const size_t step = small ? 4 : 8;
    for (size_t i = 0; i < count && r.Has(at + step * i, step); ++i) {
      if (small) pts.emplace_back(r.I16(at + 4 * i), r.I16(at + 4 * i + 2));
      else pts.emplace_back(r.I32(at + 8 * i), r.I32(at + 8 * i + 4));
    }
    return pts;
  };
  // Drawing between BEGINPATH and ENDPATH builds a path instead of drawing.
  bool inPath = false;
  std::vector<std::vector<std::pair<double, double>>> path;
  auto pathAdd = [&](const std::vector<std::pair<double, double>>& pts, bool continues) {
    if (pts.empty()) return;
    if (continues && !path.empty()) path.back().insert(path.back().end(), pts.begin(), pts.end());
    else path.push_back(pts);
  };
  WalkEmf(data, [&](uint32_t type, std::span<const uint8_t> rec) {
    const TBytes r{rec};
    const size_t p = 8;
    switch (type) {
      case 2: case 85: case 4: case 87: {  // POLYBEZIER(16), POLYLINE(16): bounds, count, points
        const bool small = type == 85 || type == 87;
        auto pts = points(r, p + 20, r.U32(p + 16), small);
        if (type == 2 || type == 85) pts = FlattenBezier(pts);
        if (inPath) pathAdd(pts, false);
        else player.Polyline(pts);
        break;
      }
      case 5: case 88: case 6: case 89: {  // POLYBEZIERTO(16), POLYLINETO(16): from the current position
        const bool small = type == 88 || type == 89;
        auto pts = points(r, p + 20, r.U32(p + 16), small);
        pts.insert(pts.begin(), {s.CurX, s.CurY});
        if (type == 5 || type == 88) pts = FlattenBezier(pts);
        if (pts.size() > 1) {
          s.CurX = pts.back().first;
          s.CurY = pts.back().second;
        }
        if (inPath) pathAdd(std::vector(pts.begin() + 1, pts.end()), true);
        else player.Polyline(pts);
        break;
      }
      case 3: case 86:  // POLYGON(16)
        if (!inPath) player.PolyPolygon({points(r, p + 20, r.U32(p + 16), type == 86)});
        break;
      case 7: case 90: case 8: case 91: {  // POLYPOLYLINE(16), POLYPOLYGON(16): bounds, rings, total, counts, points
        const bool small = type == 90 || type == 91;
        const uint32_t rings = r.U32(p + 16);
        if (!r.Has(p + 24, 4 * size_t{rings})) break;
        size_t at = p + 24 + 4 * size_t{rings};
        std::vector<std::vector<std::pair<double, double>>> list;
        for (uint32_t i = 0; i < rings; ++i) {
          const uint32_t count = r.U32(p + 24 + 4 * i);
          list.push_back(points(r, at, count, small));
          at += (small ? 4 : 8) * size_t{count};
        }
        if (inPath) break;
        if (type == 8 || type == 91) player.PolyPolygon(list);
        else for (const auto& line : list) player.Polyline(line);
        break;
      }
      case 9: if (r.I32(p) && r.I32(p + 4)) { s.WinExtX = r.I32(p); s.WinExtY = r.I32(p + 4); } break;  // SETWINDOWEXTEX
      case 10: s.WinOrgX = r.I32(p); s.WinOrgY = r.I32(p + 4); break;                                     // SETWINDOWORGEX
      case 11: if (r.I32(p) && r.I32(p + 4)) { s.VpExtX = r.I32(p); s.VpExtY = r.I32(p + 4); } break;    // SETVIEWPORTEXTEX
      case 12: s.VpOrgX = r.I32(p); s.VpOrgY = r.I32(p + 4); break;                                      // SETVIEWPORTORGEX
      case 15: player.SetPixel(r.I32(p), r.I32(p + 4), r.U32(p + 8)); break;                             // SETPIXELV
      case 17: s.MapMode = r.I32(p); break;                                                              // SETMAPMODE
      case 18: s.BkOpaque = r.U32(p) == 2; break;                                                        // SETBKMODE
      case 20: s.Rop2 = PenModeFromRop2(r.U32(p)); break;                                                // SETROP2
      case 22: s.TextAlign = r.U32(p); break;                                                            // SETTEXTALIGN
      case 24: s.TextColor = r.U32(p) & 0xFFFFFF; break;                                                 // SETTEXTCOLOR
      case 25: s.BkColor = r.U32(p) & 0xFFFFFF; break;                                                   // SETBKCOLOR
      case 27: s.CurX = r.I32(p); s.CurY = r.I32(p + 4); if (inPath) path.push_back({{s.CurX, s.CurY}}); break;  // MOVETOEX
      case 54:                                                                                            // LINETO
        if (inPath) {
          if (path.empty()) path.push_back({{s.CurX, s.CurY}});
          path.back().emplace_back(r.I32(p), r.I32(p + 4));
          s.CurX = r.I32(p);
          s.CurY = r.I32(p + 4);
        } else {
          player.LineTo(r.I32(p), r.I32(p + 4));
        }
        break;
      case 29: player.ExcludeClip(player.MapRect(r.I32(p), r.I32(p + 4), r.I32(p + 8), r.I32(p + 12))); break;
      case 30: player.IntersectClip(player.MapRect(r.I32(p), r.I32(p + 4), r.I32(p + 8), r.I32(p + 12))); break;
      case 75: if (r.U32(p + 4) == RGN_COPY && r.U32(p) == 0) player.ResetClip(); break;  // EXTSELECTCLIPRGN(NULL)
      case 33: player.Save(); break;
      case 34: player.Restore(r.I32(p)); break;
      case 35: case 36: {  // SETWORLDTRANSFORM, MODIFYWORLDTRANSFORM
        const TMatrix m{r.F32(p), r.F32(p + 4), r.F32(p + 8), r.F32(p + 12), r.F32(p + 16), r.F32(p + 20)};
        if (type == 35) s.World = m;
        else if (r.U32(p + 24) == 1) s.World = TMatrix{};
        else if (r.U32(p + 24) == 2) s.World = m * s.World;
        else if (r.U32(p + 24) == 3) s.World = s.World * m;
        break;
      }
      case 37: {  // SELECTOBJECT
        const uint32_t index = r.U32(p);
        if (index & 0x80000000u) {
          player.SelectStock(index & 0x7FFFFFFF);
        } else {
          auto it = player.Objects().find(index);
          if (it != player.Objects().end()) player.Select(it->second);
        }
        break;
      }
      case 38: {  // CREATEPEN: handle, style, width (x, y), colour
        TObject o;
        o.Kind = TObject::okPen;
        o.PenStyle = PenStyleFromGdi(r.U32(p + 4));
        o.PenWidth = r.I32(p + 8);
        o.Color = r.U32(p + 16) & 0xFFFFFF;
        player.Objects()[r.U32(p)] = o;
        break;
      }
      case 95: {  // EXTCREATEPEN: handle, bitmap offsets and sizes, style, width, brush style, colour
        TObject o;
        o.Kind = TObject::okPen;
        o.PenStyle = PenStyleFromGdi(r.U32(p + 20));
        o.PenWidth = (r.U32(p + 20) & 0x10000) ? r.U32(p + 24) : 0;  // geometric pens have a width
        if (r.U32(p + 28) == 1) o.PenStyle = psClear;                  // BS_NULL
        o.Color = r.U32(p + 32) & 0xFFFFFF;
        player.Objects()[r.U32(p)] = o;
        break;
      }
      case 39: {  // CREATEBRUSHINDIRECT: handle, style, colour, hatch
        TObject o;
        o.Kind = TObject::okBrush;
        o.NullBrush = r.U32(p + 4) == 1;
        o.Color = r.U32(p + 8) & 0xFFFFFF;
        player.Objects()[r.U32(p)] = o;
        break;
      }
      case 93: case 94: {  // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT
        TObject o;
        o.Kind = TObject::okBrush;
        o.Color = 0x808080;  // pattern brushes paint a mid grey
        player.Objects()[r.U32(p)] = o;
        break;
      }
      case 82: {  // EXTCREATEFONTINDIRECTW: handle, LOGFONTW
        TObject o;
        o.Kind = TObject::okFont;
        const size_t f = p + 4;
        o.Font.Height = r.I32(f);
        o.Font.Escapement = r.I32(f + 8);
        o.Font.Weight = r.I32(f + 16);
        o.Font.Italic = r.U8(f + 20);
        o.Font.Underline = r.U8(f + 21);
        o.Font.StrikeOut = r.U8(f + 22);
        size_t n = 0;
        while (n < 32 && r.U16(f + 28 + 2 * n)) ++n;
        const AnsiString face = AnsiFromUtf16(r, f + 28, n);
        if (!face.empty()) o.Font.Face = face;
        player.Objects()[r.U32(p)] = o;
        break;
      }
      case 49: player.Objects()[r.U32(p)].Kind = TObject::okOther; break;  // CREATEPALETTE
      case 40: player.Objects().erase(r.U32(p)); break;                         // DELETEOBJECT
      case 42: if (!inPath) player.Shape(1, r.I32(p), r.I32(p + 4), r.I32(p + 8), r.I32(p + 12)); break;  // ELLIPSE
      case 43: if (!inPath) player.Shape(0, r.I32(p), r.I32(p + 4), r.I32(p + 8), r.I32(p + 12)); break;  // RECTANGLE
      case 44:                                                                                              // ROUNDRECT
        if (!inPath) player.Shape(2, r.I32(p), r.I32(p + 4), r.I32(p + 8), r.I32(p + 12), r.I32(p + 16), r.I32(p + 20));
        break;
      case 59: inPath = true; path.clear(); break;  // BEGINPATH
      case 60: inPath = false; break;               // ENDPATH
      case 61:                                      // CLOSEFIGURE
        if (!path.empty() && !path.back().empty()) path.push_back({path.back().front()});
        break;
      case 62: case 63: case 64: {  // FILLPATH, STROKEANDFILLPATH, STROKEPATH
        std::erase_if(path, [](const auto& figure) { return figure.size() < 2; });
        if (type != 64) {
          // Fill without an outline first; the stroke follows for STROKEANDFILLPATH.
          const TObject pen = s.Pen;
          s.Pen.PenStyle = psClear;
          player.PolyPolygon(path);
          s.Pen = pen;
        }
        if (type != 62) for (const auto& figure : path) player.Polyline(figure);
        path.clear();
        break;
      }
      case 83: case 84: {  // EXTTEXTOUTA, EXTTEXTOUTW: bounds, mode, scales, EMRTEXT
        const size_t t = p + 28;
        const double x = r.I32(t), y = r.I32(t + 4);
        const uint32_t count = r.U32(t + 8), offset = r.U32(t + 12), options = r.U32(t + 16);
        if (!r.Has(offset, type == 84 ? 2 * size_t{count} : count)) break;
        const AnsiString text = type == 84 ? AnsiFromUtf16(r, offset, count)
                                           : AnsiString(reinterpret_cast<const char*>(rec.data() + offset), count);
        const TRect rect = player.MapRect(r.I32(t + 20), r.I32(t + 24), r.I32(t + 28), r.I32(t + 32));
        player.Text(x, y, text, options, (options & 6) ? &rect : nullptr);
        break;
      }
      case 81: {  // STRETCHDIBITS
        const int dx = r.I32(p + 16), dy = r.I32(p + 20), sx = r.I32(p + 24), sy = r.I32(p + 28);
        const int sw = r.I32(p + 32), sh = r.I32(p + 36);
        const uint32_t offBmi = r.U32(p + 40), offBits = r.U32(p + 48), rop = r.U32(p + 60);
        const int dw = r.I32(p + 64), dh = r.I32(p + 68);
        // The far corner in doubles: an int sum of the corner and the size could overflow.
        const TRect dest = player.MapRect(dx, dy, static_cast<double>(dx) + dw, static_cast<double>(dy) + dh);
        if (offBmi == 0) player.PatBlt(dest, rop);
        else player.Bitmap(dest, rec, offBmi, offBits, sx, sy, sw, sh, rop);
        break;
      }
      case 76: case 77: {  // BITBLT, STRETCHBLT
        const int dx = r.I32(p + 16), dy = r.I32(p + 20), dw = r.I32(p + 24), dh = r.I32(p + 28);
        const uint32_t rop = r.U32(p + 32);
        const int sx = r.I32(p + 36), sy = r.I32(p + 40);
        const uint32_t offBmi = r.U32(p + 76), offBits = r.U32(p + 84);
        const int sw = type == 77 ? r.I32(p + 92) : dw, sh = type == 77 ? r.I32(p + 96) : dh;
        // The far corner in doubles: an int sum of the corner and the size could overflow.
        const TRect dest = player.MapRect(dx, dy, static_cast<double>(dx) + dw, static_cast<double>(dy) + dh);
        if (offBmi == 0) player.PatBlt(dest, rop);
        else player.Bitmap(dest, rec, offBmi, offBits, sx, sy, sw, sh, rop);
        break;
      }
      default: break;  // records without an effect on the picture here
    }
  });
}

}  // namespace

// ---- TMetafile ----------------------------------------------------------------------

TMetafile::TMetafile() { FTransparent = true; }
TMetafile::TMetafile(const TMetafile& other) = default;
TMetafile::~TMetafile() = default;

void TMetafile::LoadFromStream(rtl::TStream& stream) {
  std::vector<uint8_t> data = codec::ReadRest(stream, codec::kInvalidMetafile);
  const TBytes b{data};
  if (b.Has(0, 44) && b.U32(0) == EMR_HEADER && b.U32(40) == kEmfSignature) {
    const TEmfLayout layout = ParseEmf(data);
    FEnhanced = true;
    FFrame = layout.Frame;
    FWidth = static_cast<int>(std::lround(layout.Frame.Width() / 100.0 * layout.PixelsPerMmX));
    FHeight = static_cast<int>(std::lround(layout.Frame.Height() / 100.0 * layout.PixelsPerMmY));
  } else {
    const TWmfLayout layout = ParseWmf(data);
    FEnhanced = false;
    FFrame = layout.Frame;
    if (layout.Placeable) {
      FWidth = static_cast<int>(std::lround(std::abs(layout.Frame.Width()) * 96.0 / layout.Inch));
      FHeight = static_cast<int>(std::lround(std::abs(layout.Frame.Height()) * 96.0 / layout.Inch));
    } else {
      FWidth = std::abs(layout.Frame.Width());
      FHeight = std::abs(layout.Frame.Height());
    }
  }
  FData = std::move(data);
  Changed();
}

void TMetafile::SaveToStream(rtl::TStream& stream) const {
  if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TMetafile::Draw(TCanvas& canvas, const TRect& dest) const {
  if (FData.empty() || dest.IsEmpty()) return;
  TCanvasSaver saver(canvas);
  canvas.Pen = TPen{};
  canvas.Brush = TBrush{};
  canvas.CopyMode = cmSrcCopy;
  if (FEnhanced) {
    const TEmfLayout layout = ParseEmf(FData);
    const double mmX = layout.PixelsPerMmX / 100, mmY = layout.PixelsPerMmY / 100;
    TPlayer player(canvas, dest, FFrame.Left * mmX, FFrame.Top * mmY, FFrame.Width() * mmX, FFrame.Height() * mmY);
    canvas.SetClipRegion(player.State().Clip);
    PlayEmf(player, FData);
  } else {
    const TWmfLayout layout = ParseWmf(FData);
    TPlayer player(canvas, dest, FFrame.Left, FFrame.Top, FFrame.Width(), FFrame.Height());
    canvas.SetClipRegion(player.State().Clip);
    PlayWmf(player, FData, layout);
  }
}

}  // namespace ui
