// Forms and controls under the keyboard and the mouse: default and cancel
// buttons, Tab order, radio groups, modal results, close actions, timers in
// virtual time, dragging, regions, activation and the uncaught-error box; and
// forms on a display that draws the dialog frame itself.

#include <chrono>

#include "rtl/Clock.h"
#include "ui/MDIClient.h"
#include "ui_fixture.h"

namespace uitest {
namespace {

TEST_F(UiTest, DialogKeysPressTheRightButton) {
  struct TCase {
    std::vector<std::string> Steps;
    TModalResult Result;
  };
  const TCase cases[] = {
      {{"key ENTER"}, mrOk},                        // the default button
      {{"key ESC"}, mrCancel},                      // the cancel button
      {{"key TAB", "key TAB", "key ENTER"}, mrCancel},  // Enter presses the focused button
      {{"key SHIFT+TAB", "key SPACE"}, mrCancel},   // backwards from the edit, Space presses
      {{"key ALT+C"}, mrCancel},                    // the accelerator of "&Cancel"
      {{"click OK"}, mrOk},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
    Op.Queue(cases[i].Steps);
    EXPECT_EQ(d->ShowModal(), cases[i].Result);
    EXPECT_TRUE(Op.Done());
    EXPECT_TRUE(Op.Errors().empty());
  }
}

TEST_F(UiTest, DisabledDefaultAndHiddenCancelButtonsDoNothing) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  d->Ok->SetEnabled(false);
  d->Cancel->SetVisible(false);
  int typed = 0;
  d->Edit->OnChange = [&](TObject*) { ++typed; };
  Op.Queue({"key ENTER", "key ESC", "type x"});
  Op.Queue([&] {
    d->SetModalResult(mrIgnore);
    return true;
  });
  EXPECT_EQ(d->ShowModal(), mrIgnore);
  EXPECT_EQ(typed, 1);  // the dialog was still open for typing
}

TEST_F(UiTest, EditTakesTypingAndReplacesTheTextSelectedOnEntry) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  d->Edit->SetText("old");
  d->Edit->SetMaxLength(5);
  d->Show();
  Op.Type("new text");  // the whole text was selected when Tab order gave the edit the focus
  EXPECT_EQ(d->Edit->Text(), "new t");
  Op.Key("BACKSPACE");
  Op.Key("HOME");
  Op.Type("X");
  EXPECT_EQ(d->Edit->Text(), "Xnew ");
}

TEST_F(UiTest, EditCutsCopiesAndPastesAsTheWindowsEdit) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  TEdit* e = d->Edit;
  e->SetText("C:\\Arquivos de programas");
  d->Show();
  auto clipboard = [&] { return App.Display().ClipboardText(); };

  Op.Key("CTRL+C");  // everything was selected on entry
  EXPECT_EQ(clipboard(), "C:\\Arquivos de programas");
  Op.Key("END");
  for (int i = 0; i < 9; ++i) Op.Key("SHIFT+LEFT");
  Op.Key("CTRL+X");
  EXPECT_EQ(clipboard(), "programas");
  EXPECT_EQ(e->Text(), "C:\\Arquivos de ");
  App.Display().SetClipboardText("Vantor\r\nsegunda linha");
  Op.Key("SHIFT+INSERT");  // a single line takes the text up to the line break
  EXPECT_EQ(e->Text(), "C:\\Arquivos de Vantor");
  Op.Key("CTRL+A");
  Op.Key("SHIFT+DELETE");
  EXPECT_EQ(e->Text(), "");
  EXPECT_EQ(clipboard(), "C:\\Arquivos de Vantor");
  e->SetMaxLength(6);
  Op.Key("CTRL+V");
  EXPECT_EQ(e->Text(), "C:\\Arq");

  // Read-only: copied from, never changed.
  e->SetReadOnly(true);
  e->SelectAll();
  Op.Key("CTRL+X");
  Op.Key("CTRL+V");
  EXPECT_EQ(e->Text(), "C:\\Arq");
  // A password gives nothing out.
  e->SetReadOnly(false);
  e->SetPasswordChar('*');
  App.Display().SetClipboardText("kept");
  e->SelectAll();
  Op.Key("CTRL+C");
  Op.Key("CTRL+X");
  EXPECT_EQ(clipboard(), "kept");
  EXPECT_EQ(e->Text(), "C:\\Arq");
}

