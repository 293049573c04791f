// The standard controls: their classic look and their mouse and keyboard behaviour.

#include "ui/StdCtrls.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "rtl/SysUtils.h"
#include "ui/Application.h"

namespace ui {

namespace {

// A canvas for measuring text outside painting.
TCanvas& MeasureCanvas(const TFont& font) {
  static TBitmap probe(1, 1);
  TCanvas& c = probe.Canvas();
  c.Font.Assign(font);
  return c;
}

void DrawPattern(TCanvas& canvas, int x, int y, const char* const* rows, int height,
                 const std::function<TColor(char)>& colorOf) {
  for (int r = 0; r < height; ++r)
    for (int col = 0; rows[r][col]; ++col) {
      const char ch = rows[r][col];
      if (ch != '.') canvas.SetPixels(x + col, y + r, ColorToRGB(colorOf(ch)));
    }
}

// Small black arrows of scroll bars and combo boxes: 7 wide, 4 high.
void DrawArrow(TCanvas& canvas, const TRect& r, bool up, bool enabled, int offset) {
  const int cx = r.Left + (r.Width() - 7) / 2 + offset;
  const int cy = r.Top + (r.Height() - 4) / 2 + offset;
  auto draw = [&](int dx, TColor color) {
    for (int i = 0; i < 4; ++i) {
      const int row = up ? i : 3 - i;
      for (int k = 3 - i; k <= 3 + i; ++k) canvas.SetPixels(cx + k + dx, cy + row + dx, ColorToRGB(color));
    }
  };
  if (!enabled) {
    draw(1, clBtnHighlight);
    draw(0, clBtnShadow);
  } else {
    draw(0, clBtnText);
  }
}

// The raised edge of scroll-bar buttons (and their flat pushed look).
void DrawScrollButton(TCanvas& canvas, TRect r, bool pressed) {
  canvas.Brush.Style = bsSolid;
  if (pressed) {
    canvas.Brush.Color = clBtnShadow;
    canvas.FrameRect(r);
    r.Inflate(-1, -1);
    canvas.Brush.Color = clBtnFace;
    canvas.FillRect(r);
    return;
  }
  canvas.Frame3D(r, cl3DLight, cl3DDkShadow, 1);
  canvas.Frame3D(r, clBtnHighlight, clBtnShadow, 1);
  canvas.Brush.Color = clBtnFace;
  canvas.FillRect(r);
}

void SetupCanvas(TCanvas& c, const TControl& control) {
  c.Font.Assign(control.Font());
  c.Brush.Color = control.Color();
  c.Brush.Style = bsSolid;
  c.Pen = TPen();
}

}  // namespace

// ---- TStrings ---------------------------------------------------------------------

void TStrings::SetStrings(int index, const AnsiString& value) {
  if (index < 0 || index >= Count()) throw rtl::Exception("List index out of bounds (" + rtl::IntToStr(index) + ")");
  FItems[index] = value;
  Changed();
}

int TStrings::Add(const AnsiString& value) {
  FItems.push_back(value);
  Changed();
  return Count() - 1;
}

void TStrings::Insert(int index, const AnsiString& value) {
  if (index < 0 || index > Count()) throw rtl::Exception("List index out of bounds (" + rtl::IntToStr(index) + ")");
  FItems.insert(FItems.begin() + index, value);
  Changed();
}

void TStrings::Delete(int index) {
  if (index < 0 || index >= Count()) throw rtl::Exception("List index out of bounds (" + rtl::IntToStr(index) + ")");
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TStrings::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

int TStrings::IndexOf(const AnsiString& value) const {
  for (int i = 0; i < Count(); ++i)
    if (rtl::AnsiCompareText(FItems[i], value) == 0) return i;
  return -1;
}

AnsiString TStrings::Text() const {
  AnsiString text;
  for (const AnsiString& s : FItems) text += s + "\r\n";
  return text;
}

void TStrings::SetText(const AnsiString& text) {
  std::vector<AnsiString> items;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    items.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) items.push_back(text.substr(start));
  Assign(items);
}

void TStrings::Assign(const std::vector<AnsiString>& items) {
  FItems = items;
  Changed();
}

void TStrings::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [](const AnsiString& a, const AnsiString& b) { return rtl::AnsiCompareText(a, b) < 0; });
  Changed();
}

// ---- glyphs ------------------------------------------------------------------------

void DrawButtonFace(TCanvas& canvas, const TRect& rect, bool pressed, bool isDefault) {
  TRect r = rect;
  canvas.Brush.Style = bsSolid;
  if (isDefault) {
    canvas.Brush.Color = clWindowFrame;
    canvas.FrameRect(r);
    r.Inflate(-1, -1);
  }
  if (pressed) {
    canvas.Brush.Color = clBtnShadow;
    canvas.FrameRect(r);
    r.Inflate(-1, -1);
  } else {
    // Outer edge: highlight above and left, dark shadow below and right; inner: light and shadow.
    canvas.Frame3D(r, clBtnHighlight, cl3DDkShadow, 1);
    canvas.Frame3D(r, cl3DLight, clBtnShadow, 1);
  }
  canvas.Brush.Color = clBtnFace;
  canvas.FillRect(r);
}

void DrawCheckBoxGlyph(TCanvas& canvas, int x, int y, TCheckBoxState state, bool enabled, bool pressed) {
  TRect r = Bounds(x, y, 13, 13);
  canvas.Frame3D(r, clBtnShadow, clBtnHighlight, 1);
  canvas.Frame3D(r, cl3DDkShadow, cl3DLight, 1);
  canvas.Brush.Style = bsSolid;
  canvas.Brush.Color = (enabled && !pressed && state != cbGrayed) ? clWindow : clBtnFace;
  canvas.FillRect(r);
  if (state == cbUnchecked) return;
  static const char* const kCheck[7] = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};
  const TColor mark = (state == cbGrayed || !enabled) ? clBtnShadow : clWindowText;
  DrawPattern(canvas, x + 3, y + 3, kCheck, 7, [mark](char) { return mark; });
}

void DrawRadioGlyph(TCanvas& canvas, int x, int y, bool checked, bool enabled, bool pressed) {
  // s/d: upper-left half of the outer and inner rings, h/l: lower-right half, w: inside.
  static const char* const kRadio[12] = {
      "....ssss....", "..ssddddss..", ".sddwwwwddh.", ".sdwwwwwwlh.", "sdwwwwwwwwlh", "sdwwwwwwwwlh",
      "sdwwwwwwwwlh", "sdwwwwwwwwlh", ".sdwwwwwwlh.", ".sllwwwwllh.", "..hhllllhh..", "....hhhh...."};
  const TColor inside = (enabled && !pressed) ? clWindow : clBtnFace;
  DrawPattern(canvas, x, y, kRadio, 12, [inside](char ch) -> TColor {
    switch (ch) {
      case 's': return clBtnShadow;
      case 'd': return cl3DDkShadow;
      case 'h': return clBtnHighlight;
      case 'l': return cl3DLight;
      default: return inside;
    }
  });
  if (!checked) return;
  static const char* const kDot[4] = {".##.", "####", "####", ".##."};
  const TColor dot = enabled ? clWindowText : clBtnShadow;
  DrawPattern(canvas, x + 4, y + 4, kDot, 4, [dot](char) { return dot; });
}

// ---- TLabel -------------------------------------------------------------------------

TLabel::TLabel(rtl::TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
  AdjustBounds();
}

void TLabel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  Invalidate();
}

void TLabel::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
  if (value == FShowAccelChar) return;
  FShowAccelChar = value;
  AdjustBounds();
  Invalidate();
}

unsigned TLabel::DrawFlags() const {
  unsigned flags = DT_EXPANDTABS;
  if (FWordWrap) flags |= DT_WORDBREAK;
  if (FAlignment == taCenter) flags |= DT_CENTER;
  else if (FAlignment == taRightJustify) flags |= DT_RIGHT;
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  return flags;
}

