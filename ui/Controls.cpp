// Controls: geometry, visibility, fonts and colours that follow the parent,
// the message dispatch and the painting of a control tree.

#include "ui/Controls.h"

#include <algorithm>

#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Forms.h"

namespace ui {

namespace {

HWND gNextHandle = 0x10010;

TShiftState ShiftFromMouseWParam(intptr_t w) {
  TShiftState s = 0;
  if (w & MK_SHIFT) s |= ssShift;
  if (w & MK_CONTROL) s |= ssCtrl;
  if (w & MK_LBUTTON) s |= ssLeft;
  if (w & MK_RBUTTON) s |= ssRight;
  if (w & MK_MBUTTON) s |= ssMiddle;
  return s;
}

bool IsWinControl(const TControl* c) { return dynamic_cast<const TWinControl*>(c) != nullptr; }

}  // namespace

// ---- TControl -----------------------------------------------------------------

TControl::TControl(rtl::TComponent* owner) : rtl::TComponent(owner) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  FFont.OnChange = [this] {
    if (FFollowingParent) return;
    FParentFont = false;
    Perform(CM_FONTCHANGED);
  };
}

TControl::~TControl() {
  if (Application) Application->ControlDestroying(this);
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (parent == this) throw rtl::Exception("A control cannot be its own parent");
  if (FParent) FParent->RemoveControl(this);
  FParent = parent;
  if (!FParent) return;
  FParent->InsertControl(this);
  if (FParentFont) ParentFontChanged();
  if (FParentColor) ParentColorChanged();
  RequestAlign();
  Invalidate();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  const bool resized = width != FWidth || height != FHeight;
  Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
  if (resized) Perform(WM_SIZE, 0, MakeLParam(width, height));
  if (FParent && FAlign != alNone && !FParent->FAligning) FParent->Realign();
}

TPoint TControl::ClientOrigin() const {
  if (!FParent) return {FLeft, FTop};
  TPoint p = FParent->ClientOrigin();
  return {p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint o = ClientOrigin();
  return {p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint o = ClientOrigin();
  return {p.X - o.X, p.Y - o.Y};
}

TPoint TControl::WindowOrigin() const {
  TPoint p{0, 0};
  if (auto* form = dynamic_cast<const TCustomForm*>(this)) {
    p = {form->BorderSize(), form->BorderSize() + form->CaptionHeight()};
    if (!FParent) return p;  // a window of its own
  }
  if (!FParent) return p;
  const TPoint o = FParent->WindowOrigin();
  return {o.X + FLeft + p.X, o.Y + FTop + p.Y};
}

TRect TControl::WindowRect() const {
  if (!Showing()) return {};
  if (!FParent) return Rect(0, 0, FWidth, FHeight);  // a form
  const TPoint o = FParent->WindowOrigin();
  TRect r = Bounds(o.X + FLeft, o.Y + FTop, FWidth, FHeight);
  // Only what the parents show of it.
  for (const TWinControl* p = FParent; p; p = p->FParent) {
    TPoint po = p->WindowOrigin();
    r = IntersectRect(r, Bounds(po.X, po.Y, p->ClientWidth(), p->ClientHeight()));
  }
  return r;
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (FParent && !FParent->FAligning) FParent->Realign();
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  if (!value) {
    Invalidate();
    if (TCustomForm* form = ParentForm(); form && form != this) {
      TWinControl* focus = form->ActiveControl();
      for (TControl* c = focus; c; c = c->FParent)
        if (c == this) { form->SetActiveControl(nullptr); break; }
    }
  }
  FVisible = value;
  if (value) Invalidate();
  Perform(CM_VISIBLECHANGED, value);
  RequestAlign();
}

bool TControl::Showing() const {
  if (!FVisible) return false;
  if (FParent) return FParent->Showing();
  return dynamic_cast<const TCustomForm*>(this) != nullptr;
}

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (!value) {
    if (MouseCapture()) SetMouseCapture(false);
    if (TCustomForm* form = ParentForm(); form && form != this && form->ActiveControl() == this)
      form->SetActiveControl(nullptr);
  }
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::EnabledInTree() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FEnabled) return false;
  return true;
}

