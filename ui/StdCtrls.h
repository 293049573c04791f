#pragma once
// The standard controls in the classic Windows look: label, button, check
// box, radio button, edit, memo, list box, combo box, group box, static text;
// and the list of strings they hold.

#include <algorithm>
#include <optional>
#include <vector>

#include "ui/Controls.h"
#include "ui/Forms.h"

namespace ui {

// A list of strings that tells its owner when it changes.
class TStrings {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const AnsiString& operator[](int index) const { return FItems.at(index); }
  const AnsiString& Strings(int index) const { return FItems.at(index); }
  void SetStrings(int index, const AnsiString& value);
  int Add(const AnsiString& value);
  void Insert(int index, const AnsiString& value);
  void Delete(int index);
  void Clear();
  int IndexOf(const AnsiString& value) const;  // without regard to case; -1 when missing
  // The lines joined with CR LF after each (as TStrings.Text), and split again.
  AnsiString Text() const;
  void SetText(const AnsiString& text);
  void Assign(const TStrings& other) { Assign(other.FItems); }
  void Assign(const std::vector<AnsiString>& items);
  const std::vector<AnsiString>& Items() const { return FItems; }
  void Sort();  // without regard to case
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

  std::function<void()> OnChange;

 private:
  void Changed() { if (OnChange) OnChange(); }
  std::vector<AnsiString> FItems;
};

// ---- TLabel ---------------------------------------------------------------------
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(rtl::TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  // The control an accelerator of the caption focuses.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* control) { FFocusControl = control; }

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  bool DialogChar(char ch) override;
  unsigned DrawFlags() const;
  void AdjustBounds();

 private:
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

// ---- TButton --------------------------------------------------------------------
class TButton : public TWinControl {
 public:
  explicit TButton(rtl::TComponent* owner);
  const char* ClassName() const override { return "TButton"; }

  // Enter presses the default button (unless another button has the focus);
  // Esc presses the cancel button.
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool value) { FCancel = value; }
  // Pressing the button sets its form's ModalResult to this value (when not 0).
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  // Drawn pushed in (mouse held down on it, or Space held).
  bool Pressed() const { return FPressed; }
  // Enter presses this button now.
  bool IsActiveDefault() const { return FActive; }

  void Click() override;

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void DoExit() override;
  bool DialogChar(char ch) override;
  bool DialogKey(WORD key, TShiftState shift) override;
  bool FocusOnClick() const override { return true; }

 private:
  void SetPressed(bool value);

  bool FDefault = false;
  bool FCancel = false;
  bool FActive = false;
  bool FPressed = false;
  bool FMouseDown = false;
  bool FSpaceDown = false;
  TModalResult FModalResult = mrNone;
};

// A button whose look is a check box or a radio button: the box, its caption
// beside it, pressed while the mouse or Space holds it.
class TButtonControl : public TWinControl {
 public:
  explicit TButtonControl(rtl::TComponent* owner);
  // taRightJustify: box on the left, caption on its right (the usual).
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool Pressed() const { return FPressed; }

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void DoExit() override;
  void WndProc(TMessage& message) override;
  bool FocusOnClick() const override { return true; }
  // Draws the caption beside a box of boxSize and returns the box's rectangle.
  TRect PaintCaption(TCanvas& canvas, int boxSize);
  // What a click does (toggle, select).
  virtual void Activated() = 0;

  bool FPressed = false;

 private:
  TAlignment FAlignment = taRightJustify;
  bool FMouseDown = false;
  bool FSpaceDown = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TButtonControl {
 public:
  explicit TCheckBox(rtl::TComponent* owner);
  const char* ClassName() const override { return "TCheckBox"; }

  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return FState; }
  // A change calls OnClick, as a click does.
  void SetState(TCheckBoxState value);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool value) { FAllowGrayed = value; }
  // Unchecked -> checked (-> grayed when allowed) -> unchecked.
  void Toggle();

 protected:
  void Paint() override;
  bool DialogChar(char ch) override;
  void Activated() override { Toggle(); }

 private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
};