void TLabel::AdjustBounds() {
  if (!FAutoSize) return;
  AnsiString text = Caption();
  if (text.empty() || (FShowAccelChar && text == "&")) text += ' ';
  TRect r = Rect(0, 0, FWordWrap ? Width() : 0, 0);
  MeasureCanvas(Font()).DrawText(text, r, DrawFlags() | DT_CALCRECT);
  int x = Left();
  if (FAlignment == taRightJustify) x += Width() - r.Right;
  SetBounds(x, Top(), r.Right, r.Bottom);
}

void TLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::FontChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::Paint() {
  TCanvas& c = Canvas();
  SetupCanvas(c, *this);
  TRect r = ClientRect();
  if (!FTransparent) c.FillRect(r);
  c.Brush.Style = bsClear;
  const unsigned flags = DrawFlags();
  if (FLayout != tlTop) {
    TRect m = r;
    c.DrawText(Caption(), m, flags | DT_CALCRECT);
    const int h = m.Height();
    r.Top = FLayout == tlBottom ? r.Bottom - h : (r.Height() - h) / 2;
  }
  if (!Enabled()) DrawDisabledText(c, Caption(), r, flags);
  else c.DrawText(Caption(), r, flags);
}

bool TLabel::DialogChar(char ch) {
  if (!FFocusControl || !FShowAccelChar || !IsAccel(ch, Caption()) || !FFocusControl->CanFocus()) return false;
  FFocusControl->SetFocus();
  return true;
}

// ---- TButton -------------------------------------------------------------------------

TButton::TButton(rtl::TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
}

void TButton::SetDefault(bool value) {
  FDefault = value;
  TCustomForm* form = ParentForm();
  TWinControl* focus = form ? form->ActiveControl() : nullptr;
  const bool active = focus == this || (value && !dynamic_cast<TButton*>(focus));
  if (active != FActive) {
    FActive = active;
    Invalidate();
  }
}

void TButton::SetPressed(bool value) {
  if (value == FPressed) return;
  FPressed = value;
  Invalidate();
}

void TButton::Click() {
  if (FModalResult != mrNone)
    if (TCustomForm* form = ParentForm()) form->SetModalResult(FModalResult);
  TWinControl::Click();
}

void TButton::WndProc(TMessage& m) {
  if (m.Msg == CM_FOCUSCHANGED) {
    auto* focus = reinterpret_cast<TWinControl*>(m.WParam);
    const bool active = focus == this || (FDefault && !dynamic_cast<TButton*>(focus));
    if (active != FActive) {
      FActive = active;
      Invalidate();
    }
    return;
  }
  if (m.Msg == WM_LBUTTONUP) {
    // Drawn released before the click runs (it may open a window).
    FMouseDown = false;
    SetPressed(false);
  }
  TWinControl::WndProc(m);
}

void TButton::Paint() {
  TCanvas& c = Canvas();
  SetupCanvas(c, *this);
  const TRect r = ClientRect();
  DrawButtonFace(c, r, FPressed, FActive);
  TRect t = r;
  if (FPressed) t.Offset(1, 1);
  c.Brush.Style = bsClear;
  const unsigned flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (!EnabledInTree()) {
    DrawDisabledText(c, Caption(), t, flags);
  } else {
    c.Font.SetColor(clBtnText);  // push buttons always draw in the button text colour
    c.DrawText(Caption(), t, flags);
  }
  if (Focused()) {
    TRect f = r;
    f.Inflate(-4, -4);
    c.DrawFocusRect(f);
  }
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FMouseDown = true;
    SetPressed(true);
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TButton::MouseMove(TShiftState shift, int x, int y) {
  if (FMouseDown) SetPressed(ClientRect().Contains({x, y}));
  TWinControl::MouseMove(shift, x, y);
}

void TButton::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == VK_SPACE && !FSpaceDown) {
    FSpaceDown = true;
    SetPressed(true);
  }
}

void TButton::KeyUp(WORD& key, TShiftState shift) {
  TWinControl::KeyUp(key, shift);
  if (key == VK_SPACE && FSpaceDown) {
    FSpaceDown = false;
    SetPressed(false);
    Click();
  }
}

void TButton::DoExit() {
  FSpaceDown = false;
  SetPressed(false);
  TWinControl::DoExit();
}

bool TButton::DialogChar(char ch) {
  if (!IsAccel(ch, Caption()) || !CanFocus()) return false;
  Click();
  return true;
}

bool TButton::DialogKey(WORD key, TShiftState shift) {
  if (shift & (ssShift | ssCtrl | ssAlt)) return false;
  if (!((key == VK_RETURN && FActive) || (key == VK_ESCAPE && FCancel)) || !CanFocus()) return false;
  Click();
  return true;
}

// ---- TButtonControl, TCheckBox, TRadioButton -----------------------------------------------

TButtonControl::TButtonControl(rtl::TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  FControlStyle &= ~csClickEvents;  // a click is the box's own business (Activated)
}

void TButtonControl::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TButtonControl::WndProc(TMessage& m) {
  if (m.Msg == WM_LBUTTONUP) {
    const bool activate = FMouseDown && ClientRect().Contains({LParamX(m.LParam), LParamY(m.LParam)});
    FMouseDown = false;
    FPressed = false;
    Invalidate();
    TWinControl::WndProc(m);
    if (activate) Activated();
    return;
  }
  TWinControl::WndProc(m);
}

void TButtonControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FMouseDown = true;
    FPressed = true;
    Invalidate();
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TButtonControl::MouseMove(TShiftState shift, int x, int y) {
  if (FMouseDown && FPressed != ClientRect().Contains({x, y})) {
    FPressed = !FPressed;
    Invalidate();
  }
  TWinControl::MouseMove(shift, x, y);
}

void TButtonControl::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == VK_SPACE && !FSpaceDown) {
    FSpaceDown = true;
    FPressed = true;
    Invalidate();
  }
}

void TButtonControl::KeyUp(WORD& key, TShiftState shift) {
  TWinControl::KeyUp(key, shift);
  if (key == VK_SPACE && FSpaceDown) {
    FSpaceDown = false;
    FPressed = false;
    Invalidate();
    Activated();
  }
}

void TButtonControl::DoExit() {
  FSpaceDown = false;
  FPressed = false;
  TWinControl::DoExit();
}

TRect TButtonControl::PaintCaption(TCanvas& c, int boxSize) {
  SetupCanvas(c, *this);
  const TRect r = ClientRect();
  c.FillRect(r);
  const int boxY = (r.Height() - boxSize) / 2;
  TRect box, text;
  if (FAlignment == taRightJustify) {
    box = Bounds(0, boxY, boxSize, boxSize);
    text = Rect(boxSize + 4, 0, r.Right, r.Bottom);
  } else {
    box = Bounds(r.Right - boxSize, boxY, boxSize, boxSize);
    text = Rect(0, 0, r.Right - boxSize - 4, r.Bottom);
  }
  TRect m = Rect(0, 0, 0, 0);
  c.DrawText(Caption(), m, DT_CALCRECT | DT_SINGLELINE);
  TRect t = Bounds(text.Left, (r.Height() - m.Height()) / 2, std::min(m.Width(), text.Width()), m.Height());
  c.Brush.Style = bsClear;
  if (!EnabledInTree()) DrawDisabledText(c, Caption(), t, DT_SINGLELINE);
  else c.DrawText(Caption(), t, DT_SINGLELINE);
  if (Focused() && !Caption().empty()) {
    TRect f = IntersectRect(Rect(t.Left - 1, t.Top, t.Right + 1, t.Bottom + 1), r);
    c.DrawFocusRect(f);
  }
  return box;
}

TCheckBox::TCheckBox(rtl::TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 97, 17); }

void TCheckBox::SetState(TCheckBoxState value) {
  if (value == FState) return;
  FState = value;
  Invalidate();
  TControl::Click();
}

void TCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCheckBox::Paint() {
  TCanvas& c = Canvas();
  const TRect box = PaintCaption(c, 13);
  DrawCheckBoxGlyph(c, box.Left, box.Top, FState, EnabledInTree(), FPressed);
}

bool TCheckBox::DialogChar(char ch) {
  if (!IsAccel(ch, Caption()) || !CanFocus()) return false;
  SetFocus();
  Toggle();
  return true;
}

TRadioButton::TRadioButton(rtl::TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 113, 17);
  SetTabStop(false);
}

