// Whole installations of one medium: a server and a terminal installation,
// a machine without Program Manager, and an uninstall entry that cannot be written.

#include "platform/sim/Journal.h"
#include "installer/shell/UntConclusao.h"
#include "tests/e2e/e2e_medium.h"

namespace e2e {
namespace {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

const AnsiString kProduto = "Software\\Tarquelia\\Vantor\\Q-Mira";
const AnsiString kConexao = kProduto + "\\PgConexao";
const AnsiString kDesinstalacao = "Software\\MicroSoft\\Windows\\CurrentVersion\\Uninstall\\Vantor Q-Mira";

// What the completion window showed, read while it waits for "Finalizar".
struct TConclusao {
  bool Vista = false;
  bool FalhasVisiveis = false;
  std::vector<AnsiString> Falhas;
  bool FaixaVisivel = true;
  AnsiString Icone;  // the strip's path line
  int GeralMax = 0, GeralPosicao = 0;
};

// Through the wizard, reading the completion window before "Finalizar".
void InstalaLendoConclusao(ui::TOperator& op, bool terminal, bool reinicia, TConclusao& c) {
  op.Queue(PassosAteInstalar(terminal));
  op.Queue(
      [&op, &c] {
        auto* janela = dynamic_cast<installer::TFRMConclusao*>(op.FindWindow("TFRMConclusao"));
        if (!janela) return false;
        c.Vista = true;
        c.FalhasVisiveis = janela->GbFalhas->Visible();
        c.Falhas = janela->ListBox1->Items().Items();
        c.FaixaVisivel = installer::FRMProcess->Visible();
        c.Icone = installer::FRMProcess->lbCaminho->Caption();
        c.GeralMax = installer::FRMProcess->VrLevelBar1->Max();
        c.GeralPosicao = installer::FRMProcess->VrLevelBar1->Position();
        return true;
      },
      "read the completion window");
  op.Queue(PassosFinalizar(reinicia));
}

std::string Comando(const std::string& utf8) { return "command=" + platform::sim::JournalText(rtl::AnsiFromUtf8(utf8)); }

class Instalacao : public TMidiaPadrao, public testing::WithParamInterface<bool> {};

// The same medium as a server (false) and as a terminal (true) installation.
TEST_P(Instalacao, InstallsTheGroupsFilesIconsAndRecordsOfItsType) {
  const bool terminal = GetParam();
  MidiaPadrao();
  TConclusao conclusao;
  const TExecucao run =
      Instala([&](ui::TOperator& op) { InstalaLendoConclusao(op, terminal, /*reinicia=*/!terminal, conclusao); });
  EXPECT_TRUE(run.Encerrado);
  EXPECT_TRUE(run.ErrosDoOperador.empty()) << run.ErrosDoOperador.front();
  EXPECT_TRUE(run.Caixas.empty());

  // Files: a terminal takes only its own files from "Raiz" (never one stored
  // with a folder) and leaves out the data and photo groups.
  struct TArquivo {
    const char* Path;
    bool Servidor, Terminal;
  } const arquivos[] = {
      {"C:\\VantorQ-Mira\\VantorQM.exe", true, true},    {"C:\\VantorQ-Mira\\Feriados.dat", true, true},
      {"C:\\VantorQ-Mira\\Desinstalar.exe", true, false}, {"C:\\VantorQ-Mira\\QMBackup.exe", true, false},
      {"C:\\VantorQ-Mira\\Leiame.txt", true, false},      {"C:\\VantorQ-Mira\\Ajuda\\VantorQM.exe", true, false},
      {"C:\\VantorQ-Mira\\BDados\\vantorq.fdb", true, false}, {"C:\\VantorQ-Mira\\Fotos\\foto1.jpg", true, false},
      {"C:\\VantorQ-Mira\\Util\\QMCalc.exe", true, true},
  };
  for (const TArquivo& a : arquivos)
    EXPECT_EQ(Existe(a.Path), terminal ? a.Terminal : a.Servidor) << a.Path;
  EXPECT_EQ(Conteudo("C:\\VantorQ-Mira\\VantorQM.exe"), "programa principal");
  EXPECT_EQ(PastaExiste("C:\\VantorQ-Mira\\BDados"), !terminal);
  EXPECT_FALSE(PastaExiste("C:\\VantorQ-Mira\\Vazio"));

  // Program Manager: the group, then one item per icon in order; a terminal
  // gets no item and no link for a program of its no-link list.
  std::vector<std::string> esperados = {
      Comando("[CreateGroup(Vantor Q-Mira)]"),
      Comando("[AddItem(\"C:\\VantorQ-Mira\\VantorQM.exe\",\"Vantor Q-Mira\",\"C:\\VantorQ-Mira\\VantorQM.exe\")]")};
  if (!terminal)
    esperados.push_back(Comando(
        "[AddItem(\"C:\\VantorQ-Mira\\qmbackup.EXE\",\"Cópia de Segurança\",\"C:\\VantorQ-Mira\\qmbackup.EXE\")]"));
  esperados.push_back(
      Comando("[AddItem(\"C:\\VantorQ-Mira\\Util\\QMCalc.exe\",\"Calculadora\",\"C:\\VantorQ-Mira\\Util\\QMCalc.exe\")]"));
  esperados.push_back(
      Comando("[AddItem(\"C:\\VantorQ-Mira\\Desinstalar.exe\",\"Desinstalar\",\"C:\\VantorQ-Mira\\Desinstalar.exe\")]"));
  const std::vector<std::string> dde = Diario("dde");
  ASSERT_EQ(dde.size(), esperados.size());
  for (size_t i = 0; i < dde.size(); ++i) EXPECT_NE(dde[i].find(esperados[i]), std::string::npos) << dde[i];

  const AnsiString grupo = Config().ProgramsDir + "\\Vantor Q-Mira\\";
  struct TAtalho {
    AnsiString Path;
    bool Servidor, Terminal;
  } const atalhos[] = {
      {Config().DesktopDir + "\\Vantor Q-Mira.lnk", true, true},
      {Config().StartMenuDir + "\\Vantor Q-Mira.lnk", true, true},
      {Config().DesktopDir + "\\Cópia de Segurança.lnk"_a, true, false},
      {Config().StartMenuDir + "\\Desinstalar.lnk", true, true},
      {Config().DesktopDir + "\\Calculadora.lnk", false, false},
      {Config().StartMenuDir + "\\Calculadora.lnk", false, false},
      {grupo + "Vantor Q-Mira.lnk", true, true},
      {grupo + "Cópia de Segurança.lnk"_a, true, false},
      {grupo + "Calculadora.lnk", true, true},
  };
  for (const TAtalho& a : atalhos) EXPECT_EQ(Existe(a.Path), terminal ? a.Terminal : a.Servidor) << a.Path;
  // Each link carries its own icon's target, though one link object made them all.
  EXPECT_NE(Conteudo(Config().StartMenuDir + "\\Desinstalar.lnk").find("C:\\VantorQ-Mira\\Desinstalar.exe"),
            std::string::npos);

  // Registry: the product key holds its two values and the connection subkey.
  EXPECT_EQ(Valores(HKEY_CURRENT_USER, kProduto),
            (std::vector<AnsiString>{"InstallDir", "Tipo de Instalação"_a}));
  EXPECT_EQ(Subchaves(HKEY_CURRENT_USER, kProduto), std::vector<AnsiString>{"PgConexao"});
  EXPECT_EQ(Valor(HKEY_CURRENT_USER, kProduto, "InstallDir"), "C:\\VantorQ-Mira");
  EXPECT_EQ(Valor(HKEY_CURRENT_USER, kProduto, "Tipo de Instalação"_a), terminal ? "Terminal" : "Servidor");
  const std::pair<AnsiString, AnsiString> conexao[] = {
      {"Nome do BD", "C:\\VantorQ-Mira\\BDados\\vantorq.fdb"},
      {"Nome do Host", terminal ? "" : "localhost"},
      {"Porta", "3050"},
      {"Usuario", "SYSDBA"},
      {"Senha", "tallowpin"},
      {"Caminho do BD", terminal ? "" : "C:\\VantorQ-Mira\\BDados"},
  };
  std::vector<AnsiString> nomes;
  for (const auto& [nome, valor] : conexao) {
    nomes.push_back(nome);
    EXPECT_EQ(Valor(HKEY_CURRENT_USER, kConexao, nome), valor) << nome;
  }
  EXPECT_EQ(Valores(HKEY_CURRENT_USER, kConexao), nomes);
  EXPECT_EQ(Valor(HKEY_LOCAL_MACHINE, kDesinstalacao, "DisplayName"), "Vantor Q-Mira");
  EXPECT_EQ(Valor(HKEY_LOCAL_MACHINE, kDesinstalacao, "DisplayIcon"), "C:\\VantorQ-Mira\\VantorQM.exe");
  EXPECT_EQ(Valor(HKEY_LOCAL_MACHINE, kDesinstalacao, "UninstallString"), "C:\\VantorQ-Mira\\Desinstalar.exe");

  // The completion window, with the strip gone and its gauge full.
  EXPECT_TRUE(conclusao.Vista);
  EXPECT_FALSE(conclusao.FalhasVisiveis);
  EXPECT_FALSE(conclusao.FaixaVisivel);
  EXPECT_EQ(conclusao.Icone, "Icone: C:\\VantorQ-Mira\\Desinstalar.exe");
  EXPECT_EQ(conclusao.GeralMax, 7);
  EXPECT_EQ(conclusao.GeralPosicao, 7);
  // "Finalizar" restarts only when the restart choice stayed selected.
  EXPECT_EQ(Diario("exitwindows").size(), terminal ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(ServidorETerminal, Instalacao, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Terminal" : "Servidor"; });

class Falhas : public TMidiaPadrao {};

TEST_F(Falhas, WithoutProgramManagerNoGroupItemOrLinkIsMade) {
  MudaMaquina([](platform::sim::TMachineConfig& c) { c.ProgramManager = platform::sim::pmAbsent; });
  MidiaPadrao();
  const TExecucao run = Instala(PassosCompletos(false, false));
  EXPECT_TRUE(run.Encerrado);
  EXPECT_TRUE(Diario("dde").empty());
  // The one attempt to start it.
  ASSERT_EQ(Diario("winexec").size(), 1u);
  EXPECT_NE(Diario("winexec")[0].find("command=\"PROGMAN PROGMAN\""), std::string::npos);
  EXPECT_FALSE(Existe(Config().DesktopDir + "\\Vantor Q-Mira.lnk"));
  EXPECT_FALSE(Existe(Config().StartMenuDir + "\\Vantor Q-Mira.lnk"));
  EXPECT_FALSE(PastaExiste(Config().ProgramsDir + "\\Vantor Q-Mira"));
  // The rest of the run is unchanged.
  EXPECT_TRUE(Existe("C:\\VantorQ-Mira\\VantorQM.exe"));
  EXPECT_EQ(Valor(HKEY_CURRENT_USER, kConexao, "Porta"), "3050");
  EXPECT_EQ(Valor(HKEY_LOCAL_MACHINE, kDesinstalacao, "DisplayName"), "Vantor Q-Mira");
}

TEST_F(Falhas, AnUninstallEntryThatCannotBeWrittenIsListedInTheCompletionWindow) {
  MudaMaquina([](platform::sim::TMachineConfig& c) {
    c.ReadOnlyKeys.push_back("HKEY_LOCAL_MACHINE\\Software\\MicroSoft\\Windows\\CurrentVersion\\Uninstall");
  });
  MidiaPadrao();
  TConclusao conclusao;
  const TExecucao run = Instala([&](ui::TOperator& op) { InstalaLendoConclusao(op, false, false, conclusao); });
  EXPECT_TRUE(run.Encerrado);
  EXPECT_TRUE(run.Caixas.empty());
  EXPECT_TRUE(conclusao.Vista);
  EXPECT_TRUE(conclusao.FalhasVisiveis);
  EXPECT_EQ(conclusao.Falhas, std::vector<AnsiString>{
                                  "Não foi possível gravar configurações do programa no Registro do Windows!!!"_a});
  EXPECT_TRUE(Valores(HKEY_LOCAL_MACHINE, kDesinstalacao).empty());
  // The run went on after it.
  EXPECT_EQ(Valor(HKEY_CURRENT_USER, kConexao, "Usuario"), "SYSDBA");
  EXPECT_EQ(conclusao.GeralPosicao, 7);
}

}  // namespace
}  // namespace e2e
