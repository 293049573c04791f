// TProgressCyl: the shaded cylinder gauge.

#include "components/ProgressCyl.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

#include "rtl/SysUtils.h"

using ui::TColor;

const std::array<std::string_view, kProEffectCount> kProEffectNames = {
    "demoSystem", "demoMetal", "demoSunken", "peCustom",
    "peGlassRed", "peGlassOrange", "peGlassYellow", "peGlassGreen", "peGlassCyan", "peGlassBlue",
    "peGlassViolet", "peGlassPurple",
    "peSystem1", "peSystem2", "peSystem3", "peSystem4", "peSystem5", "peSystem6", "peSystem7", "peSystem8",
    "peUpLoad1", "peUpLoad2",
    "peMetalRed", "peMetalOrange", "peMetalYellow", "peMetalCyan", "peMetalGreen", "peMetalLightBlue",
    "peMetalBlue", "peMetalViolet", "peMetalDarkGray", "peMetalGold",
    "peStdRed", "peStdYellow", "peStdGreen", "peStdBlue",
};

// ---- colour style ---------------------------------------------------------------

void TPCColorStyle::Changed() { FGauge->StyleChanged(); }

void TPCColorStyle::SetIntensityRGB(int32_t value) {
  if (value == FIntensityRGB) return;
  FIntensityRGB = value;
  Changed();
}

void TPCColorStyle::SetIntensity(float value) {
  if (value == FIntensity || value == 0) return;
  FIntensity = value;
  Changed();
}

void TPCColorStyle::SetIntensityFactor(float value) {
  if (value == FIntensityFactor) return;
  FIntensityFactor = value;
  Changed();
}

void TPCColorStyle::SetRangeRGB(int32_t value) {
  if (value == FRangeRGB || value == 0) return;
  FRangeRGB = value;
  Changed();
}

void TPCColorStyle::SetColorRGB(int32_t value) {
  if (value == FColorRGB) return;
  FColorRGB = value;
  Changed();
}

void TPCColorStyle::SetColorFactor(float value) {
  if (value == FColorFactor) return;
  FColorFactor = value;
  Changed();
}

void TPCColorStyle::SetLightAngle(float value) {
  if (value == FLightAngle || value == 0) return;
  FLightAngle = value;
  Changed();
}

void TPCColorStyle::Assign(const TPCColorStyle& source) {
  SetIntensityRGB(source.FIntensityRGB);
  SetIntensity(source.FIntensity);
  SetIntensityFactor(source.FIntensityFactor);
  SetRangeRGB(source.FRangeRGB);
  SetColorRGB(source.FColorRGB);
  SetColorFactor(source.FColorFactor);
  SetLightAngle(source.FLightAngle);
}

TColorFactors ColorFactors(TColor color, const TPCColorStyle& style) {
  const TColor rgb = ui::ColorToRGB(color);
  auto factor = [&style](int c) {
    const long double v = (static_cast<long double>(c) * style.IntensityFactor() + style.IntensityRGB()) /
                              style.Intensity() +
                          c;
    return static_cast<float>(v / style.RangeRGB());
  };
  return {factor(ui::GetRValue(rgb)), factor(ui::GetGValue(rgb)), factor(ui::GetBValue(rgb))};
}

// ---- construction ---------------------------------------------------------------

