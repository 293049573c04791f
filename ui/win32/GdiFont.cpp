// Text on Windows: the system's own fonts through GDI. Each character is
// drawn once by TextOutA into a device-independent bitmap and kept as
// coverage, so the shared layout draws it like the FreeType glyphs on Linux.

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "rtl/Exceptions.h"
#include "rtl/SysUtils.h"
#include "ui/FontEngine.h"

// The system's headers last: they name our constants as macros.
#include <windows.h>

namespace ui {

namespace {

// A memory device context with a white-on-black 32-bit bitmap to draw characters in.
class TGlyphCanvas {
 public:
  TGlyphCanvas() : FDC(CreateCompatibleDC(nullptr)) {
    if (!FDC) throw rtl::Exception("No device context for text");
  }
  ~TGlyphCanvas() {
    if (FBitmap) DeleteObject(FBitmap);
    DeleteDC(FDC);
  }

  HDC DC() const { return FDC; }

  // A black surface of at least this size; its pixels, row by row, top first.
  const uint32_t* Clear(int width, int height) {
    if (width > FWidth || height > FHeight) {
      if (FBitmap) DeleteObject(FBitmap);
      FWidth = std::max(width, FWidth);
      FHeight = std::max(height, FHeight);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = FWidth;
      info.bmiHeader.biHeight = -FHeight;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      FBitmap = CreateDIBSection(FDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (!FBitmap) throw rtl::Exception("No bitmap for text");
      FBits = static_cast<uint32_t*>(bits);
      SelectObject(FDC, FBitmap);
    }
    GdiFlush();
    std::fill_n(FBits, static_cast<size_t>(FWidth) * FHeight, 0u);
    return FBits;
  }
  int Stride() const { return FWidth; }

 private:
  HDC FDC;
  HBITMAP FBitmap = nullptr;
  uint32_t* FBits = nullptr;
  int FWidth = 0, FHeight = 0;
};

struct TGdiFace : TFontFace {
  HFONT Font = nullptr;
  TGlyphCanvas* Canvas = nullptr;
  bool Mono = false;
  std::string Face;
  TGlyph Glyphs[256];
  bool Made[256] = {};

  ~TGdiFace() override {
    if (Font) DeleteObject(Font);
  }
  const TGlyph& Glyph(unsigned char c) override;
  std::string FaceName() const override { return Face; }
};

const TGlyph& TGdiFace::Glyph(unsigned char c) {
  TGlyph& glyph = Glyphs[c];
  if (Made[c]) return glyph;
  Made[c] = true;
  // Control characters draw nothing; a tab shows as a blank.
  if (c < 0x20 && c != '\t') return glyph;
  const char ch = c == '\t' ? ' ' : static_cast<char>(c);
  HDC dc = Canvas->DC();
  SelectObject(dc, Font);
  SIZE extent{};
  GetTextExtentPoint32A(dc, &ch, 1, &extent);
  glyph.Advance = extent.cx;
  // Ink may overhang the cell on both sides (italics, a negative A or C width).
  const int margin = std::max(Metrics.Height, 4);
  const int width = extent.cx + 2 * margin, height = Metrics.Height + 2;
  const uint32_t* bits = Canvas->Clear(width, height);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
  TextOutA(dc, margin, 0, &ch, 1);
  GdiFlush();
  const int stride = Canvas->Stride();
  auto cover = [&](int x, int y) -> uint8_t {
    const uint32_t p = bits[static_cast<size_t>(y) * stride + x];
    const uint8_t v = std::max({static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)});
    return Mono ? (v >= 128 ? 255 : 0) : v;
  };
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (cover(x, y)) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < 0) return glyph;  // a blank
  glyph.Left = left - margin;
  glyph.Top = Metrics.Ascent - top;
  glyph.Width = right - left + 1;
  glyph.Rows = bottom - top + 1;
  glyph.Coverage.resize(static_cast<size_t>(glyph.Width) * glyph.Rows);
  for (int y = 0; y < glyph.Rows; ++y)
    for (int x = 0; x < glyph.Width; ++x)
      glyph.Coverage[static_cast<size_t>(y) * glyph.Width + x] = cover(left + x, top + y);
  return glyph;
}

class TGdiEngine {
 public:
  TFontFace& Face(const TFont& font) {
    const int height = EngineHeight(font);
    const bool mono = EngineMono(font);
    const TFontStyles style = font.Style() & (fsBold | fsItalic);
    auto key = std::make_tuple(rtl::UpperCase(font.Name()), style, height, mono, font.Pitch(), font.Charset());
    auto it = FFaces.find(key);
    if (it == FFaces.end()) it = FFaces.emplace(key, Open(font, height, mono)).first;
    return *it->second;
  }

