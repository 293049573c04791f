// Fonts and text: the logical font, and text laid out the way GDI lays out
// TextOut and DrawText, over the system's text engine (ui/FontEngine.h).

#include "ui/Font.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "rtl/SysUtils.h"
#include "ui/FontEngine.h"
#include "ui/Graphics.h"

namespace ui {

struct TFontAccess {
  static const TFontFace& Face(const TFont& font) {
    if (!font.FFace) font.FFace = &OpenFontFace(font);
    return *static_cast<const TFontFace*>(font.FFace);
  }
};

int EngineHeight(const TFont& font) {
  return std::clamp(font.Height() == 0 ? -11 : font.Height(), -kMaxFontHeight, kMaxFontHeight);
}

bool EngineMono(const TFont& font) {
  // Character height decides the rendering when the quality is left to us.
  switch (font.Quality()) {
    case fqNonAntialiased: return true;
    case fqAntialiased: return false;
    default: {
      const int height = EngineHeight(font);
      const int em = height < 0 ? -height : height * 4 / 5;
      return em <= kMonoLimit;
    }
  }
}

// ---- TFont ------------------------------------------------------------------

TFont::TFont() : FName("MS Sans Serif"), FHeight(-11), FColor(0xFF000008) {}

TFont::TFont(const TFont& other)
    : FName(other.FName),
      FHeight(other.FHeight),
      FStyle(other.FStyle),
      FColor(other.FColor),
      FEscapement(other.FEscapement),
      FOrientation(other.FOrientation),
      FQuality(other.FQuality),
      FPitch(other.FPitch),
      FCharset(other.FCharset),
      FFace(other.FFace) {}

TFont& TFont::operator=(const TFont& other) {
  if (this == &other) return *this;
  const bool same = *this == other;
  FName = other.FName;
  FHeight = other.FHeight;
  FStyle = other.FStyle;
  FColor = other.FColor;
  FEscapement = other.FEscapement;
  FOrientation = other.FOrientation;
  FQuality = other.FQuality;
  FPitch = other.FPitch;
  FCharset = other.FCharset;
  FFace = other.FFace;
  if (!same && OnChange) OnChange();
  return *this;
}

bool TFont::operator==(const TFont& o) const {
  return FName == o.FName && FHeight == o.FHeight && FStyle == o.FStyle && FColor == o.FColor &&
         FEscapement == o.FEscapement && FOrientation == o.FOrientation && FQuality == o.FQuality &&
         FPitch == o.FPitch && FCharset == o.FCharset;
}

void TFont::Changed() {
  FFace = nullptr;
  if (OnChange) OnChange();
}

void TFont::SetName(const AnsiString& name) {
  if (name == FName) return;
  FName = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}

int TFont::Size() const {
  // Inverse of SetSize, rounded as MulDiv rounds.
  return -static_cast<int>(std::lround(FHeight * 72.0 / 96.0));
}

void TFont::SetSize(int points) { SetHeight(-static_cast<int>(std::lround(points * 96.0 / 72.0))); }

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  if (OnChange) OnChange();  // the face stays
}

void TFont::SetEscapement(int tenths) {
  if (tenths == FEscapement) return;
  FEscapement = tenths;
  if (OnChange) OnChange();
}

void TFont::SetOrientation(int tenths) {
  if (tenths == FOrientation) return;
  FOrientation = tenths;
  if (OnChange) OnChange();
}

void TFont::SetQuality(TFontQuality quality) {
  if (quality == FQuality) return;
  FQuality = quality;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == FPitch) return;
  FPitch = pitch;
  Changed();
}

void TFont::SetCharset(uint8_t charset) {
  if (charset == FCharset) return;
  FCharset = charset;
  Changed();
}

TTextMetric TFont::Metrics() const { return TFontAccess::Face(*this).Metrics; }

int TFont::TextWidth(std::string_view text) const {
  auto& face = const_cast<TFontFace&>(TFontAccess::Face(*this));
  int width = 0;
  for (unsigned char c : text) width += face.Glyph(c).Advance;
  return width;
}

std::string TFont::FaceName() const {
  return TFontAccess::Face(*this).FaceName();
}

// ---- text masks ---------------------------------------------------------------

std::vector<int> TextCaretPositions(const TFont& font, std::string_view text) {
  auto& face = const_cast<TFontFace&>(TFontAccess::Face(font));
  std::vector<int> positions(text.size() + 1);
  int x = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    positions[i] = x;
    x += face.Glyph(static_cast<unsigned char>(text[i])).Advance;
  }
  positions[text.size()] = x;
  return positions;
}