// The radio buttons of one parent form a group: checking one unchecks the
// others; only the checked one takes Tab; arrow keys move the choice.
class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(rtl::TComponent* owner);
  const char* ClassName() const override { return "TRadioButton"; }

  bool Checked() const { return FChecked; }
  // Checking calls OnClick (when it changes) and unchecks the siblings.
  void SetChecked(bool value);

 protected:
  void Paint() override;
  bool DialogChar(char ch) override;
  bool DialogKey(WORD key, TShiftState shift) override;
  void Activated() override { SetChecked(true); }

 private:
  bool FChecked = false;
};

// ---- TEdit ---------------------------------------------------------------------
class TEdit : public TWinControl {
 public:
  explicit TEdit(rtl::TComponent* owner);
  const char* ClassName() const override { return "TEdit"; }

  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);  // 0: no limit
  // Shown in place of each character (a password edit) when not 0.
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  // Select the whole text when Tab brings the focus.
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool value) { FAutoSelect = value; }

  int SelStart() const;
  int SelLength() const;
  void SetSelStart(int value);
  void SetSelLength(int value);
  void SelectAll();
  AnsiString SelText() const;
  // As the Windows edit: a password edit gives nothing out, a read-only one
  // takes nothing in, and a paste stops at the first line break.
  void CopyToClipboard() const;
  void CutToClipboard();
  void PasteFromClipboard();

  TNotifyEvent OnChange;

  bool WantsKey(WORD key, TShiftState shift) const override;
  bool WantsChars() const override { return true; }

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  void TextChanged() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  bool FocusOnClick() const override { return true; }

 private:
  AnsiString DisplayText() const;
  int CharFromX(int x) const;
  void ReplaceSelection(const AnsiString& text);
  void MoveCaret(int to, bool extend);

  int FMaxLength = 0;
  char FPasswordChar = 0;
  bool FReadOnly = false;
  TBorderStyle FBorderStyle = bsSingle;
  bool FAutoSelect = true;
  int FAnchor = 0;  // the fixed end of the selection
  int FCaret = 0;   // the moving end, where the caret shows
  int FScrollX = 0;
};

// ---- scroll bar (the vertical bar of memos and list boxes) --------------------------
struct TScrollInfo {
  int Position = 0;  // first visible line
  int Max = 0;       // number of lines
  int Page = 0;      // lines that fit
  bool CanScroll() const { return Max > Page; }
  int Limit() const { return Max > Page ? Max - Page : 0; }
};

enum TScrollPart { spNone, spLineUp, spLineDown, spPageUp, spPageDown, spThumb };

// How far a scroll message moves a multiple-document area, in scroll units:
// a line up to 3 units, a page up to the page less one, never past the range;
// the thumb to its position; other codes not at all.
int ScrollUnits(const TScrollInfo& info, int code, int thumb);

// Draws the classic vertical scroll bar in rect (16 pixels wide).
void PaintVScrollBar(TCanvas& canvas, const TRect& rect, const TScrollInfo& info, bool enabled, TScrollPart pressed);
// The horizontal bar (16 pixels high): the vertical one with its axes exchanged.
void PaintHScrollBar(TCanvas& canvas, const TRect& rect, const TScrollInfo& info, bool enabled);
TScrollPart VScrollBarHitTest(const TRect& rect, const TScrollInfo& info, TPoint p);
// The thumb's rectangle; empty when the bar cannot scroll.
TRect VScrollBarThumb(const TRect& rect, const TScrollInfo& info);
// A press of the left button on the bar: the part pressed, the first line it
// asks for, and where the thumb is held (-1 unless the thumb is pressed).
struct TScrollPress {
  TScrollPart Part = spNone;
  int Position = 0;
  int Grab = -1;
};
TScrollPress PressVScrollBar(const TRect& rect, const TScrollInfo& info, TPoint p);
// The first line that the thumb, held at grab, asks for when dragged to y.
int DragVScrollThumb(const TRect& rect, const TScrollInfo& info, int y, int grab);
inline constexpr int kScrollBarWidth = 16;