void TRadioButton::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  SetTabStop(value);
  Invalidate();
  if (!value) return;
  if (TWinControl* parent = Parent())
    for (TControl* c : parent->ControlList())
      if (auto* r = dynamic_cast<TRadioButton*>(c); r && r != this) r->SetChecked(false);
  TControl::Click();
}

void TRadioButton::Paint() {
  TCanvas& c = Canvas();
  const TRect box = PaintCaption(c, 13);
  DrawRadioGlyph(c, box.Left, box.Top, FChecked, EnabledInTree(), FPressed);
}

bool TRadioButton::DialogChar(char ch) {
  if (!IsAccel(ch, Caption()) || !CanFocus()) return false;
  SetFocus();
  SetChecked(true);
  return true;
}

bool TRadioButton::DialogKey(WORD key, TShiftState shift) {
  if (!Focused() || !(key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT)) return false;
  std::vector<TRadioButton*> group;
  for (TControl* c : Parent()->ControlList())
    if (auto* r = dynamic_cast<TRadioButton*>(c); r && (r == this || r->CanFocus())) group.push_back(r);
  const int n = static_cast<int>(group.size());
  const int i = static_cast<int>(std::find(group.begin(), group.end(), this) - group.begin());
  TRadioButton* next = group[(key == VK_DOWN || key == VK_RIGHT) ? (i + 1) % n : (i + n - 1) % n];
  next->SetFocus();
  next->SetChecked(true);
  return true;
}

// ---- TEdit -----------------------------------------------------------------------------

TEdit::TEdit(rtl::TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetColor(clWindow);
  SetCursor(crIBeam);
}

int TEdit::SelStart() const { return std::min(FAnchor, FCaret); }
int TEdit::SelLength() const { return std::abs(FCaret - FAnchor); }

void TEdit::SetSelStart(int value) {
  FAnchor = FCaret = std::clamp(value, 0, static_cast<int>(Text().size()));
  Invalidate();
}

void TEdit::SetSelLength(int value) {
  FAnchor = SelStart();
  FCaret = std::clamp(FAnchor + value, 0, static_cast<int>(Text().size()));
  Invalidate();
}

void TEdit::SelectAll() {
  FAnchor = 0;
  FCaret = static_cast<int>(Text().size());
  Invalidate();
}

AnsiString TEdit::SelText() const { return Text().substr(SelStart(), SelLength()); }

void TEdit::CopyToClipboard() const {
  if (FPasswordChar == 0 && SelLength() > 0 && Application) Application->Display().SetClipboardText(SelText());
}

void TEdit::CutToClipboard() {
  if (FPasswordChar != 0 || FReadOnly || SelLength() == 0) return;
  CopyToClipboard();
  ReplaceSelection("");
}

void TEdit::PasteFromClipboard() {
  if (FReadOnly || !Application) return;
  AnsiString text = Application->Display().ClipboardText();
  text.resize(std::min(text.size(), text.find_first_of("\r\n")));
  if (!text.empty()) ReplaceSelection(text);
}

void TEdit::SetMaxLength(int value) { FMaxLength = std::max(0, value); }

void TEdit::SetPasswordChar(char value) {
  if (value == FPasswordChar) return;
  FPasswordChar = value;
  Invalidate();
}

void TEdit::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  Invalidate();
}

AnsiString TEdit::DisplayText() const {
  return FPasswordChar ? AnsiString(Text().size(), FPasswordChar) : Text();
}

void TEdit::TextChanged() {
  const int n = static_cast<int>(Text().size());
  FAnchor = std::min(FAnchor, n);
  FCaret = std::min(FCaret, n);
  Invalidate();
  if (OnChange) OnChange(this);
}

bool TEdit::WantsKey(WORD key, TShiftState) const {
  return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

void TEdit::WndProc(TMessage& m) {
  if (m.Msg == WM_SETFOCUS && FAutoSelect) SelectAll();
  TWinControl::WndProc(m);
}

void TEdit::Paint() {
  TCanvas& c = Canvas();
  SetupCanvas(c, *this);
  TRect r = ClientRect();
  if (FBorderStyle == bsSingle) c.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  c.Brush.Color = EnabledInTree() ? Color() : clBtnFace;
  c.FillRect(r);

  TCanvasSaver saver(c);
  c.IntersectClipRect(r);
  const AnsiString text = DisplayText();
  const std::vector<int> pos = TextCaretPositions(c.Font, text);
  const int th = c.Font.TextHeight();
  const int width = r.Width() - 4;
  // Keep the caret in view.
  const int caretX = pos[FCaret];
  if (caretX - FScrollX > width) FScrollX = caretX - width;
  if (caretX < FScrollX) FScrollX = caretX;
  const int x0 = r.Left + 2 - FScrollX;
  const int y = r.Top + 1;
  c.Brush.Style = bsClear;
  if (!EnabledInTree()) c.Font.SetColor(clGrayText);
  c.TextOut(x0, y, text);
  const bool focused = Focused();
  if (focused && SelLength() > 0) {
    const TRect sel = Rect(x0 + pos[SelStart()], y, x0 + pos[SelStart() + SelLength()], y + th);
    c.Brush.Style = bsSolid;
    c.Brush.Color = clHighlight;
    c.FillRect(sel);
    c.IntersectClipRect(sel);
    c.Brush.Style = bsClear;
    c.Font.SetColor(clHighlightText);
    c.TextOut(x0, y, text);
  }
  if (focused) {
    c.Pen.Color = clWindowText;
    c.MoveTo(x0 + caretX, y);
    c.LineTo(x0 + caretX, y + th);
  }
}

int TEdit::CharFromX(int x) const {
  const std::vector<int> pos = TextCaretPositions(Font(), DisplayText());
  const int border = FBorderStyle == bsSingle ? 2 : 0;
  const int local = x - border - 2 + FScrollX;
  int best = 0;
  for (int i = 1; i < static_cast<int>(pos.size()); ++i)
    if (std::abs(pos[i] - local) < std::abs(pos[best] - local)) best = i;
  return best;
}

void TEdit::MoveCaret(int to, bool extend) {
  FCaret = std::clamp(to, 0, static_cast<int>(Text().size()));
  if (!extend) FAnchor = FCaret;
  Invalidate();
}

void TEdit::ReplaceSelection(const AnsiString& text) {
  const AnsiString& old = Text();
  AnsiString insert = text;
  const int kept = static_cast<int>(old.size()) - SelLength();
  if (FMaxLength > 0 && kept + static_cast<int>(insert.size()) > FMaxLength)
    insert.resize(static_cast<size_t>(std::max(0, FMaxLength - kept)));
  const int start = SelStart();
  AnsiString result = old.substr(0, start) + insert + old.substr(start + SelLength());
  FAnchor = FCaret = start + static_cast<int>(insert.size());
  SetText(result);
  Invalidate();
}

namespace {

// The selection and clipboard keys of the Windows edit controls: Ctrl+A,
// Ctrl+C or Ctrl+Insert, Ctrl+X or Shift+Delete (with a selection), Ctrl+V or
// Shift+Insert. True when `key` was one of them.
template <class TControl>
bool ClipboardKey(TControl& control, WORD key, TShiftState shift, bool selected) {
  const bool ctrl = shift & ssCtrl, extend = shift & ssShift;
  if (ctrl && key == 'A') control.SelectAll();
  else if (ctrl && (key == 'C' || key == VK_INSERT)) control.CopyToClipboard();
  else if ((ctrl && key == 'X') || (extend && key == VK_DELETE && selected)) control.CutToClipboard();
  else if ((ctrl && key == 'V') || (extend && key == VK_INSERT)) control.PasteFromClipboard();
  else return false;
  return true;
}

}  // namespace

void TEdit::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  const bool extend = shift & ssShift;
  if (ClipboardKey(*this, key, shift, SelLength() > 0)) return;
  switch (key) {
    case VK_LEFT:
      MoveCaret(!extend && SelLength() > 0 ? SelStart() : FCaret - 1, extend);
      break;
    case VK_RIGHT:
      MoveCaret(!extend && SelLength() > 0 ? SelStart() + SelLength() : FCaret + 1, extend);
      break;
    case VK_HOME:
      MoveCaret(0, extend);
      break;
    case VK_END:
      MoveCaret(static_cast<int>(Text().size()), extend);
      break;
    case VK_BACK:
    case VK_DELETE:
      if (FReadOnly) break;
      if (SelLength() == 0) {
        if (key == VK_BACK && FCaret > 0) FAnchor = FCaret - 1;
        else if (key == VK_DELETE) FCaret = std::min(FCaret + 1, static_cast<int>(Text().size()));
      }
      if (SelLength() > 0) ReplaceSelection("");
      break;
    default:
      break;
  }
}

