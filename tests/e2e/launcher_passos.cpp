// The launcher's steps on a machine: what its watches see and when, and
// what its buttons start.

#include "tests/e2e/launcher_fixture.h"

namespace launchertest {
namespace {

TEST_F(TLauncherRun, BothStepsOpenAtStartAndSairEnds) {
  Inicia();
  Op().Wait(500);
  EsperaPasso(2, false);
  EsperaPasso(3, false);
  EXPECT_TRUE(FrmMain->Button1->Enabled());
  EXPECT_TRUE(FrmMain->Button4->Enabled());
  EXPECT_TRUE(Op().FindWindow("TFrmMain"));

  Op().Click("&Sair");
  EXPECT_TRUE(App().Terminated());
  EXPECT_TRUE(Dialogos().Asked().empty());
  EXPECT_TRUE(Maquina().Journal().empty());
}

TEST_F(TLauncherRun, ServerRegisteredWhileRunningMarksStepIIAtTheNextTick) {
  Inicia();
  Op().Wait(300);
  EsperaPasso(2, false);

  RegistraInstancia("C:\\Program Files\\Firebird\\Firebird_2_0\\");
  Op().Wait(10);  // one tick of the watch
  EsperaPasso(2, true);
  EsperaPasso(3, false);

  // The note is appended once: the watch has stopped.
  RegistraInstancia("C:\\Outra\\Firebird_2_0\\");
  Op().Wait(500);
  EsperaPasso(2, true);
  EXPECT_TRUE(Dialogos().Asked().empty());
}

TEST_F(TLauncherRun, ProductAtItsFixedPathMarksStepIII) {
  Inicia();
  // Elsewhere, or a folder of that name, is not the product.
  CriaArquivo("C:\\Arquivos de programas\\VantorQ-Mira\\VantorQM.exe");
  CriaArquivo("C:\\VantorQ-Mira\\VantorQM.exe\\leiame.txt");
  Op().Wait(300);
  EsperaPasso(3, false);

  std::filesystem::remove_all(Maquina().HostPath("C:\\VantorQ-Mira"));
  CriaArquivo("C:\\VantorQ-Mira\\VantorQM.exe");
  Op().Wait(10);
  EsperaPasso(3, true);
  EsperaPasso(2, false);
  Op().Wait(300);
  EsperaPasso(3, true);
}

TEST_F(TLauncherRun, BothDoneBeforeStartShowRightAwayLeavingManualAndSair) {
  RegistraInstancia("C:\\Program Files\\Firebird\\Firebird_2_0\\");
  CriaArquivo("C:\\VantorQ-Mira\\VantorQM.exe");
  Inicia();
  Op().Wait(10);
  EsperaPasso(2, true);
  EsperaPasso(3, true);
  EXPECT_TRUE(FrmMain->Button1->Enabled());
  EXPECT_TRUE(FrmMain->Button4->Enabled());

  // The disabled buttons take neither the mouse nor their accelerators.
  Op().Click("Button2");
  Op().Click("Button3");
  Op().Key("ALT+F");
  Op().Key("ALT+V");
  Op().Wait(50);
  EXPECT_TRUE(Diario("winexec").empty());
  EXPECT_TRUE(Diario("shellexecute").empty());
  Op().Key("ALT+M");
  EXPECT_EQ(Diario("shellexecute").size(), 1u);
}

// What the database server's installer may leave in "DefaultInstance": only
// a text naming Firebird_2_0, in those letters, marks step II. A value of
// another type reads as no server, without a box at every tick.
struct TInstancia {
  const char* Nome;
  DWORD Type;
  std::string Bytes;
  bool Feito;
};

std::string Texto(const std::string& text) { return text + std::string(1, '\0'); }

class TLauncherInstance : public TLauncherRun, public testing::WithParamInterface<TInstancia> {};

TEST_P(TLauncherInstance, MarksStepIIOnlyForFirebird20) {
  RegistraInstancia(GetParam().Type, GetParam().Bytes);
  Inicia();
  Op().Wait(200);
  EsperaPasso(2, GetParam().Feito);
  EXPECT_TRUE(Dialogos().Asked().empty());
  EXPECT_TRUE(Diario("msgbox").empty());
}

INSTANTIATE_TEST_SUITE_P(
    DefaultInstance, TLauncherInstance,
    testing::Values(
        TInstancia{"Firebird20", platform::REG_SZ, Texto("C:\\Program Files\\Firebird\\Firebird_2_0\\"), true},
        TInstancia{"AnywhereInTheText", platform::REG_EXPAND_SZ, Texto("%ProgramFiles%\\Firebird_2_0_Teste"), true},
        TInstancia{"LowerCase", platform::REG_SZ, Texto("c:\\program files\\firebird\\firebird_2_0\\"), false},
        TInstancia{"UpperCase", platform::REG_SZ, Texto("C:\\FIREBIRD\\FIREBIRD_2_0\\"), false},
        TInstancia{"Firebird21", platform::REG_SZ, Texto("C:\\Program Files\\Firebird\\Firebird_2_1\\"), false},
        TInstancia{"Firebird15", platform::REG_SZ, Texto("C:\\Program Files\\Firebird\\Firebird_1_5\\"), false},
        TInstancia{"Empty", platform::REG_SZ, Texto(""), false},
        TInstancia{"Number", platform::REG_DWORD, std::string("\x14\x00\x00\x00", 4), false},
        TInstancia{"BytesSpellingTheName", platform::REG_BINARY, Texto("Firebird_2_0"), false}),
    [](const testing::TestParamInfo<TInstancia>& info) { return std::string(info.param.Nome); });

TEST_F(TLauncherRun, VantorTwiceStartsTheInstallerTwice) {
  Inicia();
  Op().Click("&Vantor");
  Op().Click("&Vantor");
  const std::vector<std::string> starts = Diario("shellexecute");
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0], starts[1]);
  EXPECT_NE(starts[0].find("file=\"instalar.exe\""), std::string::npos) << starts[0];
  EXPECT_TRUE(FrmMain->Button3->Enabled());
}

