// The operator's script: steps, waits that time out, bad lines, screenshots.

#include <fstream>

#include "ui_fixture.h"

namespace uitest {
namespace {

TEST_F(UiTest, ScriptLinesDriveAProgram) {
  TSampleDialog* d = nullptr;
  App.CreateForm(d);
  d->Ok->SetModalResult(mrNone);
  d->Ok->OnClick = [&](TObject*) { d->Close(); };
  const std::string shot = ::testing::TempDir() + "operator-shot.png";
  auto op = RunOperatorScript({"# a comment, then a blank line", "", "wait-window Sample", "click Edit",
                               "type Olá", "screenshot " + shot, "answer OK"});
  App.Run();  // ends when the main window closes
  EXPECT_TRUE(op->Done());
  EXPECT_TRUE(op->Errors().empty());
  EXPECT_EQ(d->Edit->Text(), "Olá"_a);
  std::ifstream png(shot, std::ios::binary);
  char magic[8] = {};
  png.read(magic, 8);
  EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

TEST_F(UiTest, AStepThatFailsEndsTheProgram) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  std::vector<AnsiString> told;
  Op.OnLog = [&](const AnsiString& m) { told.push_back(m); };
  Op.Queue({"timeout 2000", "wait-window Nowhere", "answer OK"});
  EXPECT_EQ(d->ShowModal(), mrCancel);  // the loop ends instead of waiting forever
  EXPECT_TRUE(App.Terminated());
  ASSERT_EQ(Op.Errors().size(), 1u);
  EXPECT_NE(Op.Errors()[0].find("line 2 (wait-window Nowhere)"), AnsiString::npos);
  EXPECT_EQ(told, Op.Errors());
  EXPECT_TRUE(Op.Done());
}

TEST_F(UiTest, WaitShownHoldsTheStepsUntilTheControlShows) {
  std::unique_ptr<TSampleDialog> d(NewForm<TSampleDialog>(&App));
  d->Ok->SetVisible(false);
  auto* later = new TTimer(d.get());
  later->SetInterval(500);
  later->OnTimer = [&](TObject*) {
    later->SetEnabled(false);
    d->Ok->SetVisible(true);
  };
  bool shown = false;
  Op.Queue({"wait-shown btnOk"});
  Op.Queue([&] {
    shown = d->Ok->Showing();
    return true;
  });
  Op.Queue({"click &Cancel"});
  EXPECT_EQ(d->ShowModal(), mrCancel);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(Op.Errors().empty());
}

TEST_F(UiTest, BadScriptLinesAreRefusedAtOnce) {
  for (const char* line : {"fly away", "key NOKEY", "click-at 10", "drag 1 2 3", "screenshot"}) {
    SCOPED_TRACE(line);
    EXPECT_THROW(Op.Queue({line}), EOperatorError);
  }
  WORD key = 0;
  TShiftState shift = 0;
  EXPECT_TRUE(ParseKeyName("shift+tab", key, shift));
  EXPECT_EQ(key, VK_TAB);
  EXPECT_EQ(shift, ssShift);
  EXPECT_TRUE(ParseKeyName("ALT+S", key, shift));
  EXPECT_EQ(key, 'S');
  EXPECT_EQ(shift, ssAlt);
}

}  // namespace
}  // namespace uitest
