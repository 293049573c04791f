#pragma once
// The operator: drives the program the way a person at the screen would, on
// any display. It finds windows by class or caption and controls by name or
// caption, clicks, types, presses keys, answers dialogs and takes
// screenshots.
//
// Direct calls (Click, Type, WaitForWindow...) post the input and run the loop
// until it is handled; they suit code that opens no modal window. Steps that
// must happen inside a modal loop are queued (Queue) and run from the loop
// when it is idle, and whenever the program lets its messages run from inside
// a long task (platform::ProcessMessages), one after the other, each waiting
// as long as it needs:
//
//   TOperator op;
//   op.Queue({"wait-window Confirmation", "answer Yes to All"});
//   auto answer = platform::Dialogs().QueryContinue(query);   // runs the steps
//
// The same steps as text, one a line (a script that runs beside a program):
//   wait-window TEXT     a visible window of that class or caption
//   wait-gone TEXT       until no such window is visible
//   wait-enabled NAME    until the control is enabled
//   wait-shown NAME      until the control is shown
//   click NAME           a control by name or caption ('&' ignored), in its
//                        own window even where another one covers it
//   double-click NAME
//   click-at X Y         a screen point
//   move X Y             the mouse to a screen point
//   drag X1 Y1 X2 Y2     press, move, release
//   type TEXT            the rest of the line as typed characters
//   key KEYS             ENTER, ESC, TAB, SHIFT+TAB, ALT+S, SPACE, F4, UP, ...
//   answer BUTTON        the button of that caption in the topmost dialog
//   screenshot FILE      the screen as a PNG file of the host
//   wait MS              let the time pass
//   timeout MS           the longest wait of the following steps (30000)
// Blank lines and lines starting with '#' are skipped. A step that fails (no
// such control, a wait that times out) is recorded in Errors(), the steps
// after it are dropped and the application is told to end, so a test or a
// program never waits forever.

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/StdCtrls.h"

namespace ui {

class EOperatorError : public rtl::Exception {
 public:
  using Exception::Exception;
};

class TOperator {
 public:
  TOperator();
  ~TOperator();
  TOperator(const TOperator&) = delete;
  TOperator& operator=(const TOperator&) = delete;

  // Visible windows of that class name or caption, topmost first; nullptr when none.
  TCustomForm* FindWindow(const AnsiString& classOrCaption) const;
  // A control of a window (of any visible window, the active one first) by
  // name or caption; nullptr when none.
  TControl* FindControl(const AnsiString& nameOrCaption, TCustomForm* form = nullptr) const;

  // Runs the loop until the window shows; raises EOperatorError after timeoutMs.
  TCustomForm* WaitForWindow(const AnsiString& classOrCaption, uint32_t timeoutMs = 30000);
  // Runs the loop until pred is true or the time is up; returns pred().
  bool RunUntil(const std::function<bool()>& pred, uint32_t timeoutMs);
  // Runs the loop while ms of (virtual) time pass.
  void Wait(uint32_t ms);

  void Click(const AnsiString& control, TCustomForm* form = nullptr);
  void DoubleClick(const AnsiString& control, TCustomForm* form = nullptr);
  void ClickAt(TPoint screen, TMouseButton button = mbLeft);
  void DoubleClickAt(TPoint screen);
  void MoveTo(TPoint screen);
  void Drag(TPoint from, TPoint to);
  void Type(const AnsiString& text);
  // "ENTER", "SHIFT+TAB", "ALT+S"...; raises EOperatorError for an unknown name.
  void Key(const AnsiString& keys);
  void Key(WORD key, TShiftState shift = 0);
  // Clicks the button of that caption in the topmost window that has one.
  void Answer(const AnsiString& buttonCaption);
  // The screen as a PNG file (a host path).
  void Screenshot(const std::string& hostPath) const;

  // Steps that run from the loop: script lines (UTF-8) or a function called
  // until it returns true.
  void Queue(const std::vector<std::string>& lines);
  void Queue(std::function<bool()> step, const AnsiString& what = "step");
  bool Done() const { return FSteps.empty(); }
  const std::vector<AnsiString>& Errors() const { return FErrors; }
  // Where failures are told (by default the standard error stream).
  std::function<void(const AnsiString&)> OnLog;

 private:
  struct TStep {
    AnsiString What;
    std::function<bool()> Run;  // true when done
    bool Started = false;
    uint32_t Deadline = 0;
  };
  TStep Parse(const std::string& line, int number);
  bool RunSteps();
  void Fail(const AnsiString& message);
  void PostMouse(TInputKind kind, TPoint p, TMouseButton button = mbLeft, HWND window = 0);
  void PostClick(TControl* control, bool twice);
  void PostClickAt(TPoint p, HWND window, bool twice);
  TPoint CenterOf(TControl* control) const;
  TControl* RequireControl(const AnsiString& name, TCustomForm* form) const;
  TButton* FindAnswer(const AnsiString& caption) const;

  std::deque<TStep> FSteps;
  std::vector<AnsiString> FErrors;
  int FIdleId = 0;
  uint32_t FTimeout = 30000;
};

// Runs script lines beside a program: the operator queues them at once and
// lives as long as the pointer.
std::unique_ptr<TOperator> RunOperatorScript(const std::vector<std::string>& lines);

// The virtual key and shift state of a key name ("ENTER", "ALT+S"); false when unknown.
bool ParseKeyName(const AnsiString& keys, WORD& key, TShiftState& shift);

}  // namespace ui