TProgressCyl::TProgressCyl(rtl::TComponent* owner) : ui::TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | ui::csOpaque);
  SetBounds(Left(), Top(), 150, 22);
  FImage.SetSize(150, 22);
  SetParentFont(false);
  ui::TFont font;
  font.SetName("Arial");
  font.SetSize(9);
  font.SetStyle(ui::fsBold);
  font.SetColor(ui::clBlack);
  Font().Assign(font);

  SetText("%");
  SetTextDone("Done");
  SetFontEffect(feShadowBottomRight);
  SetFontShadowColor(ui::clBtnFace);
  SetFontOrientation(foLeftToRight);
  SetShowText(true);
  SetOrientation(pbHorizontal);
  SetMin(0);
  SetMax(100);
  SetStep(1);
  SetStopAtMax(true);
  // The styles start at their own defaults; nothing to copy.
  SetBevelOuter(bvLowered);
  SetBorderWidth(2);
  SetBevelWidth(1);
  SetBevelInner(bvRaised);
  SetBackColor(ui::clBtnFace);
  SetBackBorderColor(ui::clBlack);
  SetForeLineColor(ui::clHighlight);
  SetForeColor(ui::clWhite);
  SetParentColor(false);
  SetColor(ui::clBtnFace);
  SetBevelColor(ui::clBtnFace);
  SetCylinderEffect(ceMaximum);
  SetPosition(0);
  FConstructed = true;
  FInside = false;
  FSysColorListener = ui::AddSysColorListener([this] { Recolor(); });
}

TProgressCyl::~TProgressCyl() {
  ui::RemoveSysColorListener(FSysColorListener);
  FTextMask.reset();
}

// ---- property changes -------------------------------------------------------------

void TProgressCyl::ToCustom() {
  if (!FInside) FProEffect = peCustom;
}

void TProgressCyl::RepaintGauge() {
  if (!FConstructed) return;
  Repaint();
}

void TProgressCyl::StyleChanged() {
  ToCustom();
  Recolor();
}

void TProgressCyl::Recolor() {
  SetForeColor(FForeColor);
  SetForeLineColor(FForeLineColor);
  SetFontShadowColor(FFontShadowColor);
  SetBackColor(FBackColor);
  SetBackBorderColor(FBackBorderColor);
  SetBevelColor(FBevelColor);
}

void TProgressCyl::SetForeColor(TColor value) {
  FForeColor = value;
  FFillFactors = ColorFactors(value, FForeStyle);
  ToCustom();
  RepaintGauge();
}

void TProgressCyl::SetForeLineColor(TColor value) {
  FForeLineColor = value;
  FLineFactors = ColorFactors(value, FForeStyle);
  ToCustom();
  RepaintGauge();
}

void TProgressCyl::SetBackColor(TColor value) {
  FBackColor = value;
  FEmptyFactors = ColorFactors(value, FBackStyle);
  ToCustom();
  RepaintGauge();
}

void TProgressCyl::SetBackBorderColor(TColor value) {
  if (value == FBackBorderColor) return;
  FBackBorderColor = value;
  ToCustom();
  RepaintGauge();
}

void TProgressCyl::SetFontShadowColor(TColor value) {
  if (value == FFontShadowColor) return;
  FFontShadowColor = value;
  ToCustom();
  RepaintGauge();
}

void TProgressCyl::SetBevelColor(TColor value) {
  FBevelColor = value;
  ComputeBevelColors();
  ToCustom();
  AssignBevelPairs();
  ComputeGeometry();
  RepaintGauge();
}

void TProgressCyl::ComputeBevelColors() {
  if (FBevelColor == ui::clBtnFace) {
    FHighlight = ui::clBtnHighlight;
    FShadow = ui::clBtnShadow;
    FLight = ui::cl3DLight;
    FDarkShadow = ui::cl3DDkShadow;
    return;
  }
  const TColor rgb = ui::ColorToRGB(FBevelColor);
  auto shifted = [rgb](int delta) {
    auto ch = [delta](int c) { return static_cast<uint8_t>(std::clamp(c + delta, 0, 255)); };
    return ui::RGB(ch(ui::GetRValue(rgb)), ch(ui::GetGValue(rgb)), ch(ui::GetBValue(rgb)));
  };
  FHighlight = FLight = shifted(64);
  FShadow = FDarkShadow = shifted(-64);
}