// Each button starts its program or verb with the launcher's folder as the
// working folder; the database server's installer by its bare name, found
// beside the launcher also when the current folder is another one.
TEST_F(TLauncherRun, JournalShowsEachStartWithItsWorkingFolder) {
  const AnsiString windows = Maquina().Config().WindowsDir;
  ASSERT_TRUE(Maquina().SetCurrentDirectoryA(windows));
  Inicia();
  Op().Click("&Manual");
  Op().Click("&Firebird");
  Op().Click("&Vantor");
  const std::vector<std::string> journal = Maquina().Journal();
  ASSERT_EQ(journal.size(), 3u);
  const std::string expected[] = {
      "shellexecute: verb=\"print\" file=\"manual.htm\" parameters=\"\" dir=\"D:\\\" show=1 path=\"D:\\manual.htm\" "
      "result=42",
      "winexec: command=\"Firebird-2.0.1.12855-1-Win32.exe\" dir=\"" + windows + "\" show=1 "
      "path=\"D:\\Firebird-2.0.1.12855-1-Win32.exe\" result=33",
      "shellexecute: verb=\"\" file=\"instalar.exe\" parameters=\"\" dir=\"D:\\\" show=1 path=\"D:\\instalar.exe\" "
      "result=42",
  };
  for (size_t i = 0; i < journal.size(); ++i) EXPECT_EQ(journal[i], expected[i]) << i;
  EXPECT_TRUE(Dialogos().Asked().empty());
}

// A start that fails is not the launcher's to report.
TEST_F(TLauncherRun, MissingProgramsAndManualGiveNoMessage) {
  for (const char* name : {"manual.htm", "Firebird-2.0.1.12855-1-Win32.exe", "instalar.exe"})
    std::filesystem::remove(Cd() + "/" + name);
  Inicia();
  Op().Click("&Manual");
  Op().Click("&Firebird");
  Op().Click("&Vantor");
  Op().Wait(100);
  EXPECT_EQ(Diario("shellexecute").size(), 2u);
  EXPECT_EQ(Diario("winexec").size(), 1u);
  EXPECT_TRUE(Dialogos().Asked().empty());
  EXPECT_TRUE(FrmMain->Button1->Enabled());
  EXPECT_TRUE(FrmMain->Button2->Enabled());
  EXPECT_TRUE(FrmMain->Button3->Enabled());
}

}  // namespace
}  // namespace launchertest
