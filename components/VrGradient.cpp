// TVrGradient: a colour gradient in bands or diagonals.

#include "components/VrGradient.h"

#include "ui/Forms.h"

namespace {

struct Channels {
  int R, G, B;
};

Channels Split(ui::TColor color) {
  const ui::TColor rgb = ui::ColorToRGB(color);
  return {ui::GetRValue(rgb), ui::GetGValue(rgb), ui::GetBValue(rgb)};
}

// Step d of n from first to second, each channel cut toward zero.
ui::TColor Step(const Channels& first, const Channels& second, int d, int n) {
  auto ch = [d, n](int a, int b) { return static_cast<uint8_t>(a + d * (b - a) / n); };
  return ui::RGB(ch(first.R, second.R), ch(first.G, second.G), ch(first.B, second.B));
}

}  // namespace

void DrawGradient(ui::TCanvas& canvas, int width, int height, ui::TColor startColor, ui::TColor endColor,
                  int colorWidth, TVrGradDirection direction, bool swapColors) {
  const Channels first = Split(swapColors ? endColor : startColor);
  const Channels second = Split(swapColors ? startColor : endColor);
  const int cw = colorWidth;
  if (cw <= 0) return;
  ui::TCanvasSaver saver(canvas);
  canvas.Brush.Style = ui::bsSolid;
  switch (direction) {
    case gdUpDown:
      if (height <= 0) return;  // no steps to divide into
      for (int d = 0; d <= height; d += cw) {
        canvas.Brush.Color = Step(first, second, d, height);
        canvas.FillRect(ui::Rect(0, d, width, d + cw));
      }
      break;
    case gdLeftRight:
      if (width <= 0) return;
      for (int d = 0; d <= width; d += cw) {
        canvas.Brush.Color = Step(first, second, d, width);
        canvas.FillRect(ui::Rect(d, 0, d + cw, height));
      }
      break;
    case gdChord1:
    case gdChord2: {
      const int n = width + height + cw;
      canvas.Pen.Width = cw;
      canvas.Pen.Style = ui::psSolid;
      canvas.Pen.Mode = ui::pmCopy;
      for (int x = 0; x <= n; x += cw) {
        canvas.Pen.Color = Step(first, second, x, n);
        if (direction == gdChord1) {
          canvas.MoveTo(x, 0);
          canvas.LineTo(-1, x);
        } else {
          canvas.MoveTo(0, height - x);
          canvas.LineTo(x, height);
        }
      }
      break;
    }
  }
}

TVrCustomGradient::TVrCustomGradient(rtl::TComponent* owner) : TVrGraphicImageControl(owner) {
  SetBounds(Left(), Top(), 150, 150);
}

void TVrCustomGradient::SetStartColor(ui::TColor value) {
  if (value == FStartColor) return;
  FStartColor = value;
  UpdateControlCanvas();
}

void TVrCustomGradient::SetEndColor(ui::TColor value) {
  if (value == FEndColor) return;
  FEndColor = value;
  UpdateControlCanvas();
}

void TVrCustomGradient::SetColorWidth(int value) {
  if (value == FColorWidth || value <= 0) return;
  FColorWidth = value;
  UpdateControlCanvas();
}

void TVrCustomGradient::SetDirection(TVrGradDirection value) {
  if (value == FDirection) return;
  FDirection = value;
  UpdateControlCanvas();
}

void TVrCustomGradient::SetSwapColors(bool value) {
  if (value == FSwapColors) return;
  FSwapColors = value;
  UpdateControlCanvas();
}

void TVrCustomGradient::Paint() {
  ui::TBitmap& image = BitmapCanvas();
  if (image.Width() != Width() || image.Height() != Height()) image.SetSize(Width(), Height());
  const ui::TRect client = ClientRect();
  DrawGradient(image.Canvas(), client.Width(), client.Height(), FStartColor, FEndColor, FColorWidth, FDirection,
               FSwapColors);
  TVrGraphicImageControl::Paint();
}

void TVrCustomGradient::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
  TVrGraphicImageControl::MouseDown(button, shift, x, y);
  if (button != ui::mbLeft || !FFormDrag) return;
  if (auto* form = dynamic_cast<ui::TCustomForm*>(GetTopForm())) {
    SetMouseCapture(false);
    form->BeginDragMove();
  }
}