void TControl::SetCaption(const AnsiString& value) {
  if (value == FCaption) return;
  FCaption = value;
  Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor value) {
  FParentColor = false;
  if (value == FColor) return;
  FColor = value;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
  FParentColor = value;
  if (value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent || FParent->FColor == FColor) return;
  FColor = FParent->FColor;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentFont(bool value) {
  FParentFont = value;
  if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FFollowingParent = true;
  FFont.Assign(FParent->FFont);
  FFollowingParent = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetCursor(TCursor value) {
  if (value == FCursor) return;
  FCursor = value;
  if (Application) Application->UpdateCursor();
}

bool TControl::MouseCapture() const { return Application && Application->Capture() == this; }

void TControl::SetMouseCapture(bool value) {
  if (!Application) return;
  if (value) Application->SetCapture(this);
  else if (Application->Capture() == this) Application->SetCapture(nullptr);
}

void TControl::Invalidate() {
  TCustomForm* form = ParentForm();
  if (!form) return;
  TRect r = WindowRect();
  if (!r.IsEmpty()) form->InvalidateWindowRect(r);
}

void TControl::Update() {
  if (TCustomForm* form = ParentForm()) form->PaintNow();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::PrepareCanvas(TBitmap& target, TPoint origin, const TRect& clip) {
  FCanvas.SetTarget(&target);
  FCanvas.SetOrigin(origin);
  TRect logical = clip;
  logical.Offset(-origin.X, -origin.Y);
  FCanvas.SetClipRect(logical);
}

TCanvas& TControl::Canvas() {
  if (FPainting) return FCanvas;
  TCustomForm* form = ParentForm();
  TRect visible = WindowRect();
  if (!form || visible.IsEmpty()) {
    // Nowhere to draw: a canvas that draws on nothing that shows.
    static TBitmap nowhere(1, 1);
    PrepareCanvas(nowhere, {0, 0}, Rect(0, 0, 0, 0));
    return FCanvas;
  }
  TBitmap& image = form->FImage;
  if (image.Width() != form->Width() || image.Height() != form->Height()) image.SetSize(form->Width(), form->Height());
  PrepareCanvas(image, WindowOrigin(), visible);
  form->MarkPresent(visible);
  return FCanvas;
}

void TControl::PaintParentBackground(TBitmap& dest) {
  dest.SetSize(FWidth, FHeight);
  TCustomForm* form = ParentForm();
  if (!form || form == this) {
    dest.Fill(ColorToRGB(FColor));
    return;
  }
  dest.Fill(ColorToRGB(FParent ? FParent->Color() : FColor));
  TPoint o = WindowOrigin();
  form->PaintTo(dest, {-o.X, -o.Y}, Rect(0, 0, FWidth, FHeight), this);
}

void TControl::BringToFront() {
  if (auto* form = dynamic_cast<TCustomForm*>(this)) {
    if (Application) Application->BringToTop(form);
    return;
  }
  if (!FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
  Invalidate();
}

void TControl::SendToBack() {
  if (!FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.insert(list.begin(), this);
  Invalidate();
}

TCustomForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->FParent) c = c->FParent;
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

intptr_t TControl::Perform(uint32_t msg, intptr_t wParam, intptr_t lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WindowProc(m);
  return m.Result;
}

bool TControl::PaintTo(TBitmap& target, TPoint origin, const TRect& clip, const TControl* stopAt) {
  if (this == stopAt) return true;
  TRect r = IntersectRect(clip, Bounds(origin.X, origin.Y, FWidth, FHeight));
  if (r.IsEmpty()) return false;
  PrepareCanvas(target, origin, r);
  FPainting = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FPainting};
  Perform(WM_PAINT, reinterpret_cast<intptr_t>(&FCanvas));
  return false;
}

TControl* TControl::ControlAtPos(TPoint, bool) { return this; }

bool TControl::IsAccel(char ch, const AnsiString& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return rtl::AnsiUpperCase(AnsiString(1, caption[i + 1])) == rtl::AnsiUpperCase(AnsiString(1, ch));
  }
  return false;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
      Paint();
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
      const bool dbl = m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK;
      const TMouseButton button = (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) ? mbLeft
                                  : (m.Msg == WM_RBUTTONDOWN || m.Msg == WM_RBUTTONDBLCLK) ? mbRight
                                                                                         : mbMiddle;
      TShiftState shift = ShiftFromMouseWParam(m.WParam);
      if (button == mbLeft) {
        if (FControlStyle & csCaptureMouse) SetMouseCapture(true);
        if (FControlStyle & csClickEvents) FClicked = true;
      }
      if (dbl) {
        shift |= ssDouble;
        if (button == mbLeft && (FControlStyle & csDoubleClicks)) DblClick();
      }
      MouseDown(button, shift, LParamX(m.LParam), LParamY(m.LParam));
      return;
    }
    case WM_MOUSEMOVE:
      MouseMove(ShiftFromMouseWParam(m.WParam), LParamX(m.LParam), LParamY(m.LParam));
      return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const TMouseButton button = m.Msg == WM_LBUTTONUP ? mbLeft : m.Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
      const int x = LParamX(m.LParam), y = LParamY(m.LParam);
      if (button == mbLeft) {
        const bool clicked = FClicked;
        FClicked = false;
        if (FControlStyle & csCaptureMouse) SetMouseCapture(false);
        if (clicked && ClientRect().Contains({x, y})) Click();
      }
      MouseUp(button, ShiftFromMouseWParam(m.WParam), x, y);
      return;
    }
    case WM_CAPTURECHANGED:
      FClicked = false;
      return;
    case CM_MOUSEENTER:
      MouseEnter();
      return;
    case CM_MOUSELEAVE:
      MouseLeave();
      return;
    case CM_DIALOGCHAR:
      m.Result = DialogChar(static_cast<char>(m.WParam)) ? 1 : 0;
      return;
    case CM_DIALOGKEY:
      m.Result = DialogKey(static_cast<WORD>(m.WParam), static_cast<TShiftState>(m.LParam)) ? 1 : 0;
      return;
    case CM_ENABLEDCHANGED:
      EnabledChanged();
      return;
    case CM_VISIBLECHANGED:
      VisibleChanged();
      return;
    case CM_TEXTCHANGED:
      TextChanged();
      return;
    case CM_FONTCHANGED:
      FontChanged();
      return;
    case CM_COLORCHANGED:
      ColorChanged();
      return;
    case CM_PARENTFONTCHANGED:
      ParentFontChanged();
      return;
    case CM_PARENTCOLORCHANGED:
      ParentColorChanged();
      return;
    case WM_SIZE:
      Resize();
      return;
    default:
      return;
  }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown && !(FControlStyle & csNoStdEvents)) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove && !(FControlStyle & csNoStdEvents)) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp && !(FControlStyle & csNoStdEvents)) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseEnter() {
  FMouseInside = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::MouseLeave() {
  FMouseInside = false;
  if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- TWinControl ----------------------------------------------------------------

TWinControl::TWinControl(rtl::TComponent* owner) : TControl(owner), FHandle(gNextHandle++) {}

TWinControl::~TWinControl() {
  // Children go with their parent, as child windows do.
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    RemoveControl(child);
    delete child;
  }
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  if (auto* wc = dynamic_cast<TWinControl*>(control)) FTabList.push_back(wc);
}

void TWinControl::RemoveControl(TControl* control) {
  control->Invalidate();
  if (TCustomForm* form = ParentForm()) {
    for (TControl* c = form->ActiveControl(); c; c = c->FParent)
      if (c == control) {
        form->SetActiveControl(nullptr);
        break;
      }
  }
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), control), FTabList.end());
  control->FParent = nullptr;
}

