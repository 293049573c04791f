// Every drawn dialog, driven by the operator as a user would: which answer
// each button and key gives, the texts shown, and the folder and file
// dialogs on a simulated machine.

#include <filesystem>

#include "platform/FileStream.h"
#include "platform/Files.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/SimMachine.h"
#include "ui_fixture.h"

namespace uitest {
namespace {

using namespace platform;

class DialogTest : public UiTest {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() /
           ("vqm-ui-dialogs-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(FDir);
    sim::CreateMachine(FDir.string(), sim::TMachineOptions());
    FMachine = std::make_unique<sim::TSimMachine>(FDir.string());
    SetApi(FMachine.get());
    for (const char* folder : {"C:\\Programas\\Vantor\\Bin", "C:\\Programas\\Firebird", "C:\\Instalacao\\Extras"})
      ForceDirectories(folder);
    for (const char* file : {"C:\\Instalacao\\DADOS.001", "C:\\Instalacao\\DADOS.002", "C:\\Instalacao\\Extras\\LEIA.TXT"}) {
      TFileStream f(file, fmCreate);
    }
  }
  void TearDown() override {
    SetApi(nullptr);
    FMachine.reset();
    std::filesystem::remove_all(FDir);
  }
  // The buttons of the topmost dialog, left to right, as shown.
  std::vector<AnsiString> ButtonCaptions(TCustomForm* form) {
    std::vector<TButton*> buttons;
    for (TControl* c : form->ControlList())
      if (auto* b = dynamic_cast<TButton*>(c)) buttons.push_back(b);
    std::sort(buttons.begin(), buttons.end(), [](TButton* a, TButton* b) { return a->Left() < b->Left(); });
    std::vector<AnsiString> captions;
    for (TButton* b : buttons) captions.push_back(b->Caption());
    return captions;
  }
  // Queues a look at the topmost dialog.
  void Inspect(const char* windowClass, std::function<void(TCustomForm*)> check) {
    Op.Queue({std::string("wait-window ") + windowClass});
    Op.Queue([this, windowClass, check] {
      check(Op.FindWindow(windowClass));
      return true;
    });
  }

