// Fonts and text: faces found through fontconfig, rendered by FreeType,
// laid out the way GDI lays out TextOut and DrawText.

#include "ui/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "rtl/SysUtils.h"
#include "ui/Graphics.h"

namespace ui {

namespace {

struct TGlyph {
  int Left = 0;     // ink left of the pen position
  int Top = 0;      // ink rows above the baseline
  int Width = 0;
  int Rows = 0;
  int Advance = 0;  // whole pixels
  std::vector<uint8_t> Coverage;
};

}  // namespace

// A face opened at one size, with its metrics and its rendered glyphs.
struct TFontFace {
  FT_Face Face = nullptr;
  bool Mono = false;
  bool SynthBold = false;
  bool SynthItalic = false;
  TTextMetric Metrics;
  int UnderlineTop = 0;        // rows below the baseline
  int UnderlineThickness = 1;
  int StrikeTop = 0;           // rows above the baseline
  int StrikeThickness = 1;
  FT_UInt CharIndex[256] = {};
  std::unordered_map<FT_UInt, TGlyph> Glyphs;

  ~TFontFace() {
    if (Face) FT_Done_Face(Face);
  }
  const TGlyph& Glyph(unsigned char c);
};

struct TFontAccess {
  static const TFontFace& Face(const TFont& font);
};

namespace {

// How a stand-in face is shaped to the face it replaces.
struct TFaceShape {
  double Width = 1.0;  // horizontal size against the vertical
  double Ascent = 0;   // cell above and below the baseline per em; 0: the face's own
  double Descent = 0;
};
// MS Sans Serif is narrower than Arial: at 8 points its letters are mostly 5 pixels wide where Arial's
// are 6, so dialogs laid out for it clip or wrap in Arial. Its stand-in is Arial's shape at Arial's
// height, narrowed (11 pixels high and 9 wide match its advances within a few percent), in its cell:
// the ascent is the em, the descent a fifth of it (13 pixels at 8 points).
constexpr TFaceShape kMsSansSerif{0.83, 1.0, 0.2};

// Windows names of the faces the programs use, and the metric-compatible faces that stand in for them.
struct TFaceAlias {
  const char* Name;
  const char* Families[2];
  const TFaceShape* Shape = nullptr;
};
constexpr TFaceAlias kAliases[] = {
    {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}, &kMsSansSerif},
    {"Microsoft Sans Serif", {"Liberation Sans", "DejaVu Sans"}, &kMsSansSerif},
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    {"Helvetica", {"Liberation Sans", "DejaVu Sans"}},
    {"System", {"Liberation Sans", "DejaVu Sans"}},
    {"Tahoma", {"DejaVu Sans", "Liberation Sans"}},
    {"Verdana", {"DejaVu Sans", "Liberation Sans"}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"MS Serif", {"Liberation Serif", "DejaVu Serif"}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Courier", {"Liberation Mono", "DejaVu Sans Mono"}},
};

// Sizes up to this many pixels of character height render aliased by default.
constexpr int kMonoLimit = 12;
// Heights beyond this are drawn at it, and lines end at this width: glyphs
// and text masks stay a sane size whatever a picture asks for.
constexpr int kMaxHeight = 2000;
constexpr int kMaxLineWidth = 16384;

struct TResolvedFile {
  std::string File;
  int Index = 0;
  bool SynthBold = false;
  bool SynthItalic = false;
  const TFaceShape* Shape = nullptr;
};

class TFontEngine {
 public:
  TFontEngine() {
    if (FT_Init_FreeType(&FLibrary) != 0) throw rtl::Exception("FreeType could not be initialised");
    FcInit();
  }
  ~TFontEngine() {
    FFaces.clear();
    FT_Done_FreeType(FLibrary);
    FcFini();
  }

  const TFontFace& Face(const TFont& font);

 private:
  const TResolvedFile& Resolve(const AnsiString& name, TFontStyles style);
  std::unique_ptr<TFontFace> Open(const TResolvedFile& file, int height, bool mono);

