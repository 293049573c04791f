// The morph: word blends against the per-byte rule, frames, rate limits.

#include <gtest/gtest.h>

#include <random>

#include "components/BSMorphButton.h"

namespace {

ui::TBitmap Solid(int w, int h, ui::TColor color) {
  ui::TBitmap b(w, h);
  b.Fill(color);
  return b;
}

TEST(MorphBlend, EqualsThePerByteRule) {
  std::mt19937 random(7);
  ui::TBitmap start(64, 4), end(64, 4), shown(64, 4);
  for (int i = 0; i < 256; ++i) {
    start.Bits()[i] = random() & 0xFFFFFF;
    end.Bits()[i] = random() & 0xFFFFFF;
  }
  int failures = 0;
  for (int w = 0; w <= 32; ++w) {
    MorphBlend(shown, start, end, w);
    for (int i = 0; i < 256; ++i)
      for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t s = (start.Bits()[i] >> shift) & 0xFF, e = (end.Bits()[i] >> shift) & 0xFF;
        failures += ((shown.Bits()[i] >> shift) & 0xFF) != (s * (32 - w) + e * w) / 32;
      }
  }
  EXPECT_EQ(failures, 0);
}

TEST(BSMorphButton, MiddleFrameOfTheBillboardMorph) {
  TBSMorphButton button(nullptr);
  button.SetBounds(0, 0, 549, 305);
  const ui::TBitmap black = Solid(549, 305, ui::clBlack), white = Solid(549, 305, ui::clWhite);
  button.MorphPic1().SetGraphic(&black);
  button.MorphPic2().SetGraphic(&white);
  button.SetProcessMsgs(false);
  ASSERT_EQ(button.MorphRate(), 250);
  int frames = 0;
  button.OnFrame = [&](int frame) {
    ++frames;
    if (frame == 125) {
      EXPECT_EQ(button.Image().Pixels(300, 200), ui::RGB(127, 127, 127));
    }
    if (frame == 0) {
      EXPECT_EQ(button.Image().Pixels(0, 0), ui::clBlack);
    }
  };
  button.Morph();
  EXPECT_EQ(frames, 251);
  EXPECT_EQ(button.Image().Pixels(548, 304), ui::clWhite);
}

TEST(BSMorphButton, RateOneShowsTwoFrames) {
  TBSMorphButton button(nullptr);
  button.SetMorphRate(1);
  button.SetProcessMsgs(false);
  button.SetMorphColor1(ui::clRed);
  std::vector<ui::TColor> seen;
  button.OnFrame = [&](int) { seen.push_back(button.Image().Pixels(5, 5)); };
  button.Morph();
  EXPECT_EQ(seen, (std::vector<ui::TColor>{ui::clRed, ui::clWhite}));
}

TEST(BSMorphButton, RateIsHeldToItsRange) {
  TBSMorphButton button(nullptr);
  const struct {
    int Set, Stored;
  } cases[] = {{0, 1}, {-5, 1}, {1, 1}, {255, 255}, {256, 255}, {1000, 255}};
  for (const auto& c : cases) {
    button.SetMorphRate(c.Set);
    EXPECT_EQ(button.MorphRate(), c.Stored) << c.Set;
  }
}

TEST(BSMorphButton, EmptyEndPictureFadesToItsColour) {
  TBSMorphButton button(nullptr);
  button.SetProcessMsgs(false);
  button.SetMorphRate(8);
  const ui::TBitmap blue = Solid(10, 10, ui::clBlue);
  button.MorphPic1().SetGraphic(&blue);
  EXPECT_EQ(button.Image().Pixels(60, 25), ui::clBlue);  // stretched over 120 x 50
  button.Morph();
  EXPECT_EQ(button.Image().Pixels(60, 25), ui::clWhite);
  // The next prepare shows the start picture again.
  button.SetMorphColor2(ui::clYellow);
  EXPECT_EQ(button.Image().Pixels(60, 25), ui::clBlue);
}

TEST(BSMorphButton, WithoutStretchTheControlTakesThePictureSize) {
  TBSMorphButton button(nullptr);
  button.SetStretchToFit(false);
  const ui::TBitmap lime = Solid(30, 20, ui::clLime);
  button.MorphPic2().SetGraphic(&lime);
  EXPECT_EQ(button.Width(), 30);
  EXPECT_EQ(button.Height(), 20);
  EXPECT_EQ(button.Image().Pixels(10, 10), ui::clBlack);  // no start picture: its colour
  button.SetBounds(0, 0, 60, 40);  // the pictures decide the size
  EXPECT_EQ(button.Width(), 30);
  EXPECT_EQ(button.Image().Width(), 30);
}

}  // namespace