void TProgressCyl::AssignBevelPairs() {
  switch (FBevelInner) {
    case bvSpace:
      FInnerTopLeft = FInnerBottomRight = Color();
      break;
    case bvLowered:
      if (FBevelOuter == bvLowered && FBorderWidth == 0) {
        FInnerTopLeft = FDarkShadow;
        FInnerBottomRight = FLight;
      } else {
        FInnerTopLeft = FShadow;
        FInnerBottomRight = FHighlight;
      }
      break;
    case bvRaised:
      FInnerTopLeft = FBevelOuter == bvRaised && FBorderWidth == 0 ? FLight : FHighlight;
      FInnerBottomRight = FShadow;
      break;
    case bvNone:
      break;
  }
  switch (FBevelOuter) {
    case bvSpace:
      FOuterTopLeft = FOuterBottomRight = Color();
      break;
    case bvLowered:
      FOuterTopLeft = FShadow;
      FOuterBottomRight = FHighlight;
      break;
    case bvRaised:
      FOuterTopLeft = FHighlight;
      FOuterBottomRight = FBevelInner == bvRaised && FBorderWidth == 0 ? FDarkShadow : FShadow;
      break;
    case bvNone:
      break;
  }
}

bool TProgressCyl::HasRoom() const {
  const int w = Width(), h = Height();
  const int e1 = FBevelWidth + FBorderWidth, e2 = FBorderWidth + 2 * FBevelWidth;
  return w > 0 && h > 0 && w - 2 * e1 > 0 && h - 2 * e1 > 0 && w - 2 * e2 > 0 && h - 2 * e2 > 0;
}

void TProgressCyl::ComputeGeometry() {
  FE1 = FBevelWidth + FBorderWidth;
  FE2 = FBorderWidth + 2 * FBevelWidth;
  const int cw = Width() - 2 * FE2, ch = Height() - 2 * FE2;
  if (cw > 0) {
    // A cylinder without height has nothing to shade; keep the steps defined.
    FRowStep = ch > 0 ? static_cast<float>(FLevel / ch) : 0.0f;
    FColStep = static_cast<float>(FLevel / cw);
  }
  SetPosition(FPosition);
}

// The bevel kinds and widths: a value that leaves no room is taken back.
// Widths below their least value (bevel 1, border 0) would put the insets
// outside the image and are refused.
#define VQM_BEVEL_SETTER(Name, Field, Type, Least) \
  void TProgressCyl::Set##Name(Type value) {       \
    if (value == Field || value < Least) return;   \
    const Type old = Field;                        \
    Field = value;                                 \
    if (!HasRoom()) Field = old;                   \
    AssignBevelPairs();                            \
    ComputeGeometry();                             \
    RepaintGauge();                                \
  }
VQM_BEVEL_SETTER(BevelInner, FBevelInner, TBevelCut, bvNone)
VQM_BEVEL_SETTER(BevelOuter, FBevelOuter, TBevelCut, bvNone)
VQM_BEVEL_SETTER(BevelWidth, FBevelWidth, int, 1)
VQM_BEVEL_SETTER(BorderWidth, FBorderWidth, int, 0)
#undef VQM_BEVEL_SETTER

void TProgressCyl::SetCylinderEffect(TCylinderEffect value) {
  if (value == FCylinderEffect) return;
  static constexpr int kLevels[] = {1, 51, 102, 153, 204, 255};
  FLevel = kLevels[value];
  FCylinderEffect = value;
  ToCustom();
  ComputeGeometry();
  RepaintGauge();
}

void TProgressCyl::SetOrientation(TProgressBarOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  FFontOrientation = value == pbVertical ? foBottomToTop : foLeftToRight;
  ComputeGeometry();
  RepaintGauge();
}

void TProgressCyl::UpdateTextResources(TFontEffect oldEffect) {
  if (oldEffect == feInvert) FTextMask.reset();
  FShadowOffset = 0;
  if (!FShowText) return;
  if (FFontEffect == feInvert)
    FTextMask = std::make_unique<ui::TBitmap>(Width(), Height());
  else if (FFontEffect == feShadowTopLeft)
    FShadowOffset = -1;
  else if (FFontEffect == feShadowBottomRight)
    FShadowOffset = 1;
}

