// Drawing on a canvas: colours, fills, frames, lines, shapes, clipping and copies, pixel for pixel.

#include <gtest/gtest.h>

#include "tests/ui/graphics_fixtures.h"
#include "ui/Graphics.h"

namespace {

using namespace ui;
using gfxtest::Ascii;
using gfxtest::FromAscii;
using gfxtest::Lines;

TEST(GraphicsColours, SystemColoursResolveToTheClassicScheme) {
  struct {
    TColor Color;
    TColor Rgb;
  } const cases[] = {
      {clBtnFace, 0xC0C0C0},   {clBtnShadow, 0x808080}, {clBtnHighlight, 0xFFFFFF}, {clWindow, 0xFFFFFF},
      {clWindowText, 0x000000}, {clHighlight, 0x800000}, {clGrayText, 0x808080},     {clActiveCaption, 0x800000},
      {clInactiveCaption, 0x808080}, {cl3DDkShadow, 0x000000}, {clRed, 0x0000FF},   {0x123456, 0x123456},
  };
  for (const auto& c : cases) EXPECT_EQ(ColorToRGB(c.Color), c.Rgb) << std::hex << c.Color;
  // Pixels are 0x00RRGGBB: red sits in the third byte.
  EXPECT_EQ(ColorToPixel(clRed), 0xFF0000u);
  EXPECT_EQ(ColorToPixel(clHighlight), 0x000080u);
}

TEST(GraphicsColours, ChangingASystemColourTellsListeners) {
  int calls = 0;
  const int id = AddSysColorListener([&] { ++calls; });
  SetSysColor(COLOR_BTNFACE, 0x00D4D0C8);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xD4D0C8u);
  ResetSysColors();
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0u);
  RemoveSysColorListener(id);
  SetSysColor(COLOR_BTNFACE, 0xC0C0C0);
  EXPECT_EQ(calls, 2);
}

TEST(GraphicsBitmap, ResizeKeepsPixelsAndAddsWhite) {
  TBitmap b = FromAscii({"rg", "by"});
  b.SetSize(3, 1);
  EXPECT_EQ(Ascii(b), (Lines{"rg."}));
  EXPECT_EQ(b.Pixels(3, 0), clNone);
  b.SetPixels(-1, 0, clBlack);  // outside: nothing happens
  EXPECT_EQ(Ascii(b), (Lines{"rg."}));
}

TEST(GraphicsBitmap, TransparentColour) {
  TBitmap b = FromAscii({"rg", "by"});
  EXPECT_EQ(b.TransparentColor(), clBlue);  // bottom-left pixel
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.TransparentColor(), clWhite);
  b.SetTransparentColor(clLime);
  EXPECT_EQ(b.TransparentMode(), tmFixed);
  EXPECT_EQ(b.TransparentColor(), clLime);
}

TEST(GraphicsCanvas, FillRectLeavesOutRightAndBottomAndStaysInside) {
  TBitmap b(6, 4);
  b.Canvas().Brush.Color = clRed;
  b.Canvas().FillRect(Rect(1, 1, 4, 3));
  b.Canvas().FillRect(Rect(-3, -3, 1, 1));
  b.Canvas().FillRect(Rect(5, 3, 9, 9));
  b.Canvas().Brush.Style = bsClear;
  b.Canvas().FillRect(Rect(0, 0, 6, 4));  // a clear brush paints nothing
  EXPECT_EQ(Ascii(b), (Lines{
                          "r.....",
                          ".rrr..",
                          ".rrr..",
                          ".....r",
                      }));
}

TEST(GraphicsCanvas, FrameRectUsesTheBrush) {
  TBitmap b(5, 4);
  b.Canvas().Brush.Color = clBlue;
  b.Canvas().FrameRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(Ascii(b), (Lines{"bbbb.", "b..b.", "b..b.", "bbbb."}));
}

TEST(GraphicsCanvas, RectangleDrawsThePenInsideAndFillsWithTheBrush) {
  TBitmap b(7, 6);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clRed;
  c.Rectangle(0, 0, 5, 4);
  EXPECT_EQ(Ascii(b), (Lines{"#####..", "#rrr#..", "#rrr#..", "#####..", ".......", "......."}));

  b.Fill(clWhite);
  c.Pen.Width = 2;
  c.Rectangle(0, 0, 6, 6);
  EXPECT_EQ(Ascii(b), (Lines{"######.", "######.", "##rr##.", "##rr##.", "######.", "######."}));

  // Without a pen the fill loses a column and a row, as on Windows.
  b.Fill(clWhite);
  c.Pen.Style = psClear;
  c.Rectangle(1, 1, 5, 4);
  EXPECT_EQ(Ascii(b), (Lines{".......", ".rrr...", ".rrr...", ".......", ".......", "......."}));
}