int TWinControl::TabOrder() const {
  TWinControl* parent = Parent();
  if (!parent) return -1;
  auto it = std::find(parent->FTabList.begin(), parent->FTabList.end(), this);
  return it == parent->FTabList.end() ? -1 : static_cast<int>(it - parent->FTabList.begin());
}

void TWinControl::SetTabOrder(int value) {
  TWinControl* parent = Parent();
  if (!parent) return;
  auto& list = parent->FTabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  value = std::clamp(value, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + value, this);
}

bool TWinControl::CanFocus() const {
  if (!Showing() || !EnabledInTree()) return false;
  return true;
}

bool TWinControl::Focused() const {
  TCustomForm* form = ParentForm();
  return form && form != this && form->Active() && form->ActiveControl() == this;
}

void TWinControl::SetFocus() {
  TCustomForm* form = ParentForm();
  if (!form || form == this) return;
  form->SetActiveControl(this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : FTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return;
  const int count = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), current);
  int start = it == list.end() ? (forward ? count - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
  do {
    i = forward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[i];
    if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (checkTabStop || c->Parent() == this)) {
      c->SetFocus();
      return;
    }
  } while (i != start);
}

void TWinControl::Realign() {
  if (FAligning) return;
  FAligning = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FAligning};
  TRect r = ClientRect();
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : FControls) {
      if (!c->Visible() || c->Align() != align) continue;
      const int w = c->Width(), h = c->Height();
      switch (align) {
        case alTop:
          c->SetBounds(r.Left, r.Top, r.Width(), h);
          r.Top += h;
          break;
        case alBottom:
          c->SetBounds(r.Left, r.Bottom - h, r.Width(), h);
          r.Bottom -= h;
          break;
        case alLeft:
          c->SetBounds(r.Left, r.Top, w, r.Height());
          r.Left += w;
          break;
        case alRight:
          c->SetBounds(r.Right - w, r.Top, w, r.Height());
          r.Right -= w;
          break;
        case alClient:
          c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
          break;
        case alNone:
          break;
      }
    }
  }
}

