// The operator: finding windows and controls, synthetic input, queued steps and scripts.

#include "ui/Operator.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/Shell.h"
#include "rtl/Clock.h"
#include "rtl/SysUtils.h"
#include "ui/ExtCtrls.h"
#include "ui/Picture.h"

namespace ui {

namespace {

uint32_t Now() { return rtl::Clock().TickCount(); }

// A caption as shown: without the accelerator marks.
AnsiString PlainCaption(const AnsiString& caption) {
  AnsiString out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

bool SameCaption(const AnsiString& caption, const AnsiString& wanted) {
  return rtl::AnsiCompareText(PlainCaption(caption), PlainCaption(wanted)) == 0;
}

TApplication& App() {
  if (!Application) throw EOperatorError("No application to operate");
  return *Application;
}

TControl* SearchTree(TControl* root, const std::function<bool(TControl*)>& match) {
  if (match(root)) return root;
  if (auto* wc = dynamic_cast<TWinControl*>(root))
    for (TControl* c : wc->ControlList())
      if (TControl* found = SearchTree(c, match)) return found;
  return nullptr;
}

std::vector<TCustomForm*> VisibleFormsTopFirst() {
  std::vector<TCustomForm*> forms;
  const auto& z = App().ZOrder();
  // The active window first, then the others from the top.
  if (TCustomForm* active = App().ActiveForm(); active && active->Visible()) forms.push_back(active);
  for (auto it = z.rbegin(); it != z.rend(); ++it)
    if ((*it)->Visible() && *it != App().ActiveForm()) forms.push_back(*it);
  return forms;
}

std::string Trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

}  // namespace

bool ParseKeyName(const AnsiString& keys, WORD& key, TShiftState& shift) {
  shift = 0;
  AnsiString rest = rtl::UpperCase(rtl::Trim(keys));
  for (;;) {
    const auto plus = rest.find('+');
    if (plus == AnsiString::npos || plus + 1 == rest.size()) break;
    const AnsiString mod = rest.substr(0, plus);
    if (mod == "SHIFT") shift |= ssShift;
    else if (mod == "ALT") shift |= ssAlt;
    else if (mod == "CTRL") shift |= ssCtrl;
    else return false;
    rest = rest.substr(plus + 1);
  }
  static const std::pair<const char*, WORD> kNames[] = {
      {"ENTER", VK_RETURN}, {"RETURN", VK_RETURN}, {"ESC", VK_ESCAPE}, {"ESCAPE", VK_ESCAPE}, {"TAB", VK_TAB},
      {"SPACE", VK_SPACE},  {"BACKSPACE", VK_BACK}, {"DELETE", VK_DELETE}, {"DEL", VK_DELETE}, {"INSERT", VK_INSERT},
      {"UP", VK_UP},        {"DOWN", VK_DOWN},     {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT}, {"HOME", VK_HOME},
      {"END", VK_END},      {"PGUP", VK_PRIOR},    {"PGDN", VK_NEXT}};
  for (const auto& [name, vk] : kNames)
    if (rest == name) {
      key = vk;
      return true;
    }
  if (rest.size() >= 2 && rest[0] == 'F') {
    const int n = rtl::StrToIntDef(rest.substr(1), 0);
    if (n >= 1 && n <= 12) {
      key = static_cast<WORD>(VK_F1 + n - 1);
      return true;
    }
  }
  if (rest.size() == 1 && ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= '0' && rest[0] <= '9'))) {
    key = static_cast<WORD>(rest[0]);
    return true;
  }
  return false;
}

TOperator::TOperator() {
  OnLog = [](const AnsiString& message) { std::fprintf(stderr, "operator: %s\n", rtl::Utf8FromAnsi(message).c_str()); };
  FIdleId = App().AddIdleHandler([this] { return RunSteps(); });
  // A program deep in a long task still lets its waiting messages run now and
  // then (platform::ProcessMessages): a person at the screen can act then too.
  platform::SetProcessMessagesHook([this] {
    if (Application) Application->ProcessMessages();
    RunSteps();
  });
}

TOperator::~TOperator() {
  if (Application) Application->RemoveIdleHandler(FIdleId);
  platform::SetProcessMessagesHook([] {
    if (Application) Application->ProcessMessages();
  });
}

// ---- finding -----------------------------------------------------------------------------

TCustomForm* TOperator::FindWindow(const AnsiString& classOrCaption) const {
  for (TCustomForm* f : VisibleFormsTopFirst())
    if (f->ClassName() == classOrCaption || f->Caption() == classOrCaption) return f;
  return nullptr;
}