 private:
  std::unique_ptr<TGdiFace> Open(const TFont& font, int height, bool mono) {
    auto face = std::make_unique<TGdiFace>();
    face->Canvas = &FCanvas;
    face->Mono = mono;
    const BYTE pitch = font.Pitch() == fpFixed ? FIXED_PITCH : font.Pitch() == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    // Underline and strike-out are drawn by the layout, over the whole cell.
    face->Font = CreateFontA(height, 0, 0, 0, (font.Style() & fsBold) ? FW_BOLD : FW_NORMAL,
                             (font.Style() & fsItalic) != 0, FALSE, FALSE, font.Charset(), OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, mono ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY,
                             pitch | FF_DONTCARE, font.Name().c_str());
    if (!face->Font) throw rtl::Exception("No font found for \"" + font.Name() + "\"");
    HDC dc = FCanvas.DC();
    SelectObject(dc, face->Font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    TTextMetric& m = face->Metrics;
    m.Height = tm.tmHeight;
    m.Ascent = tm.tmAscent;
    m.Descent = tm.tmDescent;
    m.InternalLeading = tm.tmInternalLeading;
    m.ExternalLeading = tm.tmExternalLeading;
    m.MaxCharWidth = tm.tmMaxCharWidth;
    char name[LF_FACESIZE] = {};
    GetTextFaceA(dc, LF_FACESIZE, name);
    face->Face = name;
    if (tm.tmWeight >= FW_BOLD) face->Face += " Bold";
    if (tm.tmItalic) face->Face += " Italic";
    // Outline fonts give their bars; raster fonts get them from the cell.
    OUTLINETEXTMETRICA otm{};
    otm.otmSize = sizeof otm;
    if (GetOutlineTextMetricsA(dc, sizeof otm, &otm)) {
      face->UnderlineThickness = std::max(1, static_cast<int>(otm.otmsUnderscoreSize));
      face->UnderlineTop = std::max(1, -static_cast<int>(otm.otmsUnderscorePosition));
      face->StrikeThickness = std::max(1, static_cast<int>(otm.otmsStrikeoutSize));
      face->StrikeTop = static_cast<int>(otm.otmsStrikeoutPosition);
    } else {
      face->UnderlineThickness = std::max(1, m.Height / 16);
      face->UnderlineTop = 1;
      face->StrikeThickness = face->UnderlineThickness;
      face->StrikeTop = (m.Ascent - m.InternalLeading) / 3 + 1;
    }
    if (face->UnderlineTop + face->UnderlineThickness > m.Descent)
      face->UnderlineTop = std::max(0, m.Descent - face->UnderlineThickness);
    m.AveCharWidth = face->Glyph('x').Advance;
    return face;
  }

  TGlyphCanvas FCanvas;
  std::map<std::tuple<AnsiString, TFontStyles, int, bool, TFontPitch, uint8_t>, std::unique_ptr<TGdiFace>> FFaces;
};

TGdiEngine& Engine() {
  static TGdiEngine engine;
  return engine;
}

}  // namespace

TFontFace& OpenFontFace(const TFont& font) { return Engine().Face(font); }

}  // namespace ui