TTextMask RenderTextMask(const TFont& font, std::string_view text) {
  auto& face = const_cast<TFontFace&>(TFontAccess::Face(font));
  const TTextMetric& m = face.Metrics;
  TTextMask mask;
  mask.Height = m.Height;
  mask.Ascent = m.Ascent;
  // Cell width and the ink's horizontal extent.
  int pen = 0, inkLeft = 0, inkRight = 0;
  size_t shown = 0;
  for (unsigned char c : text) {
    const TGlyph& g = face.Glyph(c);
    if (pen + g.Advance > kMaxLineWidth) break;
    ++shown;
    if (g.Width > 0) {
      inkLeft = std::min(inkLeft, pen + g.Left);
      inkRight = std::max(inkRight, pen + g.Left + g.Width);
    }
    pen += g.Advance;
  }
  mask.CellWidth = pen;
  mask.CellLeft = -inkLeft;
  mask.Width = std::max(inkRight, pen) - inkLeft;
  mask.Coverage.assign(static_cast<size_t>(mask.Width) * mask.Height, 0);
  pen = mask.CellLeft;
  for (unsigned char c : text.substr(0, shown)) {
    const TGlyph& g = face.Glyph(c);
    for (int y = 0; y < g.Rows; ++y) {
      const int my = m.Ascent - g.Top + y;
      if (my < 0 || my >= mask.Height) continue;
      uint8_t* dst = mask.Coverage.data() + static_cast<size_t>(my) * mask.Width + pen + g.Left;
      const uint8_t* src = g.Coverage.data() + static_cast<size_t>(y) * g.Width;
      for (int x = 0; x < g.Width; ++x) dst[x] = std::max(dst[x], src[x]);
    }
    pen += g.Advance;
  }
  auto bar = [&](int top, int thickness) {
    for (int y = std::max(top, 0); y < std::min(top + thickness, mask.Height); ++y)
      std::fill_n(mask.Coverage.data() + static_cast<size_t>(y) * mask.Width + mask.CellLeft, mask.CellWidth, 255);
  };
  if (font.Style() & fsUnderline) bar(m.Ascent + face.UnderlineTop, face.UnderlineThickness);
  if (font.Style() & fsStrikeOut) bar(m.Ascent - face.StrikeTop, face.StrikeThickness);
  return mask;
}

// ---- canvas text ----------------------------------------------------------------

void TCanvas::TextOut(int x, int y, std::string_view text) {
  const TTextMask mask = RenderTextMask(Font, text);
  std::optional<TColor> background;
  if (Brush.Style != bsClear) background = Brush.Color;
  DrawMask(mask, x, y, Font.Escapement(), Font.Color(), background, nullptr);
  FPenPos = {x + mask.CellWidth, y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
  if (Brush.Style != bsClear) FillRect(rect);
  const TTextMask mask = RenderTextMask(Font, text);
  DrawMask(mask, x, y, Font.Escapement(), Font.Color(), std::nullopt, &rect);
}

int TCanvas::TextWidth(std::string_view text) const { return Font.TextWidth(text); }

int TCanvas::TextHeight(std::string_view) const { return Font.Metrics().Height; }

TSize TCanvas::TextExtent(std::string_view text) const { return {TextWidth(text), TextHeight(text)}; }

namespace {

// A line of DrawText: its visible characters and the ones marked by '&'.
struct TTextLine {
  AnsiString Text;
  std::vector<size_t> Accelerators;  // indexes into Text
};

// Removes '&' prefixes: "&&" is '&', '&x' marks x, a final lone '&' goes.
TTextLine StripPrefixes(std::string_view s, bool prefixes) {
  TTextLine line;
  for (size_t i = 0; i < s.size(); ++i) {
    if (prefixes && s[i] == '&') {
      if (i + 1 >= s.size()) break;
      if (s[i + 1] == '&') {
        line.Text += '&';
        ++i;
        continue;
      }
      line.Accelerators.push_back(line.Text.size());
      continue;
    }
    line.Text += s[i];
  }
  return line;
}

class TLayout {
 public:
  TLayout(const TFont& font, unsigned flags) : FFont(font), FFlags(flags) {
    FTabWidth = 8 * std::max(1, font.Metrics().AveCharWidth);
  }
  // Caret positions of a line, tabs expanded when asked.
  std::vector<int> Positions(std::string_view text) const {
    std::vector<int> pos = TextCaretPositions(FFont, text);
    if (!(FFlags & DT_EXPANDTABS)) return pos;
    int shift = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const int start = pos[i] + shift;
      const int advance = pos[i + 1] - pos[i];
      pos[i] = start;
      if (text[i] == '\t') shift += ((start / FTabWidth) + 1) * FTabWidth - start - advance;
    }
    pos[text.size()] += shift;
    return pos;
  }
  int Width(std::string_view text) const { return Positions(text).back(); }

 private:
  const TFont& FFont;
  unsigned FFlags;
  int FTabWidth;
};

// Greedy word wrap at blanks; a word wider than the line stays whole.
std::vector<TTextLine> WrapLine(const TTextLine& line, const TLayout& layout, int width) {
  std::vector<TTextLine> out;
  const AnsiString& s = line.Text;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = start, lastFit = std::string::npos;
    // Extend word by word while the line fits.
    while (end < s.size()) {
      size_t wordEnd = end;
      while (wordEnd < s.size() && s[wordEnd] == ' ') ++wordEnd;
      while (wordEnd < s.size() && s[wordEnd] != ' ') ++wordEnd;
      if (layout.Width(std::string_view(s).substr(start, wordEnd - start)) > width && lastFit != std::string::npos)
        break;
      lastFit = wordEnd;
      end = wordEnd;
    }
    TTextLine piece;
    piece.Text = s.substr(start, end - start);
    for (size_t a : line.Accelerators)
      if (a >= start && a < end) piece.Accelerators.push_back(a - start);
    // Blanks at the end of a wrapped line are dropped.
    while (!piece.Text.empty() && piece.Text.back() == ' ') piece.Text.pop_back();
    out.push_back(std::move(piece));
    if (end >= s.size()) break;
    start = end;
    while (start < s.size() && s[start] == ' ') ++start;
    if (start >= s.size()) break;
  }
  return out;
}

