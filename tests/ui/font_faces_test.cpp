// The Linux text engine's faces: the Windows names resolve to metric-compatible
// faces shaped to measure as the Windows fonts do. (On Windows the fonts are the
// system's own, and these measures are the system's.)

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "rtl/AnsiString.h"
#include "tests/ui/graphics_fixtures.h"
#include "ui/Graphics.h"

namespace {

using namespace ui;

using gfxtest::MakeFont;

TEST(Font, WindowsNamesResolveToMetricCompatibleFaces) {
  struct {
    const char* Name;
    TFontStyles Style;
    const char* Face;
  } const cases[] = {
      {"MS Sans Serif", 0, "Liberation Sans Regular"},   {"Arial", fsBold, "Liberation Sans Bold"},
      {"arial", fsItalic, "Liberation Sans Italic"},      {"Times New Roman", 0, "Liberation Serif Regular"},
      {"Courier New", 0, "Liberation Mono Regular"},
  };
  for (const auto& c : cases) EXPECT_EQ(MakeFont(c.Name, -11, c.Style).FaceName(), c.Face) << c.Name;
  // An unknown face still gives text.
  EXPECT_GT(MakeFont("No Such Face", -11).TextWidth("abc"), 0);
}

// The dialog font is laid out as MS Sans Serif 8 pt: a 13-pixel cell, letters mostly 5 pixels
// wide. Labels sized for it must neither clip nor wrap, so its stand-in keeps those widths.
TEST(Font, DialogFontMeasuresLikeMsSansSerif) {
  const TFont f = MakeFont("MS Sans Serif", -11);
  EXPECT_EQ(f.Metrics().Height, 13);
  EXPECT_EQ(f.Metrics().AveCharWidth, 5);
  struct {
    const char* Text;
    int Width;  // in MS Sans Serif 8 pt
  } const cases[] = {
      {"Instalação", 42},
      {"Cancelar", 37},
      {"Finalizar", 35},
      {"Drive para Instalação", 88},
      {"Clique em \"Finalizar\" para encerrar a instalação.", 202},
      {"Sim, eu desejo reiniciar meu computador agora.", 200},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 298},
  };
  for (const auto& c : cases) {
    const int width = f.TextWidth(rtl::AnsiFromUtf8(c.Text));
    EXPECT_NEAR(width, c.Width, std::max(2, c.Width * 6 / 100)) << c.Text;
  }
  // Bold is the same letters a pixel heavier and a pixel wider each.
  const TFont bold = MakeFont("MS Sans Serif", -11, fsBold);
  EXPECT_EQ(bold.TextWidth("Cancelar"), f.TextWidth("Cancelar") + 8);
  auto ink = [](const TFont& font) {
    const TTextMask m = RenderTextMask(font, "Cancelar");
    return std::count(m.Coverage.begin(), m.Coverage.end(), 255);
  };
  EXPECT_GT(ink(bold), ink(f) * 3 / 2);
  // Arial keeps its own, wider advances.
  EXPECT_GT(MakeFont("Arial", -11).TextWidth("Cancelar"), f.TextWidth("Cancelar"));
}

TEST(Font, PositiveHeightsAreTheWholeCell) {
  for (int h : {13, 16, 24}) EXPECT_EQ(MakeFont("Arial", h).Metrics().Height, h);
}

TEST(Font, AntialiasedSmallTextIsSmooth) {
  TFont smooth = MakeFont("Arial", -11);
  smooth.SetQuality(fqAntialiased);
  const TTextMask m = RenderTextMask(smooth, "Wag");
  EXPECT_GT(std::set<uint8_t>(m.Coverage.begin(), m.Coverage.end()).size(), 2u);
}

}  // namespace
