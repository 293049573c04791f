// Forms: frame and title bar, showing, closing, modal loops, focus, the
// window image and its presentation.

#include "ui/Forms.h"

#include <algorithm>

#include "ui/Application.h"
#include "ui/MDIClient.h"

namespace ui {

namespace {

constexpr int kCloseButtonWidth = 16;
constexpr int kCloseButtonHeight = 14;

bool IsFatal(const std::exception& e) { return dynamic_cast<const EDisplayStalled*>(&e) != nullptr; }

// Forms by handle: a handle is never used again, so a form that went is never
// taken for a new one made at the same address.
TCustomForm* LiveForm(HWND handle) { return Application ? Application->FindForm(handle) : nullptr; }

}  // namespace

TCustomForm::TCustomForm(rtl::TComponent* owner) : TWinControl(owner) {
  FVisible = false;
  FParentFont = false;
  FParentColor = false;
  SetColor(clBtnFace);
  FControlStyle |= csAcceptsControls;
  TControl::SetBounds(0, 0, 320, 240);
  if (Application) Application->FormCreated(this);
}

TCustomForm::~TCustomForm() {
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (const std::exception& e) {
      if (Application) Application->HandleException(e);
    }
  }
  if (Application) Application->FormDestroying(this);
}

void TCustomForm::AfterConstruction() {
  if (OnCreate) {
    try {
      OnCreate(this);
    } catch (const std::exception& e) {
      if (IsFatal(e) || !Application) throw;
      Application->HandleException(e);
    }
  }
  if (FVisible) {
    FVisible = false;
    SetVisible(true);
  }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (value == FBorderStyle) return;
  const int cw = ClientWidth(), ch = ClientHeight();
  FBorderStyle = value;
  UpdateDisplayFrame();
  SetClientSize(cw, ch);
  Invalidate();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  if (value == FBorderIcons) return;
  FBorderIcons = value;
  UpdateDisplayFrame();
  Invalidate();
}

TWindowFrame TCustomForm::FrameKind() const { return FBorderStyle == bsDialog ? wfDialog : wfNone; }

bool TCustomForm::NativeFrame() const {
  return FrameKind() != wfNone && !Parent() && Application && Application->Display().DrawsFrame(FrameKind());
}

TRect TCustomForm::PictureRect() const {
  if (!NativeFrame()) return Rect(0, 0, Width(), Height());
  const TRect client = ClientRect();
  return Bounds(BorderSize(), BorderSize() + CaptionHeight(), client.Width(), client.Height());
}

TRect TCustomForm::DisplayRect() const {
  TRect r = PictureRect();
  r.Offset(Left(), Top());
  return r;
}

void TCustomForm::UpdateDisplayFrame() {
  if (!Application) return;
  // A child of a frame has its own window hidden, and no frame on it.
  const bool native = NativeFrame();
  Application->Display().SetWindowFrame(Handle(), native ? FrameKind() : wfNone,
                                        native && (FBorderIcons & biSystemMenu));
  UpdateDisplayBounds();
  if (FRegion) SetWindowRegion(FRegion);
  FPicture = TBitmap();
  InvalidateWindowRect(Rect(0, 0, Width(), Height()));
}

void TCustomForm::MovedByDisplay(TPoint topLeft) {
  const TRect area = PictureRect();
  SetBounds(topLeft.X - area.Left, topLeft.Y - area.Top, Width(), Height());
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (value == FWindowState) return;
  if (FWindowState == wsNormal) FRestoreBounds = BoundsRect();
  FWindowState = value;
  if (value == wsMaximized && Application) {
    TSize s = Application->Display().ScreenSize();
    SetBounds(0, 0, s.cx, s.cy);
  } else if (value == wsNormal && !FRestoreBounds.IsEmpty()) {
    SetBoundsRect(FRestoreBounds);
  }
}

int TCustomForm::BorderSize() const {
  switch (FBorderStyle) {
    case bsNone: return 0;
    case bsSizeable: return 4;
    default: return 3;
  }
}

