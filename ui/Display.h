#pragma once
// Displays: where the top-level windows show and where input comes from. The
// application keeps the windows, their z-order and their pictures; a display
// mirrors them on a screen (a virtual one, or real windows on a desktop) and
// hands the input it receives back to the application.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace ui {

// One input event in screen coordinates. Window 0 leaves the choice of the
// window to the application (the one under the point). ikClose asks the window
// to close (window 0: the application, from its taskbar button); ikMove tells
// that the system moved the window, Pos its area's new top-left; ikActivate
// that the user brought it forward through the system's frame.
enum TInputKind {
  ikMouseMove, ikMouseDown, ikMouseUp, ikMouseWheel, ikKeyDown, ikKeyUp, ikChar, ikClose, ikMove, ikActivate
};

struct TInputEvent {
  TInputKind Kind = ikMouseMove;
  HWND Window = 0;
  TPoint Pos;                  // screen coordinates (mouse)
  TMouseButton Button = mbLeft;
  bool DoubleClick = false;
  int WheelDelta = 0;          // 120 a notch, positive away from the user
  WORD Key = 0;                // virtual key (ikKeyDown, ikKeyUp)
  char Char = 0;               // Windows-1252 character (ikChar)
  TShiftState Shift = 0;
};

class TInputSink {
 public:
  virtual ~TInputSink() = default;
  virtual void PostInput(const TInputEvent& event) = 0;
};

// Raised when the loop waits for input that can never come (a display
// without a user and nothing scheduled): the program would hang otherwise.
class EDisplayStalled : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// A frame around a top-level window: none (the picture is the whole window),
// or a dialog frame (border, title bar with the caption, and a close box
// where asked).
enum TWindowFrame { wfNone, wfDialog };

class TDisplay {
 public:
  virtual ~TDisplay() = default;

  virtual const char* Name() const = 0;
  virtual TSize ScreenSize() const = 0;

  // The program's title, which its taskbar button shows where the desktop has one.
  virtual void SetApplicationTitle(const AnsiString& title) {}

  // Whether the display puts the system's own frame of that kind around a
  // window. The application draws the frames the display does not; for a
  // window the display frames, its bounds, pictures and region are those of
  // the client area inside the frame, and the frame's input is the system's:
  // its close box asks to close (ikClose), its title bar moves the window
  // (ikMove) and brings it forward (ikActivate).
  virtual bool DrawsFrame(TWindowFrame frame) const { return frame == wfNone; }
  virtual void SetWindowFrame(HWND window, TWindowFrame frame, bool closeBox) {}

  // Top-level windows, by handle. Bounds are screen coordinates of the window's
  // area (the whole window, or the client area inside a frame the display draws).
  virtual void CreateWindow(HWND window, const TRect& bounds, const AnsiString& caption) = 0;
  virtual void DestroyWindow(HWND window) = 0;
  virtual void SetWindowBounds(HWND window, const TRect& bounds) = 0;
  virtual void SetWindowCaption(HWND window, const AnsiString& caption) {}
  virtual void ShowWindow(HWND window, bool visible) = 0;
  // The window's shape in the coordinates of its area; nullopt: the whole rectangle.
  virtual void SetWindowRegion(HWND window, const std::optional<TRegion>& region) = 0;
  // Visible stacking, bottom first.
  virtual void SetZOrder(const std::vector<HWND>& bottomToTop) = 0;
  // The window's new picture (of its area); only `dirty` (in the picture) changed.
  virtual void Present(HWND window, const TBitmap& image, const TRect& dirty) = 0;
  virtual void SetCursor(TCursor cursor) {}
  // Lets the user move the window with the held mouse button through the
  // system's own move (its loop runs within the call); true with the window's
  // new top-left when the display did, false to leave the drag to the caller.
  virtual bool MoveWindowByUser(HWND window, TPoint& topLeft) { return false; }
  // The clipboard's text: the desktop's where there is one, else the process's own.
  virtual AnsiString ClipboardText() const { return FClipboard; }
  virtual void SetClipboardText(const AnsiString& text) { FClipboard = text; }

