// The shell's windows: the progress strip, the cancel window, the billboard
// window and the completion window, driven by the operator.

#include <memory>

#include "rtl/Clock.h"

#include "installer/shell/UntBillBoards.h"
#include "installer/shell/UntCancela.h"
#include "installer/shell/UntConclusao.h"
#include "tests/installer/shell_fixture.h"
#include "ui/Operator.h"

using namespace installer;

namespace shelltest {
namespace {

using ui::TPoint;

class Windows : public TShellTest {
 protected:
  // Start-up with the timer stopped: these tests run the loop without a wizard.
  void IniciaSemAssistente() {
    Script("[Projeto]\r\nAplicação=Vantor Q-Mira\r\n");
    ASSERT_TRUE(Inicia());
    FRMMain->Timer1->SetInterval(0);
    FRMMain->Show();
  }

  // A point of a window's close button, on the screen.
  static TPoint BotaoFechar(const ui::TCustomForm& form) {
    for (int y = 0; y < 30; ++y)
      for (int x = form.Width() - 1; x >= form.Width() - 40; --x)
        if (form.InCloseButton({x, y})) return {form.Left() + x - 4, form.Top() + y + 4};
    ADD_FAILURE() << "no close button";
    return {};
  }

  // Queues what closes the cancel window, once it shows.
  void ResponderCancela(ui::TOperator& op, const std::string& how) {
    op.Queue({"wait-window TFRMCancela"});
    if (how == "close-button") {
      op.Queue([this, &op] {
        op.ClickAt(BotaoFechar(*op.FindWindow("TFRMCancela")));
        return true;
      });
    } else {
      op.Queue({how});
    }
  }

  std::unique_ptr<ui::TOperator> FOperator;
  ui::TOperator& Op() { return *FOperator; }

