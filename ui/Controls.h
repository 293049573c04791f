#pragma once
// Controls: the windowless control (TGraphicControl paints on its parent),
// the windowed control (TWinControl: focus, tab order, children) and the
// messages that reach them. Every message goes through the control's
// WindowProc, which a component may replace and chain, as it would a window
// procedure; WndProc does the framework's work and then calls the
// overridable handlers.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "rtl/Component.h"
#include "ui/Graphics.h"

namespace ui {

class TControl;
class TWinControl;
class TCustomForm;

using TObject = rtl::TComponent;
using HWND = intptr_t;
using WORD = uint16_t;

// ---- events ----------------------------------------------------------------
enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = uint8_t;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// ---- virtual keys ---------------------------------------------------------------
inline constexpr WORD VK_BACK = 0x08;
inline constexpr WORD VK_TAB = 0x09;
inline constexpr WORD VK_RETURN = 0x0D;
inline constexpr WORD VK_SHIFT = 0x10;
inline constexpr WORD VK_CONTROL = 0x11;
inline constexpr WORD VK_MENU = 0x12;
inline constexpr WORD VK_ESCAPE = 0x1B;
inline constexpr WORD VK_SPACE = 0x20;
inline constexpr WORD VK_PRIOR = 0x21;
inline constexpr WORD VK_NEXT = 0x22;
inline constexpr WORD VK_END = 0x23;
inline constexpr WORD VK_HOME = 0x24;
inline constexpr WORD VK_LEFT = 0x25;
inline constexpr WORD VK_UP = 0x26;
inline constexpr WORD VK_RIGHT = 0x27;
inline constexpr WORD VK_DOWN = 0x28;
inline constexpr WORD VK_INSERT = 0x2D;
inline constexpr WORD VK_DELETE = 0x2E;
inline constexpr WORD VK_F1 = 0x70;
inline constexpr WORD VK_F4 = 0x73;

// ---- cursors ------------------------------------------------------------------
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// ---- layout ---------------------------------------------------------------------
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// ---- modal results --------------------------------------------------------------
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

// ---- messages -----------------------------------------------------------------
// WParam and LParam as Windows packs them: mouse messages carry the point in
// LParam (x low word, y high word, signed) and the buttons in WParam;
// WM_ERASEBKGND and WM_PAINT carry the canvas to draw on in WParam (the device
// context of the message).
struct TMessage {
  uint32_t Msg = 0;
  intptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};
using TWndMethod = std::function<void(TMessage& message)>;

inline constexpr uint32_t WM_MOVE = 0x0003;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr uint32_t WM_SYSCOLORCHANGE = 0x0015;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_SYSCHAR = 0x0106;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
// Scroll bar messages: the code in the low word of WParam, the thumb position in the high word.
inline constexpr uint32_t WM_HSCROLL = 0x0114;
inline constexpr uint32_t WM_VSCROLL = 0x0115;
inline constexpr int SB_HORZ = 0, SB_VERT = 1;
inline constexpr int SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_THUMBPOSITION = 4,
                     SB_THUMBTRACK = 5, SB_TOP = 6, SB_BOTTOM = 7, SB_ENDSCROLL = 8;
constexpr intptr_t ScrollWParam(int code, int thumb = 0) {
  return static_cast<intptr_t>((static_cast<uint32_t>(thumb) << 16) | (static_cast<uint32_t>(code) & 0xFFFF));
}
constexpr int ScrollCode(intptr_t wParam) { return static_cast<int>(wParam & 0xFFFF); }
constexpr int ScrollThumb(intptr_t wParam) { return static_cast<int16_t>((wParam >> 16) & 0xFFFF); }
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t WM_CAPTURECHANGED = 0x0215;
inline constexpr uint32_t WM_USER = 0x0400;

inline constexpr uint32_t CM_BASE = 0xB000;
inline constexpr uint32_t CM_ACTIVATE = CM_BASE + 0;
inline constexpr uint32_t CM_DEACTIVATE = CM_BASE + 1;
inline constexpr uint32_t CM_DIALOGKEY = CM_BASE + 5;   // WParam: the key; Result 1 when taken
inline constexpr uint32_t CM_DIALOGCHAR = CM_BASE + 6;  // WParam: the character; Result 1 when taken
inline constexpr uint32_t CM_FOCUSCHANGED = CM_BASE + 7;  // WParam: the control that has the focus now
inline constexpr uint32_t CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr uint32_t CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr uint32_t CM_VISIBLECHANGED = CM_BASE + 11;
inline constexpr uint32_t CM_ENABLEDCHANGED = CM_BASE + 12;
inline constexpr uint32_t CM_COLORCHANGED = CM_BASE + 13;
inline constexpr uint32_t CM_FONTCHANGED = CM_BASE + 14;
inline constexpr uint32_t CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr uint32_t CM_MOUSEENTER = CM_BASE + 19;
inline constexpr uint32_t CM_MOUSELEAVE = CM_BASE + 20;

// Mouse key states in WParam.
inline constexpr intptr_t MK_LBUTTON = 0x01;
inline constexpr intptr_t MK_RBUTTON = 0x02;
inline constexpr intptr_t MK_SHIFT = 0x04;
inline constexpr intptr_t MK_CONTROL = 0x08;
inline constexpr intptr_t MK_MBUTTON = 0x10;

// System commands (WM_SYSCOMMAND WParam).
inline constexpr intptr_t SC_MOVE = 0xF010;
inline constexpr intptr_t SC_DRAGMOVE = 0xF012;  // SC_MOVE | HTCAPTION: move the window with the mouse
inline constexpr intptr_t SC_CLOSE = 0xF060;

constexpr intptr_t MakeLParam(int x, int y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(x) & 0xFFFF) | ((static_cast<uint32_t>(y) & 0xFFFF) << 16));
}
constexpr int LParamX(intptr_t l) { return static_cast<int16_t>(l & 0xFFFF); }
constexpr int LParamY(intptr_t l) { return static_cast<int16_t>((l >> 16) & 0xFFFF); }
// The canvas a WM_ERASEBKGND or WM_PAINT message carries.
inline TCanvas* MessageCanvas(const TMessage& m) { return reinterpret_cast<TCanvas*>(m.WParam); }

