// The gradient's bands and the graphic-control base under it.

#include <gtest/gtest.h>

#include "components/VrGradient.h"
#include "ui/Forms.h"

namespace {

int RowValue(const ui::TBitmap& image, int y) { return ui::GetRValue(image.Pixels(50, y)); }

TEST(VrGradient, BandsOfOnePixelFromBlackToWhite) {
  ui::TBitmap image(100, 592);
  DrawGradient(image.Canvas(), 100, 592, ui::clBlack, ui::clWhite, 1, gdUpDown, false);
  EXPECT_EQ(image.Pixels(0, 0), ui::clBlack);
  EXPECT_EQ(image.Pixels(99, 296), ui::RGB(127, 127, 127));
  EXPECT_EQ(image.Pixels(0, 591), ui::RGB(254, 254, 254));
  for (int y = 0; y < 592; ++y) ASSERT_EQ(RowValue(image, y), y * 255 / 592) << y;

  DrawGradient(image.Canvas(), 100, 592, ui::clBlack, ui::clWhite, 1, gdUpDown, true);
  EXPECT_EQ(image.Pixels(0, 0), ui::clWhite);
  EXPECT_EQ(image.Pixels(0, 591), ui::RGB(1, 1, 1));
}

TEST(VrGradient, WideBandsAndColumns) {
  ui::TBitmap image(64, 10);
  DrawGradient(image.Canvas(), 64, 10, ui::RGB(0, 100, 200), ui::RGB(64, 0, 8), 16, gdLeftRight, false);
  // Step d of 64 for the band starting at d: 0, 16, 32, 48.
  for (int d : {0, 16, 32, 48})
    for (int x = d; x < d + 16; ++x)
      ASSERT_EQ(image.Pixels(x, 5), ui::RGB(d * 64 / 64, 100 - d * 100 / 64, 200 - d * 192 / 64)) << x;
}

TEST(VrGradient, ChordsRunFromACorner) {
  ui::TBitmap image(40, 30);
  image.Fill(ui::clRed);
  DrawGradient(image.Canvas(), 40, 30, ui::clBlack, ui::clWhite, 1, gdChord1, false);
  // Diagonals from the top-left corner: darkest there, lightest bottom-right.
  EXPECT_LT(ui::GetRValue(image.Pixels(0, 0)), 10);
  EXPECT_GT(ui::GetRValue(image.Pixels(39, 29)), 240);
  DrawGradient(image.Canvas(), 40, 30, ui::clBlack, ui::clWhite, 1, gdChord2, false);
  EXPECT_LT(ui::GetRValue(image.Pixels(0, 29)), 10);
  EXPECT_GT(ui::GetRValue(image.Pixels(39, 0)), 240);
}

TEST(VrGradient, ControlPaintsOnItsForm) {
  ui::TForm form(nullptr);
  form.SetBorderStyle(ui::bsNone);
  form.SetBounds(0, 0, 100, 592);
  auto* gradient = new TVrGradient(&form);
  gradient->SetParent(&form);
  gradient->SetAlign(ui::alClient);
  gradient->SetStartColor(ui::clBlack);
  gradient->SetEndColor(ui::clWhite);
  const ui::TBitmap image = form.PaintWindowImage();
  EXPECT_EQ(image.Pixels(10, 296), ui::RGB(127, 127, 127));
  EXPECT_EQ(image.Pixels(10, 591), ui::RGB(254, 254, 254));

  gradient->SetColorWidth(0);  // ignored
  EXPECT_EQ(gradient->ColorWidth(), 1);
  gradient->SetColorWidth(-4);
  EXPECT_EQ(gradient->ColorWidth(), 1);
}

TEST(VrGradient, FormDragMovesTheForm) {
  ui::TForm form(nullptr);
  auto* gradient = new TVrGradient(&form);
  gradient->SetParent(&form);
  int drags = 0;
  ui::TWndMethod previous = form.WindowProc;
  form.WindowProc = [&](ui::TMessage& m) {
    if (m.Msg == ui::WM_SYSCOMMAND && m.WParam == ui::SC_DRAGMOVE) ++drags;
    else previous(m);
  };
  gradient->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(5, 5));
  EXPECT_EQ(drags, 0);
  gradient->SetFormDrag(true);
  gradient->Perform(ui::WM_RBUTTONDOWN, ui::MK_RBUTTON, ui::MakeLParam(5, 5));
  EXPECT_EQ(drags, 0);
  gradient->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(5, 5));
  EXPECT_EQ(drags, 1);
  form.WindowProc = previous;
}

TEST(VrGradient, TopFormIsTheLastWindowedOwner) {
  ui::TForm form(nullptr);
  TVrGradient gradient(&form);
  EXPECT_EQ(gradient.GetTopForm(), &form);
  TVrGradient loose(nullptr);
  EXPECT_EQ(loose.GetTopForm(), nullptr);
}

}  // namespace
