#pragma once
// Forms (top-level windows) and the screen. A form draws its own frame in the
// classic look: no border, a single border, or a dialog frame with a title
// bar and a close button; where the display puts the system's own frame of
// that kind around the window, the form leaves it to the display. Its picture
// lives in an image of the whole window, painted where invalidated and handed
// to the display (the client area only, inside a frame of the display's).

#include <optional>

#include "ui/Controls.h"
#include "ui/Display.h"

namespace ui {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
using TBorderStyle = TFormBorderStyle;  // bsNone or bsSingle for controls
enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
// fsMDIForm: a multiple-document frame whose client area holds child forms;
// fsMDIChild: one of those, inside the application's main frame.
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm };

class TMDIClient;


using TBorderIcons = uint8_t;
inline constexpr TBorderIcons biSystemMenu = 0x01;  // the close button
inline constexpr TBorderIcons biMinimize = 0x02;
inline constexpr TBorderIcons biMaximize = 0x04;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(rtl::TComponent* owner);
  ~TCustomForm() override;
  const char* ClassName() const override { return "TForm"; }

  // Runs OnCreate (an error goes to the uncaught-error box and creation goes
  // on) and shows the form when it is visible. NewForm calls it.
  virtual void AfterConstruction();

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState value);
  // A frame gets its client window; a child goes into the client window of the
  // frame that owns it, else of the main form (an error when that is no frame).
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value);
  // The frame's client window (null unless fsMDIForm).
  TMDIClient* ClientWindow() const { return FClientWindow; }

  // Frame widths of the border style: left/right/bottom border and the top (border and title bar).
  // They hold for a frame the display draws too: its client area sits where the form's does.
  int BorderSize() const;
  int CaptionHeight() const;
  TRect ClientRect() const override;
  void SetClientSize(int width, int height) override;
  TPoint ClientOrigin() const override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool value) override;

  // Asks to close: OnCloseQuery, then OnClose with its action (a modal form
  // instead ends its loop with mrCancel).
  void Close();
  // Shows the form and runs a message loop until ModalResult is set; the
  // windows that were visible and enabled are disabled meanwhile.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  bool Modal() const { return FModal; }
  // Frees the form once the messages now waiting are handled.
  void Release();

  bool Active() const;
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // Focus to the first control in Tab order.
  void SelectFirst();
  // The button Enter presses now: the focused button, else the default one.
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }

  // The window's shape in window coordinates (SetWindowRgn); nullopt: rectangular.
  const std::optional<TRegion>& WindowRegion() const { return FRegion; }
  void SetWindowRegion(const std::optional<TRegion>& region);
  // Moves the window with the mouse until the left button is released, as the
  // system's move by the title bar does.
  void BeginDragMove() { Perform(WM_SYSCOMMAND, SC_DRAGMOVE, 0); }

  // A window that never becomes active (hint windows, drop-down lists).
  bool NoActivate() const { return FNoActivate; }
  void SetNoActivate(bool value) { FNoActivate = value; }
  bool StayOnTop() const { return FStayOnTop; }
  void SetStayOnTop(bool value) { FStayOnTop = value; }

  // Painting: what is invalid (window coordinates) is painted by PaintNow and
  // handed to the display.
  void InvalidateWindowRect(const TRect& rect);
  void PaintNow();
  // Draws on the window directly (outside painting) mark their area for the display.
  void MarkPresent(const TRect& rect);
  void PresentNow();
  // The window as it is now (painted into a fresh image, shown or not).
  TBitmap PaintWindowImage();
  const TBitmap& WindowImage() const { return FImage; }

  // Whether the display draws this window's frame (the system's own, for a dialog frame).
  bool NativeFrame() const;

  // Whether the pointer is over the close button / title bar (window coordinates)
  // of the frame the form draws (never over the display's).
  bool InCloseButton(TPoint p) const;
  bool InCaption(TPoint p) const;

  bool PaintTo(TBitmap& target, TPoint origin, const TRect& clip, const TControl* stopAt = nullptr) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  friend class TApplication;
  friend class TControl;
  friend class TWinControl;

  void WndProc(TMessage& message) override;
  void Paint() override;
  void TextChanged() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();
  virtual bool CloseQuery();
  virtual void DoClose(TCloseAction& action);
  // Draws the border and the title bar around the client area.
  virtual void PaintNonClient(TCanvas& canvas);
  void FocusChanged(TWinControl* oldFocus, TWinControl* newFocus);

 private:
  void CloseModal();
  void PlaceOnShow();
  TWindowFrame FrameKind() const;
  // The part of the window the display shows the picture of (window coordinates), and
  // that part on the screen.
  TRect PictureRect() const;
  TRect DisplayRect() const;
  void UpdateDisplayBounds();
  void UpdateDisplayFrame();
  // The system moved the window: the top-left of the display's part is there now.
  void MovedByDisplay(TPoint topLeft);

  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TFormStyle FFormStyle = fsNormal;
  TMDIClient* FClientWindow = nullptr;
  TRect FRestoreBounds;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
  bool FKeyPreview = false;
  bool FNoActivate = false;
  bool FStayOnTop = false;
  bool FCloseButtonDown = false;
  TWinControl* FActiveControl = nullptr;
  std::optional<TRegion> FRegion;
  TBitmap FImage;
  TBitmap FPicture;  // the client area, for a display that frames the window
  TRect FInvalid;
  TRect FToPresent;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(rtl::TComponent* owner) : TCustomForm(owner) {}
};

// Makes a form and runs its creation (OnCreate): forms are made this way.
template <class T, class... Args>
T* NewForm(rtl::TComponent* owner, Args&&... args) {
  T* form = new T(owner, std::forward<Args>(args)...);
  form->AfterConstruction();
  return form;
}

// The screen: its size (from the display), the forms, the active form and
// the cursor of the whole program (crHourGlass while busy).
class TScreen {
 public:
  int Width() const;
  int Height() const;
  TCustomForm* ActiveForm() const;
  int FormCount() const;
  TCustomForm* Forms(int index) const;
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor);

 private:
  TCursor FCursor = crDefault;
};

extern TScreen* Screen;

}  // namespace ui