int TCustomForm::CaptionHeight() const {
  switch (FBorderStyle) {
    case bsNone: return 0;
    case bsToolWindow: return 16;
    default: return 19;  // an 18-pixel bar and the line under it
  }
}

TRect TCustomForm::ClientRect() const {
  const int b = BorderSize();
  return Rect(0, 0, std::max(0, Width() - 2 * b), std::max(0, Height() - 2 * b - CaptionHeight()));
}

void TCustomForm::SetClientSize(int width, int height) {
  const int b = BorderSize();
  SetBounds(Left(), Top(), width + 2 * b, height + 2 * b + CaptionHeight());
}

TPoint TCustomForm::ClientOrigin() const {
  const TPoint o = Parent() ? Parent()->ClientOrigin() : TPoint{0, 0};
  return {o.X + Left() + BorderSize(), o.Y + Top() + BorderSize() + CaptionHeight()};
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
  const bool resized = width != Width() || height != Height();
  TControl::SetBounds(left, top, width, height);
  UpdateDisplayBounds();
  if (resized) Invalidate();
}

void TCustomForm::UpdateDisplayBounds() {
  // A child of a frame is drawn by the frame; its own window stays hidden.
  if (Application && !Parent()) Application->Display().SetWindowBounds(Handle(), DisplayRect());
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (value == FFormStyle) return;
  // A child's frame: the frame that owns it, else the main form.
  TCustomForm* frame = dynamic_cast<TCustomForm*>(Owner());
  if (!frame || !frame->ClientWindow()) frame = Application ? Application->MainForm() : nullptr;
  if (value == fsMDIChild && (!frame || frame == this || !frame->ClientWindow()))
    throw rtl::Exception("Cannot create form. No MDI forms are currently active");
  if (FFormStyle == fsMDIForm) {
    delete FClientWindow;
    FClientWindow = nullptr;
  }
  if (FFormStyle == fsMDIChild) SetParent(nullptr);
  FFormStyle = value;
  if (value == fsMDIForm) FClientWindow = new TMDIClient(this);
  if (value == fsMDIChild) {
    if (FVisible && Application) Application->Display().ShowWindow(Handle(), false);
    SetParent(frame->ClientWindow());
  }
  UpdateDisplayFrame();
}

void TCustomForm::PlaceOnShow() {
  if (!Application) return;
  TSize s = Application->Display().ScreenSize();
  if (FWindowState == wsMaximized) {
    SetBounds(0, 0, s.cx, s.cy);
    return;
  }
  if (FPosition == poScreenCenter || FPosition == poDesktopCenter ||
      (FPosition == poMainFormCenter && !Application->MainForm())) {
    SetBounds((s.cx - Width()) / 2, (s.cy - Height()) / 2, Width(), Height());
  } else if (FPosition == poMainFormCenter && Application->MainForm() != this) {
    TCustomForm* m = Application->MainForm();
    SetBounds(m->Left() + (m->Width() - Width()) / 2, m->Top() + (m->Height() - Height()) / 2, Width(), Height());
  }
}

void TCustomForm::SetVisible(bool value) {
  if (value == FVisible) return;
  if (Parent()) {
    // A child of a frame shows as a control of it.
    if (value) DoShow();
    else DoHide();
    TControl::SetVisible(value);
    return;
  }
  if (value) {
    PlaceOnShow();
    DoShow();
    FVisible = true;
    if (Application) {
      Application->Display().ShowWindow(Handle(), true);
      FInvalid = Rect(0, 0, Width(), Height());
      Application->FormShown(this);
    }
  } else {
    DoHide();
    FVisible = false;
    if (Application) {
      Application->Display().ShowWindow(Handle(), false);
      Application->FormHidden(this);
    }
  }
  Perform(CM_VISIBLECHANGED, value);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) Application->Terminate();
  else if (action == caFree) Release();
  else Hide();
}

