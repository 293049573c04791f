// TVrHotImage: the picture that lights up under the mouse.

#include "components/VrHotImage.h"

void TVrHotRect::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange();
}

void TVrHotRect::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TVrHotRect::SetColor(ui::TColor value) {
  if (value == FColor) return;
  FColor = value;
  Changed();
}

void TVrHotRect::SetWidth(int value) {
  if (value == FWidth) return;
  FWidth = value;
  Changed();
}

void TVrHotRect::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Changed();
}

void TVrHotRect::Assign(const TVrHotRect& other) {
  BeginUpdate();
  SetColor(other.FColor);
  SetWidth(other.FWidth);
  SetVisible(other.FVisible);
  EndUpdate();
}

TVrHotImage::TVrHotImage(rtl::TComponent* owner) : TVrHyperLinkControl(owner) {
  SetControlStyle(ControlStyle() & ~ui::csDoubleClicks);
  SetBounds(Left(), Top(), 85, 85);
  SetParentColor(false);
  SetColor(ui::clBlack);
  SetParentFont(false);
  ui::TFont font;
  font.SetName("Arial");
  font.SetStyle(ui::fsBold);
  font.SetColor(ui::clWhite);
  Font().Assign(font);
  FImageLeave.SetSize(0, 0);
  FImageEnter.SetSize(0, 0);
  FHotRect.OnChange = [this] { UpdateControlCanvas(); };
}

void TVrHotImage::SetImageLeave(const ui::TBitmap& value) {
  FImageLeave = value;
  UpdateControlCanvas();
}

void TVrHotImage::SetImageEnter(const ui::TBitmap& value) {
  FImageEnter = value;
  UpdateControlCanvas();
}

void TVrHotImage::SetColorEnter(ui::TColor value) {
  if (value == FColorEnter) return;
  FColorEnter = value;
  UpdateControlCanvas();
}

void TVrHotImage::SetColorLeave(ui::TColor value) {
  if (value == FColorLeave) return;
  FColorLeave = value;
  UpdateControlCanvas();
}

void TVrHotImage::SetDrawStyle(TVrHotImageDrawStyle value) {
  if (value == FDrawStyle) return;
  FDrawStyle = value;
  UpdateControlCanvas();
}

void TVrHotImage::SetTextAlignment(TVrTextAlignment value) {
  if (value == FTextAlignment) return;
  FTextAlignment = value;
  UpdateControlCanvas();
}

void TVrHotImage::MouseEnter() {
  FMouseInside = true;
  UpdateControlCanvas();
  if (OnMouseEnter) OnMouseEnter(this);
}

void TVrHotImage::MouseLeave() {
  FMouseInside = false;
  UpdateControlCanvas();
  if (OnMouseLeave) OnMouseLeave(this);
}

void TVrHotImage::TextChanged() {
  TVrHyperLinkControl::TextChanged();
  UpdateControlCanvas();
}

void TVrHotImage::FontChanged() {
  TVrHyperLinkControl::FontChanged();
  UpdateControlCanvas();
}

void TVrHotImage::Paint() {
  ui::TBitmap& image = BitmapCanvas();
  if (Transparent()) ClearBitmapCanvas();
  ui::TCanvas& canvas = image.Canvas();
  ui::TCanvasSaver saver(canvas);
  const ui::TRect client = ClientRect();

  // A disabled control shows its leave picture even under the mouse.
  const bool entered = FMouseInside && Enabled();
  const ui::TBitmap& picture = entered ? FImageEnter : FImageLeave;
  const ui::TColor color = entered ? FColorEnter : FColorLeave;
  if (!Transparent()) {
    canvas.Brush.Color = color;
    canvas.Brush.Style = ui::bsSolid;
    canvas.FillRect(client);
  }
  if (!picture.Empty()) {
    const int w = picture.Width(), h = picture.Height();
    const ui::TRect target = FDrawStyle == dsStretch
                                 ? client
                                 : ui::Bounds((client.Width() - w) / 2, (client.Height() - h) / 2, w, h);
    const ui::TRect source = ui::Rect(0, 0, w, h);
    if (Transparent()) {
      // Pixels of the colour are left out, so the snapshot shows through.
      canvas.Brush.Style = ui::bsClear;
      canvas.BrushCopy(target, picture, source, ui::ColorToRGB(color));
    } else {
      canvas.CopyBitmap(target, picture, source);
    }
  }

  ui::TRect textRect = client;
  if (FHotRect.Visible()) {
    textRect.Inflate(-(FHotRect.Width() + 2), -(FHotRect.Width() + 2));
    if (FMouseInside) {
      ui::TRect frame = client;
      canvas.Frame3D(frame, FHotRect.Color(), FHotRect.Color(), FHotRect.Width());
    }
  }
  static constexpr unsigned kAlignments[] = {
      ui::DT_VCENTER | ui::DT_LEFT, ui::DT_VCENTER | ui::DT_CENTER, ui::DT_VCENTER | ui::DT_RIGHT,
      ui::DT_TOP | ui::DT_LEFT,     ui::DT_TOP | ui::DT_CENTER,     ui::DT_TOP | ui::DT_RIGHT,
      ui::DT_BOTTOM | ui::DT_LEFT,  ui::DT_BOTTOM | ui::DT_CENTER,  ui::DT_BOTTOM | ui::DT_RIGHT,
  };
  canvas.Font.Assign(Font());
  canvas.Brush.Style = ui::bsClear;
  canvas.DrawText(Caption(), textRect, ui::DT_SINGLELINE | kAlignments[FTextAlignment]);
  TVrHyperLinkControl::Paint();
}