TEST_F(UiTest, TabOrderSkipsWhatCannotTakeTheFocus) {
  auto* f = NewForm<TForm>(&App);
  auto make = [&](const char* name, TWinControl* parent) {
    auto* e = new TEdit(f);
    e->SetName(name);
    e->SetParent(parent);
    return e;
  };
  TEdit* e1 = make("e1", f);
  make("e2", f)->SetEnabled(false);
  make("e3", f)->SetVisible(false);
  auto* box = new TGroupBox(f);
  box->SetParent(f);
  TEdit* e4 = make("e4", box);
  TEdit* e5 = make("e5", box);
  auto* b1 = new TButton(f);
  b1->SetParent(f);
  b1->SetTabOrder(0);
  f->Show();
  EXPECT_EQ(f->ActiveControl(), b1);
  for (TWinControl* expected : {static_cast<TWinControl*>(e1), static_cast<TWinControl*>(e4),
                                static_cast<TWinControl*>(e5), static_cast<TWinControl*>(b1)}) {
    Op.Key("TAB");
    EXPECT_EQ(f->ActiveControl(), expected) << expected->Name();
  }
  Op.Key("SHIFT+TAB");
  EXPECT_EQ(f->ActiveControl(), e5);
  EXPECT_TRUE(e5->Focused());
}

TEST_F(UiTest, RadioButtonsFormOneGroupPerParent) {
  auto* f = NewForm<TForm>(&App);
  f->SetClientSize(300, 200);
  std::vector<TRadioButton*> r;
  auto* box = new TGroupBox(f);
  box->SetParent(f);
  box->SetBounds(150, 0, 140, 100);
  int clicks = 0;
  for (int i = 0; i < 5; ++i) {
    auto* b = new TRadioButton(f);
    b->SetName("r" + std::to_string(i + 1));
    b->SetCaption("Choice " + std::to_string(i + 1));
    b->SetParent(i < 3 ? static_cast<TWinControl*>(f) : box);
    b->SetBounds(10, 10 + 20 * (i % 3), 120, 17);
    b->OnClick = [&clicks](TObject*) { ++clicks; };
    r.push_back(b);
  }
  r[0]->SetChecked(true);
  r[3]->SetChecked(true);
  clicks = 0;
  f->Show();
  Op.Click("r2");
  EXPECT_TRUE(r[1]->Checked());
  EXPECT_FALSE(r[0]->Checked());
  EXPECT_TRUE(r[3]->Checked());  // another parent, another group
  Op.Click("r2");                // already checked: no second OnClick
  EXPECT_EQ(clicks, 1);
  // Only the checked one takes Tab; arrows move the choice and wrap.
  EXPECT_TRUE(r[1]->TabStop());
  EXPECT_FALSE(r[0]->TabStop());
  EXPECT_EQ(f->ActiveControl(), r[1]);
  Op.Key("DOWN");
  Op.Key("DOWN");
  EXPECT_TRUE(r[0]->Checked());
  EXPECT_EQ(f->ActiveControl(), r[0]);
  Op.Key("TAB");
  EXPECT_EQ(f->ActiveControl(), r[3]);
}

TEST_F(UiTest, CloseInAModalFormAsksOnCloseAndMayBeRefused) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  int asked = 0;
  d->OnClose = [&](TObject*, TCloseAction& action) {
    if (++asked == 1) action = caNone;  // the first close is refused
  };
  // The title bar's close button: right end of the bar.
  Op.Queue([&] {
    Op.ClickAt({d->Left() + d->Width() - 3 - 2 - 8, d->Top() + 3 + 9});
    return true;
  });
  Op.Queue({"wait 50", "key ESC"});
  EXPECT_EQ(d->ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(d->Visible());
}