void ApplyEllipsis(TTextLine& line, const TLayout& layout, int width) {
  if (layout.Width(line.Text) <= width) return;
  AnsiString text = line.Text;
  while (!text.empty() && layout.Width(text + "...") > width) text.pop_back();
  line.Text = text + "...";
  std::erase_if(line.Accelerators, [&](size_t a) { return a >= text.size(); });
}

}  // namespace

int TCanvas::DrawText(std::string_view text, TRect& rect, unsigned flags) {
  const TTextMetric metrics = Font.Metrics();
  const int lineHeight = metrics.Height;
  const bool single = flags & DT_SINGLELINE;
  if (text.empty()) {
    if (flags & DT_CALCRECT) {
      rect.Right = rect.Left;
      rect.Bottom = rect.Top + (single ? lineHeight : 0);
    }
    return lineHeight;
  }
  const TLayout layout(Font, flags);
  const bool prefixes = !(flags & DT_NOPREFIX);

  // Lines: split at line breaks unless single line, then wrapped.
  std::vector<TTextLine> lines;
  auto addLine = [&](std::string_view s) {
    TTextLine line = StripPrefixes(s, prefixes);
    if ((flags & DT_WORDBREAK) && !single) {
      for (TTextLine& piece : WrapLine(line, layout, rect.Width())) lines.push_back(std::move(piece));
    } else {
      lines.push_back(std::move(line));
    }
  };
  if (single) {
    AnsiString flat;
    for (char c : text)
      if (c != '\r' && c != '\n') flat += c;
    addLine(flat);
  } else {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
        addLine(text.substr(start, i - start));
        if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
      }
    }
  }
  if (flags & DT_END_ELLIPSIS)
    for (TTextLine& line : lines) ApplyEllipsis(line, layout, rect.Width());

  const int total = lineHeight * static_cast<int>(lines.size());
  if (flags & DT_CALCRECT) {
    int widest = 0;
    for (const TTextLine& line : lines) widest = std::max(widest, layout.Width(line.Text));
    rect.Right = rect.Left + widest;
    rect.Bottom = rect.Top + total;
    return total;
  }

  int y = rect.Top;
  if (single && (flags & DT_VCENTER)) y = (rect.Top + rect.Bottom - lineHeight) / 2;
  else if (single && (flags & DT_BOTTOM)) y = rect.Bottom - lineHeight;
  const TRect* clip = (flags & DT_NOCLIP) ? nullptr : &rect;
  std::optional<TColor> background;
  if (Brush.Style != bsClear) background = Brush.Color;
  const auto& face = TFontAccess::Face(Font);
  const int startY = y;
  for (const TTextLine& line : lines) {
    const std::vector<int> pos = layout.Positions(line.Text);
    const int width = pos.back();
    int x = rect.Left;
    if (flags & DT_CENTER) x = rect.Left + (rect.Width() - width) / 2;
    else if (flags & DT_RIGHT) x = rect.Right - width;
    // Tab-free runs are drawn at their laid-out positions.
    size_t run = 0;
    for (size_t i = 0; i <= line.Text.size(); ++i) {
      if (i == line.Text.size() || ((flags & DT_EXPANDTABS) && line.Text[i] == '\t')) {
        if (i > run) {
          const TTextMask mask = RenderTextMask(Font, std::string_view(line.Text).substr(run, i - run));
          DrawMask(mask, x + pos[run], y, 0, Font.Color(), background, clip);
        }
        run = i + 1;
      }
    }
    if (!(flags & DT_HIDEPREFIX)) {
      for (size_t a : line.Accelerators) {
        if (a >= line.Text.size()) continue;
        TTextMask bar;
        bar.Width = bar.CellWidth = pos[a + 1] - pos[a];
        bar.Height = face.UnderlineThickness;
        bar.Coverage.assign(static_cast<size_t>(bar.Width) * bar.Height, 255);
        DrawMask(bar, x + pos[a], y + metrics.Ascent + face.UnderlineTop, 0, Font.Color(), std::nullopt, clip);
      }
    }
    y += lineHeight;
  }
  if (single && (flags & (DT_VCENTER | DT_BOTTOM))) return startY + lineHeight - rect.Top;
  return total;
}

}  // namespace ui