void TEdit::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  if (FReadOnly || static_cast<unsigned char>(key) < 32) return;
  ReplaceSelection(AnsiString(1, key));
}

void TEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) MoveCaret(CharFromX(x), shift & ssShift);
  TWinControl::MouseDown(button, shift, x, y);
}

void TEdit::MouseMove(TShiftState shift, int x, int y) {
  if ((shift & ssLeft) && MouseCapture()) MoveCaret(CharFromX(x), true);
  TWinControl::MouseMove(shift, x, y);
}

// ---- scroll bar ---------------------------------------------------------------------------

TRect VScrollBarThumb(const TRect& rect, const TScrollInfo& info) {
  const int arrow = std::min(kScrollBarWidth, rect.Height() / 2);
  const int track = rect.Height() - 2 * arrow;
  if (!info.CanScroll() || track < 8) return {};
  const int len = std::max(8, track * info.Page / info.Max);
  const int pos = (track - len) * std::clamp(info.Position, 0, info.Limit()) / info.Limit();
  return Rect(rect.Left, rect.Top + arrow + pos, rect.Right, rect.Top + arrow + pos + len);
}

TScrollPart VScrollBarHitTest(const TRect& rect, const TScrollInfo& info, TPoint p) {
  if (!rect.Contains(p)) return spNone;
  const int arrow = std::min(kScrollBarWidth, rect.Height() / 2);
  if (p.Y < rect.Top + arrow) return spLineUp;
  if (p.Y >= rect.Bottom - arrow) return spLineDown;
  const TRect thumb = VScrollBarThumb(rect, info);
  if (thumb.IsEmpty()) return spNone;
  if (p.Y < thumb.Top) return spPageUp;
  if (p.Y >= thumb.Bottom) return spPageDown;
  return spThumb;
}

int ScrollUnits(const TScrollInfo& info, int code, int thumb) {
  const int back = std::max(0, info.Position), forward = std::max(0, info.Limit() - info.Position);
  const int page = std::max(0, info.Page - 1);
  switch (code) {
    case SB_LINEUP: return -std::min(3, back);
    case SB_LINEDOWN: return std::min(3, forward);
    case SB_PAGEUP: return -std::min(page, back);
    case SB_PAGEDOWN: return std::min(page, forward);
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return std::clamp(thumb, 0, info.Limit()) - info.Position;
    default: return 0;
  }
}

TScrollPress PressVScrollBar(const TRect& rect, const TScrollInfo& info, TPoint p) {
  TScrollPress press{VScrollBarHitTest(rect, info, p), info.Position, -1};
  switch (press.Part) {
    case spLineUp: --press.Position; break;
    case spLineDown: ++press.Position; break;
    case spPageUp: press.Position -= info.Page; break;
    case spPageDown: press.Position += info.Page; break;
    case spThumb: press.Grab = p.Y - VScrollBarThumb(rect, info).Top; break;
    default: break;
  }
  return press;
}

std::optional<int> TBarDrag::Press(const TRect& bar, const TScrollInfo& info, TPoint p) {
  if (bar.IsEmpty() || !bar.Contains(p)) return std::nullopt;
  const TScrollPress press = PressVScrollBar(bar, info, p);
  Part = press.Part;
  Grab = press.Grab;
  return press.Position;
}

std::optional<int> TBarDrag::Drag(const TRect& bar, const TScrollInfo& info, int y) const {
  if (Part != spThumb || Grab < 0) return std::nullopt;
  return DragVScrollThumb(bar, info, y, Grab);
}

bool TBarDrag::Release() {
  if (Part == spNone) return false;
  Part = spNone;
  Grab = -1;
  return true;
}

int WheelLines(intptr_t wParam) { return -static_cast<int16_t>((wParam >> 16) & 0xFFFF) / 120 * 3; }

int DragVScrollThumb(const TRect& rect, const TScrollInfo& info, int y, int grab) {
  const int track = rect.Height() - 2 * kScrollBarWidth - VScrollBarThumb(rect, info).Height();
  if (track <= 0) return info.Position;
  return ((y - grab - rect.Top - kScrollBarWidth) * info.Limit() + track / 2) / track;
}

void PaintVScrollBar(TCanvas& c, const TRect& rect, const TScrollInfo& info, bool enabled, TScrollPart pressed) {
  const bool active = enabled && info.CanScroll();
  const int arrow = std::min(kScrollBarWidth, rect.Height() / 2);
  const TRect up = Rect(rect.Left, rect.Top, rect.Right, rect.Top + arrow);
  const TRect down = Rect(rect.Left, rect.Bottom - arrow, rect.Right, rect.Bottom);
  DrawScrollButton(c, up, pressed == spLineUp);
  DrawArrow(c, up, true, active, pressed == spLineUp ? 1 : 0);
  DrawScrollButton(c, down, pressed == spLineDown);
  DrawArrow(c, down, false, active, pressed == spLineDown ? 1 : 0);
  // The track: a half-tone of highlight and face.
  const TPixel light = ColorToPixel(clBtnHighlight), face = ColorToPixel(clBtnFace);
  for (int y = up.Bottom; y < down.Top; ++y)
    for (int x = rect.Left; x < rect.Right; ++x) c.SetPixels(x, y, RGBFromPixel(((x + y) & 1) ? face : light));
  if (!active) return;
  const TRect thumb = VScrollBarThumb(rect, info);
  if (pressed == spPageUp || pressed == spPageDown) {
    TRect part = pressed == spPageUp ? Rect(rect.Left, up.Bottom, rect.Right, thumb.Top)
                                     : Rect(rect.Left, thumb.Bottom, rect.Right, down.Top);
    c.Brush.Color = cl3DDkShadow;
    c.FillRect(part);
  }
  if (!thumb.IsEmpty()) DrawScrollButton(c, thumb, false);
}

void PaintHScrollBar(TCanvas& c, const TRect& rect, const TScrollInfo& info, bool enabled) {
  // Exchanging x and y turns the up arrow into the left one and keeps the
  // light edges on the top and left.
  TBitmap vertical(rect.Height(), rect.Width());
  PaintVScrollBar(vertical.Canvas(), Rect(0, 0, rect.Height(), rect.Width()), info, enabled, spNone);
  TBitmap horizontal(rect.Width(), rect.Height());
  for (int y = 0; y < rect.Height(); ++y)
    for (int x = 0; x < rect.Width(); ++x) horizontal.ScanLine(y)[x] = vertical.ScanLine(x)[y];
  c.Draw(rect.Left, rect.Top, horizontal);
}

// ---- TMemo ---------------------------------------------------------------------------------

TMemo::TMemo(rtl::TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 89);
  SetTabStop(true);
  SetColor(clWindow);
  SetCursor(crIBeam);
  FLines.OnChange = [this] {
    FLayoutValid = false;
    FCaret = Clamped(FCaret);
    FAnchor = Clamped(FAnchor);
    Invalidate();
  };
}

void TMemo::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  FLayoutValid = false;
  Invalidate();
}

void TMemo::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  FLayoutValid = false;
  Invalidate();
}

void TMemo::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  FLayoutValid = false;
  Invalidate();
}

int TMemo::LineHeight() const { return std::max(1, Font().TextHeight()); }

TRect TMemo::BarRect() const {
  TRect r = ClientRect();
  if (FBorderStyle == bsSingle) r.Inflate(-2, -2);
  if (FScrollBars != ssVertical && FScrollBars != ssBoth) return {};
  return Rect(r.Right - kScrollBarWidth, r.Top, r.Right, r.Bottom);
}

TRect TMemo::TextRect() const {
  TRect r = ClientRect();
  if (FBorderStyle == bsSingle) r.Inflate(-2, -2);
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) r.Right -= kScrollBarWidth;
  r.Left += 2;
  r.Right -= 1;
  r.Top += 1;
  return r;
}