void TProgressCyl::SetFontEffect(TFontEffect value) {
  if (value == FFontEffect) return;
  const TFontEffect old = FFontEffect;
  FFontEffect = value;
  UpdateTextResources(old);
  ToCustom();
  RepaintGauge();
}

void TProgressCyl::SetShowText(bool value) {
  if (value == FShowText) return;
  FShowText = value;
  UpdateTextResources(FFontEffect);
  RepaintGauge();
}

void TProgressCyl::SetFontOrientation(TFontOrientation value) {
  if (value == FFontOrientation) return;
  FFontOrientation = value;
  UpdateTextResources(FFontEffect);
  RepaintGauge();
}

void TProgressCyl::SetText(const rtl::AnsiString& value) {
  if (value == FText) return;
  FText = value;
  RepaintGauge();
}

void TProgressCyl::SetTextDone(const rtl::AnsiString& value) {
  if (value == FTextDone) return;
  FTextDone = value;
  RepaintGauge();
}

void TProgressCyl::SetMin(int32_t value) {
  if (value == FMin) return;
  if (value == FMax && FMax > INT32_MIN) value = FMax - 1;
  if (value < FMax) {
    FMin = value;
    FReciprocal = static_cast<float>(1.0L / (static_cast<int64_t>(FMax) - FMin));
    if (FPosition < FMin) FPosition = FMin;
  }
  ComputeGeometry();
}

void TProgressCyl::SetMax(int32_t value) {
  if (value == FMax) return;
  if (value == FMin && FMin < INT32_MAX) value = FMin + 1;
  if (value > FMin) {
    FMax = value;
    FReciprocal = static_cast<float>(1.0L / (static_cast<int64_t>(FMax) - FMin));
    if (FPosition > FMax) FPosition = FMax;
  }
  ComputeGeometry();
}

void TProgressCyl::SetPosition(int32_t value) {
  FPosition = std::clamp(value, FMin, FMax);
  const int64_t d = static_cast<int64_t>(FPosition) - FMin;
  const long double span = static_cast<long double>(static_cast<int64_t>(FMax) - FMin);
  const long double r = FReciprocal;
  // Rounding to nearest with halves to even, as the FPU does by default.
  auto round = [](long double v) { return static_cast<int>(std::nearbyint(v)); };
  const int percent = span > 0 ? round(d / span * 100.0L) : 0;
  int a;
  if (FOrientation == pbHorizontal) {
    a = round(static_cast<long double>(Width()) * d * r) + 2 * FE2 - round(FE2 * d * r * 2);
    FBoundary = std::max(a - FE2, FE2 + 1);
  } else {
    a = round(static_cast<long double>(Height()) * d * r) + 2 * FE2 - round(2 * FE2 * d * r);
    FBoundary = (Height() - FE2) - (a - 2 * FE2);
  }
  FPercent = percent;
  if (a == FLastA && percent == FLastPercent) return;
  FLastA = a;
  FLastPercent = percent;
  if (FPosition == FMax && OnProgressDone) OnProgressDone(this);
  RepaintGauge();
}

void TProgressCyl::SetProEffect(TProEffect value) {
  FProEffect = value;
  ApplyPreset(value);
}

void TProgressCyl::Resize() {
  ui::TGraphicControl::Resize();
  if (!FConstructed || !HasRoom()) return;
  FImage.SetSize(Width(), Height());
  if (FTextMask) FTextMask->SetSize(Width(), Height());
  ComputeGeometry();
  RepaintGauge();
}

void TProgressCyl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
  FMouseInside = true;
  RepaintGauge();
}

void TProgressCyl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
  FMouseInside = false;
  RepaintGauge();
}

// ---- painting ----------------------------------------------------------------------