TControl* TOperator::FindControl(const AnsiString& nameOrCaption, TCustomForm* form) const {
  std::vector<TCustomForm*> forms = form ? std::vector<TCustomForm*>{form} : VisibleFormsTopFirst();
  for (TCustomForm* f : forms)
    if (TControl* c = SearchTree(f, [&](TControl* c) { return c != f && rtl::SameText(c->Name(), nameOrCaption); }))
      return c;
  for (TCustomForm* f : forms)
    if (TControl* c = SearchTree(f, [&](TControl* c) {
          return c != f && c->Showing() && !c->Caption().empty() && SameCaption(c->Caption(), nameOrCaption);
        }))
      return c;
  return nullptr;
}

TControl* TOperator::RequireControl(const AnsiString& name, TCustomForm* form) const {
  TControl* c = FindControl(name, form);
  if (!c) throw EOperatorError("No control \"" + name + "\" in the windows shown");
  if (!c->Showing()) throw EOperatorError("The control \"" + name + "\" is not shown");
  return c;
}

TButton* TOperator::FindAnswer(const AnsiString& caption) const {
  // Modal windows first: they are the dialogs waiting for an answer.
  for (bool modal : {true, false})
    for (TCustomForm* f : VisibleFormsTopFirst()) {
      if (!f->Enabled() || f->Modal() != modal) continue;
      if (TControl* c = SearchTree(f, [&](TControl* c) {
            return dynamic_cast<TButton*>(c) && c->Showing() && SameCaption(c->Caption(), caption);
          }))
        return static_cast<TButton*>(c);
    }
  return nullptr;
}

TPoint TOperator::CenterOf(TControl* control) const {
  return control->ClientToScreen({control->Width() / 2, control->Height() / 2});
}

// ---- running the loop -------------------------------------------------------------------------

bool TOperator::RunUntil(const std::function<bool()>& pred, uint32_t timeoutMs) {
  TApplication& app = App();
  // Wakes the loop every few milliseconds while waiting, so time passes.
  const int id = app.AddIdleHandler([] { return true; });
  struct TRemove {
    int Id;
    ~TRemove() {
      if (Application) Application->RemoveIdleHandler(Id);
    }
  } remove{id};
  const uint32_t start = Now();
  app.ProcessMessages();
  while (!pred()) {
    if (Now() - start >= timeoutMs || app.Terminated()) return pred();
    app.HandleMessage();
  }
  return true;
}

TCustomForm* TOperator::WaitForWindow(const AnsiString& classOrCaption, uint32_t timeoutMs) {
  if (!RunUntil([&] { return FindWindow(classOrCaption) != nullptr; }, timeoutMs))
    throw EOperatorError("The window \"" + classOrCaption + "\" did not show");
  return FindWindow(classOrCaption);
}

void TOperator::Wait(uint32_t ms) {
  TApplication& app = App();
  app.ProcessMessages();
  if (ms == 0) return;
  // A timer wakes the loop when the time is up, so the wait is exact in virtual time.
  TTimer timer(nullptr);
  bool done = false;
  timer.OnTimer = [&](TObject*) { done = true; };
  timer.SetInterval(ms);
  while (!done && !app.Terminated()) app.HandleMessage();
}

// ---- input ------------------------------------------------------------------------------------

void TOperator::PostMouse(TInputKind kind, TPoint p, TMouseButton button, HWND window) {
  TInputEvent e;
  e.Kind = kind;
  e.Pos = p;
  e.Button = button;
  e.Window = window;
  App().PostInput(e);
}

void TOperator::PostClick(TControl* control, bool twice) {
  // Straight to the control's window, even where another window covers it.
  PostClickAt(CenterOf(control), control->ParentForm()->Handle(), twice);
}

void TOperator::PostClickAt(TPoint p, HWND window, bool twice) {
  PostMouse(ikMouseMove, p, mbLeft, window);
  PostMouse(ikMouseDown, p, mbLeft, window);
  PostMouse(ikMouseUp, p, mbLeft, window);
  if (!twice) return;
  TInputEvent e;
  e.Kind = ikMouseDown;
  e.Pos = p;
  e.Window = window;
  e.DoubleClick = true;
  App().PostInput(e);
  PostMouse(ikMouseUp, p, mbLeft, window);
}

void TOperator::ClickAt(TPoint screen, TMouseButton button) {
  PostMouse(ikMouseMove, screen);
  PostMouse(ikMouseDown, screen, button);
  PostMouse(ikMouseUp, screen, button);
  App().ProcessMessages();
}

