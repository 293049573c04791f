// The cylinder gauge: shading rows, fill columns, percentages and setter rules.

#include <gtest/gtest.h>

#include "components/ProgressCyl.h"

using namespace rtl::literals;

namespace {

// The progress strip's gauges: 220 x 16, the dark-gray metal preset.
void SetUpInstallerGauge(TProgressCyl& gauge) {
  gauge.SetBounds(43, 2, 220, 16);
  gauge.SetMax(100);
  gauge.SetPosition(0);
  ui::TFont font;
  font.SetName("Arial");
  font.SetHeight(-12);
  font.SetStyle(ui::fsBold);
  font.SetColor(ui::clBlack);
  gauge.Font().Assign(font);
  gauge.SetProEffect(peMetalDarkGray);
}

ui::TColor Gray(int v) { return ui::RGB(v, v, v); }

TEST(ProgressCyl, InstallerGaugeShadesItsRowsExactly) {
  TProgressCyl gauge(nullptr);
  SetUpInstallerGauge(gauge);
  gauge.SetShowText(false);
  gauge.SetPosition(50);
  gauge.Render();
  const ui::TBitmap& image = gauge.Image();
  // Rows 4 and 11 of the cylinder area are under the black frame.
  const ui::TColor fill[] = {ui::RGB(120, 123, 139), ui::RGB(103, 106, 120), ui::RGB(87, 88, 101),
                             ui::RGB(70, 71, 81),    ui::RGB(53, 54, 62),    ui::RGB(70, 71, 81)};
  const int empty[] = {255, 234, 197, 159, 121, 159};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const int y = 5 + i;
    EXPECT_EQ(image.Pixels(20, y), fill[i]);
    EXPECT_EQ(image.Pixels(109, y), fill[i]);
    EXPECT_EQ(image.Pixels(110, y), ui::clBlack);  // the fill line
    EXPECT_EQ(image.Pixels(111, y), Gray(empty[i]));
    EXPECT_EQ(image.Pixels(214, y), Gray(empty[i]));
  }
  for (int x = 4; x < 216; ++x) {
    EXPECT_EQ(image.Pixels(x, 4), ui::clBlack);
    EXPECT_EQ(image.Pixels(x, 11), ui::clBlack);
  }
  // Bevels: outer lowered (shadow, highlight), inner raised (highlight, shadow).
  EXPECT_EQ(image.Pixels(0, 0), ui::RGB(128, 128, 128));
  EXPECT_EQ(image.Pixels(219, 15), ui::clWhite);
  EXPECT_EQ(image.Pixels(3, 3), ui::clWhite);
  EXPECT_EQ(image.Pixels(216, 12), ui::RGB(128, 128, 128));
  EXPECT_EQ(image.Pixels(2, 8), ui::RGB(192, 192, 192));  // border in the button face
}

TEST(ProgressCyl, InstallerGaugeFillColumns) {
  TProgressCyl gauge(nullptr);
  SetUpInstallerGauge(gauge);
  const struct {
    int Position, Column;
  } cases[] = {{0, 5}, {1, 6}, {50, 110}, {99, 214}, {100, 216}};
  for (const auto& c : cases) {
    gauge.SetPosition(c.Position);
    EXPECT_EQ(gauge.FillBoundary(), c.Column) << "position " << c.Position;
  }
  // At 0 one line column shows beside the frame.
  gauge.SetShowText(false);
  gauge.SetPosition(0);
  gauge.Render();
  EXPECT_EQ(gauge.Image().Pixels(5, 7), ui::clBlack);
  EXPECT_EQ(gauge.Image().Pixels(6, 7), Gray(197));
}

TEST(ProgressCyl, PercentageRoundsHalvesToEven) {
  TProgressCyl gauge(nullptr);
  const struct {
    int Max, Position, Percent;
  } cases[] = {{200, 25, 12}, {200, 27, 14}, {200, 1, 0}, {200, 3, 2}, {1000, 996, 100}, {1000, 994, 99}};
  for (const auto& c : cases) {
    gauge.SetMax(c.Max);
    gauge.SetPosition(c.Position);
    EXPECT_EQ(gauge.Percent(), c.Percent) << c.Position << " of " << c.Max;
  }
}

