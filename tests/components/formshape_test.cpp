// The region scan, region data and the shaped window.

#include <gtest/gtest.h>

#include <cstring>

#include "components/VrFormShape.h"
#include "resources/Resources.h"
#include "ui/Forms.h"

namespace {

constexpr ui::TColor kMask = ui::clFuchsia;

// One row of a mask: '#' is a window pixel, '.' the mask colour.
ui::TBitmap MaskRow(const char* row) {
  const int w = static_cast<int>(std::strlen(row));
  ui::TBitmap b(w, 1);
  for (int x = 0; x < w; ++x) b.SetPixels(x, 0, row[x] == '#' ? ui::clBlack : kMask);
  return b;
}

TEST(RegionFromMask, RowsAsTheScanSeesThem) {
  const struct {
    const char* Row;
    std::vector<ui::TRect> Rects;
  } cases[] = {
      {"..........", {}},
      {"#.........", {}},                          // the run is (1, 1): empty
      {"...####...", {ui::Rect(4, 0, 7, 1)}},      // its first pixel left out
      {".##..###..", {ui::Rect(2, 0, 3, 1), ui::Rect(6, 0, 8, 1)}},
      {"......####", {ui::Rect(7, 0, 9, 1)}},      // a run to the end stops before the last column
      {"##########", {ui::Rect(1, 0, 9, 1)}},
      {".........#", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RegionFromMask(MaskRow(c.Row), kMask).Rects(), c.Rects) << c.Row;
  }
}

TEST(RegionFromMask, StripMaskGivesTheSevenRectangles) {
  const ui::TBitmap mask = resources::BitmapResource(resources::kStripMask);
  EXPECT_THROW(resources::BitmapResource("NOSUCHPICTURE"), resources::EResNotFound);
  ASSERT_EQ(mask.Width(), 595);
  ASSERT_EQ(mask.Height(), 35);
  const ui::TRegion region = RegionFromMask(mask, kMask);
  const std::vector<ui::TRect> expected = {
      ui::Rect(45, 2, 262, 6),  ui::Rect(275, 2, 585, 6), ui::Rect(7, 6, 31, 30),   ui::Rect(45, 6, 262, 30),
      ui::Rect(275, 6, 585, 30), ui::Rect(45, 30, 262, 33), ui::Rect(275, 30, 585, 33),
  };
  EXPECT_EQ(region.Rects(), expected);
  const std::vector<uint8_t> data = region.RegionData();
  ASSERT_EQ(data.size(), 144u);
  auto u32 = [&](size_t at) {
    return static_cast<int32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 | data[at + 3] << 24);
  };
  EXPECT_EQ(u32(0), 32);   // dwSize
  EXPECT_EQ(u32(4), 1);    // iType: rectangles
  EXPECT_EQ(u32(8), 7);    // nCount
  EXPECT_EQ(u32(12), 112); // nRgnSize
  EXPECT_EQ(u32(16), 7);   // rcBound
  EXPECT_EQ(u32(20), 2);
  EXPECT_EQ(u32(24), 585);
  EXPECT_EQ(u32(28), 33);
  EXPECT_EQ(u32(32 + 2 * 16), 7);  // the abort button square comes third
}

TEST(VrRgnData, StoredAsCountAndBytes) {
  TVrRgnData data;
  data.SetBytes({1, 2, 3});
  rtl::TMemoryStream stream;
  data.WriteData(stream);
  ASSERT_EQ(stream.Size(), 7);
  EXPECT_EQ(stream.Memory()[0], 3);
  stream.Seek(0, rtl::soBeginning);
  TVrRgnData back;
  back.ReadData(stream);
  EXPECT_EQ(back.Bytes(), data.Bytes());

  rtl::TMemoryStream empty;
  TVrRgnData().WriteData(empty);
  EXPECT_EQ(empty.Size(), 4);
}

