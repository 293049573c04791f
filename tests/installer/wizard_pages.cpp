// The wizard window: its creation from the machine and the script, the page
// navigation with the licence poll, the file total and billboard pace, the
// drive list and target folder, and the group-folder macros.

#include <filesystem>

#include "installer/wizard/UntProgresso.h"
#include "platform/Registry.h"
#include "tests/installer/shell_fixture.h"

using namespace installer;

namespace shelltest {
namespace {

const std::string kScript =
    "[Projeto]\r\n"
    "Aplicação=Vantor Q-Mira\r\n"
    "PastaPadraoInstalacao=VantorQ-Mira\r\n"
    "Dir_Contrato=C:\\Autor\\Contrato.txt\r\n";

class Wizard : public TShellTest {
 protected:
  void TearDown() override {
    FWizard.reset();
    TShellTest::TearDown();
  }

  // Start-up with this script, then a new wizard as the background window makes it.
  TFRMProgresso& Inicia(const std::string& script) {
    Script(script);
    Arquivo("winsysdlls.bak", {{"lib.dll", "x"}});
    Arquivo("Contrato.bak", {{"Contrato.txt", "linha 1\r\nlinha 2\r\n"}});
    EXPECT_TRUE(TShellTest::Inicia());
    return NovoAssistente();
  }
  TFRMProgresso& NovoAssistente() {
    FWizard.reset();
    FWizard = CreateWizard(&Application());
    return static_cast<TFRMProgresso&>(*FWizard);
  }
  static void Avanca(TFRMProgresso& w) { w.btnavancarClick(w.btnavancar); }
  static void Volta(TFRMProgresso& w) { w.btnavancarClick(w.btnvoltar); }

