#pragma once
// TVrGradient: a colour gradient in bands (top to bottom or left to right)
// or in diagonals, painted through the double-buffered base; it can drag
// its window.

#include "components/VrControls.h"

enum TVrGradDirection { gdUpDown, gdLeftRight, gdChord1, gdChord2 };

// Paints the gradient over (0, 0)-(width, height) of canvas. Each channel of
// band d of n is first + d * (second - first) div n; a gradient whose step
// divisor would be 0 paints nothing.
void DrawGradient(ui::TCanvas& canvas, int width, int height, ui::TColor startColor, ui::TColor endColor,
                  int colorWidth, TVrGradDirection direction, bool swapColors);

class TVrCustomGradient : public TVrGraphicImageControl {
 public:
  explicit TVrCustomGradient(rtl::TComponent* owner);
  const char* ClassName() const override { return "TVrGradient"; }

  ui::TColor StartColor() const { return FStartColor; }
  void SetStartColor(ui::TColor value);
  ui::TColor EndColor() const { return FEndColor; }
  void SetEndColor(ui::TColor value);
  // Band width in pixels; 0 and below are ignored.
  int ColorWidth() const { return FColorWidth; }
  void SetColorWidth(int value);
  TVrGradDirection Direction() const { return FDirection; }
  void SetDirection(TVrGradDirection value);
  // Dragging the gradient drags its form.
  bool FormDrag() const { return FFormDrag; }
  void SetFormDrag(bool value) { FFormDrag = value; }
  bool SwapColors() const { return FSwapColors; }
  void SetSwapColors(bool value);

 protected:
  void Paint() override;
  void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;

 private:
  ui::TColor FStartColor = ui::clLime;
  ui::TColor FEndColor = ui::clBlack;
  int FColorWidth = 1;
  TVrGradDirection FDirection = gdUpDown;
  bool FFormDrag = false;
  bool FSwapColors = false;
};

class TVrGradient : public TVrCustomGradient {
 public:
  explicit TVrGradient(rtl::TComponent* owner) : TVrCustomGradient(owner) {}
};