TEST(GraphicsCanvas, LinesLeaveOutTheirEndPoint) {
  TBitmap b(5, 5);
  TCanvas& c = b.Canvas();
  c.MoveTo(0, 0);
  c.LineTo(4, 0);
  c.MoveTo(4, 4);
  c.LineTo(4, 1);
  c.MoveTo(0, 1);
  c.LineTo(3, 4);
  EXPECT_EQ(c.PenPos(), Point(3, 4));
  EXPECT_EQ(Ascii(b), (Lines{
                          "####.",
                          "#....",
                          ".#..#",
                          "..#.#",
                          "....#",
                      }));
}

TEST(GraphicsCanvas, LinesCutByTheTargetKeepTheirPixelsAndDashes) {
  for (TPenStyle style : {psSolid, psDot, psDashDot}) {
    // The same lines on a wide bitmap and, shifted, on a narrow one that cuts them.
    TBitmap wide(300, 12), narrow(20, 12);
    for (TBitmap* b : {&wide, &narrow}) {
      TCanvas& c = b->Canvas();
      c.Pen.Style = style;
      if (b == &narrow) c.SetOrigin(Point(-140, 0));
      c.MoveTo(0, 0);
      c.LineTo(299, 11);
      c.MoveTo(299, 2);
      c.LineTo(0, 9);
    }
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x) ASSERT_EQ(narrow.Pixels(x, y), wide.Pixels(x + 140, y)) << style << " " << x << "," << y;
  }
}

TEST(GraphicsCanvas, ShapesFarBeyondTheTargetCostNothing) {
  TBitmap b(8, 8);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clRed;
  c.MoveTo(-2000000000, 3);
  c.LineTo(2000000000, 4);
  c.Ellipse(-1000000000, -1000000000, 1000000000, 1000000000);
  c.Rectangle(-1000000000, -1000000000, 1000000000, 1000000000);
  EXPECT_EQ(b.Pixels(4, 4), clRed);
}

TEST(GraphicsCanvas, PolylineJoinsItsPointsOnce) {
  TBitmap b(4, 4);
  TCanvas& c = b.Canvas();
  c.Pen.Mode = pmXor;
  c.Pen.Color = clWhite;
  // With exclusive or a pixel drawn twice would come back white.
  c.Polyline({Point(0, 0), Point(3, 0), Point(3, 3), Point(0, 3), Point(0, 0)});
  EXPECT_EQ(Ascii(b), (Lines{"####", "#..#", "#..#", "####"}));
  c.Polyline({Point(0, 0), Point(3, 0), Point(3, 3), Point(0, 3), Point(0, 0)});
  EXPECT_EQ(Ascii(b), (Lines{"....", "....", "....", "...."}));
}

TEST(GraphicsCanvas, WidePenLinesAreRoundAndKeepTheirEnd) {
  TBitmap b(7, 5);
  TCanvas& c = b.Canvas();
  c.Pen.Width = 3;
  c.MoveTo(1, 2);
  c.LineTo(5, 2);
  EXPECT_EQ(Ascii(b), (Lines{".......", "#######", "#######", "#######", "......."}));
}

TEST(GraphicsCanvas, PolygonFillsPixelCentresInsideAndOutlinesThroughTheVertices) {
  TBitmap b(6, 5);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clRed;
  c.Pen.Style = psClear;
  c.Polygon({Point(1, 1), Point(4, 1), Point(4, 3), Point(1, 3)});
  EXPECT_EQ(Ascii(b), (Lines{"......", ".rrr..", ".rrr..", "......", "......"}));
  c.Pen.Style = psSolid;
  c.Polygon({Point(1, 1), Point(4, 1), Point(4, 3), Point(1, 3)});
  EXPECT_EQ(Ascii(b), (Lines{"......", ".####.", ".#rr#.", ".####.", "......"}));
}

TEST(GraphicsCanvas, PolyPolygonMakesHoles) {
  TBitmap b(6, 6);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clRed;
  c.Pen.Style = psClear;
  const std::vector<std::vector<TPoint>> rings = {{Point(0, 0), Point(6, 0), Point(6, 6), Point(0, 6)},
                                                  {Point(2, 2), Point(4, 2), Point(4, 4), Point(2, 4)}};
  c.PolyPolygon(rings);
  EXPECT_EQ(Ascii(b), (Lines{"rrrrrr", "rrrrrr", "rr..rr", "rr..rr", "rrrrrr", "rrrrrr"}));
}