namespace {

struct TShade {
  const TPCColorStyle& Style;
  const TColorFactors& Factors;
};

// trunc toward zero, held to what an int holds (NaN gives 0).
int TruncToInt(long double v) {
  if (!(v == v)) return 0;
  return static_cast<int>(std::clamp(v, -1.0e9L, 1.0e9L));
}

// One pixel of the shading: trunc((|k| * step * ColorFactor + ColorRGB) * factor)
// per channel, held to 0..255.
ui::TPixel ShadePixel(const TShade& shade, int k, float step) {
  const long double base =
      static_cast<long double>(std::abs(k)) * step * shade.Style.ColorFactor() + shade.Style.ColorRGB();
  auto ch = [base](float factor) -> uint32_t {
    const long double v = base * factor;
    if (!(v > 0)) return 0;  // also NaN
    if (v >= 255) return 255;
    return static_cast<uint32_t>(v);
  };
  return (ch(shade.Factors.R) << 16) | (ch(shade.Factors.G) << 8) | ch(shade.Factors.B);
}

}  // namespace

void TProgressCyl::Render() {
  if (!FConstructed || !HasRoom()) return;
  if (FImage.Width() != Width() || FImage.Height() != Height()) FImage.SetSize(Width(), Height());
  FImage.Fill(Color());
  DrawShading();
  DrawFrames();
  if (FShowText) DrawText();
}

void TProgressCyl::Paint() {
  if (!FConstructed || !HasRoom()) return;
  Render();
  Canvas().Draw(0, 0, FImage);
}

void TProgressCyl::DrawShading() {
  const int w = Width(), h = Height(), e2 = FE2;
  const TShade fill{FForeStyle, FFillFactors}, line{FForeStyle, FLineFactors}, empty{FBackStyle, FEmptyFactors};
  if (FOrientation == pbHorizontal) {
    const int ch = h - 2 * e2;
    if (ch <= 0) return;
    const int k0 = TruncToInt(static_cast<long double>(ch) / FForeStyle.LightAngle());
    const int k0Back = TruncToInt(static_cast<long double>(ch) / FBackStyle.LightAngle());
    const int boundary = std::clamp(FBoundary, 0, w - 1);
    for (int i = 0; i < ch; ++i) {
      ui::TPixel* row = FImage.ScanLine(e2 + i);
      const ui::TPixel fillPixel = ShadePixel(fill, k0 + i, FRowStep);
      const ui::TPixel emptyPixel = ShadePixel(empty, k0Back + i, FRowStep);
      std::fill(row + e2, row + std::max(e2, boundary + 1), fillPixel);
      row[boundary] = ShadePixel(line, k0 + i, FRowStep);
      for (int x = boundary + 1; x <= w - e2 - 1; ++x) row[x] = emptyPixel;
    }
  } else {
    const int cw = w - 2 * e2;
    if (cw <= 0) return;
    const int k0 = TruncToInt(static_cast<long double>(cw) / FForeStyle.LightAngle());
    const int k0Back = TruncToInt(static_cast<long double>(cw) / FBackStyle.LightAngle());
    // The bar grows upward: empty above the boundary row, the line on it, filled below.
    const int boundary = std::clamp(FBoundary, 0, h - 1);
    for (int j = 0; j < cw; ++j) {
      const int x = e2 + j;
      const ui::TPixel fillPixel = ShadePixel(fill, k0 + j, FColStep);
      const ui::TPixel emptyPixel = ShadePixel(empty, k0Back + j, FColStep);
      const ui::TPixel linePixel = ShadePixel(line, k0 + j, FColStep);
      for (int y = e2; y <= boundary; ++y) FImage.ScanLine(y)[x] = emptyPixel;
      FImage.ScanLine(boundary)[x] = linePixel;
      for (int y = boundary + 1; y <= h - e2 - 1; ++y) FImage.ScanLine(y)[x] = fillPixel;
    }
  }
}