void TOperator::DoubleClickAt(TPoint screen) {
  PostClickAt(screen, 0, true);
  App().ProcessMessages();
}

void TOperator::MoveTo(TPoint screen) {
  PostMouse(ikMouseMove, screen);
  App().ProcessMessages();
}

void TOperator::Drag(TPoint from, TPoint to) {
  PostMouse(ikMouseMove, from);
  PostMouse(ikMouseDown, from);
  // A few steps on the way, as a hand moves.
  for (int i = 1; i <= 4; ++i)
    PostMouse(ikMouseMove, {from.X + (to.X - from.X) * i / 4, from.Y + (to.Y - from.Y) * i / 4});
  PostMouse(ikMouseUp, to);
  App().ProcessMessages();
}

void TOperator::Click(const AnsiString& control, TCustomForm* form) {
  PostClick(RequireControl(control, form), false);
  App().ProcessMessages();
}

void TOperator::DoubleClick(const AnsiString& control, TCustomForm* form) {
  PostClick(RequireControl(control, form), true);
  App().ProcessMessages();
}

void TOperator::Type(const AnsiString& text) {
  for (char c : text) {
    TInputEvent e;
    e.Kind = ikChar;
    e.Char = c;
    App().PostInput(e);
  }
  App().ProcessMessages();
}

namespace {

// Posts the press and release of a key; Alt with a letter or digit also
// posts the character, as an accelerator.
void PostKey(WORD key, TShiftState shift) {
  TInputEvent e;
  e.Kind = ikKeyDown;
  e.Key = key;
  e.Shift = shift;
  App().PostInput(e);
  if ((shift & ssAlt) && ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))) {
    TInputEvent c;
    c.Kind = ikChar;
    c.Char = static_cast<char>(key);
    c.Shift = ssAlt;
    App().PostInput(c);
  }
  e.Kind = ikKeyUp;
  App().PostInput(e);
}

}  // namespace

void TOperator::Key(WORD key, TShiftState shift) {
  PostKey(key, shift);
  App().ProcessMessages();
}

void TOperator::Key(const AnsiString& keys) {
  WORD key = 0;
  TShiftState shift = 0;
  if (!ParseKeyName(keys, key, shift)) throw EOperatorError("Unknown key \"" + keys + "\"");
  Key(key, shift);
}

void TOperator::Answer(const AnsiString& buttonCaption) {
  TButton* b = FindAnswer(buttonCaption);
  if (!b) throw EOperatorError("No window shows a button \"" + buttonCaption + "\"");
  PostClick(b, false);
  App().ProcessMessages();
}

void TOperator::Screenshot(const std::string& hostPath) const {
  const TBitmap screen = App().Display().Screenshot();
  rtl::TMemoryStream png;
  SavePngToStream(screen, png);
  std::ofstream out(hostPath, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.Memory()), static_cast<std::streamsize>(png.Size()));
  if (!out) throw EOperatorError("Cannot write the screenshot \"" + rtl::AnsiFromUtf8(hostPath) + "\"");
}

// ---- queued steps -------------------------------------------------------------------------------

void TOperator::Queue(std::function<bool()> step, const AnsiString& what) {
  FSteps.push_back({what, std::move(step)});
}

void TOperator::Queue(const std::vector<std::string>& lines) {
  int number = 0;
  for (const std::string& raw : lines) {
    ++number;
    const std::string line = Trimmed(raw);
    if (line.empty() || line[0] == '#') continue;
    FSteps.push_back(Parse(line, number));
  }
}

