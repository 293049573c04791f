// Start-up: the setup script, the installation state, the per-user key, the
// scratch folder and the two boxes that end the program.

#include "platform/Dde.h"
#include "platform/Registry.h"
#include "platform/sim/MachineConfig.h"
#include "tests/installer/shell_fixture.h"

using namespace installer;

namespace shelltest {
namespace {

const std::string kScriptSimples =
    "[Projeto]\r\n"
    "Aplicação=Vantor Q-Mira\r\n"
    "Título=Instalação do Vantor\r\n"
    "PastaPadraoInstalacao=VantorQ-Mira\r\n"
    "Dir_Contrato=C:\\Autor\\Documentos\\Contrato.txt\r\n"
    "Tipo_Background=0\r\n";

class Startup : public TShellTest {};

TEST_F(Startup, FillsTheInstallationStateFromTheMachineAndTheScript) {
  Script(kScriptSimples);
  Arquivo("Contrato.bak", {{"Contrato.txt", "termos"}});
  ASSERT_TRUE(Inicia());
  EXPECT_EQ(DirInstalador, "C:\\MIDIA\\");
  EXPECT_EQ(ArquivoSTP, "C:\\MIDIA\\SETUP.STP");
  EXPECT_EQ(DirWindows, platform::Api().GetWindowsDirectoryA());
  EXPECT_EQ(DirSistema, platform::Api().GetSystemDirectoryA());
  EXPECT_FALSE(DirDesktop.empty());
  EXPECT_FALSE(DirMenuIniciar.empty());
  EXPECT_EQ(UsuarioRegistrado, "Usuario");
  EXPECT_EQ(EmpresaRegistrada, "Empresa");
  EXPECT_EQ(NomeAplicacao, "Vantor Q-Mira");
  EXPECT_EQ(PastaPadrao, "VantorQ-Mira");
  EXPECT_EQ(ArquivoContrato, "Contrato.txt");
  EXPECT_EQ(TipoFundo, 0);
  EXPECT_EQ(DirDestino, "");
  ASSERT_FALSE(FRMMain->LabelTitulo->Lines().empty());
  EXPECT_EQ(FRMMain->LabelTitulo->Lines().back(), "Instala\xE7\xE3o do Vantor");
  EXPECT_FALSE(FRMMain->LabelTitulo->Visible());
  // Listing the scripts made the installer's folder the current one.
  EXPECT_EQ(rtl::IncludeTrailingBackslash(platform::Api().GetCurrentDirectoryA()), "C:\\MIDIA\\");
  EXPECT_EQ(Application().Title(), "Instala\xE7\xE3o do Vantor Q-Mira");
  EXPECT_TRUE(Dialogs().Asked().empty());
}

struct TDescoberta {
  std::vector<AnsiString> Files;
  std::vector<AnsiString> Folders;
  AnsiString Expected;  // "" when no script is found
};

TEST_F(Startup, TakesTheFirstScriptFileInCaseInsensitiveOrder) {
  const TDescoberta cases[] = {
      {{"b.stp", "A.STP"}, {}, "A.STP"},
      {{"b.stp"}, {"a.STP"}, "b.stp"},      // a folder is no script
      {{"c.stp", "B.Stp"}, {}, "B.Stp"},
      {{"leia.txt"}, {"x.STP"}, ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    SetMedium("C:\\MIDIA" + rtl::IntToStr(static_cast<int>(i)) + "\\");
    for (const AnsiString& f : cases[i].Files) Script(kScriptSimples, f);
    for (const AnsiString& d : cases[i].Folders) platform::ForceDirectories(Medium() + d);
    LimpaVarGlobal();
    FRMMain = nullptr;
    installer::TFRMMain* form = nullptr;
    try {
      form = ui::NewForm<TFRMMain>(&Application());
    } catch (const TFimDoPrograma&) {
    }
    if (cases[i].Expected.empty()) {
      EXPECT_EQ(form, nullptr);
      EXPECT_EQ(Caixas(platform::dkWarningAbort).size(), 1u);
    } else {
      EXPECT_EQ(ArquivoSTP, Medium() + cases[i].Expected);
    }
    delete form;
  }
}

TEST_F(Startup, WithoutAScriptOnlyTheWarningShowsAndTheProgramEnds) {
  Arquivo("winsysdlls.bak", {{"lib.dll", "x"}});
  EXPECT_FALSE(Inicia());
  const auto boxes = Dialogs().Asked();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Kind, platform::dkWarningAbort);
  EXPECT_EQ(boxes[0].Text,
            "O arquivo de configura\xE7\xE3o [*.STP] n\xE3o foi encontrado !!!.\r\n A Instala\xE7\xE3o ser\xE1 "
            "cancelada !!!");
  EXPECT_EQ(FRMMain, nullptr);
  EXPECT_EQ(FRMProcess, nullptr);
  for (ui::TCustomForm* form : Application().ZOrder()) EXPECT_FALSE(form->Visible());
  // Nothing was prepared.
  EXPECT_FALSE(platform::FileExists(platform::Api().GetSystemDirectoryA() + "\\lib.dll"));
}

TEST_F(Startup, DeletesTheProductsPerUserKeyWithItsSubkeys) {
  {
    platform::TRegistry reg;
    reg.OpenKey("Software\\Tarquelia\\Vantor\\Q-Mira\\PgConexao", true);
    reg.WriteString("Servidor", "antigo");
    reg.OpenKey("\\Software\\Tarquelia\\Vantor\\Q-Mira", true);
    reg.WriteString("InstallDir", "C:\\Antigo");
  }
  Script(kScriptSimples);
  ASSERT_TRUE(Inicia());
  platform::TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("Software\\Tarquelia\\Vantor\\Q-Mira"));
  EXPECT_TRUE(reg.KeyExists("Software\\Tarquelia\\Vantor"));
}

TEST_F(Startup, ReusesAScratchFolderLeftByAnEarlierRun) {
  Script(kScriptSimples);
  Arquivo("Contrato.bak", {{"Contrato.txt", "termos novos"}});
  const AnsiString pasta = platform::Api().GetWindowsDirectoryA() + "\\temp\\tqsetup";
  Texto(pasta + "\\Contrato.txt", "termos antigos, mais longos");
  Texto(pasta + "\\outro.txt", "fica");
  ASSERT_TRUE(Inicia());
  EXPECT_EQ(PastaTemporaria(), pasta);
  EXPECT_EQ(Conteudo(pasta + "\\Contrato.txt"), "termos novos");
  EXPECT_EQ(Conteudo(pasta + "\\outro.txt"), "fica");
  EXPECT_TRUE(Dialogs().Asked().empty());
}

TEST_F(Startup, AScratchFolderThatCannotBeMadeEndsTheProgram) {
  Script(kScriptSimples);
  const AnsiString windows = platform::Api().GetWindowsDirectoryA();
  // Only one level is made: without DirWindows\temp the folder cannot be.
  std::filesystem::remove_all(Machine()->HostPath(windows + "\\temp"));
  EXPECT_FALSE(Inicia());
  const auto boxes = Dialogs().Asked();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Kind, platform::dkWarningAbort);
  EXPECT_EQ(boxes[0].Text, "N\xE3o pude criar a pasta tempor\xE1ria[" + windows +
                               "\\temp\\tqsetup] da Instala\xE7\xE3o.\rImposs\xEDvel Continuar a Instala\xE7\xE3o !!!");
  EXPECT_EQ(FRMProcess, nullptr);
  EXPECT_FALSE(platform::DirectoryExists(windows + "\\temp"));
}