  std::filesystem::path FDir;
  std::unique_ptr<sim::TSimMachine> FMachine;
};

TEST_F(DialogTest, MessageBoxButtonsAndKeys) {
  struct TCase {
    UINT Type;
    std::vector<std::string> Steps;
    int Answer;
  };
  const TCase cases[] = {
      {MB_OK | MB_ICONINFORMATION, {"key ESC"}, IDOK},  // an OK-only box closes with OK
      {MB_OKCANCEL, {"key ESC"}, IDCANCEL},
      {MB_OKCANCEL | MB_ICONWARNING, {"key ENTER"}, IDOK},
      {MB_YESNO | MB_DEFBUTTON2, {"key ENTER"}, IDNO},
      {MB_YESNO | MB_ICONQUESTION, {"key ESC", "wait 100", "answer Sim"}, IDYES},  // no Cancel: Esc does nothing
      {MB_YESNOCANCEL, {"answer Cancelar"}, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_ICONSTOP, {"key ALT+R"}, IDRETRY},
      {MB_RETRYCANCEL | MB_DEFBUTTON2, {"key ENTER"}, IDCANCEL},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Op.Queue(cases[i].Steps);
    EXPECT_EQ(Dialogs().MessageBox("Texto", "Legenda", cases[i].Type), cases[i].Answer);
    EXPECT_TRUE(Op.Errors().empty());
  }

  Inspect("TMessageForm", [&](TCustomForm* box) {
    EXPECT_EQ(box->Caption(), "Confirmation");
    EXPECT_EQ(ButtonCaptions(box), (std::vector<AnsiString>{"&Sim", "&Não"_a, "Cancelar"}));
    EXPECT_NE(Op.FindControl("Image", box), nullptr);  // the question icon
  });
  Op.Queue({"answer Não"});
  EXPECT_EQ(Dialogs().MessageBox("Deseja continuar?", "Confirmation", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
  // Without a Cancel button the title bar has no close button.
  Inspect("TMessageForm", [](TCustomForm* box) { EXPECT_EQ(box->BorderIcons() & biSystemMenu, 0); });
  Op.Queue({"answer Sim"});
  Dialogs().MessageBox("x", "y", MB_YESNO);
  EXPECT_TRUE(Op.Errors().empty());
}

TEST_F(DialogTest, TheUncaughtErrorBoxComesThroughTheMachine) {
  App.SetTitle("Assistente de Instalação"_a);
  Inspect("TMessageForm", [&](TCustomForm* box) {
    EXPECT_EQ(box->Caption(), "Assistente de Instalação"_a);
    EXPECT_EQ(Op.FindControl("Message", box)->Caption(), "Disco cheio.");
  });
  Op.Queue({"key ENTER"});
  App.HandleException(rtl::Exception("Disco cheio"));
  EXPECT_TRUE(Op.Done());
  const auto journal = FMachine->Journal();
  ASSERT_FALSE(journal.empty());
  EXPECT_NE(journal.back().find("Disco cheio."), std::string::npos);
}

TEST_F(DialogTest, WarningWithAbort) {
  Inspect("TWarningAbortForm", [&](TCustomForm* box) {
    EXPECT_EQ(box->Caption(), "Atenção"_a);
    EXPECT_EQ(ButtonCaptions(box), std::vector<AnsiString>{"A&bortar"});
    EXPECT_EQ(Op.FindControl("Message", box)->Caption(), "Sem script");
  });
  Op.Queue({"answer Abortar"});
  Dialogs().WarningAbort("Sem script");
  EXPECT_TRUE(Op.Done());
  EXPECT_TRUE(Op.Errors().empty());
}

TEST_F(DialogTest, InputAndMaskedInput) {
  TInputQuery q{"Disco", "Insira o disco 2\r\nna unidade:", "OK", "&Cancelar", false, 511};
  struct TCase {
    std::vector<std::string> Steps;
    bool Ok;
    AnsiString Value;
  };
  const TCase cases[] = {
      {{"type B:", "key ENTER"}, true, "B:"},  // the value is selected at first: typing replaces it
      {{"type B:", "key ESC"}, false, "A:"},
      {{"key END", "type \\", "answer OK"}, true, "A:\\"},
      {{"type " + std::string(600, 'x'), "answer OK"}, true, AnsiString(511, 'x')},
      {{"answer Cancelar"}, false, "A:"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    AnsiString value = "A:";
    Op.Queue(cases[i].Steps);
    EXPECT_EQ(Dialogs().InputQuery(q, value), cases[i].Ok);
    EXPECT_EQ(value, cases[i].Value);
  }

  q.Masked = true;
  Inspect("TInputQueryForm", [&](TCustomForm* form) {
    EXPECT_EQ(form->Caption(), "Disco");
    EXPECT_EQ(static_cast<TEdit*>(Op.FindControl("Edit", form))->PasswordChar(), '*');
    EXPECT_EQ(Op.FindControl("Prompt", form)->Height(), form->Font().TextHeight());  // one line
  });
  Op.Queue({"type segredo", "key ENTER"});
  AnsiString key;
  EXPECT_TRUE(Dialogs().InputQuery(q, key));
  EXPECT_EQ(key, "segredo");
}

TEST_F(DialogTest, OverwriteAndContinueQuestions) {
  const TOverwriteQuery over{"Confirmar", "Substituir :", "C:\\A\\X.DB", "1 bytes", "Por :", "X.DB", "2 bytes",
                             "&Sim", "Sim para &todos", "&Não"_a, "&Cancelar"};
  const std::pair<std::vector<std::string>, TDialogAnswer> overCases[] = {
      {{"key ENTER"}, daYes},
      {{"answer Sim para todos"}, daYesToAll},
      {{"answer Não"}, daNo},
      {{"answer Cancelar"}, daCancel},  // the silent abort for the caller
      {{"key ESC"}, daNo},              // closing is No
  };
  for (size_t i = 0; i < std::size(overCases); ++i) {
    SCOPED_TRACE(i);
    Op.Queue(overCases[i].first);
    EXPECT_EQ(Dialogs().QueryOverwrite(over), overCases[i].second);
  }
  Inspect("TOverwriteForm", [&](TCustomForm* form) {
    for (const char* shown : {"Substituir :", "C:\\A\\X.DB", "1 bytes", "Por :", "X.DB", "2 bytes"})
      EXPECT_NE(Op.FindControl(shown, form), nullptr) << shown;
  });
  Op.Queue({"answer Não"});
  Dialogs().QueryOverwrite(over);

  const TContinueQuery cont{"Confirmação"_a, "Erro :", "CRC errado", "Arquivo :", "X.DB", "2 bytes",
                            "Deseja continuar ?", "&Sim", "Sim para &todos", "&Não"_a};
  const std::pair<std::vector<std::string>, TDialogAnswer> contCases[] = {
      {{"key ENTER"}, daYes},
      {{"answer Sim para todos"}, daYesToAll},
      {{"answer Não"}, daNo},
      {{"key ESC"}, daNo},
  };
  for (size_t i = 0; i < std::size(contCases); ++i) {
    SCOPED_TRACE(i);
    Op.Queue(contCases[i].first);
    EXPECT_EQ(Dialogs().QueryContinue(cont), contCases[i].second);
  }
  EXPECT_TRUE(Op.Errors().empty());
}

TEST_F(DialogTest, FolderChooserWalksTheFoldersAndMakesANewOne) {
  // Double-click "Vantor" under "C:\Programas", then OK.
  Op.Queue({"wait-window TSelectFolderForm"});
  Op.Queue([&] {
    auto* form = static_cast<TSelectFolderForm*>(Op.FindWindow("TSelectFolderForm"));
    TListBox* list = form->FolderList();
    const int i = list->Items().IndexOf("    Vantor");
    EXPECT_EQ(list->Items()[list->ItemIndex()], "  Programas");
    EXPECT_GE(i, 0);
    Op.DoubleClickAt(list->ClientToScreen({20, 2 + (i - list->TopIndex()) * list->ItemHeight() + 4}));
    EXPECT_EQ(form->CurrentFolder(), "C:\\Programas\\Vantor");
    return true;
  });
  Op.Queue({"answer OK"});
  AnsiString folder = "C:\\Programas";
  EXPECT_TRUE(Dialogs().SelectFolder("Pasta", folder));
  EXPECT_EQ(folder, "C:\\Programas\\Vantor");

  // A name typed that does not exist: asked, then made.
  Op.Queue({"type Novo", "key ENTER", "wait-window TMessageForm", "answer Não", "key ENTER", "answer Sim"});
  EXPECT_TRUE(Dialogs().SelectFolder("Pasta", folder));
  EXPECT_EQ(folder, "C:\\Programas\\Vantor\\Novo");
  EXPECT_TRUE(DirectoryExists("C:\\Programas\\Vantor\\Novo"));

  Op.Queue({"key ESC"});
  AnsiString unchanged = "C:\\Programas";
  EXPECT_FALSE(Dialogs().SelectFolder("Pasta", unchanged));
  EXPECT_EQ(unchanged, "C:\\Programas");
  EXPECT_TRUE(Op.Errors().empty());
}

TEST_F(DialogTest, OpenFileListsTheFolderAndGivesAFullPath) {
  Inspect("TOpenFileForm", [&](TCustomForm* f) {
    auto* form = static_cast<TOpenFileForm*>(f);
    EXPECT_EQ(form->Caption(), "Localize o segmento");
    EXPECT_EQ(form->FileList()->Items().Items(),
              (std::vector<AnsiString>{"[..]", "[Extras]", "DADOS.001", "DADOS.002"}));
    EXPECT_EQ(Op.FindControl("FileNameEdit", form)->Caption(), "DADOS.002");
  });
  Op.Queue({"key ENTER"});
  AnsiString name = "C:\\Instalacao\\DADOS.002";
  EXPECT_TRUE(Dialogs().OpenFile("Localize o segmento", name));
  EXPECT_EQ(name, "C:\\Instalacao\\DADOS.002");

  // Into a subfolder by its name, then a file of it.
  Op.Queue({"type Extras", "key ENTER", "type LEIA.TXT", "answer Abrir"});
  EXPECT_TRUE(Dialogs().OpenFile("Localize o segmento", name));
  EXPECT_EQ(name, "C:\\Instalacao\\Extras\\LEIA.TXT");

  Op.Queue({"answer Cancelar"});
  EXPECT_FALSE(Dialogs().OpenFile("Localize o segmento", name));
  EXPECT_EQ(name, "C:\\Instalacao\\Extras\\LEIA.TXT");
  EXPECT_TRUE(Op.Errors().empty());
}

}  // namespace
}  // namespace uitest
