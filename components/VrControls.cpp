// The graphic-control base shared by the gradient, the shaped window and the hot image.

#include "components/VrControls.h"

TVrGraphicControl::TVrGraphicControl(rtl::TComponent* owner) : ui::TGraphicControl(owner) {}

const rtl::AnsiString& TVrGraphicControl::Version() const {
  static const rtl::AnsiString version = "2.1";
  return version;
}

ui::TWinControl* TVrGraphicControl::GetTopForm() const {
  ui::TWinControl* result = nullptr;
  for (auto* owner = dynamic_cast<ui::TWinControl*>(Owner()); owner;
       owner = dynamic_cast<ui::TWinControl*>(owner->Owner()))
    result = owner;
  return result;
}

void TVrGraphicControl::UpdateControlCanvas() {
  if (!FLoading) Repaint();
}

TVrGraphicImageControl::TVrGraphicImageControl(rtl::TComponent* owner) : TVrGraphicControl(owner) {
  SetControlStyle(ControlStyle() | ui::csOpaque);
}

void TVrGraphicImageControl::SetBounds(int left, int top, int width, int height) {
  TVrGraphicControl::SetBounds(left, top, width, height);
  if (FBitmap.Width() != Width() || FBitmap.Height() != Height()) FBitmap.SetSize(Width(), Height());
}

void TVrGraphicImageControl::SetTransparent(bool value) {
  if (FTransparent == value) return;
  FTransparent = value;
  if (value)
    SetControlStyle(ControlStyle() & ~ui::csOpaque);
  else
    SetControlStyle(ControlStyle() | ui::csOpaque);
  UpdateControlCanvas();
}

void TVrGraphicImageControl::Paint() {
  Canvas().Draw(0, 0, FBitmap);
  if (FTransparent) {
    // The next paint comes from the parent: the picture beneath may have changed.
    FNeedsSnapshot = true;
    SetControlStyle(ControlStyle() & ~ui::csOpaque);
  }
}

void TVrGraphicImageControl::ClearBitmapCanvas() {
  if (FBitmap.Width() != Width() || FBitmap.Height() != Height()) FBitmap.SetSize(Width(), Height());
  if (FTransparent) {
    if (FNeedsSnapshot || FBackImage.Width() != Width() || FBackImage.Height() != Height()) {
      PaintParentBackground(FBackImage);
      FNeedsSnapshot = false;
    }
    FBitmap.Canvas().Draw(0, 0, FBackImage);
  } else {
    FBitmap.Fill(Color());
  }
}

void TVrGraphicImageControl::UpdateControlCanvas() {
  if (FTransparent && !FBackImage.Empty()) {
    // A change of the control's own look: the snapshot still holds, and the
    // parent need not paint beneath.
    FNeedsSnapshot = false;
    SetControlStyle(ControlStyle() | ui::csOpaque);
  }
  TVrGraphicControl::UpdateControlCanvas();
}