TEST_F(UiTest, CloseActionsOfAWindow) {
  TForm* first = nullptr;
  TForm* second = nullptr;
  App.CreateForm(first);
  App.CreateForm(second);
  EXPECT_EQ(App.MainForm(), first);

  struct TCase {
    TCloseAction Action;
    bool Visible, Alive;
  };
  for (const TCase& c : {TCase{caHide, false, true}, TCase{caNone, true, true}, TCase{caFree, false, false}}) {
    SCOPED_TRACE(c.Action);
    auto* f = NewForm<TForm>(&App);
    bool destroyed = false;
    f->OnDestroy = [&](TObject*) { destroyed = true; };
    f->OnClose = [&](TObject*, TCloseAction& a) { a = c.Action; };
    f->Show();
    f->Close();
    App.ProcessMessages();
    EXPECT_EQ(!destroyed, c.Alive);
    if (!destroyed) {
      EXPECT_EQ(f->Visible(), c.Visible);
      delete f;
    }
  }
  // Closing the main window ends the program; closing another one does not.
  second->Show();
  second->Close();
  EXPECT_FALSE(App.Terminated());
  first->Show();
  first->Close();
  EXPECT_TRUE(App.Terminated());
}

TEST_F(UiTest, ChildFormsLiveInTheClientWindowOfTheirFrame) {
  auto* plain = NewForm<TForm>(&App);
  auto* orphan = NewForm<TForm>(plain);
  try {
    orphan->SetFormStyle(fsMDIChild);
    FAIL();
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot create form. No MDI forms are currently active");
  }
  EXPECT_EQ(orphan->Parent(), nullptr);

  auto* frame = NewForm<TForm>(&App);
  frame->SetBorderStyle(bsNone);
  frame->SetBounds(100, 50, 200, 150);
  frame->SetFormStyle(fsMDIForm);
  ASSERT_NE(frame->ClientWindow(), nullptr);
  auto* child = NewForm<TForm>(frame);
  child->SetBorderStyle(bsNone);
  child->SetFormStyle(fsMDIChild);
  child->SetBounds(20, 10, 50, 40);
  child->SetColor(clYellow);
  child->Show();
  frame->Show();
  EXPECT_EQ(child->Parent(), frame->ClientWindow());
  EXPECT_EQ(child->ClientOrigin(), (TPoint{120, 60}));
  const TBitmap image = frame->PaintWindowImage();
  EXPECT_EQ(image.Pixels(25, 15), clYellow);
  EXPECT_EQ(image.Pixels(5, 5), ColorToRGB(clAppWorkSpace));
  child->Hide();
  EXPECT_EQ(frame->PaintWindowImage().Pixels(25, 15), ColorToRGB(clAppWorkSpace));
}

TEST_F(UiTest, TimersRunInVirtualTime) {
  int ticks = 0, fast = 0;
  TTimer timer(nullptr), quick(nullptr), off(nullptr);
  timer.SetInterval(250);
  timer.OnTimer = [&](TObject*) { ++ticks; };
  quick.SetInterval(1);  // no timer ticks faster than every 10 ms
  quick.OnTimer = [&](TObject*) { ++fast; };
  off.SetEnabled(false);
  off.OnTimer = [](TObject*) { FAIL() << "a disabled timer ticked"; };

  const auto start = std::chrono::steady_clock::now();
  const uint32_t t0 = rtl::Clock().TickCount();
  Op.Wait(7005);
  EXPECT_EQ(rtl::Clock().TickCount() - t0, 7005u);
  EXPECT_EQ(ticks, 28);
  EXPECT_EQ(fast, 700);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // A pause lets time pass without the loop: the timer fires once afterwards, not four times.
  quick.SetEnabled(false);
  ticks = 0;
  rtl::Clock().Sleep(1000);
  App.ProcessMessages();
  EXPECT_EQ(ticks, 1);
}

TEST_F(UiTest, ATimerEndsAModalLoop) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  auto* timer = new TTimer(d.get());
  timer->SetInterval(7000);
  timer->OnTimer = [&](TObject*) { d->SetModalResult(mrRetry); };
  EXPECT_EQ(d->ShowModal(), mrRetry);
}

