// Fonts and text: faces, metrics, rendering, turned text and DrawText layout.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "rtl/AnsiString.h"
#include "tests/ui/graphics_fixtures.h"
#include "ui/Graphics.h"

namespace {

using namespace ui;

// The smallest rectangle holding every pixel that is not the background.
TRect Ink(const TBitmap& b, TColor background = clWhite) {
  TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.Pixels(x, y) != background) r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
  return r.Left == INT32_MAX ? TRect{} : r;
}

using gfxtest::MakeFont;

TEST(Font, DefaultsAndSizes) {
  TFont f;
  EXPECT_EQ(f.Name(), "MS Sans Serif");
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  EXPECT_EQ(f.Color(), clWindowText);
  f.SetSize(9);
  EXPECT_EQ(f.Height(), -12);
  int changes = 0;
  f.OnChange = [&] { ++changes; };
  f.SetStyle(fsBold);
  f.SetStyle(fsBold);  // unchanged: no notice
  f.SetColor(clRed);
  EXPECT_EQ(changes, 2);
}

TEST(Font, HeightsFollowTheWindowsRule) {
  // Negative: the character height; the cell adds the internal leading.
  const TTextMetric em = MakeFont("Arial", -11).Metrics();
  EXPECT_EQ(em.Height, em.Ascent + em.Descent);
  EXPECT_EQ(em.InternalLeading, em.Height - 11);
  EXPECT_GT(em.InternalLeading, 0);
}

TEST(Font, SmallTextIsAliasedLargeTextIsSmooth) {
  auto levels = [](const TFont& f) {
    const TTextMask m = RenderTextMask(f, "Wag");
    return std::set<uint8_t>(m.Coverage.begin(), m.Coverage.end());
  };
  EXPECT_EQ(levels(MakeFont("MS Sans Serif", -11)), (std::set<uint8_t>{0, 255}));
  EXPECT_EQ(levels(MakeFont("Arial", -12, fsBold)), (std::set<uint8_t>{0, 255}));
  EXPECT_GT(levels(MakeFont("Arial", -20)).size(), 2u);
}

TEST(Font, AdvancesAddUpWithoutKerning) {
  const TFont f = MakeFont("Arial", -13);
  EXPECT_EQ(f.TextWidth("AVAV"), 2 * f.TextWidth("A") + 2 * f.TextWidth("V"));
  const std::vector<int> carets = TextCaretPositions(f, "AV");
  EXPECT_EQ(carets, (std::vector<int>{0, f.TextWidth("A"), f.TextWidth("AV")}));
  // Windows-1252 letters have glyphs of their own.
  EXPECT_EQ(f.TextWidth("\xE3"), f.TextWidth("a"));  // ã
  EXPECT_NE(RenderTextMask(f, "\xE3").Coverage, RenderTextMask(f, "a").Coverage);
  EXPECT_GT(f.TextWidth("\x80"), 0);  // euro sign
}

TEST(Font, TextOutStaysInItsCellAndFillsItWithAnOpaqueBrush) {
  TBitmap b(80, 30);
  TCanvas& c = b.Canvas();
  c.Font.SetName("Arial");
  c.Font.SetHeight(-13);
  c.Brush.Style = bsClear;
  c.TextOut(5, 4, "Hij");
  const TSize size = c.TextExtent("Hij");
  const TRect ink = Ink(b);
  EXPECT_GE(ink.Left, 5);
  EXPECT_LE(ink.Right, 5 + size.cx);
  EXPECT_GE(ink.Top, 4);
  EXPECT_LE(ink.Bottom, 4 + size.cy);
  EXPECT_EQ(c.PenPos(), Point(5 + size.cx, 4));

  b.Fill(clWhite);
  c.Brush.Style = bsSolid;
  c.Brush.Color = clYellow;
  c.TextOut(5, 4, "Hij");
  EXPECT_EQ(Ink(b), Bounds(5, 4, size.cx, size.cy));
  EXPECT_EQ(b.Pixels(5, 4), clYellow);
}