void TProgressCyl::DrawFrames() {
  ui::TCanvas& canvas = FImage.Canvas();
  const int w = Width(), h = Height();
  ui::TRect r = ui::Rect(FE2, FE2, w - FE2, h - FE2);
  canvas.Frame3D(r, FBackBorderColor, FBackBorderColor, 1);
  if (FBevelInner != bvNone) {
    r = ui::Rect(FE1, FE1, w - FE1, h - FE1);
    canvas.Frame3D(r, FInnerTopLeft, FInnerBottomRight, FBevelWidth);
  }
  if (FBevelOuter != bvNone) {
    r = ui::Rect(0, 0, w, h);
    canvas.Frame3D(r, FOuterTopLeft, FOuterBottomRight, FBevelWidth);
  }
}

void TProgressCyl::DrawText() {
  const rtl::AnsiString text =
      !FTextDone.empty() && FPercent == 100 ? FTextDone : rtl::IntToStr(FPercent) + FText;
  ui::TCanvas& canvas = FImage.Canvas();
  ui::TCanvasSaver saver(canvas);
  canvas.Font.Assign(Font());
  canvas.Font.SetEscapement(0);
  canvas.Font.SetOrientation(0);
  const int tw = canvas.TextWidth(text), th = canvas.TextHeight(text);
  const int w = Width(), h = Height();

  // Left to right is made with an escapement of 1, not 0.
  int escapement = 1, x = 0, y = 0;
  switch (FFontOrientation) {
    case foLeftToRight:
      x = (w - tw) / 2;
      y = (h - th) / 2 + 1;
      break;
    case foTopToBottom:
      escapement = 2700;
      x = th + (w - th) / 2 - 1;
      y = (h - tw) / 2;
      break;
    case foBottomToTop:
      escapement = 900;
      x = (w - th) / 2 + 1;
      y = tw + (h - tw) / 2;
      break;
  }
  FTextFont.Assign(Font());
  FTextFont.SetEscapement(escapement);
  FTextFont.SetOrientation(escapement);

  if (FFontEffect == feInvert) {
    if (!FTextMask) FTextMask = std::make_unique<ui::TBitmap>(w, h);
    FTextMask->SetSize(w, h);
    FTextMask->Fill(ui::clBlack);
    ui::TCanvas& mask = FTextMask->Canvas();
    ui::TCanvasSaver maskSaver(mask);
    mask.Brush.Style = ui::bsClear;
    mask.Font.Assign(FTextFont);
    mask.Font.SetColor(ui::clWhite);
    mask.TextOut(x, y, text);
    // Exclusive or: the pixels under the text take the inverse of their colour.
    const size_t count = static_cast<size_t>(w) * h;
    ui::TPixel* dst = FImage.Bits();
    const ui::TPixel* src = FTextMask->Bits();
    for (size_t i = 0; i < count; ++i) dst[i] ^= src[i];
    return;
  }
  canvas.Brush.Style = ui::bsClear;
  canvas.Font.Assign(FTextFont);
  if (FFontEffect == feShadowTopLeft || FFontEffect == feShadowBottomRight) {
    canvas.Font.SetColor(FFontShadowColor);
    canvas.TextOut(x + FShadowOffset, y + FShadowOffset, text);
  }
  canvas.Font.SetColor(Font().Color());
  canvas.TextOut(x, y, text);
}

// ---- presets -------------------------------------------------------------------------

