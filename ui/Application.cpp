// The application: message queue, loop, timers, activation, input routing, hints.

#include "ui/Application.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Dialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/Shell.h"
#include "rtl/Clock.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"

namespace ui {

TApplication* Application = nullptr;

namespace {

// Windows raises a shorter timer interval to USER_TIMER_MINIMUM, 10 ms, and a timer
// that short fires at the system's timer resolution (10 to 15.6 ms on the NT family).
// So the programs' 1 ms and 5 ms timers tick every 10 ms or so there; 10 ms is the
// documented least and the interval they see on a machine with a 10 ms clock.
constexpr uint32_t kMinTimerInterval = 10;
constexpr uint32_t kDoubleClickTime = 500;
constexpr int kDoubleClickDistance = 2;

uint32_t Now() { return rtl::Clock().TickCount(); }
// Milliseconds from now to tick (0 when due).
uint32_t Until(uint32_t tick) {
  const int32_t d = static_cast<int32_t>(tick - Now());
  return d > 0 ? static_cast<uint32_t>(d) : 0;
}

bool IsFatal(const std::exception& e) { return dynamic_cast<const EDisplayStalled*>(&e) != nullptr; }

intptr_t MouseWParam(TShiftState shift, uint8_t buttons) {
  intptr_t w = 0;
  if (buttons & 1) w |= MK_LBUTTON;
  if (buttons & 2) w |= MK_RBUTTON;
  if (buttons & 4) w |= MK_MBUTTON;
  if (shift & ssShift) w |= MK_SHIFT;
  if (shift & ssCtrl) w |= MK_CONTROL;
  return w;
}

}  // namespace

TApplication::TApplication(std::unique_ptr<TDisplay> display)
    : rtl::TComponent(nullptr),
      FDisplay(display ? std::move(display) : std::make_unique<THeadlessDisplay>()) {
  Application = this;
  Screen = &FScreen;
  FDisplay->SetSink(this);
  FDialogs = CreateDrawnDialogs();
  platform::SetDialogs(FDialogs.get());
  platform::SetProcessMessagesHook([] {
    if (Application) Application->ProcessMessages();
  });
  platform::SetTerminateHandler([] {
    if (Application) Application->Terminate();
  });
  // The system tells every top-level window of a colour change, and they repaint.
  FSysColorListener = AddSysColorListener([this] {
    for (TCustomForm* form : std::vector<TCustomForm*>(FForms)) {
      if (form->Parent()) continue;
      form->Perform(WM_SYSCOLORCHANGE);
      form->Invalidate();
    }
  });
}

TApplication::~TApplication() {
  // Forms and other owned components go while the application is whole.
  FClosing = true;
  RemoveSysColorListener(FSysColorListener);
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  while (!FForms.empty()) FormDestroying(FForms.back());
  if (&platform::Dialogs() == FDialogs.get()) platform::SetDialogs(nullptr);
  platform::SetProcessMessagesHook(nullptr);
  platform::SetTerminateHandler(nullptr);
  if (Screen == &FScreen) Screen = nullptr;
  if (Application == this) Application = nullptr;
}

void TApplication::SetTitle(const AnsiString& title) {
  FTitle = title;
  FDisplay->SetApplicationTitle(title);
}

// ---- the loop -----------------------------------------------------------------------

void TApplication::Run() {
  if (!FMainForm) return;
  if (FShowMainForm) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::ProcessMessages() {
  FDisplay->PollEvents();
  // Each timer fires at most once here, so a slow timer cannot keep the call going.
  std::vector<TTimer*> fired;
  for (;;) {
    if (!FQueue.empty()) {
      TQueued m = std::move(FQueue.front());
      FQueue.pop_front();
      Dispatch(m);
      continue;
    }
    if (PaintWindows()) continue;
    if (!FireTimer(&fired)) break;
  }
}

void TApplication::HandleMessage() {
  if (ProcessMessage()) return;
  const bool soon = RunIdle();
  // What the idle handlers posted or invalidated is handled before any wait.
  if (!FQueue.empty() || FTerminated) return;
  for (TCustomForm* f : FZOrder)
    if (f->Visible() && !f->FInvalid.IsEmpty()) return;
  WaitMessage(soon);
}

bool TApplication::ProcessMessage() {
  if (FQueue.empty()) FDisplay->PollEvents();
  if (!FQueue.empty()) {
    TQueued m = std::move(FQueue.front());
    FQueue.pop_front();
    Dispatch(m);
    return true;
  }
  if (PaintWindows()) return true;
  return FireTimer();
}

void TApplication::Dispatch(const TQueued& message) {
  Guarded([&] {
    if (message.IsInput) DispatchInput(message.Input);
    else if (message.Proc) message.Proc();
  });
}

void TApplication::Guarded(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    if (IsFatal(e)) throw;
    HandleException(e);
  }
}

bool TApplication::PaintWindows() {
  bool painted = false;
  for (TCustomForm* f : std::vector<TCustomForm*>(FZOrder)) {
    if (!f->Visible()) continue;
    if (!f->FInvalid.IsEmpty()) {
      Guarded([f] { f->PaintNow(); });
      painted = true;
    } else {
      f->PresentNow();
    }
  }
  return painted;
}

bool TApplication::FireTimer(std::vector<TTimer*>* fired) {
  TTimerEntry* due = nullptr;
  for (TTimerEntry& e : FTimers) {
    if (Until(e.Due) != 0 || (fired && std::find(fired->begin(), fired->end(), e.Timer) != fired->end())) continue;
    if (!due || static_cast<int32_t>(e.Due - due->Due) < 0) due = &e;
  }
  if (!due) return false;
  TTimer* timer = due->Timer;
  if (fired) fired->push_back(timer);
  due->Due = Now() + std::max<uint32_t>(timer->Interval(), kMinTimerInterval);
  Guarded([timer] { timer->Timer(); });
  return true;
}

uint32_t TApplication::NextTimerDelay() const {
  uint32_t delay = kInfinite;
  for (const TTimerEntry& e : FTimers) delay = std::min(delay, Until(e.Due));
  return delay;
}

int TApplication::AddIdleHandler(std::function<bool()> handler) {
  FIdleHandlers.emplace_back(FNextIdleId, std::move(handler));
  return FNextIdleId++;
}

void TApplication::RemoveIdleHandler(int id) {
  FIdleHandlers.erase(std::remove_if(FIdleHandlers.begin(), FIdleHandlers.end(),
                                     [id](const auto& h) { return h.first == id; }),
                      FIdleHandlers.end());
}

bool TApplication::RunIdle() {
  bool soon = false;
  Guarded([&] { CheckHint(); });
  soon = FHintControl != nullptr && !FHintDone;
  if (FHintWindow && FHintWindow->Visible()) soon = true;
  // A handler may add or remove handlers, or run a nested loop: each runs once
  // per idle turn and never inside itself.
  std::vector<int>& running = FRunningIdle;
  std::vector<int> ids;
  for (const auto& h : FIdleHandlers) ids.push_back(h.first);
  for (int id : ids) {
    if (std::find(running.begin(), running.end(), id) != running.end()) continue;
    auto it = std::find_if(FIdleHandlers.begin(), FIdleHandlers.end(), [id](const auto& h) { return h.first == id; });
    if (it == FIdleHandlers.end()) continue;
    std::function<bool()> handler = it->second;
    running.push_back(id);
    struct TPop {
      std::vector<int>& Running;
      int Id;
      ~TPop() { Running.erase(std::find(Running.begin(), Running.end(), Id)); }
    } pop{running, id};
    Guarded([&] {
      if (handler()) soon = true;
    });
  }
  return soon;
}

void TApplication::WaitMessage(bool soon) {
  uint32_t timeout = NextTimerDelay();
  if (soon) timeout = std::min<uint32_t>(timeout, 10);
  FDisplay->WaitEvents(timeout);
}

void TApplication::Post(std::function<void()> proc) {
  TQueued m;
  m.Proc = std::move(proc);
  FQueue.push_back(std::move(m));
}

void TApplication::PostInput(const TInputEvent& event) {
  TQueued m;
  m.IsInput = true;
  m.Input = event;
  FQueue.push_back(std::move(m));
}

void TApplication::HandleException(const std::exception& error) {
  if (dynamic_cast<const rtl::EAbort*>(&error)) return;
  if (OnException) {
    OnException(error);
    return;
  }
  const auto* ex = dynamic_cast<const rtl::Exception*>(&error);
  const AnsiString message = ex ? ex->Message() : AnsiString(error.what());
  try {
    platform::ShowException(FTitle, message);
  } catch (const rtl::Exception&) {
    // No Windows backend: the box still shows, without the machine's record of it.
    platform::Dialogs().MessageBox(platform::ExceptionText(message), FTitle, platform::MB_OK | platform::MB_ICONSTOP);
  }
}

// ---- forms and activation --------------------------------------------------------------

void TApplication::FormCreated(TCustomForm* form) {
  FForms.push_back(form);
  FZOrder.insert(FZOrder.begin(), form);
  FDisplay->CreateWindow(form->Handle(), form->DisplayRect(), form->Caption());
  SyncZOrder();
}

void TApplication::FormDestroying(TCustomForm* form) {
  const bool wasActive = FActiveForm == form;
  if (wasActive) FActiveForm = nullptr;
  if (FMainForm == form) FMainForm = nullptr;
  if (FDragForm == form) FDragForm = nullptr;
  if (FCloseForm == form) FCloseForm = nullptr;
  if (FHintWindow == form) FHintWindow = nullptr;
  if (FPopup == form) FPopup = nullptr;
  auto inForm = [form](TControl* c) { return c && c->ParentForm() == form; };
  if (inForm(FCapture)) FCapture = nullptr;
  if (inForm(FMouseControl)) FMouseControl = nullptr;
  if (inForm(FHintControl)) FHintControl = nullptr;
  FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
  FZOrder.erase(std::remove(FZOrder.begin(), FZOrder.end(), form), FZOrder.end());
  FDisplay->DestroyWindow(form->Handle());
  if (wasActive && !FClosing) ActivateTopmost();
}

void TApplication::FormShown(TCustomForm* form) {
  BringToTop(form);
  if (!form->NoActivate()) ActivateForm(form);
}

void TApplication::FormHidden(TCustomForm* form) {
  if (FPopup == form) FPopup = nullptr;
  if (FDragForm == form) FDragForm = nullptr;
  if (FCloseForm == form) FCloseForm = nullptr;
  if (FCapture && FCapture->ParentForm() == form) SetCapture(nullptr);
  if (FMouseControl && FMouseControl->ParentForm() == form) UpdateMouseControl(nullptr);
  if (FActiveForm == form) {
    FActiveForm = nullptr;
    if (TWinControl* focus = form->ActiveControl()) focus->Perform(WM_KILLFOCUS);
    form->Perform(CM_DEACTIVATE);
    ActivateTopmost();
  }
}

void TApplication::ActivateForm(TCustomForm* form) {
  if (form == FActiveForm) return;
  if (form && (form->NoActivate() || !form->Visible() || !form->Enabled())) return;
  TCustomForm* old = FActiveForm;
  FActiveForm = form;
  auto invalidateFrame = [](TCustomForm* f) {
    if (f->CaptionHeight() > 0) f->InvalidateWindowRect(Rect(0, 0, f->Width(), f->BorderSize() + f->CaptionHeight()));
  };
  if (old) {
    invalidateFrame(old);
    if (TWinControl* focus = old->ActiveControl()) focus->Perform(WM_KILLFOCUS);
    old->Perform(CM_DEACTIVATE);
  }
  if (form && FActiveForm == form) {
    BringToTop(form);
    invalidateFrame(form);
    if (TWinControl* focus = form->ActiveControl(); focus && focus->CanFocus()) form->FocusChanged(nullptr, focus);
    else form->SelectFirst();
    form->Perform(CM_ACTIVATE);
  }
}

void TApplication::ActivateTopmost() {
  for (auto it = FZOrder.rbegin(); it != FZOrder.rend(); ++it) {
    TCustomForm* f = *it;
    if (f->Visible() && f->Enabled() && !f->NoActivate()) {
      ActivateForm(f);
      return;
    }
  }
  ActivateForm(nullptr);
}

void TApplication::BringToTop(TCustomForm* form) {
  auto it = std::find(FZOrder.begin(), FZOrder.end(), form);
  if (it == FZOrder.end() || it + 1 == FZOrder.end()) {
    SyncZOrder();
    return;
  }
  FZOrder.erase(it);
  FZOrder.push_back(form);
  SyncZOrder();
}

void TApplication::SyncZOrder() {
  std::stable_partition(FZOrder.begin(), FZOrder.end(), [](TCustomForm* f) { return !f->StayOnTop(); });
  std::vector<HWND> handles;
  for (TCustomForm* f : FZOrder) handles.push_back(f->Handle());
  FDisplay->SetZOrder(handles);
}

TCustomForm* TApplication::FindForm(HWND handle) const {
  for (TCustomForm* f : FForms)
    if (f->Handle() == handle) return f;
  return nullptr;
}

TCustomForm* TApplication::FormAtPoint(TPoint p) const {
  for (auto it = FZOrder.rbegin(); it != FZOrder.rend(); ++it) {
    TCustomForm* f = *it;
    if (!f->Visible() || f == FHintWindow || !f->BoundsRect().Contains(p)) continue;
    if (f->WindowRegion() && !f->WindowRegion()->Contains(p.X - f->Left(), p.Y - f->Top())) continue;
    return f;
  }
  return nullptr;
}

void TApplication::ControlDestroying(TControl* control) {
  if (FCapture == control) FCapture = nullptr;
  if (FMouseControl == control) FMouseControl = nullptr;
  if (FHintControl == control) {
    FHintControl = nullptr;
    if (FHintWindow && FHintWindow != control) FHintWindow->Hide();
  }
}

void TApplication::SetCapture(TControl* control) {
  if (control == FCapture) return;
  TControl* old = FCapture;
  FCapture = control;
  if (old) old->Perform(WM_CAPTURECHANGED);
}

void TApplication::StartDragMove(TCustomForm* form) {
  SetCapture(nullptr);
  // A desktop's own move, where the display has one: the button is up when it returns.
  if (TPoint topLeft; FDisplay->MoveWindowByUser(form->Handle(), topLeft)) {
    FButtons &= static_cast<uint8_t>(~1);
    form->SetBounds(topLeft.X, topLeft.Y, form->Width(), form->Height());
    return;
  }
  FDragForm = form;
  FDragStart = FMousePos;
  FDragOrigin = {form->Left(), form->Top()};
}

void TApplication::TimerChanged(TTimer* timer) {
  TimerDestroying(timer);
  if (timer->Enabled() && timer->Interval() > 0)
    FTimers.push_back({timer, Now() + std::max<uint32_t>(timer->Interval(), kMinTimerInterval)});
}

void TApplication::TimerDestroying(TTimer* timer) {
  FTimers.erase(std::remove_if(FTimers.begin(), FTimers.end(), [timer](const TTimerEntry& e) { return e.Timer == timer; }),
                FTimers.end());
}

// ---- input ------------------------------------------------------------------------------

void TApplication::DispatchInput(const TInputEvent& event) {
  switch (event.Kind) {
    case ikMouseMove:
    case ikMouseDown:
    case ikMouseUp:
    case ikMouseWheel:
      DispatchMouse(event);
      break;
    case ikKeyDown:
    case ikKeyUp:
    case ikChar:
      DispatchKey(event);
      break;
    case ikClose: {
      // Window 0: the program is asked to close, which its main form does.
      TCustomForm* form = event.Window ? FindForm(event.Window) : FMainForm;
      if (form && form->Enabled()) form->Perform(WM_CLOSE);
      break;
    }
    case ikMove:
      if (TCustomForm* form = FindForm(event.Window)) form->MovedByDisplay(event.Pos);
      break;
    case ikActivate:
      if (TCustomForm* form = FindForm(event.Window)) {
        CancelHint();
        if (FPopup && FPopup->Visible() && form != FPopup) FPopup->Hide();
        ActivateForm(form);
      }
      break;
  }
}

void TApplication::DispatchMouse(const TInputEvent& ev) {
  const uint8_t bit = ev.Button == mbLeft ? 1 : ev.Button == mbRight ? 2 : 4;
  if (ev.Kind == ikMouseDown) FButtons |= bit;
  if (ev.Kind == ikMouseUp) FButtons &= static_cast<uint8_t>(~bit);
  FMousePos = ev.Pos;

  if (FDragForm) {
    if (ev.Kind == ikMouseMove)
      FDragForm->SetBounds(FDragOrigin.X + ev.Pos.X - FDragStart.X, FDragOrigin.Y + ev.Pos.Y - FDragStart.Y,
                           FDragForm->Width(), FDragForm->Height());
    else if (ev.Kind == ikMouseUp && ev.Button == mbLeft)
      FDragForm = nullptr;
    return;
  }
  if (FCloseForm) {
    TCustomForm* f = FCloseForm;
    const bool inside = f->InCloseButton({ev.Pos.X - f->Left(), ev.Pos.Y - f->Top()});
    if (ev.Kind == ikMouseUp && ev.Button == mbLeft) {
      FCloseForm = nullptr;
      f->FCloseButtonDown = false;
      f->Invalidate();
      if (inside) f->Perform(WM_SYSCOMMAND, SC_CLOSE);
    } else if (inside != f->FCloseButtonDown) {
      f->FCloseButtonDown = inside;
      f->Invalidate();
    }
    return;
  }

  // The control under the pointer (disabled ones included) gets enter and leave.
  TCustomForm* form = ev.Window ? FindForm(ev.Window) : FormAtPoint(ev.Pos);
  if (form && !form->Visible()) form = nullptr;
  if (ev.Kind == ikMouseDown && FPopup && FPopup->Visible() && form != FPopup) {
    FPopup->Hide();
    return;
  }
  TControl* hover = nullptr;
  TControl* target = nullptr;
  bool inClient = false;
  if (form) {
    const TPoint wp{ev.Pos.X - form->Left(), ev.Pos.Y - form->Top()};
    const TPoint o = form->WindowOrigin();
    const TPoint cp{wp.X - o.X, wp.Y - o.Y};
    inClient = form->ClientRect().Contains(cp);
    if (inClient && form->Enabled()) {
      hover = form->ControlAtPos(cp, true);
      target = form->ControlAtPos(cp, false);
    }
    if (ev.Kind == ikMouseDown && form->Enabled()) {
      CancelHint();
      if (!form->NoActivate()) ActivateForm(form);
      if (!inClient && ev.Button == mbLeft && !FCapture) {
        if (form->InCloseButton(wp)) {
          FCloseForm = form;
          form->FCloseButtonDown = true;
          form->Invalidate();
        } else if (form->InCaption(wp)) {
          form->Perform(WM_SYSCOMMAND, SC_DRAGMOVE);
        }
        return;
      }
    }
  }
  UpdateMouseControl(hover);
  if (FCapture) target = FCapture;
  if (!target || (!FCapture && !inClient)) return;
  if (ev.Kind == ikMouseDown && (!target->EnabledInTree() || !target->ParentForm()->Enabled())) return;

  const TPoint local = target->ScreenToClient(ev.Pos);
  const intptr_t w = MouseWParam(ev.Shift, FButtons);
  const intptr_t l = MakeLParam(local.X, local.Y);
  switch (ev.Kind) {
    case ikMouseMove:
      target->Perform(WM_MOUSEMOVE, w, l);
      break;
    case ikMouseDown: {
      bool dbl = ev.DoubleClick;
      if (ev.Button == mbLeft) {
        const uint32_t now = Now();
        dbl = dbl || (FLastClickTick != 0 && now - FLastClickTick <= kDoubleClickTime &&
                      std::abs(ev.Pos.X - FLastClickPos.X) <= kDoubleClickDistance &&
                      std::abs(ev.Pos.Y - FLastClickPos.Y) <= kDoubleClickDistance);
        FLastClickTick = dbl ? 0 : now;
        FLastClickPos = ev.Pos;
      }
      const uint32_t msg = ev.Button == mbLeft    ? (dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN)
                           : ev.Button == mbRight ? (dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN)
                                                  : (dbl ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN);
      target->Perform(msg, w, l);
      break;
    }
    case ikMouseUp:
      target->Perform(ev.Button == mbLeft ? WM_LBUTTONUP : ev.Button == mbRight ? WM_RBUTTONUP : WM_MBUTTONUP, w, l);
      break;
    case ikMouseWheel: {
      // The wheel goes to the focused control, as Windows sends it.
      TControl* focus = FActiveForm ? FActiveForm->ActiveControl() : nullptr;
      TControl* to = focus ? focus : target;
      to->Perform(WM_MOUSEWHEEL, (static_cast<intptr_t>(ev.WheelDelta) << 16) | (w & 0xFFFF),
                  MakeLParam(ev.Pos.X, ev.Pos.Y));
      break;
    }
    default:
      break;
  }
}

void TApplication::UpdateMouseControl(TControl* control) {
  if (control == FMouseControl) return;
  TControl* old = FMouseControl;
  FMouseControl = control;
  if (old) old->Perform(CM_MOUSELEAVE);
  if (FMouseControl == control && control) control->Perform(CM_MOUSEENTER);
  UpdateCursor();
  // A hint waits for the pointer to rest on its control.
  if (FHintWindow && FHintWindow->Visible()) FHintWindow->Hide();
  FHintControl = nullptr;
  for (TControl* c = control; c; c = c->Parent())
    if (!c->Hint().empty()) {
      if (c->ShowHint()) FHintControl = c;
      break;
    }
  FHintSince = Now();
  FHintDone = false;
}

void TApplication::UpdateCursor() {
  TCursor cursor = FScreen.Cursor();
  for (TControl* c = FMouseControl; cursor == crDefault && c; c = c->Parent()) cursor = c->Cursor();
  FDisplay->SetCursor(cursor);
}

void TApplication::CheckHint() {
  if (!FShowHints || !FHintControl) return;
  if (!FHintControl->Showing()) {
    CancelHint();
    return;
  }
  const uint32_t elapsed = Now() - FHintSince;
  if (!FHintDone && (!FHintWindow || !FHintWindow->Visible())) {
    if (elapsed < FHintPause) return;
    if (!FHintWindow) FHintWindow = NewForm<THintWindow>(this);
    FHintWindow->ActivateHint({FMousePos.X, FMousePos.Y + 20}, FHintControl->Hint());
    FHintSince = Now();
  } else if (FHintWindow && FHintWindow->Visible() && elapsed >= FHintHidePause) {
    FHintWindow->Hide();
    FHintDone = true;
  }
}

void TApplication::CancelHint() {
  if (FHintWindow && FHintWindow->Visible()) FHintWindow->Hide();
  FHintDone = true;
}

void TApplication::DispatchKey(const TInputEvent& ev) {
  TCustomForm* form = FActiveForm;
  if (!form || !form->Enabled()) return;
  CancelHint();
  TWinControl* focus = form->ActiveControl();
  if (focus && !focus->CanFocus()) focus = nullptr;
  TWinControl* target = focus ? focus : form;

  if (ev.Kind == ikKeyDown) {
    WORD key = ev.Key;
    if (form->KeyPreview() && target != form) {
      key = static_cast<WORD>(form->Perform(WM_KEYDOWN, key, ev.Shift));
      if (key == 0) return;
    }
    const bool dialogKey = key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE || key == VK_LEFT ||
                           key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
    if (dialogKey && !(focus && focus->WantsKey(key, ev.Shift))) {
      if (key == VK_TAB) {
        if (!(ev.Shift & (ssAlt | ssCtrl))) form->SelectNext(focus, !(ev.Shift & ssShift), true);
        return;
      }
      // The controls first (default and cancel buttons, radio groups), then the form itself.
      if (form->BroadcastDialogKey(key, ev.Shift) || form->Perform(CM_DIALOGKEY, key, ev.Shift)) return;
      if (focus && focus->Parent() && key != VK_RETURN && key != VK_ESCAPE) {
        focus->Parent()->SelectNext(focus, key == VK_RIGHT || key == VK_DOWN, false);
        return;
      }
      if (key == VK_RETURN || key == VK_ESCAPE) return;
    }
    target->Perform((ev.Shift & ssAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN, key, ev.Shift);
  } else if (ev.Kind == ikKeyUp) {
    target->Perform((ev.Shift & ssAlt) ? WM_SYSKEYUP : WM_KEYUP, ev.Key, ev.Shift);
  } else {
    const char c = ev.Char;
    if (ev.Shift & ssAlt) {
      form->BroadcastDialogChar(c);
      return;
    }
    if (focus && focus->WantsChars()) {
      focus->Perform(WM_CHAR, static_cast<unsigned char>(c));
      return;
    }
    if (static_cast<unsigned char>(c) >= 32 && form->BroadcastDialogChar(c)) return;
    target->Perform(WM_CHAR, static_cast<unsigned char>(c));
  }
}

// ---- hint window ----------------------------------------------------------------------

THintWindow::THintWindow(rtl::TComponent* owner) : TCustomForm(owner) {
  SetBorderStyle(bsNone);
  SetNoActivate(true);
  SetStayOnTop(true);
  SetColor(clInfoBk);
  Font().SetColor(clInfoText);
}

void THintWindow::ActivateHint(TPoint screenPos, const AnsiString& text) {
  SetCaption(text);
  TBitmap probe(1, 1);
  probe.Canvas().Font.Assign(Font());
  TRect r = Rect(0, 0, 300, 0);
  probe.Canvas().DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  const int w = r.Width() + 10, h = r.Height() + 6;
  TSize screen = Application ? Application->Display().ScreenSize() : TSize{1024, 768};
  const int x = std::clamp(screenPos.X, 0, std::max(0, screen.cx - w));
  const int y = std::clamp(screenPos.Y, 0, std::max(0, screen.cy - h));
  SetBounds(x, y, w, h);
  Show();
  Invalidate();
}

void THintWindow::Paint() {
  TCanvas& c = Canvas();
  c.Brush.Color = clBlack;
  c.FrameRect(ClientRect());
  c.Font.Assign(Font());
  c.Brush.Style = bsClear;
  TRect r = ClientRect();
  r.Inflate(-5, -3);
  c.DrawText(Caption(), r, DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace ui