TEST(Font, UnderlineAndStrikeOutAddBarsAcrossTheCell) {
  const TFont plain = MakeFont("Arial", -13);
  const TTextMask base = RenderTextMask(plain, "ab");
  for (TFontStyles style : {fsUnderline, fsStrikeOut}) {
    const TTextMask m = RenderTextMask(MakeFont("Arial", -13, style), "ab");
    ASSERT_EQ(m.Width, base.Width);
    int fullRows = 0;
    for (int y = 0; y < m.Height; ++y) {
      bool full = true;
      for (int x = m.CellLeft; x < m.CellLeft + m.CellWidth; ++x) full &= m.At(x, y) == 255;
      fullRows += full;
    }
    EXPECT_GE(fullRows, 1) << int(style);
    if (style == fsUnderline) {
      // The bar lies below the baseline.
      for (int y = 0; y < m.Ascent; ++y)
        EXPECT_FALSE(m.At(m.CellLeft, y) == 255 && m.At(m.CellLeft + m.CellWidth - 1, y) == 255) << y;
    }
  }
}

TEST(Font, TurnedTextIsTheSamePixelsTurned) {
  TFont f = MakeFont("Arial", -12, fsBold);
  TBitmap flat(60, 20);
  flat.Canvas().Font = f;
  flat.Canvas().Brush.Style = bsClear;
  flat.Canvas().TextOut(0, 0, "50%");
  const int w = f.TextWidth("50%"), h = f.Metrics().Height;

  for (int escapement : {900, 2700}) {
    TBitmap turned(20, 60);
    TCanvas& c = turned.Canvas();
    c.Font = f;
    c.Font.SetEscapement(escapement);
    c.Brush.Style = bsClear;
    // Bottom to top starts at the lower left of the text; top to bottom at its upper right.
    if (escapement == 900) c.TextOut(0, w, "50%");
    else c.TextOut(h, 0, "50%");
    for (int v = 0; v < h; ++v)
      for (int u = 0; u < w; ++u) {
        const TColor expected = flat.Pixels(u, v);
        const TColor actual = escapement == 900 ? turned.Pixels(v, w - 1 - u) : turned.Pixels(h - 1 - v, u);
        ASSERT_EQ(actual, expected) << escapement << " at " << u << "," << v;
      }
  }
  // A tenth of a degree draws like no turn at all.
  TBitmap almost(60, 20);
  almost.Canvas().Font = f;
  almost.Canvas().Font.SetEscapement(1);
  almost.Canvas().Brush.Style = bsClear;
  almost.Canvas().TextOut(0, 0, "50%");
  EXPECT_EQ(gfxtest::Ascii(almost), gfxtest::Ascii(flat));
}

class DrawTextTest : public testing::Test {
 protected:
  void SetUp() override {
    FBitmap.SetSize(200, 80);
    Canvas().Font.SetName("Arial");
    Canvas().Font.SetHeight(-13);
    Canvas().Brush.Style = bsClear;
    FLine = Canvas().TextHeight("X");
  }
  TCanvas& Canvas() { return FBitmap.Canvas(); }
  TRect Draw(std::string_view text, TRect r, unsigned flags) {
    FBitmap.Fill(clWhite);
    Canvas().DrawText(text, r, flags);
    return Ink(FBitmap);
  }
  TBitmap FBitmap;
  int FLine = 0;
};