  // Waits until input arrives or the timeout (milliseconds) passes and posts
  // what arrived to the sink. A display with virtual time lets the time pass
  // instead and raises EDisplayStalled for an endless wait.
  virtual void WaitEvents(uint32_t timeoutMs) = 0;
  // Posts input that is already waiting, without blocking.
  virtual void PollEvents() {}

  // The whole screen as the windows show on it.
  virtual TBitmap Screenshot() const = 0;

  void SetSink(TInputSink* sink) { FSink = sink; }

 protected:
  TInputSink* FSink = nullptr;

 private:
  AnsiString FClipboard;
};

// The screen as the displays compose it: the windows' last pictures stacked in
// z-order, each cut to its region, over the desktop colour.
class TScreenImage {
 public:
  struct TWindow {
    TRect Bounds;
    bool Visible = false;
    std::optional<TRegion> Region;
    TBitmap Image;
  };

  void Create(HWND window, const TRect& bounds);
  void Destroy(HWND window);
  void SetBounds(HWND window, const TRect& bounds);
  void Show(HWND window, bool visible);
  void SetRegion(HWND window, const std::optional<TRegion>& region);
  void SetZOrder(const std::vector<HWND>& bottomToTop) { FOrder = bottomToTop; }
  void Present(HWND window, const TBitmap& image, const TRect& dirty);
  const TWindow* Window(HWND window) const;
  TBitmap Compose(TSize screen) const;

 private:
  std::map<HWND, TWindow> FWindows;
  std::vector<HWND> FOrder;
};

// The virtual screen for tests and machines without a desktop: virtual time
// (it installs a fixed clock that waiting advances), input only from the
// operator, the screen composed on request.
class THeadlessDisplay : public TDisplay {
 public:
  explicit THeadlessDisplay(int screenWidth = 1024, int screenHeight = 768);
  ~THeadlessDisplay() override;

  const char* Name() const override { return "headless"; }
  TSize ScreenSize() const override { return FScreen; }
  void SetScreenSize(int width, int height) { FScreen = {width, height}; }

  void CreateWindow(HWND window, const TRect& bounds, const AnsiString& caption) override;
  void DestroyWindow(HWND window) override;
  void SetWindowBounds(HWND window, const TRect& bounds) override;
  void ShowWindow(HWND window, bool visible) override;
  void SetWindowRegion(HWND window, const std::optional<TRegion>& region) override;
  void SetZOrder(const std::vector<HWND>& bottomToTop) override;
  void Present(HWND window, const TBitmap& image, const TRect& dirty) override;
  void SetCursor(TCursor cursor) override { FCursor = cursor; }
  TCursor CurrentCursor() const { return FCursor; }

  // Lets the virtual time pass; an endless wait raises EDisplayStalled.
  void WaitEvents(uint32_t timeoutMs) override;
  TBitmap Screenshot() const override;

 private:
  struct TClockHolder;
  std::unique_ptr<TClockHolder> FClock;
  TSize FScreen;
  TScreenImage FImage;
  TCursor FCursor = crDefault;
};

// The display for a program. On Linux: SDL windows when a desktop is there
// (DISPLAY or WAYLAND_DISPLAY set and SDL starts), the headless display
// otherwise; the variable VQM_DISPLAY=headless or sdl forces the choice, and
// the headless screen takes the size given (the simulated machine's screen).
// On Windows: the desktop's own windows (the sizes are not used).
std::unique_ptr<TDisplay> CreateDisplay(int headlessWidth = 1024, int headlessHeight = 768);

#ifdef VQM_HAVE_SDL
// SDL2 windows; raises std::runtime_error when SDL cannot start.
std::unique_ptr<TDisplay> CreateSdlDisplay();
#endif

// Real windows of the Windows desktop (Windows only).
std::unique_ptr<TDisplay> CreateWin32Display();

}  // namespace ui
