// Folders and identity, shell, links, sound and message boxes.

#include <gtest/gtest.h>

#include "platform/MessageBoxes.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Shell.h"
#include "platform/ShellLink.h"
#include "platform/Sound.h"
#include "platform/SpecialFolders.h"
#include "rtl/Clock.h"
#include "tests/platform/FakeApi.h"

using namespace platform;

namespace {

TInputQuery Query(const AnsiString& caption, const AnsiString& prompt) {
  TInputQuery query;
  query.Caption = caption;
  query.Prompt = prompt;
  return query;
}

TEST(SpecialFolders, FoldersComeWithoutTrailingBackslashAndFailuresAreEmpty) {
  fake::TFakeApi api;
  api.WindowsDirectory = "C:\\";
  api.SpecialFolders[CSIDL_DESKTOPDIRECTORY] = "C:\\WINDOWS\\Desktop\\";
  EXPECT_EQ(WindowsFolder(), "C:");
  EXPECT_EQ(SystemFolder(), "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(DesktopFolder(), "C:\\WINDOWS\\Desktop");
  EXPECT_EQ(StartMenuFolder(), "");  // so a path built on it starts with a backslash
  api.SpecialFolders[CSIDL_STARTMENU] = "C:\\" + std::string(300, 'x');  // longer than MAX_PATH
  EXPECT_EQ(StartMenuFolder(), "");
  api.WindowsDirectory = "";
  EXPECT_EQ(WindowsFolder(), "");
}

TEST(SpecialFolders, OwnerAndCompanyFollowTheWindowsFamily) {
  fake::TFakeApi api;
  api.SetValue("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOwner", REG_SZ,
               std::string("Ana NT\0", 7));
  api.SetValue("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "RegisteredOwner", REG_SZ,
               std::string("Ana 9x\0", 7));
  api.SetValue("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "RegisteredOrganization", REG_DWORD,
               std::string(4, '\0'));
  api.DeniedAllAccess = {"HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION",
                         "HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION"};
  EXPECT_EQ(RegisteredOwner(), "Ana NT");  // opened for reading only
  EXPECT_EQ(RegisteredCompany(), "");
  api.NT = false;
  EXPECT_EQ(RegisteredOwner(), "Ana 9x");
  EXPECT_EQ(RegisteredCompany(), "");  // a value of another type counts as none
}

TEST(SpecialFolders, ProgramPathAndFolder) {
  fake::TFakeApi api;
  api.ModuleFileName = "D:\\Instalacao\\instalar.exe";
  EXPECT_EQ(ProgramPath(), "D:\\Instalacao\\instalar.exe");
  EXPECT_EQ(ProgramFolder(), "D:\\Instalacao\\");
}

TEST(Shell, VerbsProgramsRestartAndPause) {
  fake::TFakeApi api;
  OpenWithVerb(5, "print", "manual.htm", "D:\\");
  OpenWithVerb(5, "", "instalar.exe", "D:\\");
  StartProgram("Firebird-2.0.1.12855-1-Win32.exe");
  RestartComputer();
  const std::vector<std::string> expected = {
      "ShellExecuteA 5 [print] manual.htm [] D:\\ 1", "ShellExecuteA 5 [] instalar.exe [] D:\\ 1",
      "WinExec Firebird-2.0.1.12855-1-Win32.exe 1", "ExitWindowsEx 6"};
  EXPECT_EQ(api.Calls, expected);

  rtl::TFixedClock clock;
  rtl::SetClock(&clock);
  const uint32_t before = clock.TickCount();
  Pause(7000);
  EXPECT_EQ(clock.TickCount() - before, 7000u);
  rtl::SetClock(nullptr);
}

TEST(Shell, HooksAndHandlers) {
  ProcessMessages();  // nothing registered: nothing happens
  Terminate();
  int pumped = 0, terminated = 0;
  SetProcessMessagesHook([&] { ++pumped; });
  SetTerminateHandler([&] { ++terminated; });
  ProcessMessages();
  Terminate();
  EXPECT_EQ(pumped, 1);
  EXPECT_EQ(terminated, 1);
  SetProcessMessagesHook(nullptr);
  SetTerminateHandler(nullptr);

  struct TEnded {};
  SetHaltHandler([] { throw TEnded{}; });
  EXPECT_THROW(Halt(), TEnded);
  SetHaltHandler(nullptr);
  EXPECT_EXIT(Halt(), testing::ExitedWithCode(0), "");
}

TEST(ShellLink, ReusedObjectCarriesTheValuesLastSet) {
  fake::TFakeApi api;
  TShellLink link;
  link.SetDescription("Vantor Q-Mira");
  link.SetPath("C:\\VantorQ-Mira\\VantorQM.exe");
  link.SetWorkingDirectory("C:\\VantorQ-Mira");
  link.Save("C:\\Desktop\\Vantor Q-Mira.lnk");
  link.SetDescription("Outro");
  link.Save("C:\\Menu\\Outro.lnk");
  ASSERT_EQ(api.SavedLinks.size(), 2u);
  EXPECT_EQ(api.SavedLinks[1].Path, "C:\\VantorQ-Mira\\VantorQM.exe");
  EXPECT_EQ(api.SavedLinks[1].Description, "Outro");
  EXPECT_TRUE(api.Called("Save C:\\Desktop\\Vantor Q-Mira.lnk"));
  EXPECT_FALSE(api.Called("Save C:\\Desktop\\Vantor Q-Mira.lnk remember"));

  api.LinkAvailable = false;
  EXPECT_THROW(TShellLink(), EShellLinkError);
}

TEST(Sound, OpenClosesThePreviousDeviceAndErrorsCarryTheSystemText) {
  fake::TFakeApi api;
  TMediaPlayer player;
  player.SetHandle(77);
  try {
    player.Play();
    FAIL();
  } catch (const EMCIDeviceError& e) {
    EXPECT_EQ(e.Message(), "Nenhum dispositivo de MCI aberto");
  }
  player.Open("D:\\change.wav");
  player.Play();
  player.Open("D:\\change.wav");
  const std::vector<std::string> expected = {"MciOpenElement D:\\change.wav 77", "MciPlay 1 77", "MciClose 1",
                                             "MciOpenElement D:\\change.wav 77"};
  EXPECT_EQ(api.Calls, expected);
  api.MciOpenError = 275;
  try {
    player.Open("D:\\falta.wav");
    FAIL();
  } catch (const EMCIDeviceError& e) {
    EXPECT_EQ(e.Message(), "MCI error 275");
  }
  EXPECT_EQ(player.DeviceID(), 0u);
}

TEST(MessageBoxes, FullStopRule) {
  struct {
    AnsiString text, shown;
  } const rows[] = {
      {"Erro", "Erro."},      {"Erro.", "Erro."},    {"Erro!", "Erro!"},     {"", ""},
      {"(1)", "(1)"},         {"Fim -", "Fim -"},    {"A,", "A,"},           {"x/", "x/."},
      {"Valor 2", "Valor 2."}, {"Ação"_a, "Ação."_a}, {"Nome:", "Nome:."},
  };
  for (const auto& row : rows) EXPECT_EQ(ExceptionText(row.text), row.shown) << row.text;
}

TEST(MessageBoxes, UncaughtErrorBoxGoesThroughMessageBoxA) {
  fake::TFakeApi api;
  ShowException("Instalação do Vantor Q-Mira"_a, "Falhou");
  EXPECT_EQ(api.Calls, std::vector<std::string>{std::string("MessageBoxA ") + "Instalação do Vantor Q-Mira"_a + "|Falhou.|16"});
}

TEST(ScriptedDialogs, AnswersInOrderRecordsAndRestoresTheProvider) {
  TDialogs* before = &Dialogs();
  {
    TScriptedDialogs dialogs;
    EXPECT_EQ(&Dialogs(), &dialogs);
    dialogs.AnswerMessageBox(IDNO);
    dialogs.AnswerInput(true, "B:");
    EXPECT_EQ(Dialogs().MessageBox("Apagar?", "Confirmation", MB_YESNO), IDNO);
    AnsiString drive = "A:";
    EXPECT_TRUE(Dialogs().InputQuery(Query("Sistema", "Insira o disco 2"), drive));
    EXPECT_EQ(drive, "B:");
    WarningAbort("Fim");
    // Without answers left: the default button, Cancel for inputs.
    EXPECT_EQ(Dialogs().MessageBox("?", "c", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    EXPECT_FALSE(Dialogs().InputQuery(Query("c", "p"), drive));
    EXPECT_EQ(Dialogs().QueryOverwrite({}), daYes);
    ASSERT_EQ(dialogs.Asked().size(), 6u);
    EXPECT_EQ(dialogs.Asked()[1].Text, "Insira o disco 2");
    EXPECT_EQ(dialogs.Asked()[1].Value, "A:");
    EXPECT_EQ(dialogs.Asked()[2].Kind, dkWarningAbort);
    EXPECT_EQ(dialogs.Asked()[2].Caption, "Atenção"_a);
    EXPECT_EQ(dialogs.Asked()[2].Text, "Fim");
    // An answer of the wrong kind is a test error at once.
    dialogs.AnswerOpenFile(true, "D:\\x-002.mmm");
    EXPECT_THROW(Dialogs().SelectFolder("c", drive), std::logic_error);
  }
  EXPECT_EQ(&Dialogs(), before);
}

TEST(Dialogs, DefaultProviderAnswersTheDefaultButton) {
  struct {
    UINT type;
    int answer;
  } const rows[] = {
      {MB_OK, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_ABORTRETRYIGNORE, IDABORT},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
      {MB_YESNO | MB_ICONQUESTION, IDYES},
      {MB_YESNO | MB_DEFBUTTON3, IDYES},  // no third button
      {MB_RETRYCANCEL, IDRETRY},
  };
  for (const auto& row : rows) EXPECT_EQ(Dialogs().MessageBox("t", "c", row.type), row.answer) << row.type;
  AnsiString value = "x";
  EXPECT_FALSE(Dialogs().InputQuery({}, value));
  EXPECT_EQ(value, "x");
}

}  // namespace
