// The wallpaper: its errors, tiling arithmetic and the painted form.

#include <gtest/gtest.h>

#include "components/MDIWallp.h"
#include "ui/Forms.h"

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

}  // namespace
