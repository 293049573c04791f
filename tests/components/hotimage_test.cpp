// The abort button: see-through pictures, the hot frame, enter and leave.

#include <gtest/gtest.h>

#include "components/VrHotImage.h"
#include "resources/Resources.h"
#include "ui/Forms.h"

namespace {

constexpr ui::TColor kGrey = ui::RGB(128, 128, 128);

struct AbortButton : ::testing::Test {
  ui::TForm form{nullptr};
  TVrHotImage* button = new TVrHotImage(&form);
  ui::TBitmap leave = resources::BitmapResource(resources::kAbortLeave);
  ui::TBitmap enter = resources::BitmapResource(resources::kAbortEnter);

  AbortButton() {
    form.SetBorderStyle(ui::bsNone);
    form.SetBounds(0, 0, 40, 40);
    form.SetColor(kGrey);
    button->SetParent(&form);
    button->SetBounds(7, 6, 24, 24);
    button->SetTransparent(true);
    button->SetColorEnter(ui::clFuchsia);
    button->SetColorLeave(ui::clFuchsia);
    button->HotRect().SetColor(ui::clWhite);
    button->SetImageLeave(leave);
    button->SetImageEnter(enter);
  }
  ui::TColor At(const ui::TBitmap& image, int x, int y) { return image.Pixels(7 + x, 6 + y); }
};

TEST_F(AbortButton, LeavePictureIsSeeThroughWhereFuchsia) {
  ASSERT_EQ(leave.Width(), 24);
  ASSERT_EQ(leave.Pixels(0, 0), ui::clFuchsia);
  const ui::TBitmap image = form.PaintWindowImage();
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) {
      const ui::TColor expected = leave.Pixels(x, y) == ui::clFuchsia ? kGrey : leave.Pixels(x, y);
      ASSERT_EQ(At(image, x, y), expected) << x << "," << y;
    }
}

TEST_F(AbortButton, EnterPictureWithAOnePixelWhiteFrame) {
  int entered = 0;
  button->OnMouseEnter = [&](ui::TObject*) { ++entered; };
  button->Perform(ui::CM_MOUSEENTER);
  EXPECT_EQ(entered, 1);
  const ui::TBitmap image = form.PaintWindowImage();
  for (int i = 0; i < 24; ++i) {
    EXPECT_EQ(At(image, i, 0), ui::clWhite);
    EXPECT_EQ(At(image, i, 23), ui::clWhite);
    EXPECT_EQ(At(image, 0, i), ui::clWhite);
    EXPECT_EQ(At(image, 23, i), ui::clWhite);
  }
  EXPECT_EQ(At(image, 12, 20), enter.Pixels(12, 20));

  button->Perform(ui::CM_MOUSELEAVE);
  const ui::TBitmap after = form.PaintWindowImage();
  EXPECT_EQ(At(after, 0, 0), kGrey);  // a see-through corner
  EXPECT_EQ(At(after, 12, 20), leave.Pixels(12, 20));
}

TEST_F(AbortButton, DisabledShowsLeavePictureButKeepsTheFrame) {
  button->SetEnabled(false);
  button->Perform(ui::CM_MOUSEENTER);
  const ui::TBitmap image = form.PaintWindowImage();
  EXPECT_EQ(At(image, 12, 20), leave.Pixels(12, 20));
  EXPECT_EQ(At(image, 0, 12), ui::clWhite);
}

TEST(VrHotImage, OpaqueFillsWithTheStateColour) {
  ui::TForm form(nullptr);
  form.SetBorderStyle(ui::bsNone);
  auto* hot = new TVrHotImage(&form);
  hot->SetParent(&form);
  hot->SetBounds(0, 0, 30, 30);
  hot->HotRect().SetVisible(false);
  EXPECT_EQ(form.PaintWindowImage().Pixels(15, 15), ui::clBlack);  // ColorLeave
  hot->Perform(ui::CM_MOUSEENTER);
  EXPECT_EQ(form.PaintWindowImage().Pixels(0, 0), ui::clBlue);  // ColorEnter, no frame
}

TEST(VrHotImage, CaptionFollowsTheAlignment) {
  ui::TForm form(nullptr);
  form.SetBorderStyle(ui::bsNone);
  auto* hot = new TVrHotImage(&form);
  hot->SetParent(&form);
  hot->SetBounds(0, 0, 60, 60);
  hot->SetCaption("W");
  // Where the white caption lands: a 3 x 3 grid of the control.
  auto cell = [&] {
    const ui::TBitmap image = form.PaintWindowImage();
    int found = -1;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x)
        if (image.Pixels(x, y) == ui::clWhite) found = (y / 20) * 3 + x / 20;
    return found;
  };
  const struct {
    TVrTextAlignment Alignment;
    int Cell;
  } cases[] = {{vtaTopLeft, 0}, {vtaTop, 1}, {vtaLeft, 3}, {vtaCenter, 4}, {vtaBottomRight, 8}, {vtaBottom, 7}};
  for (const auto& c : cases) {
    hot->SetTextAlignment(c.Alignment);
    EXPECT_EQ(cell(), c.Cell) << c.Alignment;
  }
}

TEST(VrHotImage, HotRectChangesWaitForEndUpdate) {
  TVrHotRect rect;
  int changes = 0;
  rect.OnChange = [&] { ++changes; };
  rect.BeginUpdate();
  rect.SetWidth(3);
  rect.SetColor(ui::clRed);
  EXPECT_EQ(changes, 0);
  rect.EndUpdate();
  EXPECT_EQ(changes, 1);
}

}  // namespace