// The text at 100 percent is TextDone even below Max: compare with a gauge
// that is at Max.
TEST(ProgressCyl, DoneTextShowsFromARoundedHundred) {
  TProgressCyl nearly(nullptr), done(nullptr);
  for (TProgressCyl* g : {&nearly, &done}) {
    g->SetMax(1000);
    g->SetTextDone("Concluído"_a);
  }
  nearly.SetPosition(996);
  done.SetPosition(1000);
  nearly.Render();
  done.Render();
  const ui::TBitmap &a = nearly.Image(), &b = done.Image();
  // The two differ only in the fill boundary near the right end.
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < 140; ++x) ASSERT_EQ(a.Pixels(x, y), b.Pixels(x, y)) << x << "," << y;
}

TEST(ProgressCyl, ProgressDoneOnceAtMax) {
  TProgressCyl gauge(nullptr);
  int calls = 0;
  gauge.OnProgressDone = [&](ui::TObject*) { ++calls; };
  gauge.SetPosition(100);
  gauge.SetPosition(100);
  gauge.SetPosition(250);  // held to Max: nothing new
  EXPECT_EQ(calls, 1);
  gauge.SetPosition(10);
  gauge.SetPosition(100);
  EXPECT_EQ(calls, 2);
}

TEST(ProgressCyl, MinAndMaxRules) {
  TProgressCyl gauge(nullptr);
  gauge.SetMin(100);  // equal to Max
  EXPECT_EQ(gauge.Min(), 99);
  EXPECT_EQ(gauge.Position(), 99);
  gauge.SetMin(150);  // above Max: ignored
  EXPECT_EQ(gauge.Min(), 99);
  gauge.SetMax(99);  // equal to Min
  EXPECT_EQ(gauge.Max(), 100);
  gauge.SetMin(0);
  gauge.SetPosition(80);
  gauge.SetMax(50);
  EXPECT_EQ(gauge.Max(), 50);
  EXPECT_EQ(gauge.Position(), 50);
}

TEST(ProgressCyl, RefusedStyleValuesAndWidthsWithoutRoom) {
  TProgressCyl gauge(nullptr);
  gauge.ForeStyle().SetIntensity(0);
  gauge.ForeStyle().SetLightAngle(0);
  gauge.ForeStyle().SetRangeRGB(0);
  EXPECT_EQ(gauge.ForeStyle().Intensity(), 4.0f);
  EXPECT_EQ(gauge.ForeStyle().LightAngle(), -3.0f);
  EXPECT_EQ(gauge.ForeStyle().RangeRGB(), 255);
  EXPECT_EQ(gauge.ProEffect(), demoSystem);  // nothing accepted, nothing changed

  // 150 x 22: border 5 makes e2 = 7, so the cylinder would have 8 rows; 6 leaves none.
  gauge.SetBorderWidth(5);
  EXPECT_EQ(gauge.BorderWidth(), 5);
  gauge.SetBorderWidth(9);
  EXPECT_EQ(gauge.BorderWidth(), 5);
  gauge.SetBevelWidth(4);
  EXPECT_EQ(gauge.BevelWidth(), 1);
  // Widths below their least value would move the insets outside the image.
  gauge.SetBevelWidth(0);
  gauge.SetBorderWidth(-3);
  EXPECT_EQ(gauge.BevelWidth(), 1);
  EXPECT_EQ(gauge.BorderWidth(), 5);
  // A tiny light angle puts the shading far off its scale; it still paints.
  gauge.ForeStyle().SetLightAngle(1e-30f);
  gauge.Render();
  EXPECT_EQ(gauge.Image().Width(), 150);
}

