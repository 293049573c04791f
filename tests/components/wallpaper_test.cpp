// The wallpaper: its errors, tiling arithmetic and the painted form.

#include <gtest/gtest.h>

#include "components/MDIWallp.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/MDIClient.h"

namespace {

TEST(MDIWallpaper, OwnerMustBeAFormWithOneWallpaper) {
  rtl::TComponent notAForm(nullptr);
  try {
    TMDIWallpaper w(&notAForm);
    FAIL();
  } catch (const EMDIWallpaper& e) {
    EXPECT_EQ(e.Message(), "TMDIWallpaper.Owner needs to be a TForm");
  }
  ui::TForm form(nullptr);
  form.SetName("FRMPrincipal");
  new TMDIWallpaper(&form);
  try {
    new TMDIWallpaper(&form);
    FAIL();
  } catch (const EMDIWallpaper& e) {
    EXPECT_EQ(e.Message(), "FRMPrincipal: Only one instance of TMDIWallpaper allowed");
  }
  EXPECT_EQ(form.ComponentCount(), 1);
}

TEST(MDIWallpaper, TilePhases) {
  const struct {
    int Offset, Size, Phase;
  } cases[] = {{0, 64, 0}, {10, 64, -54}, {64, 64, -64}, {-10, 64, -10}, {-70, 64, -6}, {5, 0, 0}};
  for (const auto& c : cases) EXPECT_EQ(TilePhase(c.Offset, c.Size), c.Phase) << c.Offset;
}

std::vector<ui::TPoint> Tiles(uint32_t shift, bool zigzag, TShiftMode mode = smRows) {
  std::vector<ui::TPoint> out;
  ForEachTile({10, 10, 0, 0, shift, mode, zigzag}, 25, 20, [&](int x, int y) { out.push_back({x, y}); });
  return out;
}

TEST(MDIWallpaper, TilesWithShiftAndZigzag) {
  using P = ui::TPoint;
  EXPECT_EQ(Tiles(0, false), (std::vector<P>{{0, 0}, {10, 0}, {20, 0}, {0, 10}, {10, 10}, {20, 10}}));
  // Each row moves 3 further; a shifted row starts one tile to the left.
  EXPECT_EQ(Tiles(3, false), (std::vector<P>{{0, 0}, {10, 0}, {20, 0}, {-7, 10}, {3, 10}, {13, 10}, {23, 10}}));
  EXPECT_EQ(Tiles(0, true), (std::vector<P>{{0, 0}, {10, 0}, {20, 0}, {-5, 10}, {5, 10}, {15, 10}, {25, 10}}));
  EXPECT_EQ(Tiles(4, false, smColumns), (std::vector<P>{{0, 0}, {0, 10}, {10, -6}, {10, 4}, {10, 14}, {20, -2},
                                                        {20, 8}, {20, 18}}));
}

struct WallpaperForm : ::testing::Test {
  ui::TForm form{nullptr};
  TMDIWallpaper* wallpaper = new TMDIWallpaper(&form);
  ui::TBitmap picture{20, 10};
  WallpaperForm() {
    form.SetBorderStyle(ui::bsNone);
    form.SetBounds(0, 0, 60, 40);
    form.SetColor(ui::clBlue);
    picture.Fill(ui::clRed);
    picture.SetPixels(0, 9, ui::clLime);  // bottom-left: the automatic transparent colour
  }
};

TEST_F(WallpaperForm, EmptyPictureLeavesTheUsualErase) {
  EXPECT_EQ(form.PaintWindowImage().Pixels(30, 20), ui::clBlue);
}

TEST_F(WallpaperForm, ModesPlaceThePicture) {
  wallpaper->Picture().SetGraphic(&picture);
  ui::TBitmap image = form.PaintWindowImage();
  EXPECT_EQ(image.Pixels(45, 35), ui::clRed);  // tiled everywhere
  EXPECT_EQ(image.Pixels(40, 19), ui::clLime);

  wallpaper->SetMode(wpBottomRight);
  image = form.PaintWindowImage();
  EXPECT_EQ(image.Pixels(45, 35), ui::clRed);
  EXPECT_EQ(image.Pixels(35, 35), ui::clBlue);
  EXPECT_EQ(image.Pixels(45, 25), ui::clBlue);

  wallpaper->SetMode(wpStretch);
  image = form.PaintWindowImage();
  EXPECT_EQ(image.Pixels(2, 38), ui::clLime);  // the corner pixel stretched 3 x 4
  EXPECT_EQ(image.Pixels(59, 0), ui::clRed);
}

TEST_F(WallpaperForm, CenteredLargerPictureHasNegativeOffsets) {
  ui::TBitmap big(100, 60);
  big.Fill(ui::clRed);
  big.SetPixels(20, 10, ui::clLime);  // at form (0, 0): (60 - 100) div 2 = -20, (40 - 60) div 2 = -10
  wallpaper->SetMode(wpCenter);
  wallpaper->Picture().SetGraphic(&big);
  const ui::TBitmap image = form.PaintWindowImage();
  EXPECT_EQ(image.Pixels(0, 0), ui::clLime);
  EXPECT_EQ(image.Pixels(59, 39), ui::clRed);
}

TEST_F(WallpaperForm, TransparentPictureShowsTheFormColour) {
  wallpaper->SetMode(wpTopLeft);
  wallpaper->SetTransparent(true);
  wallpaper->Picture().SetGraphic(&picture);
  EXPECT_EQ(wallpaper->EffectiveTransparentColor(), ui::clLime);
  ASSERT_NE(wallpaper->Cache(), nullptr);
  const ui::TBitmap image = form.PaintWindowImage();
  EXPECT_EQ(image.Pixels(0, 9), ui::clBlue);
  EXPECT_EQ(image.Pixels(1, 9), ui::clRed);
  EXPECT_EQ(image.Pixels(30, 30), ui::clBlue);

  wallpaper->SetTransparentColor(ui::clRed);
  EXPECT_EQ(wallpaper->TransparentMode(), ui::tmFixed);
  EXPECT_EQ(form.PaintWindowImage().Pixels(1, 9), ui::clBlue);
  wallpaper->SetTransparentMode(ui::tmAuto);
  EXPECT_EQ(wallpaper->TransparentColor(), ui::clDefault);
}

TEST_F(WallpaperForm, TileSizeFollowsThePicture) {
  wallpaper->SetTileWidth(30);
  wallpaper->SetTileHeight(12);
  wallpaper->Picture().SetGraphic(&picture);
  EXPECT_EQ(wallpaper->TileWidth(), 30);
  wallpaper->SetTileHeight(4);
  EXPECT_EQ(wallpaper->TileHeight(), 10);  // raised to the picture
  wallpaper->SetTileHeight(12);
  ASSERT_NE(wallpaper->Cache(), nullptr);  // the cell is wider than the picture
  EXPECT_EQ(wallpaper->Cache()->Width(), 30);
  const ui::TBitmap image = form.PaintWindowImage();
  EXPECT_EQ(image.Pixels(2, 2), ui::clBlue);  // the picture sits centred in its cell
  EXPECT_EQ(image.Pixels(6, 2), ui::clRed);
  wallpaper->SetAutoSizeTile(true);
  EXPECT_EQ(wallpaper->TileWidth(), 20);
  EXPECT_EQ(wallpaper->Cache(), nullptr);
}

TEST_F(WallpaperForm, DestroyPutsTheProcedureBack) {
  wallpaper->Picture().SetGraphic(&picture);
  delete wallpaper;
  form.SetColor(ui::clYellow);
  EXPECT_EQ(form.PaintWindowImage().Pixels(5, 5), ui::clYellow);
  new TMDIWallpaper(&form);  // a new one is allowed now
}

// A multiple-document frame, 200 x 150 without border, with two child forms
// and a tiled picture whose top-left pixel is red and the rest green.
struct WallpaperFrame : ::testing::Test {
  ui::TApplication app{std::make_unique<ui::THeadlessDisplay>(640, 480)};
  ui::TForm* frame = nullptr;
  TMDIWallpaper* wallpaper = nullptr;
  ui::TBitmap picture{20, 10};
  WallpaperFrame() {
    app.CreateForm(frame);
    frame->SetBorderStyle(ui::bsNone);
    frame->SetBounds(0, 0, 200, 150);
    frame->SetFormStyle(ui::fsMDIForm);
    wallpaper = new TMDIWallpaper(frame);
    picture.Fill(ui::clLime);
    picture.SetPixels(0, 0, ui::clRed);
    wallpaper->Picture().SetGraphic(&picture);
  }
  ~WallpaperFrame() override { ui::ResetSysColors(); }
  ui::TForm* Child(int left, int top, int width, int height, ui::TColor color) {
    auto* child = ui::NewForm<ui::TForm>(frame);
    child->SetBorderStyle(ui::bsNone);
    child->SetFormStyle(ui::fsMDIChild);
    child->SetBounds(left, top, width, height);
    child->SetColor(color);
    child->Show();
    return child;
  }
  ui::TBitmap Image() { return frame->PaintWindowImage(); }
  void Scroll(uint32_t msg, int code, int thumb = 0) {
    frame->ClientWindow()->Perform(msg, ui::ScrollWParam(code, thumb));
  }
};

TEST_F(WallpaperFrame, TilesTheClientWindowBehindTheChildForms) {
  Child(10, 10, 30, 20, ui::clYellow);
  const ui::TBitmap image = Image();
  EXPECT_EQ(image.Pixels(0, 0), ui::clRed);
  EXPECT_EQ(image.Pixels(1, 0), ui::clLime);
  EXPECT_EQ(image.Pixels(180, 140), ui::clRed);  // the children fit: no scroll bars
  EXPECT_EQ(image.Pixels(20, 20), ui::clYellow);
  EXPECT_FALSE(frame->ClientWindow()->ScrollBarShown(ui::SB_VERT));
}

TEST_F(WallpaperFrame, ScrollingMovesTheTilesWithTheChildren) {
  ui::TForm* far = Child(150, 100, 100, 80, ui::clYellow);
  ui::TMDIClient& client = *frame->ClientWindow();
  ASSERT_TRUE(client.ScrollBarShown(ui::SB_HORZ));
  ASSERT_TRUE(client.ScrollBarShown(ui::SB_VERT));
  // 184 x 134 inside the bars; the child reaches 250 x 180: 32 and 23 units of 8 pixels.
  const ui::TScrollInfo v = client.ScrollInfo(ui::SB_VERT);
  EXPECT_EQ(v.Max, 23);
  EXPECT_EQ(v.Page, 17);
  EXPECT_EQ(client.ClientRect(), ui::Rect(0, 0, 184, 134));

  Scroll(ui::WM_VSCROLL, ui::SB_LINEDOWN);  // 3 units: 24 pixels
  EXPECT_EQ(client.ScrollInfo(ui::SB_VERT).Position, 3);
  EXPECT_EQ(far->Top(), 76);
  ui::TBitmap image = Image();
  EXPECT_EQ(image.Pixels(0, 0), ui::clLime);
  EXPECT_EQ(image.Pixels(0, 6), ui::clRed);  // rows start at 24 mod 10 - 10 = -4
  EXPECT_EQ(image.Pixels(0, 16), ui::clRed);

  Scroll(ui::WM_HSCROLL, ui::SB_THUMBPOSITION, 3);
  EXPECT_EQ(far->Left(), 126);
  image = Image();
  EXPECT_EQ(image.Pixels(16, 6), ui::clRed);  // columns start at -4 too
  EXPECT_EQ(image.Pixels(0, 6), ui::clLime);
  EXPECT_EQ(image.Pixels(130, 80), ui::clYellow);

  Scroll(ui::WM_VSCROLL, ui::SB_PAGEDOWN);  // up to 16 units, but only 3 are left
  EXPECT_EQ(client.ScrollInfo(ui::SB_VERT).Position, 6);
  Scroll(ui::WM_VSCROLL, ui::SB_LINEUP);
  Scroll(ui::WM_VSCROLL, ui::SB_LINEUP);
  Scroll(ui::WM_VSCROLL, ui::SB_ENDSCROLL);
  EXPECT_EQ(client.ScrollInfo(ui::SB_VERT).Position, 0);
  EXPECT_EQ(Image().Pixels(16, 0), ui::clRed);
}

TEST_F(WallpaperFrame, ASystemColourChangeRebuildsAGreyMappedCache) {
  frame->SetColor(ui::clBtnFace);
  wallpaper->SetTileWidth(30);  // the picture sits 5 pixels in: the cell's margin has the frame's colour
  wallpaper->SetGrayMapped(true);
  ASSERT_NE(wallpaper->Cache(), nullptr);
  EXPECT_EQ(Image().Pixels(0, 3), ui::ColorToRGB(ui::clBtnFace));
  EXPECT_EQ(Image().Pixels(5, 0), ui::RGB(76, 76, 76));  // red in grey
  ui::SetSysColor(ui::COLOR_BTNFACE, ui::RGB(10, 20, 30));
  EXPECT_EQ(Image().Pixels(0, 3), ui::RGB(10, 20, 30));
  // Without grey mapping the cache stays as it was made.
  wallpaper->SetGrayMapped(false);
  const ui::TBitmap* cache = wallpaper->Cache();
  ui::SetSysColor(ui::COLOR_BTNFACE, ui::RGB(40, 50, 60));
  EXPECT_EQ(wallpaper->Cache(), cache);
  EXPECT_EQ(Image().Pixels(0, 3), ui::RGB(10, 20, 30));
}

TEST_F(WallpaperFrame, TransparentModeFixedOnlyThroughTheColour) {
  wallpaper->Picture().SetGraphic(nullptr);
  wallpaper->SetTransparentMode(ui::tmFixed);  // no bitmap: the colour stays the default
  EXPECT_EQ(wallpaper->TransparentMode(), ui::tmAuto);
  EXPECT_EQ(wallpaper->TransparentColor(), ui::clDefault);
  picture.SetPixels(0, 9, ui::clBlue);
  wallpaper->Picture().SetGraphic(&picture);
  wallpaper->SetTransparentMode(ui::tmFixed);
  EXPECT_EQ(wallpaper->TransparentMode(), ui::tmFixed);
  EXPECT_EQ(wallpaper->TransparentColor(), ui::clBlue);
  wallpaper->SetTransparentColor(ui::clDefault);
  EXPECT_EQ(wallpaper->TransparentMode(), ui::tmAuto);
}

}  // namespace
