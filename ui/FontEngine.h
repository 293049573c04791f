#pragma once
// Internal to ui/: the text engine under TFont. Each system has one (FreeType
// faces found through fontconfig on Linux, GDI on Windows); the layout,
// masks and DrawText above it are shared.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Font.h"

namespace ui {

// One character's ink as coverage, placed against the pen position.
struct TGlyph {
  int Left = 0;     // ink left of the pen position
  int Top = 0;      // ink rows above the baseline
  int Width = 0;
  int Rows = 0;
  int Advance = 0;  // whole pixels
  std::vector<uint8_t> Coverage;
};

// A face opened at one size, with its metrics and its rendered glyphs.
class TFontFace {
 public:
  virtual ~TFontFace() = default;
  // Control characters other than the tab draw nothing; the tab draws as a blank.
  virtual const TGlyph& Glyph(unsigned char c) = 0;
  // The family and style of the face the name resolved to.
  virtual std::string FaceName() const = 0;

  TTextMetric Metrics;
  int UnderlineTop = 0;        // rows below the baseline
  int UnderlineThickness = 1;
  int StrikeTop = 0;           // rows above the baseline
  int StrikeThickness = 1;
};

// Heights beyond this are drawn at it, and lines end at this width: glyphs
// and text masks stay a sane size whatever a picture asks for.
inline constexpr int kMaxFontHeight = 2000;
inline constexpr int kMaxLineWidth = 16384;
// Sizes up to this many pixels of character height render aliased by default.
inline constexpr int kMonoLimit = 12;

// The font's height as the engines draw it, and whether aliased.
int EngineHeight(const TFont& font);
bool EngineMono(const TFont& font);

// The system's face for the font's look, opened on first use and kept.
TFontFace& OpenFontFace(const TFont& font);

}  // namespace ui
