#pragma once
// TProgressCyl: a progress bar drawn as a shaded cylinder, with a fill line,
// a frame, two bevels and a centred percentage text that can be shadowed,
// inverted or turned; its look comes from its properties or from one of 36
// presets.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "ui/Controls.h"
#include "ui/Graphics.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TCylinderEffect { ceFlat, ceUltraLow, ceLow, ceMedium, ceHigh, ceMaximum };
enum TFontEffect { feNone, feInvert, feShadowTopLeft, feShadowBottomRight };
enum TFontOrientation { foLeftToRight, foTopToBottom, foBottomToTop };
enum TProgressBarOrientation { pbHorizontal, pbVertical };
enum TProEffect {
  demoSystem, demoMetal, demoSunken, peCustom,
  peGlassRed, peGlassOrange, peGlassYellow, peGlassGreen, peGlassCyan, peGlassBlue, peGlassViolet, peGlassPurple,
  peSystem1, peSystem2, peSystem3, peSystem4, peSystem5, peSystem6, peSystem7, peSystem8,
  peUpLoad1, peUpLoad2,
  peMetalRed, peMetalOrange, peMetalYellow, peMetalCyan, peMetalGreen, peMetalLightBlue, peMetalBlue,
  peMetalViolet, peMetalDarkGray, peMetalGold,
  peStdRed, peStdYellow, peStdGreen, peStdBlue,
};
inline constexpr int kProEffectCount = 36;
// The presets' names, in the order of TProEffect.
extern const std::array<std::string_view, kProEffectCount> kProEffectNames;

class TProgressCyl;

// The shading of one part of the bar (filled or empty).
class TPCColorStyle {
 public:
  explicit TPCColorStyle(TProgressCyl* gauge) : FGauge(gauge) {}
  TPCColorStyle(const TPCColorStyle&) = delete;
  TPCColorStyle& operator=(const TPCColorStyle&) = delete;

  int32_t IntensityRGB() const { return FIntensityRGB; }
  void SetIntensityRGB(int32_t value);
  float Intensity() const { return FIntensity; }
  void SetIntensity(float value);  // 0 is refused
  float IntensityFactor() const { return FIntensityFactor; }
  void SetIntensityFactor(float value);
  int32_t RangeRGB() const { return FRangeRGB; }
  void SetRangeRGB(int32_t value);  // 0 is refused
  int32_t ColorRGB() const { return FColorRGB; }
  void SetColorRGB(int32_t value);
  float ColorFactor() const { return FColorFactor; }
  void SetColorFactor(float value);
  float LightAngle() const { return FLightAngle; }
  void SetLightAngle(float value);  // 0 is refused

  // The seven values, one by one through the setters, in the order above.
  void Assign(const TPCColorStyle& source);

 private:
  void Changed();

  TProgressCyl* FGauge;
  int32_t FIntensityRGB = 255;
  float FIntensity = 4.0f;
  float FIntensityFactor = -1.0f;
  int32_t FRangeRGB = 255;
  int32_t FColorRGB = 255;
  float FColorFactor = -1.0f;
  float FLightAngle = -3.0f;
};

// One factor per channel: what a colour contributes to the shading.
struct TColorFactors {
  float R = 0, G = 0, B = 0;
};
// ((c * IntensityFactor + IntensityRGB) / Intensity + c) / RangeRGB per channel.
TColorFactors ColorFactors(ui::TColor color, const TPCColorStyle& style);

class TProgressCyl : public ui::TGraphicControl {
 public:
  explicit TProgressCyl(rtl::TComponent* owner);
  ~TProgressCyl() override;
  const char* ClassName() const override { return "TProgressCyl"; }

  ui::TColor BackBorderColor() const { return FBackBorderColor; }
  void SetBackBorderColor(ui::TColor value);
  ui::TColor BackColor() const { return FBackColor; }
  void SetBackColor(ui::TColor value);
  TPCColorStyle& BackStyle() { return FBackStyle; }
  void SetBackStyle(const TPCColorStyle& style) { FBackStyle.Assign(style); }
  ui::TColor BevelColor() const { return FBevelColor; }
  void SetBevelColor(ui::TColor value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  TCylinderEffect CylinderEffect() const { return FCylinderEffect; }
  void SetCylinderEffect(TCylinderEffect value);
  TFontEffect FontEffect() const { return FFontEffect; }
  void SetFontEffect(TFontEffect value);
  TFontOrientation FontOrientation() const { return FFontOrientation; }
  void SetFontOrientation(TFontOrientation value);
  ui::TColor FontShadowColor() const { return FFontShadowColor; }
  void SetFontShadowColor(ui::TColor value);
  ui::TColor ForeColor() const { return FForeColor; }
  void SetForeColor(ui::TColor value);
  ui::TColor ForeLineColor() const { return FForeLineColor; }
  void SetForeLineColor(ui::TColor value);
  TPCColorStyle& ForeStyle() { return FForeStyle; }
  void SetForeStyle(const TPCColorStyle& style) { FForeStyle.Assign(style); }
  int32_t Max() const { return FMax; }
  void SetMax(int32_t value);
  int32_t Min() const { return FMin; }
  void SetMin(int32_t value);
  TProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TProgressBarOrientation value);
  int32_t Position() const { return FPosition; }
  void SetPosition(int32_t value);
  TProEffect ProEffect() const { return FProEffect; }
  void SetProEffect(TProEffect value);
  bool ShowText() const { return FShowText; }
  void SetShowText(bool value);
  const rtl::AnsiString& Text() const { return FText; }
  void SetText(const rtl::AnsiString& value);
  const rtl::AnsiString& TextDone() const { return FTextDone; }
  void SetTextDone(const rtl::AnsiString& value);
  // Stored and published; nothing in the gauge reads them.
  int32_t Step() const { return FStep; }
  void SetStep(int32_t value) { FStep = value; }
  bool StopAtMax() const { return FStopAtMax; }
  void SetStopAtMax(bool value) { FStopAtMax = value; }