TEST_F(UiTest, WindowsAreDraggedByTheirTitleBarOrByAControlThatAsks) {
  auto* dialog = NewForm<TSampleDialog>(&App);
  dialog->SetPosition(poDesigned);
  dialog->SetBounds(100, 100, dialog->Width(), dialog->Height());
  dialog->Show();
  Op.Drag({150, 110}, {180, 150});
  EXPECT_EQ(dialog->Left(), 130);
  EXPECT_EQ(dialog->Top(), 140);

  auto* strip = NewForm<TForm>(&App);
  strip->SetBorderStyle(bsNone);
  strip->SetBounds(10, 600, 200, 40);
  auto* handle = new TLabel(strip);
  handle->SetParent(strip);
  handle->SetBounds(0, 0, 100, 40);
  handle->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int, int) {
    if (b == mbLeft) strip->BeginDragMove();
  };
  strip->Show();
  Op.Drag({20, 610}, {70, 500});
  EXPECT_EQ(strip->Left(), 60);
  EXPECT_EQ(strip->Top(), 490);
  Op.Drag({160, 510}, {300, 300});  // outside the label: the window stays
  EXPECT_EQ(strip->Left(), 60);
}

TEST_F(UiTest, ARegionCutsTheWindowForTheEyeAndTheMouse) {
  auto make = [&](TColor color, int& presses) {
    auto* f = NewForm<TForm>(&App);
    f->SetBorderStyle(bsNone);
    f->SetColor(color);
    f->SetBounds(0, 0, 300, 300);
    f->OnMouseDown = [&presses](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
    f->Show();
    return f;
  };
  int backPresses = 0, frontPresses = 0;
  make(clRed, backPresses);
  TForm* front = make(clBlue, frontPresses);
  const TRect parts[] = {Rect(0, 0, 100, 300), Rect(200, 0, 300, 300)};
  front->SetWindowRegion(TRegion::FromRects(parts));
  App.ProcessMessages();

  const TBitmap screen = App.Display().Screenshot();
  EXPECT_EQ(screen.Pixels(150, 150), clRed);
  EXPECT_EQ(screen.Pixels(50, 150), clBlue);
  EXPECT_EQ(screen.Pixels(250, 10), clBlue);
  EXPECT_EQ(screen.Pixels(350, 10), ColorToRGB(clBackground));

  Op.ClickAt({50, 150});
  EXPECT_EQ(frontPresses, 1);
  Op.ClickAt({150, 150});  // through the hole: the window behind takes it (and comes to the top)
  EXPECT_EQ(backPresses, 1);
  EXPECT_EQ(frontPresses, 1);
  EXPECT_EQ(App.ActiveForm(), App.ZOrder().back());
  EXPECT_NE(App.ActiveForm(), front);
}

TEST_F(UiTest, ActivationFollowsShowingHidingAndModalLoops) {
  std::map<TForm*, int> activations;
  auto make = [&](const char* caption) {
    auto* f = NewForm<TSampleDialog>(&App);
    f->SetCaption(caption);
    f->OnActivate = [&activations, f](TObject*) { ++activations[f]; };
    return f;
  };
  TForm* a = make("A");
  TForm* b = make("B");
  a->Show();
  b->Show();  // showing activates
  EXPECT_TRUE(b->Active());
  b->Hide();  // the topmost window that can take the focus becomes active
  EXPECT_TRUE(a->Active());
  EXPECT_EQ(activations[a], 2);
  b->Show();
  delete b;
  EXPECT_TRUE(a->Active());
  EXPECT_EQ(activations[a], 3);

  // A modal window disables the windows visible then; one shown later stays usable.
  TForm* later = make("Later");
  std::unique_ptr<TSampleDialog> modal(NewForm<TSampleDialog>(&App));
  bool laterClicked = false;
  static_cast<TSampleDialog*>(later)->Ok->OnClick = [&](TObject*) { laterClicked = true; };
  Op.Queue([&] {
    EXPECT_FALSE(a->Enabled());
    later->Show();
    return true;
  });
  Op.Queue({"click-at 10 10"});  // nothing happens on the disabled window
  Op.Queue([&] {
    EXPECT_TRUE(later->Active());
    EXPECT_TRUE(later->Enabled());
    Op.Click("OK", later);
    return true;
  });
  Op.Queue({"wait-window Sample", "answer Cancel"});
  EXPECT_EQ(modal->ShowModal(), mrCancel);
  EXPECT_TRUE(laterClicked);
  EXPECT_TRUE(a->Enabled());
  EXPECT_EQ(activations[a], 4);  // active again when the modal loop ends
}

TEST_F(UiTest, AnUncaughtErrorShowsTheErrorBoxAndTheLoopGoesOn) {
  App.SetTitle("Instalação"_a);
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  int clicks = 0;
  d->Ok->SetModalResult(mrNone);
  d->Ok->OnClick = [&](TObject*) {
    if (++clicks == 1) throw rtl::Exception("Falhou");
    if (clicks == 2) rtl::Abort();  // the silent abort shows nothing
    d->SetModalResult(mrOk);
  };
  AnsiString caption, text;
  Op.Queue({"click OK", "wait-window TMessageForm"});
  Op.Queue([&] {
    TCustomForm* box = Op.FindWindow("TMessageForm");
    caption = box->Caption();
    text = Op.FindControl("Message", box)->Caption();
    return true;
  });
  Op.Queue({"answer OK", "click OK", "click OK"});
  EXPECT_EQ(d->ShowModal(), mrOk);
  EXPECT_EQ(caption, "Instalação"_a);
  EXPECT_EQ(text, "Falhou.");
  EXPECT_EQ(clicks, 3);
}

TEST_F(UiTest, HintsAndCursors) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  d->Ok->SetHint("Sair da Instalação"_a);
  d->Ok->SetShowHint(true);
  d->Show();
  auto& display = static_cast<THeadlessDisplay&>(App.Display());
  Op.MoveTo(d->Edit->ClientToScreen({5, 5}));
  EXPECT_EQ(display.CurrentCursor(), crIBeam);
  Op.MoveTo(d->Ok->ClientToScreen({5, 5}));
  Op.Wait(600);
  ASSERT_NE(App.HintWindow(), nullptr);
  EXPECT_TRUE(App.HintWindow()->Visible());
  EXPECT_EQ(App.HintWindow()->Caption(), "Sair da Instalação"_a);
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(display.CurrentCursor(), crHourGlass);
  Op.MoveTo({1000, 700});
  EXPECT_FALSE(App.HintWindow()->Visible());
}