TOperator::TStep TOperator::Parse(const std::string& line, int number) {
  const auto space = line.find(' ');
  const std::string verb = line.substr(0, space);
  const AnsiString arg = rtl::AnsiFromUtf8(space == std::string::npos ? "" : Trimmed(line.substr(space + 1)));
  const AnsiString what = "line " + rtl::IntToStr(number) + " (" + rtl::AnsiFromUtf8(line) + ")";
  auto numbers = [&](size_t count) {
    std::istringstream in(space == std::string::npos ? "" : line.substr(space + 1));
    std::vector<int> v(count);
    for (int& n : v)
      if (!(in >> n)) throw EOperatorError(what + ": " + rtl::IntToStr(static_cast<int>(count)) + " numbers expected");
    return v;
  };
  auto once = [](std::function<void()> f) {
    return [f = std::move(f)] {
      f();
      return true;
    };
  };
  TStep step{what, nullptr};
  if (verb == "wait-window") {
    step.Run = [this, arg] { return FindWindow(arg) != nullptr; };
  } else if (verb == "wait-gone") {
    step.Run = [this, arg] { return FindWindow(arg) == nullptr; };
  } else if (verb == "wait-enabled") {
    step.Run = [this, arg] {
      TControl* c = FindControl(arg);
      return c && c->Showing() && c->EnabledInTree();
    };
  } else if (verb == "wait-shown") {
    step.Run = [this, arg] {
      TControl* c = FindControl(arg);
      return c && c->Showing();
    };
  } else if (verb == "click" || verb == "double-click") {
    const bool twice = verb == "double-click";
    step.Run = [this, arg, twice] {
      TControl* c = FindControl(arg);
      if (!c || !c->Showing()) return false;
      PostClick(c, twice);
      return true;
    };
  } else if (verb == "click-at") {
    const auto v = numbers(2);
    step.Run = once([this, v] {
      PostMouse(ikMouseMove, {v[0], v[1]});
      PostMouse(ikMouseDown, {v[0], v[1]});
      PostMouse(ikMouseUp, {v[0], v[1]});
    });
  } else if (verb == "move") {
    const auto v = numbers(2);
    step.Run = once([this, v] { PostMouse(ikMouseMove, {v[0], v[1]}); });
  } else if (verb == "drag") {
    const auto v = numbers(4);
    step.Run = once([this, v] {
      PostMouse(ikMouseMove, {v[0], v[1]});
      PostMouse(ikMouseDown, {v[0], v[1]});
      for (int i = 1; i <= 4; ++i)
        PostMouse(ikMouseMove, {v[0] + (v[2] - v[0]) * i / 4, v[1] + (v[3] - v[1]) * i / 4});
      PostMouse(ikMouseUp, {v[2], v[3]});
    });
  } else if (verb == "type") {
    step.Run = once([arg] {
      for (char c : arg) {
        TInputEvent e;
        e.Kind = ikChar;
        e.Char = c;
        App().PostInput(e);
      }
    });
  } else if (verb == "key") {
    WORD key = 0;
    TShiftState shift = 0;
    if (!ParseKeyName(arg, key, shift)) throw EOperatorError(what + ": unknown key");
    step.Run = once([key, shift] { PostKey(key, shift); });
  } else if (verb == "answer") {
    step.Run = [this, arg] {
      TButton* b = FindAnswer(arg);
      if (!b) return false;
      PostClick(b, false);
      return true;
    };
  } else if (verb == "screenshot") {
    const std::string file = space == std::string::npos ? "" : Trimmed(line.substr(space + 1));
    if (file.empty()) throw EOperatorError(what + ": a file name is missing");
    step.Run = once([this, file] { Screenshot(file); });
  } else if (verb == "wait") {
    const uint32_t ms = static_cast<uint32_t>(std::max(0, numbers(1)[0]));
    auto until = std::make_shared<uint32_t>(0);
    auto started = std::make_shared<bool>(false);
    step.Run = [ms, until, started] {
      if (!*started) {
        *started = true;
        *until = Now() + ms;
      }
      return static_cast<int32_t>(Now() - *until) >= 0;
    };
    // Its own length is never a timeout.
    step.Deadline = ms;
  } else if (verb == "timeout") {
    const uint32_t ms = static_cast<uint32_t>(std::max(0, numbers(1)[0]));
    step.Run = once([this, ms] { FTimeout = ms; });
  } else {
    throw EOperatorError(what + ": unknown step \"" + rtl::AnsiFromUtf8(verb) + "\"");
  }
  return step;
}

bool TOperator::RunSteps() {
  if (FSteps.empty()) return false;
  TStep& step = FSteps.front();
  if (!step.Started) {
    step.Started = true;
    // A wait step carries its own length; it may last that long and the usual timeout more.
    step.Deadline = Now() + FTimeout + step.Deadline;
  }
  bool done = false;
  try {
    done = step.Run();
  } catch (const std::exception& e) {
    Fail(step.What + ": " + e.what());
    return false;
  }
  if (done) {
    FSteps.pop_front();
    return true;
  }
  if (static_cast<int32_t>(Now() - step.Deadline) >= 0) {
    Fail(step.What + ": nothing happened in time");
    return false;
  }
  return true;
}

void TOperator::Fail(const AnsiString& message) {
  FErrors.push_back(message);
  FSteps.clear();
  if (OnLog) OnLog(message);
  if (Application) Application->Terminate();
}

std::unique_ptr<TOperator> RunOperatorScript(const std::vector<std::string>& lines) {
  auto op = std::make_unique<TOperator>();
  op->Queue(lines);
  return op;
}

}  // namespace ui