TEST(GraphicsCanvas, EllipseFitsItsBoxSymmetrically) {
  TBitmap b(9, 7);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clRed;
  c.Ellipse(0, 0, 9, 7);
  const Lines a = Ascii(b);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(a[y][x], a[6 - y][x]) << x << "," << y;
      EXPECT_EQ(a[y][x], a[y][8 - x]) << x << "," << y;
    }
  EXPECT_EQ(a[0][4], '#');
  EXPECT_EQ(a[3][0], '#');
  EXPECT_EQ(a[3][8], '#');
  EXPECT_EQ(a[0][0], '.');
  EXPECT_EQ(a[3][4], 'r');
  // The outline is closed: on every row the fill lies between outline pixels.
  for (int y = 0; y < 7; ++y)
    if (a[y].find('r') != std::string::npos) {
      EXPECT_LT(a[y].find('#'), a[y].find('r')) << y;
      EXPECT_GT(a[y].rfind('#'), a[y].rfind('r')) << y;
    }
}

TEST(GraphicsCanvas, Frame3DDrawsTopLeftThenBottomRightWithTheCorners) {
  TBitmap b(6, 6);
  TRect r = Rect(0, 0, 6, 6);
  b.Canvas().Frame3D(r, clRed, clBlue, 2);
  EXPECT_EQ(r, Rect(2, 2, 4, 4));
  EXPECT_EQ(Ascii(b), (Lines{
                          "rrrrrb",
                          "rrrrbb",
                          "rr..bb",
                          "rr..bb",
                          "rbbbbb",
                          "bbbbbb",
                      }));
}

TEST(GraphicsCanvas, DrawEdgeRaisedAndSunken) {
  const std::map<TColor, char> legend = {{0xC0C0C0, 's'}, {0x808080, 'm'}, {0xFFFFFF, '.'}, {0x000000, '#'}};
  TBitmap b(4, 4);
  TRect r = Rect(0, 0, 4, 4);
  b.Canvas().DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, Rect(2, 2, 2, 2));
  EXPECT_EQ(Ascii(b, legend), (Lines{"sss#", "s.m#", "smm#", "####"}));
  r = Rect(0, 0, 4, 4);
  b.Canvas().DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
  EXPECT_EQ(r, Rect(0, 0, 4, 4));
  EXPECT_EQ(Ascii(b, legend), (Lines{"mmm.", "m#s.", "mss.", "...."}));
}

TEST(GraphicsCanvas, ClipRectOriginAndExclusion) {
  TBitmap b(6, 4);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clRed;
  c.SetOrigin(Point(1, 1));
  c.SetClipRect(Rect(0, 0, 4, 2));  // target pixels (1,1)-(5,3)
  c.ExcludeClipRect(Rect(1, 0, 2, 2));
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 4, 2));
  c.FillRect(Rect(-5, -5, 50, 50));
  EXPECT_EQ(Ascii(b), (Lines{"......", ".r.rr.", ".r.rr.", "......"}));
  c.ResetClip();
  EXPECT_EQ(c.ClipRect(), Rect(-1, -1, 5, 3));
}

TEST(GraphicsCanvas, StretchPicksTheNearestSourcePixel) {
  TBitmap dest(5, 4);
  const TBitmap square = FromAscii({"rg", "by"});
  dest.Canvas().CopyBitmap(Rect(0, 0, 4, 4), square, Rect(0, 0, 2, 2));
  EXPECT_EQ(Ascii(dest), (Lines{"rrgg.", "rrgg.", "bbyy.", "bbyy."}));

  TBitmap row(5, 1);
  row.Canvas().CopyBitmap(Rect(0, 0, 5, 1), FromAscii({"rgb"}), Rect(0, 0, 3, 1));
  EXPECT_EQ(Ascii(row), (Lines{"rrgbb"}));
  row.Canvas().CopyBitmap(Rect(0, 0, 2, 1), FromAscii({"rgby"}), Rect(0, 0, 4, 1));
  EXPECT_EQ(Ascii(row), (Lines{"gygbb"}));
}

TEST(GraphicsCanvas, CopyRectBetweenCanvasesAndWithinOne) {
  TBitmap b = FromAscii({"rgby."});
  b.Canvas().CopyRect(Rect(1, 0, 5, 1), b.Canvas(), Rect(0, 0, 4, 1));
  EXPECT_EQ(Ascii(b), (Lines{"rrgby"}));
  TBitmap d(3, 1);
  d.Canvas().StretchDraw(Rect(0, 0, 3, 1), FromAscii({"b"}));
  d.Canvas().Draw(2, 0, FromAscii({"y"}));
  EXPECT_EQ(Ascii(d), (Lines{"bby"}));
}