TEST(VrRgnData, BadCountsAreRefused) {
  for (int32_t count : {-1, 1000000, 5}) {
    rtl::TMemoryStream stream;
    stream.WriteBuffer(&count, 4);
    stream.WriteBuffer("abcd", 4);
    stream.Seek(0, rtl::soBeginning);
    TVrRgnData data;
    data.SetBytes({9});
    EXPECT_THROW(data.ReadData(stream), rtl::EReadError) << count;
    EXPECT_EQ(data.Bytes(), std::vector<uint8_t>{9});
  }
}

struct ShapedStrip : ::testing::Test {
  ui::TForm form{nullptr};
  TVrFormShape* shape = new TVrFormShape(&form);
  ShapedStrip() {
    form.SetBorderStyle(ui::bsNone);
    form.SetBounds(10, 700, 588, 36);
    form.SetColor(ui::clBlack);
    shape->SetParent(&form);
    shape->SetMaskColor(kMask);
    shape->SetMask(resources::BitmapResource(resources::kStripMask));
  }
};

TEST_F(ShapedStrip, CutsTheFormAndPaintsTheSkin) {
  EXPECT_EQ(form.BorderStyle(), ui::bsNone);
  ASSERT_TRUE(form.WindowRegion().has_value());
  EXPECT_EQ(form.WindowRegion()->Rects().size(), 7u);
  EXPECT_EQ(form.WindowRegion()->Bounds(), ui::Rect(7, 2, 585, 33));
  EXPECT_EQ(shape->RgnData().Size(), 144);
  const ui::TBitmap image = form.PaintWindowImage();
  EXPECT_EQ(image.Pixels(100, 10), ui::clBlack);
  EXPECT_EQ(image.Pixels(268, 10), ui::clFuchsia);  // outside the region anyway
}

TEST_F(ShapedStrip, StoredRegionIsAppliedAfterLoading) {
  ui::TForm other(nullptr);
  auto* loaded = new TVrFormShape(&other);
  loaded->BeginLoading();
  loaded->SetParent(&other);
  rtl::TMemoryStream stream;
  shape->WriteRgnData(stream);
  stream.Seek(0, rtl::soBeginning);
  loaded->ReadRgnData(stream);
  EXPECT_FALSE(other.WindowRegion().has_value());
  loaded->Loaded();
  ASSERT_TRUE(other.WindowRegion().has_value());
  EXPECT_EQ(*other.WindowRegion(), *form.WindowRegion());
}

TEST_F(ShapedStrip, EmptyMaskKeepsTheShape) {
  shape->SetMask(ui::TBitmap());
  ASSERT_TRUE(form.WindowRegion().has_value());
  EXPECT_EQ(form.WindowRegion()->Rects().size(), 7u);
}

TEST_F(ShapedStrip, LeftButtonDragsTheFormRightButtonDoesNothing) {
  std::vector<intptr_t> commands;
  ui::TWndMethod previous = form.WindowProc;
  form.WindowProc = [&](ui::TMessage& m) {
    if (m.Msg == ui::WM_SYSCOMMAND) commands.push_back(m.WParam);
    else previous(m);
  };
  bool reported = false;
  shape->OnMouseDown = [&](ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int) { reported = true; };
  shape->Perform(ui::WM_RBUTTONDOWN, ui::MK_RBUTTON, ui::MakeLParam(100, 10));
  EXPECT_TRUE(commands.empty());
  shape->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(100, 10));
  EXPECT_EQ(commands, std::vector<intptr_t>{ui::SC_DRAGMOVE});
  EXPECT_FALSE(reported);
  form.WindowProc = previous;
}

TEST(VrFormShape, ParentMustBeAForm) {
  ui::TForm form(nullptr);
  ui::TWinControl panel(&form);
  panel.SetParent(&form);
  TVrFormShape shape(&form);
  try {
    shape.SetParent(&panel);
    FAIL();
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "VrFormShape requires a FORM as parent!");
  }
}

}  // namespace