  ui::TNotifyEvent OnProgressDone;

  // What the gauge shows now: the percentage (halves to even) and the fill
  // boundary (a column of a horizontal bar, a row of a vertical one).
  int Percent() const { return FPercent; }
  int FillBoundary() const { return FBoundary; }
  // The factors of the filled part, the fill line and the empty part.
  const TColorFactors& FillFactors() const { return FFillFactors; }
  const TColorFactors& LineFactors() const { return FLineFactors; }
  const TColorFactors& EmptyFactors() const { return FEmptyFactors; }
  // The font the text was last drawn with (escapement and orientation set).
  const ui::TFont& TextFont() const { return FTextFont; }

  // Draws the gauge into its off-screen image (what Paint copies to the parent).
  void Render();
  const ui::TBitmap& Image() const { return FImage; }

 protected:
  void Paint() override;
  void Resize() override;
  void MouseEnter() override;
  void MouseLeave() override;
  void FontChanged() override { RepaintGauge(); }

 private:
  friend class TPCColorStyle;

  void StyleChanged();
  void Recolor();
  void ToCustom();
  void RepaintGauge();
  void ComputeBevelColors();
  void AssignBevelPairs();
  bool HasRoom() const;
  void ComputeGeometry();
  void UpdateTextResources(TFontEffect oldEffect);
  void ApplyPreset(TProEffect preset);
  void DrawShading();
  void DrawFrames();
  void DrawText();

  TPCColorStyle FBackStyle{this};
  TPCColorStyle FForeStyle{this};
  ui::TColor FBackBorderColor = ui::clBlack;
  ui::TColor FBackColor = ui::clBtnFace;
  ui::TColor FBevelColor = ui::clBtnFace;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvNone;
  int FBevelWidth = 0;
  int FBorderWidth = 0;
  TCylinderEffect FCylinderEffect = ceMaximum;
  TFontEffect FFontEffect = feNone;
  TFontOrientation FFontOrientation = foLeftToRight;
  ui::TColor FFontShadowColor = ui::clBlack;
  ui::TColor FForeColor = ui::clBlack;
  ui::TColor FForeLineColor = ui::clBlack;
  int32_t FMax = 0;
  int32_t FMin = 0;
  TProgressBarOrientation FOrientation = pbHorizontal;
  int32_t FPosition = 0;
  TProEffect FProEffect = demoSystem;
  bool FShowText = false;
  rtl::AnsiString FText;
  rtl::AnsiString FTextDone;
  int32_t FStep = 0;
  bool FStopAtMax = false;

  // Derived state.
  ui::TBitmap FImage;
  std::unique_ptr<ui::TBitmap> FTextMask;  // while the text is shown inverted
  ui::TFont FTextFont;
  TColorFactors FFillFactors, FLineFactors, FEmptyFactors;
  ui::TColor FHighlight = ui::clBtnHighlight, FShadow = ui::clBtnShadow;
  ui::TColor FLight = ui::cl3DLight, FDarkShadow = ui::cl3DDkShadow;
  ui::TColor FInnerTopLeft = ui::clBtnFace, FInnerBottomRight = ui::clBtnFace;
  ui::TColor FOuterTopLeft = ui::clBtnFace, FOuterBottomRight = ui::clBtnFace;
  int FE1 = 0;  // inset of the inner bevel
  int FE2 = 0;  // inset of the cylinder area
  int FLevel = 255;
  float FRowStep = 0, FColStep = 0;
  float FReciprocal = 0;  // 1 / (Max - Min)
  int FBoundary = 0;
  int FPercent = 0;
  int FLastA = INT32_MIN;
  int FLastPercent = -1;
  int FShadowOffset = 0;
  bool FInside = true;       // constructing or applying a preset
  bool FConstructed = false;
  int FSysColorListener = 0;
};
