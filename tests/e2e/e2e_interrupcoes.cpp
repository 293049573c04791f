// Runs that stop before their end: the strip's abort button, a cancel from
// the wizard, a medium without script, no scratch folder, an archive that
// cannot be opened and a group folder that cannot be made.

#include <fstream>

#include "tests/e2e/e2e_medium.h"

namespace e2e {
namespace {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

const AnsiString kProduto = "Software\\Tarquelia\\Vantor\\Q-Mira";

class Interrupcoes : public TMidiaPadrao {
 protected:
  // Nothing of the run's end was done: no icons, no uninstall entry, no connection values.
  void NadaDoFim() {
    EXPECT_TRUE(Diario("dde").empty());
    EXPECT_TRUE(Subchaves(HKEY_CURRENT_USER, kProduto).empty());
    EXPECT_TRUE(Subchaves(HKEY_LOCAL_MACHINE, "Software\\MicroSoft\\Windows\\CurrentVersion\\Uninstall").empty());
  }
};

TEST_F(Interrupcoes, TheStripsAbortButtonAsksAndSairLeavesWhatWasUnpacked) {
  MidiaPadrao();
  int mensagens = 0;
  const TExecucao run = Instala([&](ui::TOperator& op) {
    // The button is pressed during the 2nd and the 4th file of the first archive.
    op.Queue(
        [&] {
          installer::TFRMProgresso* assistente = Assistente(op);
          if (!assistente) return false;
          auto anterior = assistente->Archiver1->OnDisplayMessage;
          assistente->Archiver1->OnDisplayMessage = [anterior, &mensagens](archiver::TArchiverRoot* s,
                                                                          const AnsiString& msg) {
            anterior(s, msg);
            if (++mensagens == 2 || mensagens == 4) PostaClique(*installer::FRMProcess->btnabort);
          };
          return true;
        },
        "watch the messages");
    op.Queue(PassosAteInstalar(false));
    op.Queue({"wait-window Encerrando a Instalação", "answer &Continuar", "wait-window Encerrando a Instalação",
              "answer &Sair"});
  });
  EXPECT_TRUE(run.Encerrado);
  EXPECT_TRUE(run.ErrosDoOperador.empty()) << run.ErrosDoOperador.front();
  EXPECT_EQ(mensagens, 4);
  // "&Continuar" let the run go on; "&Sair" ended it in the 4th file.
  for (const char* pronto : {"VantorQM.exe", "Desinstalar.exe", "QMBackup.exe"})
    EXPECT_TRUE(Existe("C:\\VantorQ-Mira\\" + AnsiString(pronto))) << pronto;
  EXPECT_EQ(Conteudo("C:\\VantorQ-Mira\\QMBackup.exe"), "copia de seguranca");
  EXPECT_FALSE(Existe("C:\\VantorQ-Mira\\Leiame.txt"));
  EXPECT_FALSE(PastaExiste("C:\\VantorQ-Mira\\BDados"));
  EXPECT_EQ(Valor(HKEY_CURRENT_USER, kProduto, "InstallDir"), "C:\\VantorQ-Mira");
  NadaDoFim();
}

TEST_F(Interrupcoes, ACancelFromTheWizardAsksContinuarStaysSairEndsInOrder) {
  MidiaPadrao();
  AnsiString legenda;
  int pagina = -1;
  const TExecucao run = Instala([&](ui::TOperator& op) {
    op.Queue({"wait-window TFRMProgresso", "click RbTerminal", "click btnavancar", "key ESC",
              "wait-window Encerrando a Instalação", "answer &Continuar", "wait-gone Encerrando a Instalação"});
    op.Queue(
        [&] {
          legenda = Assistente(op)->Caption();
          pagina = Assistente(op)->Notebook1->PageIndex();
          return true;
        },
        "read the wizard");
    op.Queue({"click Button3", "wait-window Encerrando a Instalação", "answer &Sair"});
  });
  EXPECT_FALSE(run.Encerrado);  // told to end in order, not at once
  EXPECT_TRUE(run.ErrosDoOperador.empty()) << run.ErrosDoOperador.front();
  EXPECT_EQ(legenda, "Contrato de Licença de Uso"_a);
  EXPECT_EQ(pagina, 1);
  // The close recorded the type selected then.
  EXPECT_EQ(Valor(HKEY_CURRENT_USER, kProduto, "Tipo de Instalação"_a), "Terminal");
  EXPECT_FALSE(PastaExiste("C:\\VantorQ-Mira"));
  NadaDoFim();
}

struct TInicio {
  const char* Caso;
  std::function<void(Interrupcoes&)> Prepara;
  AnsiString Texto;
};

class FimNoInicio : public Interrupcoes, public testing::WithParamInterface<TInicio> {
 public:
  void RemovePastaTemp() { std::filesystem::remove_all(Maquina().HostPath(Config().TempDir)); }
  void SemScript() { std::filesystem::remove(Maquina().HostPath("D:\\VANTOR.STP")); }
};

TEST_P(FimNoInicio, TheWarningBoxShowsAndTheProgramEndsAtOnce) {
  MidiaPadrao();
  GetParam().Prepara(*this);
  const TExecucao run = Instala({"wait-window TFRMProgresso"});
  EXPECT_TRUE(run.Encerrado);
  ASSERT_EQ(run.Caixas.size(), 1u);
  EXPECT_EQ(run.Caixas[0].Kind, platform::dkWarningAbort);
  EXPECT_EQ(run.Caixas[0].Text, GetParam().Texto);
  EXPECT_TRUE(Valores(HKEY_CURRENT_USER, kProduto).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Casos, FimNoInicio,
    testing::Values(TInicio{"NoScript", [](Interrupcoes& t) { static_cast<FimNoInicio&>(t).SemScript(); },
                            "O arquivo de configuração [*.STP] não foi encontrado !!!.\r\n"
                            " A Instalação será cancelada !!!"_a},
                    TInicio{"NoScratchFolder", [](Interrupcoes& t) { static_cast<FimNoInicio&>(t).RemovePastaTemp(); },
                            "Não pude criar a pasta temporária[C:\\WINDOWS\\temp\\tqsetup] da Instalação.\r"
                            "Impossível Continuar a Instalação !!!"_a}),
    [](const testing::TestParamInfo<TInicio>& info) { return info.param.Caso; });

// An archive the component cannot open stops the run where it is: the error
// box, and nothing after it (the strip stays, no completion window).
class ArquivoIlegivel : public Interrupcoes, public testing::WithParamInterface<const char*> {};

TEST_P(ArquivoIlegivel, StopsTheRunWithTheUncaughtErrorBox) {
  MidiaPadrao();
  const std::string caso = GetParam();
  if (caso == "Damaged") ArquivoNoCd("dados.bak", "isto não é um arquivo do instalador");
  else std::filesystem::remove(Maquina().HostPath("D:\\dados.bak"));  // on a read-only medium
  bool faixaVisivel = false, conclusao = true;
  const TExecucao run = Instala([&](ui::TOperator& op) {
    op.Queue(PassosAteInstalar(false));
    op.Queue(
        [&] {
          if (CaixasAteAgora().empty()) return false;
          faixaVisivel = installer::FRMProcess->Visible();
          conclusao = op.FindWindow("TFRMConclusao") != nullptr;
          ui::Application->Terminate();
          return true;
        },
        "look after the box and leave");
  });
  EXPECT_FALSE(run.Encerrado);
  ASSERT_EQ(run.Caixas.size(), 1u);
  EXPECT_EQ(run.Caixas[0].Kind, platform::dkMessageBox);
  EXPECT_EQ(run.Caixas[0].Caption, "Instalação do Vantor Q-Mira"_a);
  EXPECT_NE(run.Caixas[0].Text.find("D:\\dados.bak"), AnsiString::npos) << run.Caixas[0].Text;
  EXPECT_TRUE(faixaVisivel);
  EXPECT_FALSE(conclusao);
  EXPECT_TRUE(Existe("C:\\VantorQ-Mira\\VantorQM.exe"));
  EXPECT_FALSE(Existe("C:\\VantorQ-Mira\\Util\\QMCalc.exe"));
  NadaDoFim();
}

INSTANTIATE_TEST_SUITE_P(Casos, ArquivoIlegivel, testing::Values("Damaged", "MissingOnReadOnlyMedium"));

TEST_F(Interrupcoes, AGroupFolderThatCannotBeMadeEndsTheInstallation) {
  std::string script = kScriptPadrao;
  const std::string antes = "Grupo_2_Dir=<INSTALLDIR>\\BDados";
  script.replace(script.find(antes), antes.size(), "Grupo_2_Dir=<INSTALLDIR>\\Falta\\BDados");
  MidiaPadrao(script);
  const TExecucao run = Instala(PassosCompletos(false, false));
  EXPECT_TRUE(run.Encerrado);
  ASSERT_EQ(run.Caixas.size(), 1u);
  EXPECT_EQ(run.Caixas[0].Kind, platform::dkWarningAbort);
  EXPECT_EQ(run.Caixas[0].Text,
            "Não pude criar a pasta [C:\\VantorQ-Mira\\Falta\\BDados] .\rImpossível Continuar a Instalação !!!"_a);
  // The group before it stays unpacked; nothing is undone.
  EXPECT_TRUE(Existe("C:\\VantorQ-Mira\\VantorQM.exe"));
  EXPECT_FALSE(PastaExiste("C:\\VantorQ-Mira\\Falta"));
  NadaDoFim();
}

}  // namespace
}  // namespace e2e