void TCustomForm::CloseModal() {
  try {
    TCloseAction action = caNone;
    if (CloseQuery()) {
      action = caHide;
      DoClose(action);
    }
    if (action == caNone) FModalResult = mrNone;
    else if (action == caFree) Release();
  } catch (const std::exception& e) {
    if (IsFatal(e) || !Application) throw;
    FModalResult = mrNone;
    Application->HandleException(e);
  }
}

TModalResult TCustomForm::ShowModal() {
  if (!Application) throw rtl::Exception("No application");
  if (FVisible || !Enabled() || FModal) throw rtl::Exception("Cannot make a visible window modal");
  TApplication& app = *Application;

  // The windows visible and enabled now stay disabled while the loop runs; a
  // window shown later stays usable.
  std::vector<HWND> disabled;
  for (TCustomForm* f : app.ZOrder())
    if (f != this && f->Visible() && f->Enabled() && !f->NoActivate()) disabled.push_back(f->Handle());
  const HWND previous = app.ActiveForm() ? app.ActiveForm()->Handle() : 0;
  for (HWND h : disabled) LiveForm(h)->SetEnabled(false);
  FModal = true;

  auto end = [&] {
    FModal = false;
    Hide();
    for (HWND h : disabled)
      if (TCustomForm* f = LiveForm(h)) f->SetEnabled(true);
    TCustomForm* back = LiveForm(previous);
    if (back && back->Visible() && back->Enabled()) app.ActivateForm(back);
    else if (!app.ActiveForm()) app.ActivateTopmost();
  };
  try {
    FModalResult = mrNone;
    Show();
    do {
      app.HandleMessage();
      if (app.Terminated()) FModalResult = mrCancel;
      else if (FModalResult != mrNone) CloseModal();
    } while (FModalResult == mrNone);
  } catch (...) {
    // The windows come back even when the loop ends by an error.
    try {
      end();
    } catch (...) {
    }
    throw;
  }
  end();
  return FModalResult;
}

void TCustomForm::Release() {
  if (!Application) return;
  Application->Post([handle = Handle()] { delete LiveForm(handle); });
}

bool TCustomForm::Active() const { return Application && Application->ActiveForm() == this; }

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  TWinControl* old = FActiveControl;
  FActiveControl = control;
  if (Active()) FocusChanged(old, control);
}

void TCustomForm::FocusChanged(TWinControl* oldFocus, TWinControl* newFocus) {
  if (oldFocus) oldFocus->Perform(WM_KILLFOCUS);
  if (newFocus && newFocus == FActiveControl) newFocus->Perform(WM_SETFOCUS);
  // Buttons show which one Enter presses now.
  std::vector<TWinControl*> all;
  GetTabOrderList(all);
  for (TWinControl* c : all) c->Perform(CM_FOCUSCHANGED, reinterpret_cast<intptr_t>(newFocus));
}

void TCustomForm::SelectFirst() {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  for (TWinControl* c : list)
    if (c->CanFocus() && c->TabStop()) {
      SetActiveControl(c);
      return;
    }
}

void TCustomForm::SetWindowRegion(const std::optional<TRegion>& region) {
  FRegion = region;
  if (Application) {
    // The display takes it in the coordinates of the part it shows.
    std::optional<TRegion> shown = region;
    if (const TRect area = PictureRect(); shown) shown->Offset(-area.Left, -area.Top);
    Application->Display().SetWindowRegion(Handle(), shown);
  }
  Invalidate();
}

void TCustomForm::InvalidateWindowRect(const TRect& rect) {
  TRect r = IntersectRect(rect, Rect(0, 0, Width(), Height()));
  if (!r.IsEmpty()) FInvalid = UnionRect(FInvalid, r);
}

void TCustomForm::PaintNow() {
  if (!FVisible || FInvalid.IsEmpty()) return;
  if (FImage.Width() != Width() || FImage.Height() != Height()) {
    FImage.SetSize(Width(), Height());
    FInvalid = Rect(0, 0, Width(), Height());
  }
  // A frame the display draws is not painted.
  const TRect clip = IntersectRect(FInvalid, PictureRect());
  FInvalid = {};
  if (clip.IsEmpty()) return;
  PaintTo(FImage, {0, 0}, clip);
  FToPresent = UnionRect(FToPresent, clip);
  PresentNow();
}