int TMemo::VisibleLineCount() const { return std::max(1, TextRect().Height() / LineHeight()); }

void TMemo::Layout() {
  if (FLayoutValid) return;
  FDisplay.clear();
  const int width = std::max(1, TextRect().Width());
  for (int i = 0; i < FLines.Count(); ++i) {
    const AnsiString& line = FLines[i];
    const int n = static_cast<int>(line.size());
    if (n == 0 || !FWordWrap) {
      FDisplay.push_back({i, 0, n});
      continue;
    }
    const std::vector<int> pos = TextCaretPositions(Font(), line);
    int s = 0;
    while (s < n) {
      int e = s, lastSpace = -1;
      while (e < n && pos[e + 1] - pos[s] <= width) {
        if (line[e] == ' ') lastSpace = e;
        ++e;
      }
      // Blanks at the end of a line stay on it.
      while (e < n && line[e] == ' ') lastSpace = e++;
      if (e == n) {
        FDisplay.push_back({i, s, n - s});
        break;
      }
      const int cut = lastSpace >= s ? lastSpace + 1 : std::max(e, s + 1);
      FDisplay.push_back({i, s, cut - s});
      s = cut;
    }
  }
  FLayoutValid = true;
  FTopLine = std::clamp(FTopLine, 0, Scroll().Limit());
}

int TMemo::DisplayLineCount() {
  Layout();
  return static_cast<int>(FDisplay.size());
}

TScrollInfo TMemo::Scroll() {
  Layout();
  return {FTopLine, static_cast<int>(FDisplay.size()), VisibleLineCount()};
}

void TMemo::SetTopLine(int line) {
  line = std::clamp(line, 0, Scroll().Limit());
  if (line == FTopLine) return;
  FTopLine = line;
  Invalidate();
}

TPoint TMemo::Clamped(TPoint pos) const {
  const int n = FLines.Count();
  const int y = std::clamp(pos.Y, 0, std::max(0, n - 1));
  return {n ? std::clamp<int>(pos.X, 0, static_cast<int>(FLines[y].size())) : 0, y};
}

void TMemo::SetCaretPos(TPoint pos) { MoveCaret(pos, false); }

void TMemo::MoveCaret(TPoint pos, bool extend) {
  FCaret = Clamped(pos);
  if (!extend) FAnchor = FCaret;
  ScrollToCaret();
  Invalidate();
}

AnsiString TMemo::SelText() const {
  const TPoint a = SelFirst(), b = SelLast();
  if (!Before(a, b)) return {};
  if (a.Y == b.Y) return FLines[a.Y].substr(a.X, b.X - a.X);
  AnsiString text = FLines[a.Y].substr(a.X);
  for (int y = a.Y + 1; y < b.Y; ++y) text += "\r\n" + FLines[y];
  return text + "\r\n" + FLines[b.Y].substr(0, b.X);
}

void TMemo::Select(TPoint from, TPoint to) {
  FAnchor = Clamped(from);
  MoveCaret(to, true);
}

void TMemo::SelectAll() { Select({0, 0}, {INT32_MAX, FLines.Count() - 1}); }

void TMemo::CopyToClipboard() const {
  // As the Windows edit: an empty selection leaves the clipboard as it was.
  if (Before(SelFirst(), SelLast()) && Application) Application->Display().SetClipboardText(SelText());
}

void TMemo::CutToClipboard() {
  if (FReadOnly || !Before(SelFirst(), SelLast())) return;
  CopyToClipboard();
  DeleteSelection();
  Edited();
}

void TMemo::PasteFromClipboard() {
  if (FReadOnly || !Application) return;
  const AnsiString text = Application->Display().ClipboardText();
  if (text.empty()) return;
  DeleteSelection();
  InsertText(text);
  Edited();
}

// At the caret; CR LF, LF or CR alone end a line.
void TMemo::InsertText(const AnsiString& text) {
  if (FLines.Count() == 0) FLines.Add("");
  const TPoint at = FCaret;
  const AnsiString line = FLines[at.Y];
  const AnsiString tail = line.substr(static_cast<size_t>(at.X));
  AnsiString current = line.substr(0, static_cast<size_t>(at.X));
  int y = at.Y;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      current += text[i];
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    FLines.SetStrings(y, current);
    FLines.Insert(++y, "");
    current.clear();
  }
  const int x = static_cast<int>(current.size());
  FLines.SetStrings(y, current + tail);
  SetCaretPos({x, y});
}

bool TMemo::DeleteSelection() {
  const TPoint a = SelFirst(), b = SelLast();
  if (!Before(a, b)) return false;
  const AnsiString joined = FLines[a.Y].substr(0, a.X) + FLines[b.Y].substr(b.X);
  for (int y = b.Y; y > a.Y; --y) FLines.Delete(y);
  FLines.SetStrings(a.Y, joined);
  SetCaretPos(a);
  return true;
}

int TMemo::DisplayLineOf(TPoint pos) {
  Layout();
  int found = 0;
  for (int i = 0; i < static_cast<int>(FDisplay.size()); ++i) {
    const TDisplayLine& d = FDisplay[i];
    if (d.Line == pos.Y && pos.X >= d.Start) found = i;
    if (d.Line > pos.Y) break;
  }
  return found;
}

void TMemo::ScrollToCaret() {
  const int d = DisplayLineOf(FCaret);
  if (d < FTopLine) SetTopLine(d);
  else if (d >= FTopLine + VisibleLineCount()) SetTopLine(d - VisibleLineCount() + 1);
}

void TMemo::Edited() {
  ScrollToCaret();
  if (OnChange) OnChange(this);
}

void TMemo::Resize() {
  FLayoutValid = false;
  TWinControl::Resize();
}

void TMemo::FontChanged() {
  FLayoutValid = false;
  TWinControl::FontChanged();
}

bool TMemo::WantsKey(WORD key, TShiftState) const {
  return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || (key == VK_RETURN && FWantReturns);
}

void TMemo::Paint() {
  TCanvas& c = Canvas();
  SetupCanvas(c, *this);
  TRect r = ClientRect();
  if (FBorderStyle == bsSingle) c.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  c.Brush.Color = EnabledInTree() ? Color() : clBtnFace;
  c.FillRect(r);
  Layout();
  const TRect bar = BarRect();
  if (!bar.IsEmpty()) PaintVScrollBar(c, bar, Scroll(), EnabledInTree(), FBar.Part);

  TCanvasSaver saver(c);
  const TRect t = TextRect();
  c.IntersectClipRect(t);
  c.Brush.Style = bsClear;
  if (!EnabledInTree()) c.Font.SetColor(clGrayText);
  const int lh = LineHeight();
  // The selection shows while the memo has the focus.
  const bool selection = Focused() && Before(SelFirst(), SelLast());
  const TPoint selFirst = SelFirst(), selLast = SelLast();
  for (int i = FTopLine, y = t.Top; i < static_cast<int>(FDisplay.size()) && y < t.Bottom; ++i, y += lh) {
    const TDisplayLine& d = FDisplay[i];
    const std::string_view text = std::string_view(FLines[d.Line]).substr(d.Start, d.Length);
    c.TextOut(t.Left, y, text);
    if (!selection || d.Line < selFirst.Y || d.Line > selLast.Y) continue;
    const int from = std::max(d.Line == selFirst.Y ? selFirst.X : 0, d.Start) - d.Start;
    const int to = std::min(d.Line == selLast.Y ? selLast.X : d.Start + d.Length, d.Start + d.Length) - d.Start;
    if (from >= to) continue;
    const std::vector<int> pos = TextCaretPositions(c.Font, text);
    TCanvasSaver highlight(c);
    c.Brush.Style = bsSolid;
    c.Brush.Color = clHighlight;
    c.FillRect(Rect(t.Left + pos[from], y, t.Left + pos[to], y + lh));
    c.Brush.Style = bsClear;
    c.Font.SetColor(clHighlightText);
    c.TextOut(t.Left + pos[from], y, text.substr(from, to - from));
  }
  if (Focused() && FLines.Count() > 0) {
    const int line = DisplayLineOf(FCaret);
    const TDisplayLine& d = FDisplay[line];
    const AnsiString part = FLines[d.Line].substr(d.Start, std::max(0, FCaret.X - d.Start));
    const int x = t.Left + c.TextWidth(part);
    const int y = t.Top + (line - FTopLine) * lh;
    c.Pen.Color = Font().Color();
    c.MoveTo(x, y);
    c.LineTo(x, y + lh);
  }
}