TEST_F(Startup, AnotherPreparationErrorIsShownAndStartUpGoesOn) {
  Script(kScriptSimples);
  Texto(Medium() + "winsysdlls.bak", "isto nao e um arquivo");
  Arquivo("Contrato.bak", {{"Contrato.txt", "termos"}});
  ASSERT_TRUE(Inicia());
  const auto boxes = Caixas(platform::dkMessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "Instala\xE7\xE3o do Vantor Q-Mira");
  EXPECT_NE(boxes[0].Text.find("C:\\MIDIA\\winsysdlls.bak"), std::string::npos) << boxes[0].Text;
  // The steps after the failing one are skipped; the windows and the timer are there.
  EXPECT_FALSE(platform::FileExists(PastaTemporaria() + "\\Contrato.txt"));
  ASSERT_NE(FRMMain, nullptr);
  ASSERT_NE(FRMProcess, nullptr);
  EXPECT_EQ(FRMMain->Timer1->Interval(), 250u);
}

TEST_F(Startup, ADdeInitialisationErrorIsShownAndStartUpGoesOn) {
  platform::sim::TMachineConfig config = platform::sim::LoadMachineConfig(Dir());
  config.DdeInitializeError = platform::DMLERR_NO_CONV_ESTABLISHED;
  platform::sim::SaveMachineConfig(Dir(), config);
  Open();
  Machine()->SetModuleFileName(Medium() + "INSTALAR.EXE");
  platform::DdeUninitialize();  // an earlier test's library belongs to its own machine
  Script(kScriptSimples);
  ASSERT_TRUE(Inicia());
  const auto boxes = Caixas(platform::dkMessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "Instala\xE7\xE3o do Vantor Q-Mira");
  EXPECT_EQ(boxes[0].Text, "DDE Erro - conversa\xE7\xE3o n\xE3o estabelecida ($0400A)");
  EXPECT_EQ(platform::DdeInstance(), 0u);
  ASSERT_NE(FRMProcess, nullptr);
  EXPECT_EQ(FRMMain->Timer1->Interval(), 250u);
  EXPECT_EQ(NomeAplicacao, "Vantor Q-Mira");
  platform::TDdeClientConv conv;
  EXPECT_FALSE(conv.Open("PROGMAN", "PROGMAN"));
}

}  // namespace
}  // namespace shelltest