  void SetUp() override {
    TShellTest::SetUp();
    FOperator = std::make_unique<ui::TOperator>();
  }
  void TearDown() override {
    FOperator.reset();
    TShellTest::TearDown();
  }
};

TEST_F(Windows, TheWizardOpensModallyAQuarterSecondAfterTheLoopStarts) {
  Script("[Projeto]\r\nAplicação=Vantor Q-Mira\r\n");
  ASSERT_TRUE(Inicia());
  const uint32_t start = rtl::Clock().TickCount();
  Op().Queue({"wait-window TFRMProgresso"});
  Op().Queue([this, start] {
    const uint32_t elapsed = rtl::Clock().TickCount() - start;
    EXPECT_GE(elapsed, 250u);
    EXPECT_LT(elapsed, 300u);
    EXPECT_EQ(FRMMain->Timer1->Interval(), 0u);
    EXPECT_TRUE(Op().FindWindow("TFRMProgresso")->Modal());
    EXPECT_TRUE(FRMMain->Visible());
    EXPECT_FALSE(FRMMain->Enabled());
    EXPECT_FALSE(FRMProcess->Visible());
    Application().Terminate();
    return true;
  });
  Application().Run();
  EXPECT_TRUE(Op().Done());
  EXPECT_TRUE(Op().Errors().empty());
  // Destroyed when its modal loop returned.
  for (ui::TCustomForm* form : Application().ZOrder()) EXPECT_STRNE(form->ClassName(), "TFRMProgresso");
}

TEST_F(Windows, TheStripIsPlacedAtTheBottomLeftAndCutToItsShape) {
  IniciaSemAssistente();
  const TFRMProcess& strip = *FRMProcess;
  EXPECT_FALSE(strip.Visible());
  EXPECT_EQ(strip.Caption(), "Processamento . . .");
  EXPECT_EQ(strip.BoundsRect(), ui::Rect(10, 768 - 36, 10 + 588, 768));
  ASSERT_TRUE(strip.WindowRegion().has_value());
  const ui::TRegion& region = *strip.WindowRegion();
  EXPECT_EQ(region, ui::TRegion::FromRects(kRegiaoFaixa));
  EXPECT_EQ(region.Bounds(), ui::Rect(7, 2, 585, 33));
  EXPECT_EQ(strip.VrFormShape1->RgnData().Size(), 144);
  // The stored shape is the one the mask gives.
  EXPECT_EQ(RegionFromMask(strip.VrFormShape1->Mask(), ui::clFuchsia), region);
}

TEST_F(Windows, ClicksInTheStripsGapsReachTheWindowBehind) {
  IniciaSemAssistente();
  FRMProcess->Show();
  const TPoint origin{FRMProcess->Left(), FRMProcess->Top()};
  struct TCase {
    TPoint Client;
    bool Strip;
  };
  const TCase cases[] = {
      {{38, 15}, false},   // between the abort button and the gauges
      {{268, 15}, false},  // between the gauges and the texts
      {{3, 3}, false},     // above the abort button
      {{19, 18}, true},    // the abort button
      {{100, 15}, true},   // a gauge
      {{400, 3}, true},    // the text panel's top band
  };
  for (const TCase& c : cases) {
    const TPoint p{origin.X + c.Client.X, origin.Y + c.Client.Y};
    EXPECT_EQ(Application().FormAtPoint(p) == FRMProcess, c.Strip) << c.Client.X << ", " << c.Client.Y;
  }
}

TEST_F(Windows, TheStripIsDraggedByItsBlackSurfaceOnly) {
  IniciaSemAssistente();
  FRMProcess->Show();
  const TPoint origin{FRMProcess->Left(), FRMProcess->Top()};
  // On a label the press does nothing.
  Op().Drag({origin.X + 300, origin.Y + 10}, {origin.X + 200, origin.Y - 90});
  EXPECT_EQ(FRMProcess->Left(), 10);
  EXPECT_EQ(FRMProcess->Top(), 732);
  // On the black band above the texts it moves the window, which stays there.
  Op().Drag({origin.X + 400, origin.Y + 3}, {origin.X + 300, origin.Y - 97});
  EXPECT_EQ(FRMProcess->Left(), -90);
  EXPECT_EQ(FRMProcess->Top(), 632);
  Op().Wait(1000);
  EXPECT_EQ(FRMProcess->Left(), -90);
}

TEST_F(Windows, TheGaugesShowTheDarkGreyMetalLook) {
  IniciaSemAssistente();
  for (TProgressCyl* gauge : {FRMProcess->Gauge1, FRMProcess->VrLevelBar1}) {
    SCOPED_TRACE(gauge->Name());
    EXPECT_EQ(gauge->ProEffect(), peMetalDarkGray);
    EXPECT_TRUE(gauge->Visible());
    gauge->SetPosition(50);
    EXPECT_EQ(gauge->FillBoundary(), 110);
  }
  FRMProcess->Show();
  const ui::TBitmap image = FRMProcess->PaintWindowImage();
  // Gauge1 at (43, 2): rows 1 and 2 of its cylinder area (rows 5 and 6),
  // filled at column 20, empty at column 200.
  EXPECT_EQ(image.Pixels(43 + 20, 2 + 5), ui::RGB(120, 123, 139));
  EXPECT_EQ(image.Pixels(43 + 20, 2 + 6), ui::RGB(103, 106, 120));
  EXPECT_EQ(image.Pixels(43 + 200, 2 + 5), ui::RGB(255, 255, 255));
  EXPECT_EQ(image.Pixels(43 + 200, 2 + 6), ui::RGB(234, 234, 234));
  EXPECT_EQ(image.Pixels(43 + 110, 2 + 6), ui::clBlack);  // the fill line
}

TEST_F(Windows, TheCancelWindowAnswersOneToGoOnAndTwoToLeave) {
  const std::pair<std::string, ui::TModalResult> cases[] = {
      {"key ENTER", 1},     {"click Continuar", 1}, {"key ESC", 2},
      {"click Button2", 2}, {"key ALT+S", 2},        {"close-button", 2},
  };
  for (const auto& [how, result] : cases) {
    SCOPED_TRACE(how);
    const std::unique_ptr<TFRMCancela> cancela(ui::NewForm<TFRMCancela>(&Application()));
    ResponderCancela(Op(), how);
    EXPECT_EQ(cancela->ShowModal(), result);
    EXPECT_TRUE(Op().Done());
    EXPECT_TRUE(Op().Errors().empty());
  }
}

TEST_F(Windows, TheCancelWindowIsADialogCentredOnTheScreen) {
  const std::unique_ptr<TFRMCancela> cancela(ui::NewForm<TFRMCancela>(&Application()));
  Op().Queue({"wait-window Encerrando a Instalação", "key ENTER"});
  cancela->ShowModal();
  EXPECT_EQ(cancela->ClientWidth(), 374);
  EXPECT_EQ(cancela->ClientHeight(), 200);
  EXPECT_EQ(cancela->Left(), (1024 - cancela->Width()) / 2);
  EXPECT_EQ(cancela->Top(), (768 - cancela->Height()) / 2);
  EXPECT_EQ(cancela->Image1->Picture().Width(), 32);
  EXPECT_TRUE(Op().Errors().empty());
}

TEST_F(Windows, TheAbortButtonEndsTheProgramOnlyWhenAskedTo) {
  const std::pair<std::string, bool> cases[] = {{"key ENTER", false}, {"key ESC", true}, {"close-button", true}};
  IniciaSemAssistente();
  FRMProcess->Show();
  for (const auto& [how, ends] : cases) {
    SCOPED_TRACE(how);
    ResponderCancela(Op(), how);
    bool ended = false;
    try {
      Op().Click("btnabort", FRMProcess);
    } catch (const TFimDoPrograma&) {
      ended = true;
    }
    EXPECT_EQ(ended, ends);
    EXPECT_EQ(Op().FindWindow("TFRMCancela"), nullptr);
    EXPECT_TRUE(FRMProcess->Visible());
    EXPECT_TRUE(Op().Errors().empty());
  }
}

TEST_F(Windows, TheBillboardWindowPlacesItselfAndMorphsOnEveryActivation) {
  IniciaSemAssistente();
  const std::unique_ptr<TFRMBillBoards> billboards(ui::NewForm<TFRMBillBoards>(&Application()));
  int frames = 0;
  billboards->Image1->OnFrame = [&frames](int) { ++frames; };
  billboards->Show();
  EXPECT_EQ(billboards->Left(), 266);
  EXPECT_EQ(billboards->Top(), 384 - 152);
  EXPECT_EQ(frames, 251);
  // Another window over it and gone again: active once more, one more morph.
  const std::unique_ptr<TFRMCancela> other(ui::NewForm<TFRMCancela>(&Application()));
  other->Show();
  other->Hide();
  EXPECT_EQ(Application().ActiveForm(), billboards.get());
  EXPECT_EQ(frames, 502);
  EXPECT_EQ(billboards->Image1->MorphPic1().Width(), 544);
  EXPECT_EQ(billboards->Image1->MorphPic1().Height(), 302);
}

class Completion : public Windows {
 protected:
  void SetUp() override {
    Windows::SetUp();
    IniciaSemAssistente();
    FConclusao.reset(ui::NewForm<TFRMConclusao>(&Application()));
  }
  void TearDown() override {
    FConclusao.reset();
    Windows::TearDown();
  }