// ---- control styles -------------------------------------------------------------
using TControlStyle = uint32_t;
inline constexpr TControlStyle csAcceptsControls = 0x001;
inline constexpr TControlStyle csCaptureMouse = 0x002;
inline constexpr TControlStyle csClickEvents = 0x004;
inline constexpr TControlStyle csOpaque = 0x008;   // covers its whole rectangle
inline constexpr TControlStyle csDoubleClicks = 0x010;
inline constexpr TControlStyle csNoStdEvents = 0x020;  // OnMouseDown/Move/Up are not called

// ---- TControl -------------------------------------------------------------------
class TControl : public rtl::TComponent {
 public:
  explicit TControl(rtl::TComponent* owner);
  ~TControl() override;

  // The class name the operator and the window list know the control by.
  virtual const char* ClassName() const { return "TControl"; }

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);

  // Position in the parent's client area (a form: on the screen) and size.
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  virtual void SetClientSize(int width, int height) { SetBounds(FLeft, FTop, width, height); }
  void SetClientWidth(int w) { SetClientSize(w, ClientHeight()); }
  void SetClientHeight(int h) { SetClientSize(ClientWidth(), h); }

  // Screen position of the client area's (0, 0), and conversions.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;
  // The client area's (0, 0) in the pixels of the form's window.
  TPoint WindowOrigin() const;

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent up to a visible form.
  bool Showing() const;

  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);
  // Enabled, and every parent enabled.
  bool EnabledInTree() const;

  const AnsiString& Caption() const { return FCaption; }
  void SetCaption(const AnsiString& value);
  const AnsiString& Text() const { return FCaption; }
  void SetText(const AnsiString& value) { SetCaption(value); }

  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);

  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& font) { FFont.Assign(font); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);

  const AnsiString& Hint() const { return FHint; }
  void SetHint(const AnsiString& value) { FHint = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; }

  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);

  intptr_t Tag() const { return FTag; }
  void SetTag(intptr_t value) { FTag = value; }

  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle style) { FControlStyle = style; }

  // Mouse capture: every mouse message goes to this control until released.
  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  // Marks the control's area for repainting; Update paints what is marked at
  // once; Repaint does both.
  virtual void Invalidate();
  void Update();
  void Repaint();
  void Refresh() { Repaint(); }

  // The control's canvas. While the control paints it draws on the window's
  // image in the control's client coordinates, clipped to what is visible;
  // outside painting it draws on the window directly, as a window's device
  // context does (the change shows at the next presentation).
  TCanvas& Canvas();
  // Paints what the parent and the controls beneath this one show under its
  // rectangle (the control itself and those above it left out) into dest,
  // which takes the control's size.
  void PaintParentBackground(TBitmap& dest);

  void BringToFront();
  void SendToBack();

  // The form that holds the control (the control itself when it is a form).
  TCustomForm* ParentForm() const;

  // Sends a message through WindowProc and returns its result.
  intptr_t Perform(uint32_t msg, intptr_t wParam = 0, intptr_t lParam = 0);
  TWndMethod WindowProc;

  // Paints the control into target with its client (0, 0) at origin (target
  // pixels), drawing only inside clip (target pixels). When stopAt is met
  // (the control or one of its children) painting stops before it; returns
  // true then.
  virtual bool PaintTo(TBitmap& target, TPoint origin, const TRect& clip, const TControl* stopAt = nullptr);

  // The topmost child at a client point (this control when none); disabled
  // and invisible controls are skipped unless allowDisabled.
  virtual TControl* ControlAtPos(TPoint p, bool allowDisabled);

  // '&' marks the accelerator: "&Sair" answers 's' and 'S'; "&&" is a plain '&'.
  static bool IsAccel(char ch, const AnsiString& caption);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

  virtual void Click();

 protected:
  friend class TWinControl;
  friend class TCustomForm;
  friend class TApplication;

  virtual void WndProc(TMessage& message);
  virtual void Paint() {}
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void DblClick();
  virtual void Resize();
  virtual void TextChanged() { Invalidate(); }
  virtual void FontChanged() { Invalidate(); }
  virtual void ColorChanged() { Invalidate(); }
  virtual void EnabledChanged() { Invalidate(); }
  virtual void VisibleChanged() {}
  // An accelerator or dialog key (Enter, Esc, arrows) offered to every
  // control of the window; true when taken.
  virtual bool DialogChar(char ch) { return false; }
  virtual bool DialogKey(WORD key, TShiftState shift) { return false; }
  // Called when the parent's font or colour changed and this control follows it.
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  // The rectangle an Invalidate marks, in window pixels (empty when not showing).
  TRect WindowRect() const;
  // Sets up FCanvas to draw on target with the client origin and clip given.
  void PrepareCanvas(TBitmap& target, TPoint origin, const TRect& clip);
  // Lays out the parent's aligned controls again when this one is aligned.
  void RequestAlign();

  TCanvas FCanvas;
  TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
  bool FPainting = false;
  bool FMouseInside = false;
  bool FClicked = false;  // a left press happened inside and the click may follow

 private:
  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  AnsiString FCaption;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  TFont FFont;
  bool FParentFont = true;
  bool FFollowingParent = false;  // the font or colour is being copied from the parent
  AnsiString FHint;
  bool FShowHint = false;
  TCursor FCursor = crDefault;
  intptr_t FTag = 0;
};