TEST_F(DrawTextTest, CalcRectMeasuresLinesAndWrapping) {
  TRect r = Rect(10, 10, 10, 10);
  EXPECT_EQ(Canvas().DrawText("Hello", r, DT_CALCRECT | DT_SINGLELINE), FLine);
  EXPECT_EQ(r, Rect(10, 10, 10 + Canvas().TextWidth("Hello"), 10 + FLine));

  r = Rect(0, 0, 0, 0);
  EXPECT_EQ(Canvas().DrawText("one\r\nthree\nx", r, DT_CALCRECT), 3 * FLine);
  EXPECT_EQ(r.Right, Canvas().TextWidth("three"));

  // Wrapping at blanks, within the given width; a long word stays whole.
  const int width = Canvas().TextWidth("aaa bbb");
  r = Rect(0, 0, width, 0);
  EXPECT_EQ(Canvas().DrawText("aaa bbb ccc dddddddddddd e", r, DT_CALCRECT | DT_WORDBREAK), 4 * FLine);
  EXPECT_EQ(r.Right, Canvas().TextWidth("dddddddddddd"));

  // Accelerator marks take no room.
  r = Rect(0, 0, 0, 0);
  Canvas().DrawText("&Abortar", r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.Right, Canvas().TextWidth("Abortar"));
  r = Rect(0, 0, 0, 0);
  Canvas().DrawText("&Abortar", r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(r.Right, Canvas().TextWidth("&Abortar"));
}

TEST_F(DrawTextTest, AlignmentWithinTheRectangle) {
  const TRect box = Rect(20, 10, 180, 70);
  const TRect left = Draw("Tx", box, DT_SINGLELINE | DT_LEFT | DT_TOP);
  const TRect centre = Draw("Tx", box, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  const TRect right = Draw("Tx", box, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
  const int w = Canvas().TextWidth("Tx");
  EXPECT_EQ(centre.Left - left.Left, (box.Width() - w) / 2);
  EXPECT_EQ(right.Left - left.Left, box.Width() - w);
  EXPECT_EQ(centre.Top - left.Top, (box.Height() - FLine) / 2);
  EXPECT_EQ(right.Top - left.Top, box.Height() - FLine);
  // Centred vertically, the result is the offset of the text's bottom.
  TRect r = box;
  EXPECT_EQ(Canvas().DrawText("Tx", r, DT_SINGLELINE | DT_VCENTER), (box.Height() - FLine) / 2 + FLine);
}

TEST_F(DrawTextTest, PrefixesUnderlineOneLetter) {
  const TRect r = Rect(0, 0, 200, 40);
  const TRect plain = Draw("Abortar", r, DT_SINGLELINE);
  const TRect marked = Draw("A&bortar", r, DT_SINGLELINE);
  EXPECT_GT(marked.Bottom, plain.Bottom);  // the underline sits below the letters
  // Only under the b.
  const int under = marked.Bottom - 1;
  const std::vector<int> x = TextCaretPositions(Canvas().Font, "Abortar");
  for (int px = 0; px < 100; ++px)
    EXPECT_EQ(FBitmap.Pixels(px, under) != clWhite, px >= x[1] && px < x[2]) << px;
  EXPECT_EQ(Draw("A&&B", r, DT_SINGLELINE), Draw("A&B", r, DT_SINGLELINE | DT_NOPREFIX));
  EXPECT_EQ(Draw("A&bortar", r, DT_SINGLELINE | DT_HIDEPREFIX), plain);
}

TEST_F(DrawTextTest, TabsExpandToEightAverageCharacters) {
  const int tab = 8 * Canvas().Font.Metrics().AveCharWidth;
  const TRect r = Rect(0, 0, 200, 40);
  const TRect b = Draw("\tI", r, DT_SINGLELINE | DT_EXPANDTABS);
  const TRect plainB = Draw("I", r, DT_SINGLELINE);
  EXPECT_EQ(b.Left, plainB.Left + tab);
}

TEST_F(DrawTextTest, ClipsToTheRectangleUnlessAskedNotTo) {
  const TRect r = Rect(10, 10, 30, 20);
  const TRect clipped = Draw("Wide text here", r, DT_SINGLELINE);
  EXPECT_GE(clipped.Left, 10);
  EXPECT_LE(clipped.Right, 30);
  EXPECT_LE(clipped.Bottom, 20);
  EXPECT_GT(Draw("Wide text here", r, DT_SINGLELINE | DT_NOCLIP).Right, 30);
}

}  // namespace