void TMemo::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  Layout();
  const bool extend = shift & ssShift;
  const bool selected = Before(SelFirst(), SelLast());
  auto moveDisplay = [&](int delta) {
    if (FDisplay.empty()) return;
    const int cur = DisplayLineOf(FCaret);
    const int col = FCaret.X - FDisplay[cur].Start;
    const TDisplayLine& d = FDisplay[std::clamp(cur + delta, 0, static_cast<int>(FDisplay.size()) - 1)];
    MoveCaret({d.Start + std::min(col, d.Length), d.Line}, extend);
  };
  if (ClipboardKey(*this, key, shift, selected)) return;
  switch (key) {
    case VK_UP: moveDisplay(-1); break;
    case VK_DOWN: moveDisplay(1); break;
    case VK_PRIOR: moveDisplay(-VisibleLineCount()); break;
    case VK_NEXT: moveDisplay(VisibleLineCount()); break;
    case VK_HOME:
      if (shift & ssCtrl) MoveCaret({0, 0}, extend);
      else if (!FDisplay.empty()) MoveCaret({FDisplay[DisplayLineOf(FCaret)].Start, FCaret.Y}, extend);
      break;
    case VK_END:
      if (shift & ssCtrl) MoveCaret({INT32_MAX, FLines.Count() - 1}, extend);
      else if (!FDisplay.empty()) {
        const TDisplayLine& d = FDisplay[DisplayLineOf(FCaret)];
        MoveCaret({d.Start + d.Length, FCaret.Y}, extend);
      }
      break;
    case VK_LEFT:
      // Without Shift a selection collapses to its start.
      if (selected && !extend) SetCaretPos(SelFirst());
      else if (FCaret.X > 0) MoveCaret({FCaret.X - 1, FCaret.Y}, extend);
      else if (FCaret.Y > 0) MoveCaret({INT32_MAX, FCaret.Y - 1}, extend);
      break;
    case VK_RIGHT:
      if (selected && !extend) SetCaretPos(SelLast());
      else if (FLines.Count() && FCaret.X < static_cast<int>(FLines[FCaret.Y].size()))
        MoveCaret({FCaret.X + 1, FCaret.Y}, extend);
      else if (FCaret.Y + 1 < FLines.Count()) MoveCaret({0, FCaret.Y + 1}, extend);
      break;
    case VK_RETURN:
      if (FReadOnly || !FWantReturns) break;
      DeleteSelection();
      if (FLines.Count() == 0) FLines.Add("");
      {
        const AnsiString line = FLines[FCaret.Y];
        const TPoint at = FCaret;
        FLines.SetStrings(at.Y, line.substr(0, at.X));
        FLines.Insert(at.Y + 1, line.substr(at.X));
        SetCaretPos({0, at.Y + 1});
      }
      Edited();
      break;
    case VK_BACK:
      if (FReadOnly || FLines.Count() == 0) break;
      // A selection goes whole; otherwise the character before the caret.
      if (!DeleteSelection() && FCaret.X > 0) {
        const TPoint at = FCaret;
        AnsiString line = FLines[at.Y];
        line.erase(at.X - 1, 1);
        FLines.SetStrings(at.Y, line);
        SetCaretPos({at.X - 1, at.Y});
      } else if (!selected && FCaret.Y > 0) {
        const TPoint at = FCaret;
        const int join = static_cast<int>(FLines[at.Y - 1].size());
        FLines.SetStrings(at.Y - 1, FLines[at.Y - 1] + FLines[at.Y]);
        FLines.Delete(at.Y);
        SetCaretPos({join, at.Y - 1});
      }
      Edited();
      break;
    case VK_DELETE:
      if (FReadOnly || FLines.Count() == 0) break;
      if (!DeleteSelection() && FCaret.X < static_cast<int>(FLines[FCaret.Y].size())) {
        AnsiString line = FLines[FCaret.Y];
        line.erase(FCaret.X, 1);
        FLines.SetStrings(FCaret.Y, line);
      } else if (!selected && FCaret.Y + 1 < FLines.Count()) {
        FLines.SetStrings(FCaret.Y, FLines[FCaret.Y] + FLines[FCaret.Y + 1]);
        FLines.Delete(FCaret.Y + 1);
      }
      Edited();
      break;
    default:
      break;
  }
}

void TMemo::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  if (FReadOnly || static_cast<unsigned char>(key) < 32) return;
  DeleteSelection();
  if (FLines.Count() == 0) FLines.Add("");
  const TPoint at = FCaret;
  AnsiString line = FLines[at.Y];
  line.insert(static_cast<size_t>(at.X), 1, key);
  FLines.SetStrings(at.Y, line);
  SetCaretPos({at.X + 1, at.Y});
  Edited();
}

void TMemo::WndProc(TMessage& m) {
  if (m.Msg == WM_MOUSEWHEEL) {
    SetTopLine(FTopLine + WheelLines(m.WParam));
    return;
  }
  TWinControl::WndProc(m);
}

void TMemo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  if (const std::optional<int> top = FBar.Press(BarRect(), Scroll(), {x, y})) {
    SetTopLine(*top);
    Invalidate();
    return;
  }
  FSelecting = true;
  MoveCaret(PosFromPoint(x, y), shift & ssShift);
}

// The place nearest a client point; above or below the text it is on the
// line beyond the visible ones, so a drag there scrolls.
TPoint TMemo::PosFromPoint(int x, int y) {
  Layout();
  if (FDisplay.empty()) return {0, 0};
  const TRect t = TextRect();
  const int row = static_cast<int>(std::floor(static_cast<double>(y - t.Top) / LineHeight()));
  const TDisplayLine& d = FDisplay[std::clamp(FTopLine + row, 0, static_cast<int>(FDisplay.size()) - 1)];
  const std::vector<int> pos = TextCaretPositions(Font(), FLines[d.Line].substr(d.Start, d.Length));
  int best = 0;
  for (int i = 1; i < static_cast<int>(pos.size()); ++i)
    if (std::abs(pos[i] - (x - t.Left)) < std::abs(pos[best] - (x - t.Left))) best = i;
  return {d.Start + best, d.Line};
}

void TMemo::MouseMove(TShiftState shift, int x, int y) {
  TWinControl::MouseMove(shift, x, y);
  if (FSelecting && (shift & ssLeft)) MoveCaret(PosFromPoint(x, y), true);
  else if (const std::optional<int> top = FBar.Drag(BarRect(), Scroll(), y)) SetTopLine(*top);
}

void TMemo::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseUp(button, shift, x, y);
  FSelecting = false;
  if (FBar.Release()) Invalidate();
}

// ---- TItemView ------------------------------------------------------------------------------

bool TItemView::SetTop(int index, int rows) {
  index = std::clamp(index, 0, std::max(0, FItems.Count() - rows));
  if (index == FTop) return false;
  FTop = index;
  return true;
}

bool TItemView::EnsureVisible(int index, int rows) {
  if (index < 0) return false;
  if (index < FTop) return SetTop(index, rows);
  if (index >= FTop + rows) return SetTop(index - rows + 1, rows);
  return false;
}

int TItemView::ItemAt(int offsetY, int itemHeight) const {
  const int index = FTop + offsetY / itemHeight;
  return index < FItems.Count() ? index : -1;
}

void TItemView::Paint(TCanvas& c, const TRect& area, int itemHeight, int selected, TColor textColor) const {
  for (int i = FTop, y = area.Top; i < FItems.Count() && y < area.Bottom; ++i, y += itemHeight) {
    const bool isSelected = i == selected;
    if (isSelected) {
      c.Brush.Style = bsSolid;
      c.Brush.Color = clHighlight;
      c.FillRect(Rect(area.Left, y, area.Right, y + itemHeight));
    }
    c.Brush.Style = bsClear;
    c.Font.SetColor(isSelected ? clHighlightText : textColor);
    c.TextOut(area.Left + 2, y, FItems[i]);
  }
}