TEST_F(UiTest, AnEndlessWaitWithoutAUserIsAnError) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  EXPECT_THROW(d->ShowModal(), EDisplayStalled);
  EXPECT_FALSE(d->Visible());
}


// The virtual screen as a desktop that puts its own dialog frame around windows
// would be: it keeps what it is told of frames and bounds.
class TFramingDisplay : public THeadlessDisplay {
 public:
  struct TFrame {
    TWindowFrame Frame = wfNone;
    bool CloseBox = false;
  };
  bool DrawsFrame(TWindowFrame frame) const override { return frame == wfNone || frame == wfDialog; }
  void SetWindowFrame(HWND window, TWindowFrame frame, bool closeBox) override { Frames[window] = {frame, closeBox}; }
  void SetWindowBounds(HWND window, const TRect& bounds) override {
    Placed[window] = bounds;
    THeadlessDisplay::SetWindowBounds(window, bounds);
  }
  void Present(HWND window, const TBitmap& image, const TRect& dirty) override {
    Pictures[window] = {image.Width(), image.Height()};
    THeadlessDisplay::Present(window, image, dirty);
  }
  void SetApplicationTitle(const AnsiString& title) override { Title = title; }

  std::map<HWND, TFrame> Frames;
  std::map<HWND, TRect> Placed;
  std::map<HWND, TSize> Pictures;
  AnsiString Title;
};

class NativeFrameTest : public ::testing::Test {
 protected:
  NativeFrameTest() : Display(new TFramingDisplay), App(std::unique_ptr<TDisplay>(Display)) {}