bool TWinControl::PaintTo(TBitmap& target, TPoint origin, const TRect& clip, const TControl* stopAt) {
  if (this == stopAt) return true;
  TRect area = IntersectRect(clip, Bounds(origin.X, origin.Y, ClientWidth(), ClientHeight()));
  if (area.IsEmpty()) return false;
  PrepareCanvas(target, origin, area);
  {
    FPainting = true;
    struct TReset {
      bool& Flag;
      ~TReset() { Flag = false; }
    } reset{FPainting};
    Perform(WM_ERASEBKGND, reinterpret_cast<intptr_t>(&FCanvas));
    Perform(WM_PAINT, reinterpret_cast<intptr_t>(&FCanvas));
  }
  // Windowless children first: windowed ones cover them.
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < FControls.size(); ++i) {
      TControl* c = FControls[i];
      if (IsWinControl(c) != (pass == 1)) continue;
      if (!c->Visible()) {
        if (c == stopAt) return true;
        continue;
      }
      if (c->PaintTo(target, {origin.X + c->Left(), origin.Y + c->Top()}, area, stopAt)) return true;
    }
  }
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled) {
  // Windowed children above windowless ones; later ones above earlier ones.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
      TControl* c = *it;
      if (IsWinControl(c) != (pass == 0)) continue;
      if (!c->Visible() || !c->BoundsRect().Contains(p)) continue;
      if (!allowDisabled && !c->Enabled()) {
        if (pass == 0) return nullptr;  // a disabled child window swallows the mouse
        continue;
      }
      return c->ControlAtPos({p.X - c->Left(), p.Y - c->Top()}, allowDisabled);
    }
  }
  return this;
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      EraseBackground(*MessageCanvas(m));
      m.Result = 1;
      return;
    case WM_PAINT:
      PaintWindow(*MessageCanvas(m));
      return;
    case WM_SETFOCUS:
      DoEnter();
      Invalidate();
      return;
    case WM_KILLFOCUS:
      DoExit();
      Invalidate();
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(m.WParam);
      KeyDown(key, static_cast<TShiftState>(m.LParam));
      m.Result = key;
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(m.WParam);
      KeyUp(key, static_cast<TShiftState>(m.LParam));
      m.Result = key;
      return;
    }
    case WM_CHAR: {
      char c = static_cast<char>(m.WParam);
      KeyPress(c);
      m.Result = static_cast<unsigned char>(c);
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (FocusOnClick() && CanFocus() && !Focused()) SetFocus();
      TControl::WndProc(m);
      return;
    default:
      TControl::WndProc(m);
  }
}

void TWinControl::EraseBackground(TCanvas& canvas) {
  canvas.Brush.Color = Color();
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(Rect(0, 0, Width(), Height()));
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::Resize() {
  Realign();
  TControl::Resize();
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTFONTCHANGED);
}

void TWinControl::ColorChanged() {
  TControl::ColorChanged();
  for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTCOLORCHANGED);
}

bool TWinControl::BroadcastDialogChar(char ch) {
  for (TControl* c : std::vector<TControl*>(FControls)) {
    if (!c->Visible() || !c->Enabled()) continue;
    if (c->Perform(CM_DIALOGCHAR, static_cast<unsigned char>(ch))) return true;
    if (auto* wc = dynamic_cast<TWinControl*>(c); wc && wc->BroadcastDialogChar(ch)) return true;
  }
  return false;
}

bool TWinControl::BroadcastDialogKey(WORD key, TShiftState shift) {
  for (TControl* c : std::vector<TControl*>(FControls)) {
    if (!c->Visible() || !c->Enabled()) continue;
    if (c->Perform(CM_DIALOGKEY, key, shift)) return true;
    if (auto* wc = dynamic_cast<TWinControl*>(c); wc && wc->BroadcastDialogKey(key, shift)) return true;
  }
  return false;
}

// ---- helpers --------------------------------------------------------------------

void DrawDisabledText(TCanvas& canvas, const AnsiString& text, TRect rect, unsigned flags) {
  const TBrushStyle style = canvas.Brush.Style;
  canvas.Brush.Style = bsClear;
  rect.Offset(1, 1);
  canvas.Font.SetColor(clBtnHighlight);
  canvas.DrawText(text, rect, flags);
  rect.Offset(-1, -1);
  canvas.Font.SetColor(clBtnShadow);
  canvas.DrawText(text, rect, flags);
  canvas.Brush.Style = style;
}

}  // namespace ui