namespace {

// A style's seven values in the order the presets set them.
struct TStyleValues {
  float ColorFactor;
  int32_t ColorRGB;
  float Intensity;
  float IntensityFactor;
  int32_t IntensityRGB;
  float LightAngle;
  int32_t RangeRGB;
};

void SetStyle(TPCColorStyle& style, const TStyleValues& v) {
  style.SetColorFactor(v.ColorFactor);
  style.SetColorRGB(v.ColorRGB);
  style.SetIntensity(v.Intensity);
  style.SetIntensityFactor(v.IntensityFactor);
  style.SetIntensityRGB(v.IntensityRGB);
  style.SetLightAngle(v.LightAngle);
  style.SetRangeRGB(v.RangeRGB);
}

constexpr TStyleValues kInitialStyle{-1.0f, 255, 4.0f, -1.0f, 255, -3.0f, 255};
constexpr TStyleValues kMetalStyle{-1.0f, -100, 4.0f, -1.7f, -100, -1.5f, -100};
constexpr TStyleValues kStdBackStyle{1.0f, 0, 2.0f, -1.0f, 255, -3.0f, 153};
constexpr TStyleValues kStdForeStyle{-1.0f, 255, 4.0f, -1.0f, 255, -3.0f, 255};
constexpr TStyleValues kGlassForeStyle{-1.0f, 255, 2.0f, -1.0f, 255, -4.0f, 255};
constexpr TStyleValues kGlassBackStyle{-0.6f, 255, 4.0f, -1.0f, 255, -4.0f, 255};

// What a preset sets, in the order it is set; an empty value leaves that property as it is.
struct TPresetValues {
  TCylinderEffect Effect = ceMaximum;
  std::optional<TBevelCut> Outer, Inner;
  std::optional<int> Border;
  bool ShowText = false;  // turns the text on
  TColor FontColor = ui::clBlack;
  TFontEffect Text = feNone;
  std::optional<TColor> Shadow;
  TColor Fore = 0, Back = 0, Line = 0, BackBorder = 0;
  TStyleValues BackStyle = kInitialStyle, ForeStyle = kInitialStyle;
};

constexpr TPresetValues Metal(TColor fore) {
  return {ceMaximum, {}, {}, {}, false, ui::clBlack, feShadowBottomRight, ui::clBtnFace,
          fore, ui::clWhite, ui::clBlack, ui::clBlack, kMetalStyle, kMetalStyle};
}
constexpr TPresetValues Standard(TColor fore, TColor back) {
  return {ceMaximum, {}, {}, {}, false, ui::clBlack, feInvert, {},
          fore, back, ui::clWhite, ui::clBlack, kStdBackStyle, kStdForeStyle};
}
// Glass: pale, bright colours with the light high on the tube.
constexpr TPresetValues Glass(TColor fore) {
  return {ceHigh, {}, {}, {}, false, ui::clBlack, feShadowBottomRight, ui::clWhite,
          fore, ui::RGB(236, 240, 246), ui::clWhite, ui::RGB(96, 104, 120), kGlassBackStyle, kGlassForeStyle};
}
// System: the classic look in the system colours, from a flat bar to a deep one, plain text or inverted.
constexpr TPresetValues System(TCylinderEffect effect, TBevelCut outer, TBevelCut inner, int border, TColor fore,
                               TColor back, TColor line, TFontEffect text) {
  return {effect, outer, inner, border, true, ui::clWindowText, text, ui::clBtnHighlight,
          fore, back, line, ui::clBtnShadow, kInitialStyle, kInitialStyle};
}
// Upload: a dark channel with a bright bar in it.
constexpr TPresetValues UpLoad(TColor fore, TColor line) {
  return {ceHigh, bvLowered, bvLowered, 0, false, ui::clWhite, feShadowBottomRight, ui::clBlack,
          fore, ui::RGB(40, 44, 52), line, ui::clBlack, kStdBackStyle, kStdForeStyle};
}

// Indexed by TProEffect; peCustom keeps what is set and has no values.
constexpr TPresetValues kPresets[] = {
    // demoSystem: the look of construction.
    {ceMaximum, bvLowered, bvRaised, 2, true, ui::clBlack, feShadowBottomRight, ui::clBtnFace,
     ui::clBtnFace, ui::clWhite, ui::clHighlight, ui::clBlack, kInitialStyle, kInitialStyle},
    // demoMetal
    {ceMaximum, bvRaised, bvLowered, 1, true, ui::clBlack, feShadowBottomRight, ui::clWhite,
     ui::RGB(192, 196, 204), ui::clWhite, ui::clBlack, ui::clBlack, kMetalStyle, kMetalStyle},
    // demoSunken
    {ceMedium, bvLowered, bvLowered, 0, true, ui::clWindowText, feShadowTopLeft, ui::clBtnHighlight,
     ui::clHighlight, ui::clBtnFace, ui::clBtnShadow, ui::clBtnShadow, kInitialStyle, kInitialStyle},
    {},  // peCustom
    Glass(ui::RGB(255, 40, 40)), Glass(ui::RGB(255, 140, 20)), Glass(ui::RGB(255, 230, 30)),
    Glass(ui::RGB(40, 220, 60)), Glass(ui::RGB(30, 220, 230)), Glass(ui::RGB(40, 110, 255)),
    Glass(ui::RGB(150, 80, 255)), Glass(ui::RGB(200, 40, 200)),
    System(ceFlat, bvLowered, bvNone, 1, ui::clHighlight, ui::clWindow, ui::clHighlight, feInvert),
    System(ceUltraLow, bvLowered, bvNone, 1, ui::clHighlight, ui::clWindow, ui::clWindowText, feInvert),
    System(ceLow, bvLowered, bvRaised, 1, ui::clHighlight, ui::clBtnFace, ui::clWindowText, feNone),
    System(ceMedium, bvLowered, bvRaised, 2, ui::clHighlight, ui::clBtnFace, ui::clHighlight, feShadowBottomRight),
    System(ceHigh, bvRaised, bvLowered, 1, ui::clActiveCaption, ui::clWindow, ui::clWindowText, feShadowBottomRight),
    System(ceMaximum, bvRaised, bvLowered, 2, ui::clActiveCaption, ui::clBtnFace, ui::clBtnShadow, feNone),
    System(ceMedium, bvLowered, bvLowered, 0, ui::clBtnShadow, ui::clWindow, ui::clWindowText, feInvert),
    System(ceHigh, bvSpace, bvLowered, 1, ui::clHighlight, ui::clBtnHighlight, ui::clHighlightText, feShadowTopLeft),
    UpLoad(ui::RGB(40, 200, 60), ui::RGB(200, 255, 200)), UpLoad(ui::RGB(40, 120, 230), ui::RGB(200, 225, 255)),
    Metal(ui::RGB(255, 0, 0)), Metal(ui::RGB(255, 150, 0)), Metal(ui::RGB(255, 255, 0)), Metal(ui::RGB(0, 255, 255)),
    Metal(ui::RGB(0, 255, 64)), Metal(ui::RGB(127, 212, 255)), Metal(ui::RGB(0, 155, 230)),
    Metal(ui::RGB(155, 155, 206)), Metal(ui::RGB(137, 139, 152)), Metal(ui::RGB(255, 204, 129)),
    Standard(ui::RGB(204, 0, 0), ui::RGB(102, 0, 0)), Standard(ui::RGB(255, 255, 0), ui::RGB(153, 153, 0)),
    Standard(ui::RGB(0, 255, 51), ui::RGB(0, 128, 64)), Standard(ui::RGB(0, 107, 215), ui::RGB(29, 48, 99)),
};
static_assert(std::size(kPresets) == kProEffectCount);

}  // namespace

void TProgressCyl::ApplyPreset(TProEffect preset) {
  if (preset == peCustom || preset < demoSystem || preset > peStdBlue) return;
  const TPresetValues& p = kPresets[preset];
  FInside = true;
  Hide();
  SetCylinderEffect(p.Effect);
  if (p.Outer) SetBevelOuter(*p.Outer);
  if (p.Inner) SetBevelInner(*p.Inner);
  if (p.Border) SetBorderWidth(*p.Border);
  if (p.ShowText) SetShowText(true);
  Font().SetColor(p.FontColor);
  SetFontEffect(p.Text);
  if (p.Shadow) SetFontShadowColor(*p.Shadow);
  SetForeColor(p.Fore);
  SetBackColor(p.Back);
  SetForeLineColor(p.Line);
  SetBackBorderColor(p.BackBorder);
  SetColor(ui::clBtnFace);
  SetBevelColor(ui::clBtnFace);
  SetStyle(FBackStyle, p.BackStyle);
  SetStyle(FForeStyle, p.ForeStyle);
  Show();
  FInside = false;
}
