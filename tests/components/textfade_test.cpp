// The text fader: escapes, line choice and passes, the cross-fade.

#include <gtest/gtest.h>

#include "components/TextFade.h"
#include "ui/Forms.h"

namespace {

TEST(TextFader, Escapes) {
  const struct {
    const char* Line;
    const char* Shown;
  } cases[] = {
      {"a\\tb", "a\tb"}, {"two\\nlines", "two\r\nlines"}, {"back\\\\slash", "back\\slash"},
      {"odd\\q", "odd"},  {"trailing\\", "trailing"},      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeFaderEscapes(c.Line), c.Shown) << c.Line;
}

TEST(TextFader, FadeBlendPerByte) {
  ui::TBitmap image(2, 1), previous(2, 1);
  image.SetPixels(0, 0, ui::RGB(255, 0, 100));
  previous.SetPixels(0, 0, ui::RGB(0, 255, 200));
  image.SetPixels(1, 0, ui::clWhite);
  previous.SetPixels(1, 0, ui::clWhite);
  FadeBlend(image, previous, 30);
  EXPECT_EQ(image.Pixels(0, 0), ui::RGB(76, 178, 170));
  EXPECT_EQ(image.Pixels(1, 0), ui::clWhite);
}

// Runs the timer's steps until the fader settles on its next line.
int StepsToSettle(TTextFader& fader) {
  int steps = 0;
  do {
    fader.TimerTick();
    ++steps;
  } while (fader.Progress() < 100);
  return steps;
}

TEST(TextFader, OnePassThroughThreeLines) {
  TTextFader fader(nullptr);
  fader.SetLines({"one", "two", "three"});
  fader.SetRepeatCount(1);
  int completes = 0;
  fader.OnComplete = [&](ui::TObject*) { ++completes; };
  fader.SetActive(true);
  EXPECT_EQ(fader.TimerInterval(), 5u);
  for (const char* line : {"one", "two", "three"}) {
    EXPECT_EQ(StepsToSettle(fader), 25);  // 100 / 4
    EXPECT_EQ(fader.CurrentText(), line);
    EXPECT_EQ(fader.TimerInterval(), 2000u);
  }
  EXPECT_EQ(completes, 3);
  fader.TimerTick();  // after the third line's stay
  EXPECT_FALSE(fader.Active());
  EXPECT_FALSE(fader.TimerEnabled());
  EXPECT_EQ(fader.CurrentText(), "three");
  EXPECT_EQ(fader.Progress(), 100);
  EXPECT_EQ(completes, 4);
}

TEST(TextFader, FadeDelaysAndSteps) {
  TTextFader fader(nullptr);
  fader.SetLines({"x"});
  fader.SetFadeStep(30);
  fader.SetActive(true);
  fader.TimerTick();
  EXPECT_EQ(fader.Progress(), 30);
  EXPECT_EQ(fader.TimerInterval(), 30u);  // FadeDelay
  fader.SetFadeDelay(12);
  EXPECT_EQ(fader.TimerInterval(), 12u);
  EXPECT_EQ(StepsToSettle(fader), 3);  // 60, 90, 100
  fader.SetLineDelay(700);
  EXPECT_EQ(fader.TimerInterval(), 700u);
  // With RepeatCount 0 the single line comes back without end.
  fader.TimerTick();
  EXPECT_TRUE(fader.Active());
  EXPECT_EQ(fader.LineIndex(), 0);
  EXPECT_EQ(fader.PreviousText(), "x");
}

TEST(TextFader, EmptyListShowsNothing) {
  TTextFader fader(nullptr);
  fader.SetLines({});
  fader.SetActive(true);
  StepsToSettle(fader);
  EXPECT_EQ(fader.LineIndex(), -1);
  EXPECT_EQ(fader.CurrentText(), "");
}

TEST(TextFader, LinesRemovedWhileRunning) {
  TTextFader fader(nullptr);
  fader.SetLines({"a", "b"});
  fader.SetActive(true);
  StepsToSettle(fader);
  fader.SetLines({});
  EXPECT_EQ(fader.LineIndex(), -1);
  EXPECT_EQ(fader.CurrentText(), "a");  // until the next step
  fader.TimerTick();
  EXPECT_EQ(fader.CurrentText(), "");
}

TEST(TextFader, ActiveWaitsForLoadingToEnd) {
  TTextFader fader(nullptr);
  fader.BeginLoading();
  fader.SetActive(true);
  EXPECT_FALSE(fader.TimerEnabled());
  fader.Loaded();
  EXPECT_TRUE(fader.TimerEnabled());
  EXPECT_EQ(fader.TimerInterval(), 5u);
}

TEST(TextFader, CrossFadeOnThePicture) {
  TTextFader fader(nullptr);
  fader.SetBounds(0, 0, 120, 30);
  fader.SetParentColor(false);
  fader.SetColor(ui::clBlack);
  fader.Font().SetColor(ui::clWhite);
  fader.Font().SetHeight(-20);
  fader.SetLines({"IIIIII", "------"});
  fader.SetFadeStep(50);
  fader.SetActive(true);
  StepsToSettle(fader);
  fader.TimerTick();  // halfway to the second line
  ASSERT_EQ(fader.Progress(), 50);
  ui::TBitmap image;
  fader.Render(image);
  int half = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) half += ui::GetRValue(image.Pixels(x, y)) == 127;
  EXPECT_GT(half, 10);  // strokes of one text alone show at half strength
}

TEST(TextFader, Backgrounds) {
  ui::TForm form(nullptr);
  form.SetBorderStyle(ui::bsNone);
  form.SetColor(ui::clRed);
  auto* fader = new TTextFader(&form);
  fader->SetParent(&form);
  fader->SetBounds(10, 10, 40, 20);
  fader->SetLines({});
  fader->SetParentColor(false);
  fader->SetColor(ui::clBlue);
  ui::TBitmap picture(10, 4);
  picture.Fill(ui::clLime);
  fader->Background().SetGraphic(&picture);
  const struct {
    TBackgroundMode Mode;
    bool Transparent;
    ui::TColor Corner, Centre;
  } cases[] = {
      {bmNone, false, ui::clBlue, ui::clBlue},
      {bmCentered, false, ui::clBlue, ui::clLime},
      {bmTiled, false, ui::clLime, ui::clLime},
      {bmStretched, false, ui::clLime, ui::clLime},
      {bmCentered, true, ui::clRed, ui::clRed},  // the form shows through
  };
  for (const auto& c : cases) {
    fader->SetBackgroundMode(c.Mode);
    fader->SetTransparent(c.Transparent);
    ui::TBitmap image;
    fader->Render(image);
    EXPECT_EQ(image.Pixels(0, 0), c.Corner) << c.Mode;
    EXPECT_EQ(image.Pixels(20, 10), c.Centre) << c.Mode;
  }
}

}  // namespace