  // Shows the window modally with the steps queued; true when the program ended.
  bool Mostra(const std::vector<std::string>& steps) {
    Op().Queue(steps);
    try {
      FConclusao->ShowModal();
    } catch (const TFimDoPrograma&) {
      return true;
    }
    return false;
  }

  std::unique_ptr<TFRMConclusao> FConclusao;
};

TEST_F(Completion, FinalizarRestartsWhenChosenAndEndsEitherWay) {
  struct TCase {
    std::vector<std::string> Steps;
    bool Restart;
  };
  const TCase cases[] = {
      {{"wait-window TFRMConclusao", "click Finalizar"}, true},
      {{"wait-window TFRMConclusao", "key ENTER"}, true},
      {{"wait-window TFRMConclusao", "click RadioButton2", "click Ok"}, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Steps.back());
    FConclusao.reset(ui::NewForm<TFRMConclusao>(&Application()));
    const size_t before = Machine()->Journal().size();
    EXPECT_TRUE(Mostra(c.Steps));
    const std::vector<std::string> journal = Machine()->Journal();
    bool restart = false;
    for (size_t i = before; i < journal.size(); ++i) restart |= journal[i].find("exitwindows:") != std::string::npos;
    EXPECT_EQ(restart, c.Restart);
    EXPECT_TRUE(Op().Errors().empty());
  }
}

TEST_F(Completion, EscapeDoesNothing) {
  Op().Queue({"wait-window TFRMConclusao", "key ESC", "wait 100"});
  Op().Queue([this] {
    EXPECT_TRUE(FConclusao->Visible());
    return true;
  });
  EXPECT_TRUE(Mostra({"click Finalizar"}));
  EXPECT_TRUE(Op().Errors().empty());
}

TEST_F(Completion, ShowsTheSidePictureBesideTheTextsInItsPlace) {
  EXPECT_FALSE(FConclusao->GbFalhas->Visible());
  EXPECT_TRUE(FConclusao->RadioButton1->Checked());
  EXPECT_EQ(FConclusao->Img1->Picture().Width(), 146);
  EXPECT_EQ(FConclusao->Img1->Picture().Height(), 344);
  Op().Queue({"wait-window Instalação Completa"});
  Op().Queue([this] {
    EXPECT_EQ(FConclusao->Left(), 266);
    EXPECT_EQ(FConclusao->Top(), 384 - 178);
    EXPECT_FALSE(FConclusao->ListBox1->Showing());
    return true;
  });
  EXPECT_TRUE(Mostra({"click Finalizar"}));
  EXPECT_TRUE(Op().Errors().empty());
}

TEST_F(Completion, TheFailuresGroupShowsTheLinesTheRunHandsIt) {
  const AnsiString falha = "N\xE3o foi poss\xEDvel gravar configura\xE7\xF5" "es do programa no Registro do Windows!!!";
  FRMMain->ListErros->Items().Add(falha);
  // What the run does before showing the window.
  FConclusao->ListBox1->Items().Assign(FRMMain->ListErros->Items());
  FConclusao->GbFalhas->SetVisible(FRMMain->ListErros->Items().Count() > 0);
  Op().Queue({"wait-window TFRMConclusao"});
  Op().Queue([this, &falha] {
    EXPECT_TRUE(FConclusao->ListBox1->Showing());
    EXPECT_EQ(FConclusao->ListBox1->Items().Count(), 1);
    EXPECT_EQ(FConclusao->ListBox1->Items()[0], falha);
    // The line is drawn: white text on the list's black.
    const ui::TBitmap image = FConclusao->PaintWindowImage();
    const ui::TPoint list = FConclusao->ListBox1->WindowOrigin();
    int white = 0;
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 200; ++x) white += image.Pixels(list.X + x, list.Y + y) == ui::clWhite;
    EXPECT_GT(white, 20);
    return true;
  });
  EXPECT_TRUE(Mostra({"click Finalizar"}));
  EXPECT_TRUE(Op().Errors().empty());
}

}  // namespace
}  // namespace shelltest
