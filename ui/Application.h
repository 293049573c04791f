#pragma once
// The application: the forms, the message loop with its queue, timers and
// modal loops, activation, mouse and keyboard routing, hints, and the
// uncaught-error box. One application exists at a time (`Application`).
//
// The loop takes, in this order: posted messages and input, then paints the
// invalid windows, then fires the timers that are due (as Windows orders
// WM_PAINT before WM_TIMER); with nothing left it runs the idle handlers and
// waits on the display until the next timer.
//
// An error that a message handler raises goes to HandleException and the loop
// goes on; EDisplayStalled, and anything that is no std::exception (a test's
// marker for the end of the program), pass through.

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "ui/Display.h"
#include "ui/Forms.h"

namespace platform {
class TDialogs;
}

namespace ui {

class TTimer;
class THintWindow;

class TApplication : public rtl::TComponent, public TInputSink {
 public:
  // Without a display the headless one (1024 x 768) is used. The application
  // registers its loop and its end with the platform and the drawn dialogs as
  // the platform's dialogs.
  explicit TApplication(std::unique_ptr<TDisplay> display = nullptr);
  ~TApplication() override;

  const AnsiString& Title() const { return FTitle; }
  // The program's title: the uncaught-error box's caption, and the taskbar button's text.
  void SetTitle(const AnsiString& title);

  // The first form made with CreateForm; closing it ends the program.
  TCustomForm* MainForm() const { return FMainForm; }
  template <class T>
  T* CreateForm(T*& reference) {
    reference = NewForm<T>(this);
    if (!FMainForm) FMainForm = reference;
    return reference;
  }
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool value) { FShowMainForm = value; }

  // Shows the main form and runs the loop until Terminate.
  void Run();
  // Handles every message waiting, once, and returns.
  void ProcessMessages();
  // Handles one message, or waits for one when none is waiting.
  void HandleMessage();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }

  // The uncaught-error box (the title as caption, error icon, OK) for an error
  // no handler took; the silent abort shows nothing.
  void HandleException(const std::exception& error);
  std::function<void(const std::exception&)> OnException;

  // A message that runs proc when the loop takes it (PostMessage).
  void Post(std::function<void()> proc);
  void PostInput(const TInputEvent& event) override;

  // Called when the loop has nothing to do; a handler returning true wants to
  // run again soon (the loop then waits at most 10 ms).
  int AddIdleHandler(std::function<bool()> handler);
  void RemoveIdleHandler(int id);

  TDisplay& Display() { return *FDisplay; }

  // Top-level windows, bottom first, and the active one.
  const std::vector<TCustomForm*>& ZOrder() const { return FZOrder; }
  TCustomForm* ActiveForm() const { return FActiveForm; }
  // The visible window under a screen point (its region respected; hint windows left out).
  TCustomForm* FormAtPoint(TPoint p) const;
  TCustomForm* FindForm(HWND handle) const;

  bool ShowHints() const { return FShowHints; }
  void SetShowHints(bool value) { FShowHints = value; }
  // A drop-down window: a press outside it closes it (and does nothing else).
  void SetPopup(TCustomForm* popup) { FPopup = popup; }
  TCustomForm* Popup() const { return FPopup; }
  // The hint window while a hint shows.
  THintWindow* HintWindow() const { return FHintWindow; }

 private:
  friend class TControl;
  friend class TWinControl;
  friend class TCustomForm;
  friend class TTimer;
  friend class TScreen;

  struct TQueued {
    bool IsInput = false;
    TInputEvent Input;
    std::function<void()> Proc;
  };
  struct TTimerEntry {
    TTimer* Timer;
    uint32_t Due;
  };

  bool ProcessMessage();
  void Dispatch(const TQueued& message);
  void DispatchInput(const TInputEvent& event);
  void DispatchMouse(const TInputEvent& event);
  void DispatchKey(const TInputEvent& event);
  bool PaintWindows();
  bool FireTimer(std::vector<TTimer*>* fired = nullptr);
  bool RunIdle();
  void WaitMessage(bool soon);
  uint32_t NextTimerDelay() const;
  void Guarded(const std::function<void()>& f);
  void UpdateMouseControl(TControl* control);
  void UpdateCursor();
  void CheckHint();
  void CancelHint();

  // Called by forms and controls.
  void FormCreated(TCustomForm* form);
  void FormDestroying(TCustomForm* form);
  void FormShown(TCustomForm* form);
  void FormHidden(TCustomForm* form);
  void ActivateForm(TCustomForm* form);
  void ActivateTopmost();
  void BringToTop(TCustomForm* form);
  void SyncZOrder();
  void ControlDestroying(TControl* control);
  void SetCapture(TControl* control);
  TControl* Capture() const { return FCapture; }
  void StartDragMove(TCustomForm* form);
  void TimerChanged(TTimer* timer);
  void TimerDestroying(TTimer* timer);

  std::unique_ptr<TDisplay> FDisplay;
  std::unique_ptr<platform::TDialogs> FDialogs;
  TScreen FScreen;
  AnsiString FTitle;
  TCustomForm* FMainForm = nullptr;
  int FSysColorListener = 0;
  bool FShowMainForm = true;
  bool FTerminated = false;
  std::deque<TQueued> FQueue;
  std::vector<TCustomForm*> FForms;   // creation order
  std::vector<TCustomForm*> FZOrder;  // bottom first
  TCustomForm* FActiveForm = nullptr;
  std::vector<TTimerEntry> FTimers;
  std::vector<std::pair<int, std::function<bool()>>> FIdleHandlers;
  int FNextIdleId = 1;
  std::vector<int> FRunningIdle;
  bool FClosing = false;

  // Mouse state.
  TPoint FMousePos{-1, -1};
  uint8_t FButtons = 0;  // mouse buttons held down: 1 left, 2 right, 4 middle
  TControl* FCapture = nullptr;
  TControl* FMouseControl = nullptr;
  TCustomForm* FDragForm = nullptr;
  TPoint FDragStart;
  TPoint FDragOrigin;
  TCustomForm* FCloseForm = nullptr;  // the close button is held down
  uint32_t FLastClickTick = 0;
  TPoint FLastClickPos;

  // Hints.
  bool FShowHints = true;
  uint32_t FHintPause = 500;      // the pointer rests this long before a hint shows
  uint32_t FHintHidePause = 2500;  // and the hint goes after this long
  TControl* FHintControl = nullptr;
  uint32_t FHintSince = 0;
  bool FHintDone = false;
  THintWindow* FHintWindow = nullptr;
  TCustomForm* FPopup = nullptr;
};

extern TApplication* Application;

// A borderless window that shows a hint text on the info colours.
class THintWindow : public TCustomForm {
 public:
  explicit THintWindow(rtl::TComponent* owner);
  const char* ClassName() const override { return "THintWindow"; }
  void ActivateHint(TPoint screenPos, const AnsiString& text);

 protected:
  void Paint() override;
};

}  // namespace ui