int TItemView::FindByLetter(char key, int from) const {
  if (static_cast<unsigned char>(key) < 32 || FItems.Count() == 0) return -1;
  const AnsiString letter = rtl::AnsiUpperCase(AnsiString(1, key));
  for (int k = 1; k <= FItems.Count(); ++k) {
    const int i = (from + k) % FItems.Count();
    if (!FItems[i].empty() && rtl::AnsiUpperCase(FItems[i].substr(0, 1)) == letter) return i;
  }
  return -1;
}

// ---- TListBox ------------------------------------------------------------------------------

TListBox::TListBox(rtl::TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
  FControlStyle &= ~csClickEvents;  // OnClick follows a change of selection
  FItems.OnChange = [this] {
    if (FSorted) {
      auto handler = std::move(FItems.OnChange);
      FItems.Sort();
      FItems.OnChange = std::move(handler);
    }
    if (FItemIndex >= FItems.Count()) FItemIndex = -1;
    FView.SetTop(FView.Top(), VisibleCount());
    Invalidate();
  };
}

int TListBox::ItemHeight() const { return FItemHeight > 0 ? FItemHeight : TItemView::ItemHeightOf(Font()); }

int TListBox::VisibleCount() const { return std::max(1, (Height() - 2 * Border()) / ItemHeight()); }

TRect TListBox::BarRect() const {
  if (!Scroll().CanScroll()) return {};
  const int b = Border();
  return Rect(Width() - b - kScrollBarWidth, b, Width() - b, Height() - b);
}

void TListBox::SetItemIndex(int index) {
  index = std::clamp(index, -1, FItems.Count() - 1);
  if (index == FItemIndex) return;
  FItemIndex = index;
  EnsureVisible(index);
  Invalidate();
}

void TListBox::SetTopIndex(int index) {
  if (FView.SetTop(index, VisibleCount())) Invalidate();
}

void TListBox::EnsureVisible(int index) {
  if (FView.EnsureVisible(index, VisibleCount())) Invalidate();
}

void TListBox::SetSorted(bool value) {
  if (value == FSorted) return;
  FSorted = value;
  if (value) FItems.Sort();
}

void TListBox::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  Invalidate();
}

int TListBox::ItemAtPos(TPoint p) const {
  const int b = Border();
  const TRect bar = BarRect();
  const int right = bar.IsEmpty() ? Width() - b : bar.Left;
  if (p.X < b || p.X >= right || p.Y < b || p.Y >= Height() - b) return -1;
  return FView.ItemAt(p.Y - b, ItemHeight());
}

void TListBox::SelectByUser(int index) {
  if (index < 0 || index >= FItems.Count()) return;
  EnsureVisible(index);
  if (index == FItemIndex) return;
  SetItemIndex(index);
  Click();
}

bool TListBox::WantsKey(WORD key, TShiftState) const {
  return key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT;
}

void TListBox::Paint() {
  TCanvas& c = Canvas();
  SetupCanvas(c, *this);
  TRect r = ClientRect();
  if (FBorderStyle == bsSingle) c.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  c.Brush.Color = EnabledInTree() ? Color() : clBtnFace;
  c.FillRect(r);
  const TRect bar = BarRect();
  if (!bar.IsEmpty()) {
    PaintVScrollBar(c, bar, Scroll(), EnabledInTree(), FBar.Part);
    r.Right = bar.Left;
  }
  TCanvasSaver saver(c);
  c.IntersectClipRect(r);
  const int ih = ItemHeight();
  FView.Paint(c, r, ih, FItemIndex, EnabledInTree() ? Font().Color() : clGrayText);
  if (Focused()) {
    const int i = std::max(FItemIndex, 0), top = FView.Top();
    if (i >= top && i < top + VisibleCount() + 1)
      c.DrawFocusRect(Rect(r.Left, r.Top + (i - top) * ih, r.Right, r.Top + (i - top + 1) * ih));
  }
}

void TListBox::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  const int last = FItems.Count() - 1;
  switch (key) {
    case VK_UP:
    case VK_LEFT: SelectByUser(std::max(0, FItemIndex - 1)); break;
    case VK_DOWN:
    case VK_RIGHT: SelectByUser(std::min(last, FItemIndex + 1)); break;
    case VK_HOME: SelectByUser(0); break;
    case VK_END: SelectByUser(last); break;
    case VK_PRIOR: SelectByUser(std::max(0, FItemIndex - VisibleCount() + 1)); break;
    case VK_NEXT: SelectByUser(std::min(last, FItemIndex + VisibleCount() - 1)); break;
    default: break;
  }
}

void TListBox::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  SelectByUser(FView.FindByLetter(key, FItemIndex));
}

void TListBox::WndProc(TMessage& m) {
  if (m.Msg == WM_MOUSEWHEEL) {
    SetTopIndex(FView.Top() + WheelLines(m.WParam));
    return;
  }
  TWinControl::WndProc(m);
}

void TListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  if (const std::optional<int> top = FBar.Press(BarRect(), Scroll(), {x, y})) {
    SetTopIndex(*top);
    Invalidate();
    return;
  }
  FSelecting = true;
  SelectByUser(ItemAtPos({x, y}));
}

void TListBox::MouseMove(TShiftState shift, int x, int y) {
  TWinControl::MouseMove(shift, x, y);
  if (FSelecting) {
    SelectByUser(ItemAtPos({x, y}));
  } else if (const std::optional<int> top = FBar.Drag(BarRect(), Scroll(), y)) {
    SetTopIndex(*top);
  }
}

void TListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseUp(button, shift, x, y);
  FSelecting = false;
  if (FBar.Release()) Invalidate();
}

// ---- TComboBox -----------------------------------------------------------------------------

// The list of a combo box while it is dropped down: a window of its own that
// never becomes active.
class TComboDropDown : public TCustomForm {
 public:
  TComboDropDown(rtl::TComponent* owner, TComboBox* combo) : TCustomForm(owner), FCombo(combo) {
    SetBorderStyle(bsNone);
    SetNoActivate(true);
    SetStayOnTop(true);
    SetColor(clWindow);
    FHot = combo->ItemIndex();
  }
  const char* ClassName() const override { return "TComboDropDown"; }

  int Hot() const { return FHot; }
  void SetHot(int index) {
    index = std::clamp(index, 0, std::max(0, FCombo->Items().Count() - 1));
    if (index == FHot) return;
    FHot = index;
    FView.EnsureVisible(FHot, Rows());
    Invalidate();
  }
  int Rows() const { return std::max(1, (ClientHeight() - 2) / ItemHeight()); }
  int ItemHeight() const { return TItemView::ItemHeightOf(FCombo->Font()); }

 protected:
  void Paint() override {
    TCanvas& c = Canvas();
    c.Font.Assign(FCombo->Font());
    c.Brush.Style = bsSolid;
    c.Brush.Color = clWindowFrame;
    TRect r = ClientRect();
    c.FrameRect(r);
    r.Inflate(-1, -1);
    c.Brush.Color = clWindow;
    c.FillRect(r);
    FView.Paint(c, r, ItemHeight(), FHot, clWindowText);
  }
  void MouseMove(TShiftState shift, int x, int y) override {
    if (y >= 1 && y < ClientHeight() - 1) SetHot(FView.Top() + (y - 1) / ItemHeight());
  }
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    if (button != mbLeft || !ClientRect().Contains({x, y})) return;
    TComboBox* combo = FCombo;
    const int index = FHot;
    combo->SetDroppedDown(false);
    combo->SelectByUser(index);
  }

 private:
  TComboBox* FCombo;
  TItemView FView{FCombo->Items()};
  int FHot = -1;
};

TComboBox::TComboBox(rtl::TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  SetColor(clWindow);
  FControlStyle &= ~csClickEvents;
  FItems.OnChange = [this] {
    if (FItemIndex >= FItems.Count()) SetItemIndex(-1);
    Invalidate();
  };
}

void TComboBox::SetStyle(TComboBoxStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Invalidate();
}

