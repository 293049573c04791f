// Text on Linux: faces found through fontconfig, rendered by FreeType.

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

#include "rtl/Exceptions.h"
#include "rtl/SysUtils.h"
#include "ui/FontEngine.h"

namespace ui {

namespace {

// A FreeType face opened at one size, with its rendered glyphs.
struct TFreeTypeFace : TFontFace {
  FT_Face Face = nullptr;
  bool Mono = false;
  bool SynthBold = false;
  bool SynthItalic = false;
  FT_UInt CharIndex[256] = {};
  std::unordered_map<FT_UInt, TGlyph> Glyphs;

  ~TFreeTypeFace() override {
    if (Face) FT_Done_Face(Face);
  }
  const TGlyph& Glyph(unsigned char c) override;
  std::string FaceName() const override {
    return Face->family_name ? std::string(Face->family_name) + (Face->style_name ? std::string(" ") + Face->style_name : "")
                             : std::string();
  }
};


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

  TFontFace& Face(const TFont& font);

 private:
  const TResolvedFile& Resolve(const AnsiString& name, TFontStyles style);
  std::unique_ptr<TFreeTypeFace> Open(const TResolvedFile& file, int height, bool mono);

  FT_Library FLibrary = nullptr;
  std::map<std::pair<AnsiString, int>, TResolvedFile> FResolved;
  std::map<std::tuple<std::string, int, bool, bool, const TFaceShape*, int, bool>, std::unique_ptr<TFreeTypeFace>> FFaces;
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

std::unique_ptr<TFreeTypeFace> TFontEngine::Open(const TResolvedFile& file, int height, bool mono) {
  auto face = std::make_unique<TFreeTypeFace>();
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

TFontFace& TFontEngine::Face(const TFont& font) {
  const TResolvedFile& file = Resolve(font.Name(), font.Style());
  const int height = EngineHeight(font);
  const bool mono = EngineMono(font);
  auto key = std::make_tuple(file.File, file.Index, file.SynthBold, file.SynthItalic, file.Shape, height, mono);
  auto it = FFaces.find(key);
  if (it == FFaces.end()) it = FFaces.emplace(key, Open(file, height, mono)).first;
  return *it->second;
}


const TGlyph& TFreeTypeFace::Glyph(unsigned char c) {
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

}  // namespace

TFontFace& OpenFontFace(const TFont& font) { return Engine().Face(font); }

}  // namespace ui