  std::unique_ptr<ui::TForm> FWizard;
};

TEST_F(Wizard, CreationFillsThePagesFromTheMachineAndTheScript) {
  TFRMProgresso& w = Inicia(kScript);
  EXPECT_EQ(w.Caption(), "Bem-vindo");
  EXPECT_EQ(w.Notebook1->PageIndex(), 0);
  EXPECT_TRUE(w.RbServidor->Checked());
  EXPECT_FALSE(w.btnvoltar->Enabled());
  EXPECT_EQ(w.btnavancar->Caption(), "&Avançar >>"_a);
  EXPECT_EQ(w.MemoContrato->Lines().Items(), (std::vector<AnsiString>{"linha 1", "linha 2"}));
  EXPECT_EQ(w.StNomeUsuario->Caption(), "Usuario");
  EXPECT_EQ(w.StEmpresa->Caption(), "Empresa");
  EXPECT_EQ(w.Img1->Picture().Width(), 146);
  EXPECT_EQ(w.ListFileTerminal->Items().Count(), 12);
  EXPECT_EQ(w.ListFileTerminal->Items()[0], "VANTORQM.EXE");
  EXPECT_EQ(w.LinkNaoTerminal->Items().Count(), 7);
  // Drive C is chosen and the target folder recorded.
  EXPECT_EQ(w.ComboDrive->Items().Items(), std::vector<AnsiString>{"C:\\"});
  EXPECT_EQ(w.StPastaDestino->Caption(), "C:\\VantorQ-Mira");
  EXPECT_EQ(DirDestino, "C:\\VantorQ-Mira");
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Tarquelia\\Vantor\\Q-Mira"));
  EXPECT_EQ(reg.ReadString("InstallDir"), "C:\\VantorQ-Mira");
  EXPECT_TRUE(Dialogs().Asked().empty());
}

TEST_F(Wizard, NavigatesThePagesAndPollsTheLicenceBox) {
  TFRMProgresso& w = Inicia(kScript);
  Avanca(w);
  EXPECT_EQ(w.Notebook1->PageIndex(), 1);
  EXPECT_EQ(w.Caption(), "Contrato de Licença de Uso"_a);
  EXPECT_TRUE(w.btnvoltar->Enabled());
  // Forward follows the box at every tick.
  for (bool marcada : {false, true, false, true}) {
    w.CheckBox1->SetChecked(marcada);
    w.Timer1Timer(w.Timer1);
    EXPECT_EQ(w.btnavancar->Enabled(), marcada);
  }
  Avanca(w);
  EXPECT_EQ(w.Caption(), "Iniciando a Cópia dos Arquivos"_a);
  EXPECT_EQ(w.btnavancar->Caption(), "&Instalar");
  EXPECT_FALSE(w.CopiaIniciada());
  // Back from the summary: the box is still ticked, the caption is back.
  Volta(w);
  EXPECT_EQ(w.Pagina(), 1);
  EXPECT_TRUE(w.CheckBox1->Checked());
  EXPECT_EQ(w.btnavancar->Caption(), "&Avançar >>"_a);
  // Unticked, then back to the welcome page: forward is enabled there and the poll leaves it.
  w.CheckBox1->SetChecked(false);
  w.Timer1Timer(w.Timer1);
  Volta(w);
  w.Timer1Timer(w.Timer1);
  EXPECT_EQ(w.Caption(), "Bem-vindo");
  EXPECT_FALSE(w.btnvoltar->Enabled());
  EXPECT_TRUE(w.btnavancar->Enabled());
}

TEST_F(Wizard, AddsUpTheGroupCountsFromTwoAndPacesTheBillboards) {
  struct {
    const char* Grupos;
    int Imagens;
    int64_t Total, Ritmo;
  } const casos[] = {
      {"Grupos=3\r\nGrupo_1_Arquivos=10\r\nGrupo_2_Arquivos=20\r\nGrupo_3_Arquivos=30\r\n", 4, 50, 12},
      {"Grupos=3\r\nGrupo_1_Arquivos=10\r\nGrupo_2_Arquivos=20\r\nGrupo_3_Arquivos=30\r\n", 0, 50, 0},
      {"Grupos=1\r\nGrupo_2_Arquivos=3\r\n", 4, 3, 0},  // fewer files than pictures
      {"Grupos=0\r\nGrupo_2_Arquivos=30\r\n", 2, 0, 0},
      {"Grupos=-2\r\nGrupo_2_Arquivos=30\r\n", 2, 0, 0},
  };
  Inicia(kScript);
  for (size_t i = 0; i < std::size(casos); ++i) {
    SCOPED_TRACE(i);
    std::string script = kScript + "[Grupos]\r\n" + casos[i].Grupos + "[BillBoards]\r\nImagens=" +
                         std::to_string(casos[i].Imagens) + "\r\n";
    for (int n = 1; n <= casos[i].Imagens; ++n)
      script += "Imagem_" + std::to_string(n) + "=C:\\Autor\\b" + std::to_string(n) + ".jpg\r\n";
    Script(script);
    TFRMProgresso& w = NovoAssistente();
    EXPECT_EQ(w.TotalArquivos(), casos[i].Total);
    EXPECT_EQ(w.RitmoBillboards(), casos[i].Ritmo);
    EXPECT_EQ(w.ListBillBoards->Items().Count(), casos[i].Imagens);
    if (casos[i].Imagens > 0) {
      EXPECT_EQ(w.ListBillBoards->Items()[0], PastaTemporaria() + "\\b1.jpg");
    }
  }
}

TEST_F(Wizard, ListsTheFixedDrivesAndComposesTheTargetFolderOnC) {
  platform::sim::TMachineConfig config = platform::sim::LoadMachineConfig(Dir());
  platform::sim::TDriveConfig d;
  d.Letter = 'D';
  d.Kind = platform::sim::dkFixed;
  d.Volume.Folder = Dir() + "/drives/d";
  std::filesystem::create_directories(d.Volume.Folder);
  config.Drives.push_back(d);
  platform::sim::SaveMachineConfig(Dir(), config);
  Open();
  SetMedium(Medium());

  TFRMProgresso& w = Inicia(kScript);
  EXPECT_EQ(w.ComboDrive->Items().Items(), (std::vector<AnsiString>{"C:\\", "D:\\"}));
  EXPECT_EQ(DirDestino, "C:\\VantorQ-Mira");
  // No separator is added: an empty default folder leaves the drive's root.
  PastaPadrao.clear();
  NovoAssistente();
  EXPECT_EQ(DirDestino, "C:\\");
}

TEST_F(Wizard, ExpandsAMacroOnlyAtTheStartOfAGroupFolder) {
  TFRMProgresso& w = Inicia(kScript);
  struct {
    const char* Pasta;
    AnsiString Esperada;
  } const casos[] = {
      {"<INSTALLDIR>\\BDados", DirDestino + "\\BDados"},
      {"<WINSYSDIR>", DirSistema},
      {"<WINDIR>\\<INSTALLDIR>", DirWindows + "\\<INSTALLDIR>"},  // only the first macro
      {"X<WINDIR>\\Fonts", "X<WINDIR>\\Fonts"},
      {"<windir>\\Fonts", "<windir>\\Fonts"},
      {"<OUTRA>\\x", "<OUTRA>\\x"},
  };
  for (const auto& c : casos) {
    const AnsiString pasta = c.Pasta;
    EXPECT_EQ(w.VerificaPasta(pasta, pasta.find('>') + 1), c.Esperada) << c.Pasta;
  }
}

TEST_F(Wizard, AContractThatCannotBeReadStopsTheCreationThere) {
  TFRMProgresso& w = Inicia(
      "[Projeto]\r\nPastaPadraoInstalacao=VantorQ-Mira\r\n"
      "[Grupos]\r\nGrupos=1\r\nGrupo_2_Arquivos=40\r\n"
      "[BillBoards]\r\nImagens=2\r\nImagem_1=a.jpg\r\nImagem_2=b.jpg\r\n");
  // The path ends at the scratch folder, which is no file: the box names it.
  const auto boxes = Caixas(platform::dkMessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].Text.find(PastaTemporaria()), AnsiString::npos) << boxes[0].Text;
  EXPECT_EQ(w.MemoContrato->Lines().Count(), 0);
  EXPECT_EQ(w.ListBillBoards->Items().Count(), 0);
  EXPECT_EQ(w.RitmoBillboards(), 0);
  // The steps before it were done.
  EXPECT_EQ(DirDestino, "C:\\VantorQ-Mira");
  EXPECT_EQ(w.Notebook1->PageIndex(), 0);
}

}  // namespace
}  // namespace shelltest