// A control's own vertical bar under the left button: the part pressed and,
// while the thumb is dragged, where it was taken.
struct TBarDrag {
  TScrollPart Part = spNone;
  int Grab = -1;  // pixel offset inside the thumb while it is dragged
  // A press at p: when it is on the bar, the first line to show next.
  std::optional<int> Press(const TRect& bar, const TScrollInfo& info, TPoint p);
  // While the thumb is dragged, the first line for the pointer at y.
  std::optional<int> Drag(const TRect& bar, const TScrollInfo& info, int y) const;
  // The button goes up; true when a part was pressed (the bar repaints).
  bool Release();
};
// The lines a WM_MOUSEWHEEL scrolls by: 3 a notch, negative away from the user.
int WheelLines(intptr_t wParam);

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// ---- TMemo ---------------------------------------------------------------------
class TMemo : public TWinControl {
 public:
  explicit TMemo(rtl::TComponent* owner);
  const char* ClassName() const override { return "TMemo"; }

  TStrings& Lines() { return FLines; }
  const TStrings& Lines() const { return FLines; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // Only the vertical bar is drawn (ssVertical or ssBoth).
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool value) { FWantReturns = value; }

  // The first visible display line, and how many there are.
  int TopLine() const { return FTopLine; }
  void SetTopLine(int line);
  int DisplayLineCount();
  int VisibleLineCount() const;
  // The caret: a line of Lines and a character in it. Setting it drops the selection.
  TPoint CaretPos() const { return FCaret; }
  void SetCaretPos(TPoint pos);
  // The selection runs from where it began (the anchor) to the caret; Shift
  // with the arrows or a drag of the mouse makes it, Ctrl+A takes everything
  // and Ctrl+C copies it. Lines are joined with CR LF.
  AnsiString SelText() const;
  void Select(TPoint from, TPoint to);  // the caret goes to `to`
  void SelectAll();
  void CopyToClipboard() const;
  void CutToClipboard();
  void PasteFromClipboard();  // the text's line breaks make lines

  TNotifyEvent OnChange;

  bool WantsKey(WORD key, TShiftState shift) const override;
  bool WantsChars() const override { return true; }

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  void Resize() override;
  void FontChanged() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool FocusOnClick() const override { return true; }

 private:
  struct TDisplayLine {
    int Line;   // index in Lines
    int Start;  // first character
    int Length;
  };
  // A place in Lines: the line is Y, the character X.
  static bool Before(TPoint a, TPoint b) { return a.Y < b.Y || (a.Y == b.Y && a.X < b.X); }
  TPoint SelFirst() const { return Before(FAnchor, FCaret) ? FAnchor : FCaret; }
  TPoint SelLast() const { return Before(FAnchor, FCaret) ? FCaret : FAnchor; }
  TPoint Clamped(TPoint pos) const;
  void MoveCaret(TPoint pos, bool extend);
  bool DeleteSelection();
  void InsertText(const AnsiString& text);
  TPoint PosFromPoint(int x, int y);
  void Layout();
  int LineHeight() const;
  TRect TextRect() const;
  TRect BarRect() const;
  TScrollInfo Scroll();
  int DisplayLineOf(TPoint pos);
  void ScrollToCaret();
  void Edited();

  TStrings FLines;
  bool FReadOnly = false;
  bool FWordWrap = true;
  TScrollStyle FScrollBars = ssNone;
  TBorderStyle FBorderStyle = bsSingle;
  bool FWantReturns = true;
  int FTopLine = 0;
  TPoint FCaret;
  TPoint FAnchor;
  std::vector<TDisplayLine> FDisplay;
  bool FLayoutValid = false;
  TBarDrag FBar;
  bool FSelecting = false;  // the left button went down on the text
};

// ---- item lists -------------------------------------------------------------------
// The rows of strings that list boxes and combo box drop-downs show: the first
// visible item and scrolling, the item under a point, painting, and the search
// by first letter.
class TItemView {
 public:
  explicit TItemView(const TStrings& items) : FItems(items) {}
  static int ItemHeightOf(const TFont& font) { return std::max(1, font.TextHeight()); }

  int Top() const { return FTop; }
  // The top held to 0 .. Count - rows; true when it moved.
  bool SetTop(int index, int rows);
  // Scrolls the least that shows the item; true when the top moved.
  bool EnsureVisible(int index, int rows);
  // The item at a row offset from the first visible row, or -1.
  int ItemAt(int offsetY, int itemHeight) const;
  // The rows from the top down inside area (which the caller has filled with
  // the background); the selected one in the highlight colours.
  void Paint(TCanvas& canvas, const TRect& area, int itemHeight, int selected, TColor textColor) const;
  // The next item after `from`, round the list, whose first letter is key; -1 when none.
  int FindByLetter(char key, int from) const;

