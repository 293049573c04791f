// The billboard slideshow of a run: its pace, the pictures each change morphs
// between, the change sound played once, and the pauses in virtual time.

#include "installer/shell/UntBillBoards.h"
#include "rtl/Format.h"
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

const ui::TColor kCores[4] = {ui::RGB(200, 0, 0), ui::RGB(0, 200, 0), ui::RGB(0, 0, 200), ui::RGB(200, 200, 0)};

// Four pictures and twelve files to count: a pace of 3. The one archive holds
// thirteen files, so a thirteenth message comes after the last change.
const std::string kScript =
    "[Projeto]\r\n"
    "Aplicação=Vantor Q-Mira\r\n"
    "PastaPadraoInstalacao=VantorQ-Mira\r\n"
    "Dir_Contrato=Contrato.txt\r\n"
    "[BillBoards]\r\n"
    "Imagens=4\r\n"
    "Imagem_1=C:\\Autor\\b1.bmp\r\n"
    "Imagem_2=b2.bmp\r\n"
    "Imagem_3=b3.bmp\r\n"
    "Imagem_4=b4.bmp\r\n"
    "[Grupos]\r\n"
    "Grupos=1\r\n"
    "Grupo_1_Arquivos=1000\r\n"
    "Grupo_2_Arquivos=12\r\n"
    "Grupo_1_Nome=Raiz\r\n"
    "Grupo_1_Dir=<INSTALLDIR>\r\n"
    "[Arquivos Comprimidos]\r\n"
    "Arquivos=1\r\n"
    "Arquivo_1=programa.bak\r\n";

// What the billboard window showed when a pause began.
struct TTroca {
  uint32_t Pausa = 0;
  AnsiString Mensagem;  // the strip's message line
  ui::TColor Inicio = ui::clNone, Fim = ui::clNone;
};

class Billboards : public TInstalacao {
 protected:
  void SetUp() override {
    TInstalacao::SetUp();
    Script(kScript);
    ArquivosDeApoio();
    std::vector<medium::TMediumFile> figuras;
    for (int i = 0; i < 4; ++i) {
      ui::TBitmap figura(8, 8);
      figura.Fill(kCores[i]);
      figuras.push_back({"b" + rtl::IntToStr(i + 1) + ".bmp", medium::BmpBytes(figura)});
    }
    Arquivo("BillBrds.bak", figuras);
    std::vector<medium::TMediumFile> arquivos;
    for (int i = 1; i <= 13; ++i) arquivos.push_back({rtl::Format("f%.2d.txt", {i}), "conteudo"});
    Arquivo("programa.bak", arquivos);

    OnPausa = [this](uint32_t ms) {
      TTroca troca;
      troca.Pausa = ms;
      troca.Mensagem = installer::FRMProcess->lFile->Caption();
      for (ui::TCustomForm* f : ui::Application->ZOrder())
        if (auto* b = dynamic_cast<installer::TFRMBillBoards*>(f)) {
          if (auto* inicio = dynamic_cast<ui::TBitmap*>(b->Image1->MorphPic1().Graphic()))
            troca.Inicio = inicio->Pixels(0, 0);
          troca.Fim = b->Image1->Image().Pixels(274, 152);
        }
      Trocas.push_back(troca);
    };
  }

  std::vector<TTroca> Trocas;
};

TEST_F(Billboards, ChangeAtThePaceMorphingEachPictureIntoTheNextWithOneSound) {
  ArquivoNoCd("change.wav", medium::ChimeWave(200));
  const TExecucao run = Instala(PassosCompletos(false, false));
  EXPECT_TRUE(run.Encerrado);
  EXPECT_TRUE(run.ErrosDoOperador.empty());

  // Changes at the 3rd, 6th, 9th and 12th message: 0->1, 1->2, 2->3 and the
  // last picture into itself, each followed by a pause of 7000 ms.
  const struct {
    const char* Arquivo;
    int De, Para;
  } esperadas[] = {{"f03.txt", 0, 1}, {"f06.txt", 1, 2}, {"f09.txt", 2, 3}, {"f12.txt", 3, 3}};
  ASSERT_EQ(Trocas.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Trocas[i].Pausa, 7000u);
    EXPECT_EQ(Trocas[i].Mensagem, rtl::Format("Extraindo %s (8)", {esperadas[i].Arquivo}));
    EXPECT_EQ(Trocas[i].Inicio, kCores[esperadas[i].De]);
    EXPECT_EQ(Trocas[i].Fim, kCores[esperadas[i].Para]);
  }
  // The sound is started once, at the first change.
  const std::vector<std::string> som = Diario("sound");
  EXPECT_EQ(std::count_if(som.begin(), som.end(), [](const std::string& l) { return l.find("sound: open") == 0; }), 1);
  EXPECT_EQ(std::count_if(som.begin(), som.end(), [](const std::string& l) { return l.find("sound: play") == 0; }), 1);
  EXPECT_NE(som.front().find("file=\"D:\\change.wav\""), std::string::npos);
  EXPECT_TRUE(Existe("C:\\VantorQ-Mira\\f13.txt"));
}

TEST_F(Billboards, WithoutTheSoundEveryChangeStillPausesButDoesNotMorph) {
  const TExecucao run = Instala(PassosCompletos(false, false));
  EXPECT_TRUE(run.Encerrado);
  ASSERT_EQ(Trocas.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Trocas[i].Pausa, 7000u);
    // The new pictures are loaded, but the window still shows the start one.
    EXPECT_EQ(Trocas[i].Fim, Trocas[i].Inicio);
    EXPECT_EQ(Trocas[i].Inicio, kCores[i]);
  }
  // Tried again at every change, never played.
  const std::vector<std::string> som = Diario("sound");
  EXPECT_EQ(som.size(), 4u);
  for (const std::string& line : som) EXPECT_EQ(line.find("sound: open"), 0u) << line;
}

}  // namespace
}  // namespace e2e