void TCustomForm::MarkPresent(const TRect& rect) {
  FToPresent = UnionRect(FToPresent, IntersectRect(rect, Rect(0, 0, Width(), Height())));
}

void TCustomForm::PresentNow() {
  if (!FVisible || FToPresent.IsEmpty() || !Application) return;
  if (FImage.Width() != Width() || FImage.Height() != Height()) return;
  const TRect area = PictureRect();
  if (area == Rect(0, 0, Width(), Height())) {
    Application->Display().Present(Handle(), FImage, FToPresent);
    FToPresent = {};
    return;
  }
  // Inside the display's frame: the client area's picture, the changed part copied.
  TRect dirty = IntersectRect(FToPresent, area);
  FToPresent = {};
  if (FPicture.Width() != area.Width() || FPicture.Height() != area.Height()) {
    FPicture.SetSize(area.Width(), area.Height());
    dirty = area;
  }
  if (dirty.IsEmpty()) return;
  for (int y = dirty.Top; y < dirty.Bottom; ++y)
    std::copy_n(FImage.ScanLine(y) + dirty.Left, dirty.Width(), FPicture.ScanLine(y - area.Top) + dirty.Left - area.Left);
  dirty.Offset(-area.Left, -area.Top);
  Application->Display().Present(Handle(), FPicture, dirty);
}

TBitmap TCustomForm::PaintWindowImage() {
  TBitmap image(Width(), Height());
  PaintTo(image, {0, 0}, Rect(0, 0, Width(), Height()));
  return image;
}

bool TCustomForm::InCloseButton(TPoint p) const {
  if (CaptionHeight() == 0 || !(FBorderIcons & biSystemMenu) || NativeFrame()) return false;
  const int b = BorderSize();
  const int bar = CaptionHeight() - 1;
  TRect r = Bounds(Width() - b - 2 - kCloseButtonWidth, b + (bar - kCloseButtonHeight) / 2, kCloseButtonWidth,
                   kCloseButtonHeight);
  return r.Contains(p);
}

bool TCustomForm::InCaption(TPoint p) const {
  if (CaptionHeight() == 0 || NativeFrame()) return false;
  const int b = BorderSize();
  return Rect(b, b, Width() - b, b + CaptionHeight() - 1).Contains(p) && !InCloseButton(p);
}

bool TCustomForm::PaintTo(TBitmap& target, TPoint origin, const TRect& clip, const TControl* stopAt) {
  if (this == stopAt) return true;
  TRect area = IntersectRect(clip, Bounds(origin.X, origin.Y, Width(), Height()));
  if (area.IsEmpty()) return false;
  if ((BorderSize() > 0 || CaptionHeight() > 0) && !NativeFrame()) {
    PrepareCanvas(target, origin, area);
    FPainting = true;
    struct TReset {
      bool& Flag;
      ~TReset() { Flag = false; }
    } reset{FPainting};
    TCanvasSaver saver(FCanvas);
    PaintNonClient(FCanvas);
  }
  return TWinControl::PaintTo(target, {origin.X + BorderSize(), origin.Y + BorderSize() + CaptionHeight()}, area,
                              stopAt);
}