TEST(GraphicsCanvas, TransparentCopiesLeaveOutTheKeyColour) {
  const TBitmap sprite = FromAscii({"r.r", ".g."});
  TBitmap d(3, 2);
  d.Fill(clBlue);
  d.Canvas().CopyBitmap(Rect(0, 0, 3, 2), sprite, Rect(0, 0, 3, 2), clWhite);
  EXPECT_EQ(Ascii(d), (Lines{"rbr", "bgb"}));

  // A transparent bitmap drops its bottom-left colour.
  TBitmap masked = FromAscii({"rg", "yy"});
  masked.SetTransparent(true);
  d.Fill(clBlue);
  d.Canvas().Draw(1, 0, masked);
  EXPECT_EQ(Ascii(d), (Lines{"brg", "bbb"}));

  // Brush copy: the key colour shows the brush, or nothing with a clear brush.
  d.Fill(clBlue);
  d.Canvas().Brush.Color = clYellow;
  d.Canvas().BrushCopy(Rect(0, 0, 3, 2), sprite, Rect(0, 0, 3, 2), clWhite);
  EXPECT_EQ(Ascii(d), (Lines{"ryr", "ygy"}));
  d.Fill(clBlue);
  d.Canvas().Brush.Style = bsClear;
  d.Canvas().BrushCopy(Rect(0, 0, 3, 2), sprite, Rect(0, 0, 3, 2), clWhite);
  EXPECT_EQ(Ascii(d), (Lines{"rbr", "bgb"}));
}

TEST(GraphicsCanvas, ExclusiveOrCombineInvertsUnderWhite) {
  TBitmap image = FromAscii({"rgb."});
  const TBitmap mask = FromAscii({"#..#"});
  image.Canvas().CopyMode = cmSrcInvert;
  image.Canvas().Draw(0, 0, mask);
  EXPECT_EQ(image.Pixels(0, 0), clRed);
  EXPECT_EQ(image.Pixels(1, 0), 0xFF00FFu);  // inverse of lime
  EXPECT_EQ(image.Pixels(2, 0), 0x00FFFFu);  // inverse of blue
  EXPECT_EQ(image.Pixels(3, 0), clWhite);
}

TEST(GraphicsCanvas, RasterOperationsOfCopies) {
  struct {
    TCopyMode Mode;
    TColor Expected;
  } const cases[] = {
      {cmSrcCopy, 0x0F0F0F}, {cmSrcAnd, 0x0F0000}, {cmSrcPaint, 0xFF0F0F}, {cmNotSrcCopy, 0xF0F0F0},
      {cmBlackness, 0x000000}, {cmWhiteness, 0xFFFFFF}, {cmDstInvert, 0x00FFFF}, {cmPatCopy, 0x00FF00},
  };
  for (const auto& t : cases) {
    TBitmap d(1, 1);
    d.SetPixels(0, 0, 0xFF0000);
    TBitmap s(1, 1);
    s.SetPixels(0, 0, 0x0F0F0F);
    d.Canvas().Brush.Color = clLime;
    d.Canvas().CopyMode = t.Mode;
    d.Canvas().Draw(0, 0, s);
    EXPECT_EQ(d.Pixels(0, 0), t.Expected) << std::hex << t.Mode;
  }
}

TEST(GraphicsCanvas, FocusRectAndInvertAreTheirOwnUndo) {
  TBitmap b = FromAscii({"rgby", "rgby", "rgby"});
  const Lines before = Ascii(b);
  b.Canvas().DrawFocusRect(Rect(0, 0, 4, 3));
  EXPECT_NE(Ascii(b), before);
  b.Canvas().DrawFocusRect(Rect(0, 0, 4, 3));
  b.Canvas().InvertRect(Rect(1, 1, 3, 2));
  b.Canvas().InvertRect(Rect(1, 1, 3, 2));
  EXPECT_EQ(Ascii(b), before);
}

TEST(GraphicsCanvas, SaverPutsStateBack) {
  TBitmap b(4, 4);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clRed;
  {
    TCanvasSaver saver(c);
    c.SetOrigin(Point(2, 2));
    c.SetClipRect(Rect(0, 0, 1, 1));
    c.Brush.Color = clBlue;
    c.Font.SetHeight(-30);
  }
  EXPECT_EQ(c.Origin(), Point(0, 0));
  EXPECT_FALSE(c.HasClip());
  EXPECT_EQ(c.Brush.Color, clRed);
  EXPECT_EQ(c.Font.Height(), -11);
}

TEST(GraphicsCanvas, DrawingTellsTheBitmap) {
  TBitmap b(2, 2);
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  b.Canvas().FillRect(Rect(0, 0, 1, 1));
  b.Canvas().LineTo(1, 1);
  EXPECT_EQ(changes, 2);
}

}  // namespace