 private:
  const TStrings& FItems;
  int FTop = 0;
};

// ---- TListBox -------------------------------------------------------------------
class TListBox : public TWinControl {
 public:
  explicit TListBox(rtl::TComponent* owner);
  const char* ClassName() const override { return "TListBox"; }

  TStrings& Items() { return FItems; }
  const TStrings& Items() const { return FItems; }
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);
  int ItemHeight() const;
  void SetItemHeight(int value) { FItemHeight = value; Invalidate(); }
  int TopIndex() const { return FView.Top(); }
  void SetTopIndex(int index);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  // The item at a client point, or -1.
  int ItemAtPos(TPoint p) const;

  bool WantsKey(WORD key, TShiftState shift) const override;
  bool WantsChars() const override { return true; }

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool FocusOnClick() const override { return true; }
  // Selects an item as the user does: OnClick follows a change.
  void SelectByUser(int index);

 private:
  int Border() const { return FBorderStyle == bsSingle ? 2 : 0; }
  int VisibleCount() const;
  TRect BarRect() const;
  TScrollInfo Scroll() const { return {FView.Top(), FItems.Count(), VisibleCount()}; }
  void EnsureVisible(int index);

  TStrings FItems;
  TItemView FView{FItems};
  int FItemIndex = -1;
  int FItemHeight = 0;  // 0: from the font
  bool FSorted = false;
  TBorderStyle FBorderStyle = bsSingle;
  TBarDrag FBar;
  bool FSelecting = false;
};

// ---- TComboBox ------------------------------------------------------------------
enum TComboBoxStyle { csDropDown, csDropDownList };

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(rtl::TComponent* owner);
  const char* ClassName() const override { return "TComboBox"; }

  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle value);
  TStrings& Items() { return FItems; }
  const TStrings& Items() const { return FItems; }
  int ItemIndex() const { return FItemIndex; }
  // Sets the selection and the text (no OnChange, as a program's change).
  void SetItemIndex(int index);
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int value) { FDropDownCount = value; }
  bool DroppedDown() const;
  void SetDroppedDown(bool value);

  TNotifyEvent OnChange;

  bool WantsKey(WORD key, TShiftState shift) const override;
  bool WantsChars() const override { return true; }

 protected:
  void Paint() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void DoExit() override;
  bool FocusOnClick() const override { return true; }

 private:
  friend class TComboDropDown;
  void SelectByUser(int index);

  TComboBoxStyle FStyle = csDropDown;
  TStrings FItems;
  int FItemIndex = -1;
  int FDropDownCount = 8;
  class TComboDropDown* FDropDown = nullptr;
};

// ---- TGroupBox, TStaticText ---------------------------------------------------------
class TGroupBox : public TCustomControl {
 public:
  explicit TGroupBox(rtl::TComponent* owner);
  const char* ClassName() const override { return "TGroupBox"; }

 protected:
  void Paint() override;
  bool DialogChar(char ch) override;
};

enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };

class TStaticText : public TWinControl {
 public:
  explicit TStaticText(rtl::TComponent* owner);
  const char* ClassName() const override { return "TStaticText"; }

  TStaticBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TStaticBorderStyle value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* control) { FFocusControl = control; }

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  bool DialogChar(char ch) override;

 private:
  void AdjustBounds();

  TStaticBorderStyle FBorderStyle = sbsNone;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

// Classic pictures of the state boxes, for the controls and for components
// that draw them: a 13 x 13 check box and a 12 x 12 radio button at (x, y).
void DrawCheckBoxGlyph(TCanvas& canvas, int x, int y, TCheckBoxState state, bool enabled, bool pressed);
void DrawRadioGlyph(TCanvas& canvas, int x, int y, bool checked, bool enabled, bool pressed);
// The raised face of a push button (and its pushed-in look) over rect.
void DrawButtonFace(TCanvas& canvas, const TRect& rect, bool pressed, bool isDefault);

}  // namespace ui