void TComboBox::SetItemIndex(int index) {
  index = std::clamp(index, -1, FItems.Count() - 1);
  FItemIndex = index;
  SetCaption(index >= 0 ? FItems[index] : AnsiString());
  Invalidate();
}

bool TComboBox::DroppedDown() const { return FDropDown && FDropDown->Visible(); }

void TComboBox::SetDroppedDown(bool value) {
  if (value == DroppedDown()) return;
  if (!value) {
    FDropDown->Hide();
    Invalidate();
    return;
  }
  if (!Application || FItems.Count() == 0) return;
  if (!FDropDown) FDropDown = NewForm<TComboDropDown>(this, this);
  const int rows = std::min(FDropDownCount, FItems.Count());
  const TPoint p = ClientToScreen({0, Height()});
  FDropDown->SetBounds(p.X, p.Y, Width(), rows * FDropDown->ItemHeight() + 2);
  FDropDown->SetHot(FItemIndex);
  FDropDown->Show();
  Application->SetPopup(FDropDown);
  Invalidate();
}

void TComboBox::SelectByUser(int index) {
  if (index < 0 || index >= FItems.Count() || index == FItemIndex) return;
  SetItemIndex(index);
  if (OnChange) OnChange(this);
  Click();
}

bool TComboBox::WantsKey(WORD key, TShiftState) const {
  return key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT ||
         ((key == VK_RETURN || key == VK_ESCAPE) && DroppedDown());
}

void TComboBox::Paint() {
  TCanvas& c = Canvas();
  SetupCanvas(c, *this);
  TRect r = ClientRect();
  c.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  const bool enabled = EnabledInTree();
  c.Brush.Color = enabled ? Color() : clBtnFace;
  c.FillRect(r);
  const TRect button = Rect(r.Right - kScrollBarWidth, r.Top, r.Right, r.Bottom);
  DrawScrollButton(c, button, false);
  DrawArrow(c, button, false, enabled, 0);
  TRect text = Rect(r.Left, r.Top, button.Left, r.Bottom);
  const bool highlight = Focused() && FStyle == csDropDownList && !DroppedDown();
  if (highlight) {
    TRect h = text;
    h.Inflate(-1, -1);
    c.Brush.Color = clHighlight;
    c.FillRect(h);
    c.DrawFocusRect(h);
  }
  c.Brush.Style = bsClear;
  c.Font.SetColor(!enabled ? clGrayText : highlight ? clHighlightText : Font().Color());
  text.Left += 2;
  c.DrawText(Text(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TComboBox::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == VK_F4 || ((key == VK_DOWN || key == VK_UP) && (shift & ssAlt))) {
    SetDroppedDown(!DroppedDown());
    return;
  }
  if (DroppedDown()) {
    switch (key) {
      case VK_UP: FDropDown->SetHot(FDropDown->Hot() - 1); break;
      case VK_DOWN: FDropDown->SetHot(FDropDown->Hot() + 1); break;
      case VK_RETURN: {
        const int index = FDropDown->Hot();
        SetDroppedDown(false);
        SelectByUser(index);
        break;
      }
      case VK_ESCAPE: SetDroppedDown(false); break;
      default: break;
    }
    return;
  }
  switch (key) {
    case VK_UP:
    case VK_LEFT: SelectByUser(std::max(0, FItemIndex - 1)); break;
    case VK_DOWN:
    case VK_RIGHT: SelectByUser(std::min(FItems.Count() - 1, FItemIndex + 1)); break;
    case VK_BACK:
      if (FStyle == csDropDown && !Text().empty()) {
        SetCaption(Text().substr(0, Text().size() - 1));
        FItemIndex = FItems.IndexOf(Text());
        if (OnChange) OnChange(this);
      }
      break;
    default: break;
  }
}

void TComboBox::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  if (static_cast<unsigned char>(key) < 32) return;
  if (FStyle == csDropDown) {
    SetCaption(Text() + key);
    FItemIndex = FItems.IndexOf(Text());
    if (OnChange) OnChange(this);
    return;
  }
  SelectByUser(TItemView(FItems).FindByLetter(key, FItemIndex));
}

void TComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseDown(button, shift, x, y);
  if (button == mbLeft && (FStyle == csDropDownList || x >= Width() - 2 - kScrollBarWidth))
    SetDroppedDown(!DroppedDown());
}

void TComboBox::DoExit() {
  if (DroppedDown()) SetDroppedDown(false);
  TWinControl::DoExit();
}

// ---- TGroupBox, TStaticText ----------------------------------------------------------------

TGroupBox::TGroupBox(rtl::TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 105);
  FControlStyle |= csAcceptsControls;
}

void TGroupBox::Paint() {
  TCanvas& c = Canvas();
  SetupCanvas(c, *this);
  const int h = c.TextHeight("0");
  // An etched frame: shadow, with highlight one pixel inside and below.
  TRect r = Rect(1, h / 2, Width(), Height());
  c.Brush.Color = clBtnHighlight;
  c.FrameRect(r);
  r.Offset(-1, -1);
  c.Brush.Color = clBtnShadow;
  c.FrameRect(r);
  if (Caption().empty()) return;
  TRect t = Rect(8, 0, 0, h);
  c.DrawText(Caption(), t, DT_SINGLELINE | DT_CALCRECT);
  // The caption cuts the frame with a little room on each side.
  c.Brush.Color = Color();
  c.Brush.Style = bsSolid;
  c.FillRect(Rect(t.Left - 2, t.Top, t.Right + 2, t.Bottom));
  c.Brush.Style = bsClear;
  if (!EnabledInTree()) DrawDisabledText(c, Caption(), t, DT_SINGLELINE);
  else c.DrawText(Caption(), t, DT_SINGLELINE);
}

bool TGroupBox::DialogChar(char ch) {
  if (!IsAccel(ch, Caption()) || !CanFocus()) return false;
  SelectNext(nullptr, true, true);
  return true;
}

TStaticText::TStaticText(rtl::TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 65, 17);
  AdjustBounds();
}

void TStaticText::SetBorderStyle(TStaticBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  AdjustBounds();
  Invalidate();
}

void TStaticText::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TStaticText::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AdjustBounds();
}

void TStaticText::SetShowAccelChar(bool value) {
  if (value == FShowAccelChar) return;
  FShowAccelChar = value;
  AdjustBounds();
  Invalidate();
}

void TStaticText::AdjustBounds() {
  if (!FAutoSize) return;
  AnsiString text = Caption();
  if (text.empty()) text = " ";
  TRect r = Rect(0, 0, 0, 0);
  MeasureCanvas(Font()).DrawText(text, r, DT_CALCRECT | DT_EXPANDTABS | (FShowAccelChar ? 0 : DT_NOPREFIX));
  const int border = FBorderStyle == sbsNone ? 0 : 2;
  int x = Left();
  const int w = r.Width() + border;
  if (FAlignment == taRightJustify) x += Width() - w;
  SetBounds(x, Top(), w, r.Height() + border);
}

void TStaticText::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TStaticText::FontChanged() {
  AdjustBounds();
  TWinControl::FontChanged();
}

void TStaticText::Paint() {
  TCanvas& c = Canvas();
  SetupCanvas(c, *this);
  TRect r = ClientRect();
  if (FBorderStyle == sbsSunken) {
    c.Frame3D(r, clBtnShadow, clBtnHighlight, 1);
  } else if (FBorderStyle == sbsSingle) {
    c.Brush.Color = clWindowFrame;
    c.FrameRect(r);
    r.Inflate(-1, -1);
    c.Brush.Color = Color();
  }
  c.Brush.Style = bsClear;
  unsigned flags = DT_WORDBREAK | DT_EXPANDTABS;
  if (FAlignment == taCenter) flags |= DT_CENTER;
  else if (FAlignment == taRightJustify) flags |= DT_RIGHT;
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  if (!EnabledInTree()) DrawDisabledText(c, Caption(), r, flags);
  else c.DrawText(Caption(), r, flags);
}

bool TStaticText::DialogChar(char ch) {
  if (!FFocusControl || !FShowAccelChar || !IsAccel(ch, Caption()) || !FFocusControl->CanFocus()) return false;
  FFocusControl->SetFocus();
  return true;
}

}  // namespace ui
