// TBSMorphButton: the picture that morphs into the next.

#include "components/BSMorphButton.h"

#include "ui/Application.h"

void MorphBlend(ui::TBitmap& shown, const ui::TBitmap& start, const ui::TBitmap& end, int w) {
  if (shown.Width() != start.Width() || shown.Height() != start.Height() || end.Width() != start.Width() ||
      end.Height() != start.Height())
    return;
  const uint32_t ws = 32 - static_cast<uint32_t>(w), we = static_cast<uint32_t>(w);
  const size_t count = static_cast<size_t>(shown.Width()) * shown.Height();
  uint32_t* out = shown.Bits();
  const uint32_t* s = start.Bits();
  const uint32_t* e = end.Bits();
  for (size_t i = 0; i < count; ++i) {
    // Bytes 0 and 2 together, then bytes 1 and 3: each sum stays below 2^13,
    // so the two halves of a word never carry into each other.
    const uint32_t even = (((s[i] & 0x00FF00FFu) * ws + (e[i] & 0x00FF00FFu) * we) >> 5) & 0x00FF00FFu;
    const uint32_t odd = ((((s[i] >> 8) & 0x00FF00FFu) * ws + ((e[i] >> 8) & 0x00FF00FFu) * we) << 3) & 0xFF00FF00u;
    out[i] = even | odd;
  }
}

TBSMorphButton::TBSMorphButton(rtl::TComponent* owner) : ui::TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | ui::csOpaque | ui::csNoStdEvents);
  SetCursor(31);  // no cursor is registered there: the arrow shows
  FMorphPic1.OnChange = [this] { PictureChanged(); };
  FMorphPic2.OnChange = [this] { PictureChanged(); };
  SetBounds(Left(), Top(), 120, 50);
}

void TBSMorphButton::PictureChanged() {
  PrepareImages();
  Invalidate();
}

void TBSMorphButton::SetMorphColor1(ui::TColor value) {
  if (value == FMorphColor1) return;
  FMorphColor1 = value;
  PictureChanged();
}

void TBSMorphButton::SetMorphColor2(ui::TColor value) {
  if (value == FMorphColor2) return;
  FMorphColor2 = value;
  PictureChanged();
}

void TBSMorphButton::SetMorphRate(int32_t value) {
  FMorphRate = value < 1 ? 1 : value > 255 ? 255 : value;
}

void TBSMorphButton::SetStretchToFit(bool value) {
  if (value == FStretchToFit) return;
  FStretchToFit = value;
  PictureChanged();
}

void TBSMorphButton::SetBounds(int left, int top, int width, int height) {
  const bool resized = width != Width() || height != Height();
  ui::TGraphicControl::SetBounds(left, top, width, height);
  // The images follow the new size (not the old one), so a paint never shows
  // an image of the wrong size.
  if (resized && !FPreparing) PictureChanged();
}

namespace {

// Draws one picture over its whole image (stretched) or at its own size.
void DrawPicture(ui::TBitmap& image, const ui::TPicture& picture, ui::TColor background, bool stretch) {
  image.Fill(background);
  const ui::TGraphic* graphic = picture.Empty() ? nullptr : picture.Graphic();
  if (!graphic) return;
  ui::TCanvas& canvas = image.Canvas();
  if (!stretch) {
    canvas.Draw(0, 0, *graphic);
    return;
  }
  const ui::TRect whole = ui::Rect(0, 0, image.Width(), image.Height());
  if (dynamic_cast<const ui::TIcon*>(graphic)) {
    // An icon keeps its own size on its background, and that is stretched.
    ui::TBitmap icon(graphic->Width(), graphic->Height());
    icon.Fill(background);
    icon.Canvas().Draw(0, 0, *graphic);
    canvas.StretchDraw(whole, icon);
  } else {
    canvas.StretchDraw(whole, *graphic);
  }
}

}  // namespace

void TBSMorphButton::PrepareImages() {
  FPreparing = true;
  if (!FStretchToFit) {
    const ui::TPicture* first = !FMorphPic1.Empty() ? &FMorphPic1 : !FMorphPic2.Empty() ? &FMorphPic2 : nullptr;
    if (first) SetBounds(Left(), Top(), first->Width(), first->Height());
  }
  FPreparing = false;
  const int w = Width(), h = Height();
  FShown.SetSize(w, h);
  FEnd.SetSize(w, h);
  DrawPicture(FShown, FMorphPic1, FMorphColor1, FStretchToFit);
  DrawPicture(FEnd, FMorphPic2, FMorphColor2, FStretchToFit);
  FStart.SetSize(w, h);
}

void TBSMorphButton::Morph() {
  PrepareImages();
  if (FMorphRate < 1) throw EMorphButton("BlendRate must be between 0 and 256");
  FStart = FShown;
  for (int i = 0; i <= FMorphRate; ++i) {
    const int w = i * 32 / FMorphRate;
    if (w != 0) MorphBlend(FShown, FStart, FEnd, w);
    Repaint();
    if (OnFrame) OnFrame(i);
    if (FProcessMsgs && ui::Application) ui::Application->ProcessMessages();
  }
}

void TBSMorphButton::Paint() { Canvas().Draw(0, 0, FShown); }