// A windowless control that paints on its parent's surface.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(rtl::TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TGraphicControl"; }
};

// ---- TWinControl ------------------------------------------------------------------
class TWinControl : public TControl {
 public:
  explicit TWinControl(rtl::TComponent* owner);
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }

  HWND Handle() const { return FHandle; }

  // Children in z-order, bottom first; windowless ones are drawn beneath windowed ones.
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const { return FControls[index]; }
  const std::vector<TControl*>& ControlList() const { return FControls; }

  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value) { FTabStop = value; }
  // Position among the parent's windowed children in the Tab order.
  int TabOrder() const;
  void SetTabOrder(int value);

  // Showing, enabled and in an enabled window.
  virtual bool CanFocus() const;
  bool Focused() const;
  void SetFocus();
  // The windowed controls that take Tab, in Tab order, depth first.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // Moves the focus to the next (or previous) control that takes Tab.
  void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

  // Lays out the aligned children (alTop, alBottom, alLeft, alRight, alClient).
  void Realign();

  bool PaintTo(TBitmap& target, TPoint origin, const TRect& clip, const TControl* stopAt = nullptr) override;
  TControl* ControlAtPos(TPoint p, bool allowDisabled) override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  // Which keys the control takes itself rather than leaving them to the
  // dialog (Tab, arrows, Enter, Esc) and whether it takes typed characters.
  virtual bool WantsKey(WORD key, TShiftState shift) const { return false; }
  virtual bool WantsChars() const { return false; }

 protected:
  friend class TControl;
  friend class TCustomForm;
  friend class TApplication;

  void WndProc(TMessage& message) override;
  // Fills the background with Color.
  virtual void EraseBackground(TCanvas& canvas);
  virtual void PaintWindow(TCanvas& canvas) { Paint(); }
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  // Whether a left press takes the focus (buttons and edits do, containers do not).
  virtual bool FocusOnClick() const { return false; }
  void Resize() override;
  void FontChanged() override;
  void ColorChanged() override;

 private:
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool BroadcastDialogChar(char ch);
  bool BroadcastDialogKey(WORD key, TShiftState shift);

  HWND FHandle;
  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;  // windowed children in Tab order
  bool FTabStop = false;
  bool FAligning = false;
};

// A windowed control that paints itself on its canvas.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(rtl::TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TCustomControl"; }
};

// Draws a caption as a disabled control shows it: highlight offset by one pixel, then grey.
void DrawDisabledText(TCanvas& canvas, const AnsiString& text, TRect rect, unsigned flags);

}  // namespace ui