TEST(ProgressCyl, ChangesGoToCustomOutsideConstructionAndPresets) {
  TProgressCyl gauge(nullptr);
  EXPECT_EQ(gauge.ProEffect(), demoSystem);
  gauge.SetProEffect(peMetalRed);
  EXPECT_EQ(gauge.ProEffect(), peMetalRed);
  gauge.SetForeColor(ui::clBlue);
  EXPECT_EQ(gauge.ProEffect(), peCustom);
  gauge.SetProEffect(peStdGreen);
  gauge.BackStyle().SetColorRGB(12);
  EXPECT_EQ(gauge.ProEffect(), peCustom);
}

TEST(ProgressCyl, PresetShowsAHiddenGauge) {
  TProgressCyl gauge(nullptr);
  gauge.Hide();
  gauge.SetProEffect(peMetalDarkGray);
  EXPECT_TRUE(gauge.Visible());
  gauge.Hide();
  gauge.SetProEffect(peCustom);  // applies nothing
  EXPECT_FALSE(gauge.Visible());
}

TEST(ProgressCyl, EveryPresetPaints) {
  TProgressCyl gauge(nullptr);
  gauge.SetPosition(50);
  for (int p = 0; p < kProEffectCount; ++p) {
    gauge.SetProEffect(static_cast<TProEffect>(p));
    gauge.Render();
    // The fill and the empty part differ at mid-height.
    EXPECT_NE(gauge.Image().Pixels(20, 11), gauge.Image().Pixels(130, 11)) << kProEffectNames[p];
  }
}

TEST(ProgressCyl, TextIsMadeWithEscapementOneLeftToRight) {
  TProgressCyl gauge(nullptr);
  gauge.Render();
  EXPECT_EQ(gauge.TextFont().Escapement(), 1);
  gauge.SetFontOrientation(foTopToBottom);
  gauge.Render();
  EXPECT_EQ(gauge.TextFont().Escapement(), 2700);
  gauge.SetOrientation(pbVertical);
  EXPECT_EQ(gauge.FontOrientation(), foBottomToTop);
  gauge.Render();
  EXPECT_EQ(gauge.TextFont().Escapement(), 900);
}

// Inverted text changes each pixel to its inverse or leaves it alone.
TEST(ProgressCyl, InvertedTextInvertsThePixelsUnderIt) {
  TProgressCyl plain(nullptr), text(nullptr);
  for (TProgressCyl* g : {&plain, &text}) {
    g->SetProEffect(peStdBlue);
    g->SetPosition(40);
  }
  plain.SetShowText(false);
  plain.Render();
  text.Render();
  int inverted = 0, wrong = 0;
  for (int y = 0; y < 22; ++y)
    for (int x = 0; x < 150; ++x) {
      const ui::TColor a = plain.Image().Pixels(x, y), b = text.Image().Pixels(x, y);
      if (a == b) continue;
      if ((a ^ 0xFFFFFF) == b)
        ++inverted;
      else
        ++wrong;
    }
  EXPECT_GT(inverted, 20);
  EXPECT_EQ(wrong, 0);
}

TEST(ProgressCyl, VerticalBarGrowsUpward) {
  TProgressCyl gauge(nullptr);
  gauge.SetBounds(0, 0, 22, 150);
  gauge.SetOrientation(pbVertical);
  gauge.SetShowText(false);
  gauge.SetForeColor(ui::clRed);
  gauge.SetForeLineColor(ui::clLime);
  gauge.SetBackColor(ui::clBlue);
  gauge.SetPosition(50);
  gauge.Render();
  const int boundary = gauge.FillBoundary();
  EXPECT_EQ(boundary, 75);
  // Empty above the line, filled below it.
  auto dominant = [&](int y) {
    const ui::TColor c = gauge.Image().Pixels(11, y);
    const int r = ui::GetRValue(c), g = ui::GetGValue(c), b = ui::GetBValue(c);
    return r > g && r > b ? 'r' : g > r && g > b ? 'g' : b > r && b > g ? 'b' : '?';
  };
  EXPECT_EQ(dominant(boundary - 1), 'b');
  EXPECT_EQ(dominant(boundary), 'g');
  EXPECT_EQ(dominant(boundary + 1), 'r');
  EXPECT_EQ(dominant(30), 'b');
  EXPECT_EQ(dominant(140), 'r');
}

}  // namespace