  FT_Library FLibrary = nullptr;
  std::map<std::pair<AnsiString, int>, TResolvedFile> FResolved;
  std::map<std::tuple<std::string, int, bool, bool, const TFaceShape*, int, bool>, std::unique_ptr<TFontFace>> FFaces;
};

TFontEngine& Engine() {
  static TFontEngine engine;
  return engine;
}

// Asks fontconfig for a family; empty when the match is another family.
bool MatchFamily(const char* family, TFontStyles style, bool exact, TResolvedFile& out) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, (style & fsBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, (style & fsItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  bool ok = false;
  FcChar8* file = nullptr;
  FcChar8* matchedFamily = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
      FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch) {
    ok = !exact || rtl::SameText(reinterpret_cast<const char*>(matchedFamily), family);
    if (ok) {
      int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
      FcPatternGetInteger(match, FC_SLANT, 0, &slant);
      out.File = reinterpret_cast<const char*>(file);
      out.Index = index;
      out.SynthBold = (style & fsBold) && weight < FC_WEIGHT_DEMIBOLD;
      out.SynthItalic = (style & fsItalic) && slant == FC_SLANT_ROMAN;
    }
  }
  FcPatternDestroy(match);
  return ok;
}

const TResolvedFile& TFontEngine::Resolve(const AnsiString& name, TFontStyles style) {
  const auto key = std::make_pair(rtl::UpperCase(name), style & (fsBold | fsItalic));
  auto it = FResolved.find(key);
  if (it != FResolved.end()) return it->second;
  TResolvedFile file;
  bool found = false;
  for (const TFaceAlias& alias : kAliases) {
    if (!rtl::SameText(name, alias.Name)) continue;
    // A reshaped face is made bold as GDI makes bold: the regular strokes one pixel wider. A bold
    // face narrowed would lose its heavy stems to the hinting.
    const TFontStyles matched = alias.Shape ? static_cast<TFontStyles>(style & ~fsBold) : style;
    for (const char* family : alias.Families)
      if (!found) found = MatchFamily(family, matched, true, file);
    if (found) {
      file.Shape = alias.Shape;
      file.SynthBold |= (style & fsBold) != 0;
    }
  }
  if (!found && !name.empty()) found = MatchFamily(rtl::Utf8FromAnsi(name).c_str(), style, true, file);
  if (!found) found = MatchFamily("Liberation Sans", style, true, file);
  if (!found) found = MatchFamily("sans-serif", style, false, file);
  if (!found) throw rtl::Exception("No font found for \"" + name + "\"");
  return FResolved.emplace(key, file).first->second;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

std::unique_ptr<TFontFace> TFontEngine::Open(const TResolvedFile& file, int height, bool mono) {
  auto face = std::make_unique<TFontFace>();
  if (FT_New_Face(FLibrary, file.File.c_str(), file.Index, &face->Face) != 0)
    throw rtl::Exception("Cannot open the font file \"" + file.File + "\"");
  FT_Face f = face->Face;
  face->Mono = mono;
  face->SynthBold = file.SynthBold;
  face->SynthItalic = file.SynthItalic;
  const double upem = f->units_per_EM ? f->units_per_EM : 2048;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  double winAscent = os2 ? os2->usWinAscent : f->ascender;
  double winDescent = os2 ? os2->usWinDescent : -f->descender;
  if (winAscent + winDescent <= 0) {
    winAscent = upem * 0.9;
    winDescent = upem * 0.2;
  }
  const TFaceShape shape = file.Shape ? *file.Shape : TFaceShape{};
  if (shape.Ascent > 0) {
    winAscent = shape.Ascent * upem;
    winDescent = shape.Descent * upem;
  }
  // A negative height is the em size; a positive one the cell (ascent + descent).
  const double ppem = height < 0 ? -height : height * upem / (winAscent + winDescent);
  FT_Set_Char_Size(f, static_cast<FT_F26Dot6>(std::lround(ppem * shape.Width * 64)),
                   static_cast<FT_F26Dot6>(std::lround(ppem * 64)), 72, 72);
  const double scale = ppem / upem;
  TTextMetric& m = face->Metrics;
  m.Ascent = Round(winAscent * scale);
  m.Descent = height > 0 ? height - m.Ascent : Round(winDescent * scale);
  m.Height = m.Ascent + m.Descent;
  m.InternalLeading = std::max(0, m.Height - Round(ppem));
  m.ExternalLeading = 0;
  m.MaxCharWidth = Round(f->max_advance_width * scale * shape.Width);
  face->UnderlineThickness = std::max(1, Round(f->underline_thickness * scale));
  face->UnderlineTop = std::max(1, Round(-f->underline_position * scale));
  if (face->UnderlineTop + face->UnderlineThickness > m.Descent)
    face->UnderlineTop = std::max(0, m.Descent - face->UnderlineThickness);
  face->StrikeThickness = std::max(1, Round((os2 ? os2->yStrikeoutSize : f->underline_thickness) * scale));
  face->StrikeTop = Round((os2 ? os2->yStrikeoutPosition : upem * 0.26) * scale);
  for (int c = 0; c < 256; ++c) {
    // Tabs show as blanks; other control characters have no glyph.
    char32_t cp = c == '\t' ? U' ' : rtl::CodePointFromAnsi(static_cast<unsigned char>(c));
    face->CharIndex[c] = cp < 0x20 ? 0 : FT_Get_Char_Index(f, cp);
  }
  m.AveCharWidth = face->Glyph('x').Advance;
  return face;
}

const TFontFace& TFontEngine::Face(const TFont& font) {
  const TResolvedFile& file = Resolve(font.Name(), font.Style());
  int height = std::clamp(font.Height() == 0 ? -11 : font.Height(), -kMaxHeight, kMaxHeight);
  // Character height decides the rendering when the quality is left to us.
  bool mono;
  switch (font.Quality()) {
    case fqNonAntialiased: mono = true; break;
    case fqAntialiased: mono = false; break;
    default: {
      const int em = height < 0 ? -height : height * 4 / 5;
      mono = em <= kMonoLimit;
      break;
    }
  }
  auto key = std::make_tuple(file.File, file.Index, file.SynthBold, file.SynthItalic, file.Shape, height, mono);
  auto it = FFaces.find(key);
  if (it == FFaces.end()) it = FFaces.emplace(key, Open(file, height, mono)).first;
  return *it->second;
}

}  // namespace

const TGlyph& TFontFace::Glyph(unsigned char c) {
  const FT_UInt index = CharIndex[c];
  // Control characters (index 0 without a glyph of their own) draw nothing.
  const FT_UInt key = (c < 0x20 && c != '\t') ? 0xFFFFFFFFu : index;
  auto it = Glyphs.find(key);
  if (it != Glyphs.end()) return it->second;
  TGlyph glyph;
  if (key != 0xFFFFFFFFu) {
    const FT_Int32 load = FT_LOAD_DEFAULT | (Mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
    if (FT_Load_Glyph(Face, index, load) == 0) {
      FT_GlyphSlot slot = Face->glyph;
      glyph.Advance = static_cast<int>((slot->advance.x + 32) >> 6);
      if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (SynthItalic) {
          FT_Matrix shear = {0x10000, 0x0366A, 0, 0x10000};
          FT_Outline_Transform(&slot->outline, &shear);
        }
        if (SynthBold) {
          // One pixel wider, as simulated bold is.
          FT_Outline_EmboldenXY(&slot->outline, 64, 0);
          glyph.Advance += 1;
        }
      }
      if (FT_Render_Glyph(slot, Mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0) {
        const FT_Bitmap& bm = slot->bitmap;
        glyph.Left = slot->bitmap_left;
        glyph.Top = slot->bitmap_top;
        glyph.Width = static_cast<int>(bm.width);
        glyph.Rows = static_cast<int>(bm.rows);
        glyph.Coverage.resize(static_cast<size_t>(glyph.Width) * glyph.Rows);
        for (int y = 0; y < glyph.Rows; ++y) {
          const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
          for (int x = 0; x < glyph.Width; ++x) {
            uint8_t v;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
              v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            else
              v = row[x];
            glyph.Coverage[static_cast<size_t>(y) * glyph.Width + x] = v;
          }
        }
      }
    }
  }
  return Glyphs.emplace(key, std::move(glyph)).first->second;
}

const TFontFace& TFontAccess::Face(const TFont& font) {
  if (!font.FFace) font.FFace = &Engine().Face(font);
  return *static_cast<const TFontFace*>(font.FFace);
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
  const TFontFace& face = TFontAccess::Face(*this);
  FT_Face f = face.Face;
  return f->family_name ? std::string(f->family_name) + (f->style_name ? std::string(" ") + f->style_name : "")
                        : std::string();
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
