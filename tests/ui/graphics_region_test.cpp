// Regions: the banded rectangle form Windows reports, combining, and RGNDATA bytes.

#include <gtest/gtest.h>

#include "tests/ui/graphics_fixtures.h"
#include "ui/Graphics.h"

namespace {

using namespace ui;
using Rects = std::vector<TRect>;

TEST(GraphicsRegion, CombiningGivesBandsSortedByTopThenLeft) {
  const TRegion a(Rect(0, 0, 4, 4)), b(Rect(2, 2, 6, 6));
  struct {
    TRegionOp Op;
    Rects Expected;
  } const cases[] = {
      {RGN_AND, {Rect(2, 2, 4, 4)}},
      {RGN_OR, {Rect(0, 0, 4, 2), Rect(0, 2, 6, 4), Rect(2, 4, 6, 6)}},
      {RGN_DIFF, {Rect(0, 0, 4, 2), Rect(0, 2, 2, 4)}},
      {RGN_XOR, {Rect(0, 0, 4, 2), Rect(0, 2, 2, 4), Rect(4, 2, 6, 4), Rect(2, 4, 6, 6)}},
      {RGN_COPY, {Rect(2, 2, 6, 6)}},
  };
  for (const auto& c : cases) {
    TRegion r = a;
    r.Combine(b, c.Op);
    EXPECT_EQ(r.Rects(), c.Expected) << "op " << c.Op;
  }
}

TEST(GraphicsRegion, TouchingBandsWithTheSameSpansMerge) {
  // Rows of a shape added one by one, as a mask scan does.
  TRegion r;
  for (int y = 0; y < 3; ++y) {
    r.Union(Rect(1, y, 3, y + 1));
    r.Union(Rect(5, y, 8, y + 1));
  }
  r.Union(Rect(1, 3, 8, 4));
  r.Union(Rect(1, 5, 3, 6));  // not touching: a band of its own
  EXPECT_EQ(r.Rects(), (Rects{Rect(1, 0, 3, 3), Rect(5, 0, 8, 3), Rect(1, 3, 8, 4), Rect(1, 5, 3, 6)}));
  EXPECT_EQ(TRegion::FromRects(r.Rects()), r);
  EXPECT_EQ(r.Bounds(), Rect(1, 0, 8, 6));
  EXPECT_TRUE(r.Contains(7, 2));
  EXPECT_FALSE(r.Contains(4, 2));
  EXPECT_FALSE(r.Contains(8, 0));  // right edges are outside
  EXPECT_FALSE(r.Contains(2, 4));
  EXPECT_TRUE(r.Intersects(Rect(0, 4, 2, 9)));
  EXPECT_FALSE(r.Intersects(Rect(3, 0, 5, 3)));
}

TEST(GraphicsRegion, RegionDataBytes) {
  TRegion r = TRegion::FromRects(Rects{Rect(7, 2, 585, 3), Rect(-1, 5, 2, 6)});
  gfxtest::TBytes expected;
  expected.U32(32).U32(1).U32(2).U32(32);    // dwSize, iType, nCount, nRgnSize
  expected.I32(-1).I32(2).I32(585).I32(6);   // rcBound
  expected.I32(7).I32(2).I32(585).I32(3);
  expected.I32(-1).I32(5).I32(2).I32(6);
  const std::vector<uint8_t> data = r.RegionData();
  EXPECT_EQ(std::string(data.begin(), data.end()), expected.Data);
  EXPECT_EQ(TRegion::FromRegionData(data), r);
  EXPECT_EQ(TRegion().RegionData().size(), 32u);
}

TEST(GraphicsRegion, RegionDataIsCheckedAndNormalised) {
  auto bytes = [](uint32_t size, uint32_t type, uint32_t count, const Rects& rects) {
    gfxtest::TBytes b;
    b.U32(size).U32(type).U32(count).U32(16 * count).Zeros(16);
    for (const TRect& r : rects) b.I32(r.Left).I32(r.Top).I32(r.Right).I32(r.Bottom);
    return std::vector<uint8_t>(b.Data.begin(), b.Data.end());
  };
  EXPECT_FALSE(TRegion::FromRegionData(std::vector<uint8_t>(31)));
  EXPECT_FALSE(TRegion::FromRegionData(bytes(40, 1, 0, {})));
  EXPECT_FALSE(TRegion::FromRegionData(bytes(32, 2, 0, {})));
  EXPECT_FALSE(TRegion::FromRegionData(bytes(32, 1, 3, {Rect(0, 0, 1, 1)})));
  EXPECT_FALSE(TRegion::FromRegionData(bytes(32, 1, 0x10000001, {Rect(0, 0, 1, 1)})));
  // Overlapping, unsorted and empty rectangles come back as one clean region.
  const auto region = TRegion::FromRegionData(bytes(32, 1, 3, {Rect(2, 0, 4, 2), Rect(0, 0, 3, 2), Rect(5, 5, 5, 9)}));
  ASSERT_TRUE(region);
  EXPECT_EQ(region->Rects(), (Rects{Rect(0, 0, 4, 2)}));
}

TEST(GraphicsRegion, ClipToARegionOnACanvas) {
  TBitmap b(4, 3);
  TCanvas& c = b.Canvas();
  c.Brush.Color = clRed;
  c.SetClipRegion(TRegion::FromRects(Rects{Rect(0, 0, 1, 3), Rect(2, 1, 4, 2)}));
  c.FillRect(Rect(0, 0, 4, 3));
  c.ResetClip();
  c.Brush.Color = clBlue;
  c.FillRegion(TRegion(Rect(3, 2, 4, 3)));
  EXPECT_EQ(gfxtest::Ascii(b), (gfxtest::Lines{"r...", "r.rr", "r..b"}));
}

}  // namespace
