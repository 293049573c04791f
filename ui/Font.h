#pragma once
// Fonts: the logical font a canvas draws with, and the text engine behind it
// (FreeType faces found through fontconfig, cached with their glyphs).
// Text is Windows-1252; sizes are pixels, as the Windows API measures them.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/AnsiString.h"

namespace ui {

using rtl::AnsiString;
using TColor = uint32_t;

// Style flags: combine with |.
using TFontStyles = uint8_t;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

// fqDefault: aliased, hinted glyphs up to 12 pixels of character height (the
// classic look of small UI text), antialiased above.
enum TFontQuality { fqDefault, fqNonAntialiased, fqAntialiased };
enum TFontPitch { fpDefault, fpVariable, fpFixed };

inline constexpr uint8_t ANSI_CHARSET = 0;
inline constexpr uint8_t DEFAULT_CHARSET = 1;

// What GetTextMetrics reports, in pixels.
struct TTextMetric {
  int Height = 0;           // Ascent + Descent: the line height
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;  // Height minus the character (em) height
  int ExternalLeading = 0;
  int AveCharWidth = 0;     // advance of 'x'
  int MaxCharWidth = 0;
};

class TFont {
 public:
  TFont();  // "MS Sans Serif", 8 points (Height -11), window text colour
  TFont(const TFont& other);
  TFont& operator=(const TFont& other);  // copies the look, keeps OnChange

  const AnsiString& Name() const { return FName; }
  void SetName(const AnsiString& name);
  // Negative: character (em) height; positive: cell height (ascent + descent).
  int Height() const { return FHeight; }
  void SetHeight(int height);
  // Points at 96 pixels an inch: Height = -round(Size * 96 / 72).
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  // Angle of the baseline in tenths of a degree, counter-clockwise.
  int Escapement() const { return FEscapement; }
  void SetEscapement(int tenths);
  int Orientation() const { return FOrientation; }
  void SetOrientation(int tenths);
  TFontQuality Quality() const { return FQuality; }
  void SetQuality(TFontQuality quality);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch pitch);
  uint8_t Charset() const { return FCharset; }
  void SetCharset(uint8_t charset);

  void Assign(const TFont& other) { *this = other; }
  // Same look (every property but OnChange).
  bool operator==(const TFont& other) const;

  // Metrics and measures of this font.
  TTextMetric Metrics() const;
  int TextWidth(std::string_view text) const;  // advance of one line, no prefix handling
  int TextHeight() const { return Metrics().Height; }
  // The family and style of the host face the name resolves to, e.g.
  // "Liberation Sans Bold" (for diagnostics and tests).
  std::string FaceName() const;

  std::function<void()> OnChange;

 private:
  friend struct TFontAccess;
  void Changed();

  AnsiString FName;
  int FHeight;
  TFontStyles FStyle = 0;
  TColor FColor;
  int FEscapement = 0;
  int FOrientation = 0;
  TFontQuality FQuality = fqDefault;
  TFontPitch FPitch = fpDefault;
  uint8_t FCharset = DEFAULT_CHARSET;
  // The resolved face at this size, looked up on first use.
  mutable const void* FFace = nullptr;
};

// A line of text as coverage (0 transparent .. 255 solid), unrotated. The
// text cell spans the mask's rows and the columns CellLeft .. CellLeft +
// CellWidth - 1; ink that overhangs the cell (italics) lies beside it. The
// baseline is at row Ascent. Underline and strike-out are included. A line
// ends where it would grow past 16384 pixels.
struct TTextMask {
  int Width = 0;
  int Height = 0;
  int CellLeft = 0;
  int CellWidth = 0;
  int Ascent = 0;
  std::vector<uint8_t> Coverage;  // Width * Height, row by row
  uint8_t At(int x, int y) const { return Coverage[static_cast<size_t>(y) * Width + x]; }
};
TTextMask RenderTextMask(const TFont& font, std::string_view text);

// The x offset of each character boundary of a line (size + 1 values, the
// first 0 and the last the line's width), with the same kerning and rounding
// that rendering uses.
std::vector<int> TextCaretPositions(const TFont& font, std::string_view text);

// DrawText flags (the DrawTextA values).
inline constexpr unsigned DT_TOP = 0x0;
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;
inline constexpr unsigned DT_BOTTOM = 0x8;
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_EXPANDTABS = 0x40;
inline constexpr unsigned DT_NOCLIP = 0x100;
inline constexpr unsigned DT_CALCRECT = 0x400;
inline constexpr unsigned DT_NOPREFIX = 0x800;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;
inline constexpr unsigned DT_HIDEPREFIX = 0x100000;

}  // namespace ui