  void Post(TInputKind kind, HWND window, TPoint pos = {}) {
    TInputEvent e;
    e.Kind = kind;
    e.Window = window;
    e.Pos = pos;
    App.PostInput(e);
  }

  TFramingDisplay* Display;  // the application's
  TApplication App;
  TOperator Op;
};

TEST_F(NativeFrameTest, TheDisplaysDialogFrameLeavesTheFormItsClientArea) {
  App.SetTitle("Instalação do Vantor Q-Mira"_a);
  EXPECT_EQ(Display->Title, "Instalação do Vantor Q-Mira"_a);
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  d->Show();
  App.ProcessMessages();
  const HWND h = d->Handle();
  EXPECT_TRUE(d->NativeFrame());
  EXPECT_EQ(Display->Frames[h].Frame, wfDialog);
  EXPECT_TRUE(Display->Frames[h].CloseBox);
  // The form keeps its geometry; the display's window is its client area.
  EXPECT_EQ(d->ClientWidth(), 300);
  const TPoint client = d->ClientOrigin();
  EXPECT_EQ(client, (TPoint{d->Left() + 3, d->Top() + 22}));
  EXPECT_EQ(Display->Placed[h], Bounds(client.X, client.Y, 300, 120));
  EXPECT_EQ(Display->Pictures[h], (TSize{300, 120}));
  // The picture is the client's, in its place; no frame of the form's around it.
  const TBitmap screen = Display->Screenshot();
  EXPECT_EQ(screen.Pixels(client.X, client.Y), ColorToRGB(clBtnFace));
  const TPoint edit = d->Edit->ClientToScreen({6, 6});
  EXPECT_EQ(screen.Pixels(edit.X, edit.Y), ColorToRGB(clWindow));
  EXPECT_EQ(screen.Pixels(d->Left() + 40, d->Top() + 10), ColorToRGB(clBackground)) << "no drawn title bar";

  // The system's move: the client area's new place.
  Post(ikMove, h, {200, 150});
  App.ProcessMessages();
  EXPECT_EQ(d->ClientOrigin(), (TPoint{200, 150}));
  EXPECT_EQ(d->Left(), 197);
  EXPECT_EQ(Display->Placed[h], Bounds(200, 150, 300, 120));
  // A later change of the client area goes to the display as such.
  d->SetClientSize(320, 100);
  EXPECT_EQ(Display->Placed[h], Bounds(200, 150, 320, 100));
  d->SetBorderIcons(0);
  EXPECT_FALSE(Display->Frames[h].CloseBox);
  // Another border style is the form's to draw again, its picture the whole window.
  d->SetBorderStyle(bsSingle);
  App.ProcessMessages();
  EXPECT_FALSE(d->NativeFrame());
  EXPECT_EQ(Display->Frames[h].Frame, wfNone);
  EXPECT_EQ(Display->Placed[h], d->BoundsRect());
  EXPECT_EQ(Display->Pictures[h], (TSize{d->Width(), d->Height()}));
}

TEST_F(NativeFrameTest, TheSystemsFrameClosesAndActivatesAndTheApplicationCloses) {
  // The close box of a modal dialog ends it as Cancel.
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  Op.Queue([&] {
    Post(ikClose, d->Handle());
    return true;
  });
  EXPECT_EQ(d->ShowModal(), mrCancel);

  // A press on the frame of a window behind brings it forward.
  TForm* main = nullptr;
  App.CreateForm(main);
  main->Show();
  d->Show();
  EXPECT_TRUE(d->Active());
  auto* other = NewForm<TSampleDialog>(&App);
  other->Show();
  Post(ikActivate, d->Handle());
  App.ProcessMessages();
  EXPECT_TRUE(d->Active());
  EXPECT_EQ(App.ZOrder().back(), d.get());

  // The program asked to close (its taskbar button): the main form closes, which ends it.
  Post(ikClose, 0);
  App.ProcessMessages();
  EXPECT_TRUE(App.Terminated());
}

}  // namespace
}  // namespace uitest