void TCustomForm::PaintNonClient(TCanvas& canvas) {
  const int w = Width(), h = Height();
  TRect r = Rect(0, 0, w, h);
  canvas.DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  canvas.Brush.Style = bsSolid;
  canvas.Brush.Color = clBtnFace;
  for (int i = 2; i < BorderSize(); ++i) {
    canvas.FrameRect(r);
    r.Inflate(-1, -1);
  }
  if (CaptionHeight() == 0) return;

  // Title bar: a gradient from the caption colour to its light partner.
  const int b = BorderSize();
  const int bar = CaptionHeight() - 1;
  const bool active = Active() || FModal;
  const TColor c1 = ColorToRGB(active ? clActiveCaption : clInactiveCaption);
  const TColor c2 = ColorToRGB(active ? clGradientActiveCaption : clGradientInactiveCaption);
  const int barWidth = w - 2 * b;
  for (int x = 0; x < barWidth; ++x) {
    auto mix = [&](int shift) {
      const int a = (c1 >> shift) & 0xFF, z = (c2 >> shift) & 0xFF;
      return static_cast<TColor>(a + (z - a) * x / std::max(1, barWidth - 1)) << shift;
    };
    canvas.Pen.Color = mix(0) | mix(8) | mix(16);
    canvas.MoveTo(b + x, b);
    canvas.LineTo(b + x, b + bar);
  }
  canvas.Pen.Color = clBtnFace;
  canvas.MoveTo(b, b + bar);
  canvas.LineTo(w - b, b + bar);

  int textRight = w - b - 2;
  if (FBorderIcons & biSystemMenu) {
    TRect btn = Bounds(w - b - 2 - kCloseButtonWidth, b + (bar - kCloseButtonHeight) / 2, kCloseButtonWidth,
                       kCloseButtonHeight);
    textRight = btn.Left - 2;
    canvas.Brush.Color = clBtnFace;
    canvas.FillRect(btn);
    TRect e = btn;
    canvas.DrawEdge(e, FCloseButtonDown ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    // The classic cross: 8 x 7 pixels, two pixels thick.
    const int gx = btn.Left + 4 + (FCloseButtonDown ? 1 : 0);
    const int gy = btn.Top + 3 + (FCloseButtonDown ? 1 : 0);
    const TColor glyph = ColorToRGB(clBtnText);
    for (int i = 0; i < 7; ++i) {
      const int l = i <= 3 ? i : 6 - i;
      canvas.SetPixels(gx + l, gy + i, glyph);
      canvas.SetPixels(gx + l + 1, gy + i, glyph);
      canvas.SetPixels(gx + 6 - l, gy + i, glyph);
      canvas.SetPixels(gx + 7 - l, gy + i, glyph);
    }
  }

  canvas.Font.Assign(TFont());
  canvas.Font.SetStyle(fsBold);
  canvas.Font.SetColor(active ? clCaptionText : clInactiveCaptionText);
  canvas.Brush.Style = bsClear;
  TRect text = Rect(b + 3, b, textRight, b + bar);
  canvas.DrawText(Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void TCustomForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_SYSCOMMAND:
      if ((m.WParam & 0xFFF0) == SC_MOVE) {
        if (Application) Application->StartDragMove(this);
      } else if ((m.WParam & 0xFFF0) == SC_CLOSE) {
        Close();
      }
      return;
    case CM_ACTIVATE:
      Activate();
      return;
    case CM_DEACTIVATE:
      Deactivate();
      return;
    default:
      TWinControl::WndProc(m);
  }
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::TextChanged() {
  if (Application) Application->Display().SetWindowCaption(Handle(), Caption());
  if (CaptionHeight() > 0) InvalidateWindowRect(Rect(0, 0, Width(), BorderSize() + CaptionHeight()));
}

// ---- TScreen ---------------------------------------------------------------------

TScreen* Screen = nullptr;

int TScreen::Width() const { return Application ? Application->Display().ScreenSize().cx : 0; }
int TScreen::Height() const { return Application ? Application->Display().ScreenSize().cy : 0; }
TCustomForm* TScreen::ActiveForm() const { return Application ? Application->ActiveForm() : nullptr; }
int TScreen::FormCount() const { return Application ? static_cast<int>(Application->FForms.size()) : 0; }
TCustomForm* TScreen::Forms(int index) const { return Application->FForms[index]; }

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == FCursor) return;
  FCursor = cursor;
  if (Application) Application->UpdateCursor();
}

}  // namespace ui
