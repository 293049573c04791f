// The background (picture or gradient) and the four support archives.

#include <cstdlib>

#include "rtl/Classes.h"
#include "tests/installer/shell_fixture.h"

using namespace installer;

namespace shelltest {
namespace {

class Background : public TShellTest {
 protected:
  // Bytes of a small bitmap file.
  static std::string Bitmap(int width, int height) {
    ui::TBitmap bitmap(width, height);
    rtl::TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return std::string(stream.Data().begin(), stream.Data().end());
  }

  bool Extraido(const AnsiString& path) { return platform::FileExists(path); }
};

TEST(ConverteEstilo, MapsTheScriptStylesToDirections) {
  const std::pair<int, TVrGradDirection> cases[] = {
      {0, gdChord1}, {1, gdChord2}, {2, gdLeftRight}, {3, gdUpDown},
      // No direction is named for these: the gradient keeps its default.
      {4, gdUpDown}, {127, gdUpDown}, {255, gdUpDown},
  };
  for (const auto& [estilo, direction] : cases)
    EXPECT_EQ(ConverteEstilo(static_cast<uint8_t>(estilo)), direction) << "style " << estilo;
}

TEST_F(Background, TheArchiversCarryAllSixtyNinePortugueseTexts) {
  archiver::TArchiver a;
  ConfiguraArchiver(a);
  archiver::TArchMessages portuguese;
  portuguese.LoadLanguage(archiver::lgPortuguese);
  const archiver::TArchMessages& m = a.ArchMessages();
  ASSERT_EQ(m.KeyCount(), 69);
  EXPECT_EQ(m.Language(), archiver::lgPortuguese);
  EXPECT_EQ(m.AskOverwrite(), "Do you want to overwrite file %s (%d, %s) ?");
  EXPECT_EQ(m.BadSignature(), "Assinatura incorreta: arquivo \"%s\" n\xE3o \xE9 v\xE1lido.");
  EXPECT_EQ(m.CantDeleteInExtStr(), "Can't delete files in an external stream");
  for (int i = 0; i < m.KeyCount(); ++i) {
    const auto key = static_cast<archiver::TMessageKey>(i);
    if (key == archiver::mkAskOverwrite) continue;
    EXPECT_EQ(m.Text(key), portuguese.Text(key)) << archiver::MessageKeyName(key);
  }
}

TEST_F(Background, AGradientTakesTheScriptsColoursAndTheLowByteOfItsStyle) {
  struct TCase {
    const char* Tipo;
    const char* Estilo;
    TVrGradDirection Direction;
  };
  const TCase cases[] = {{"0", "3", gdUpDown}, {"2", "256", gdChord1}, {"-1", "257", gdChord2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Estilo);
    Script(std::string("[Projeto]\r\nTipo_Background=") + c.Tipo +
           "\r\nColor_Topo_bkg=255\r\nColor_Rodape_bkg=$FF0000\r\nEstilo=" + c.Estilo + "\r\n");
    delete FRMMain;
    ASSERT_TRUE(Inicia());
    EXPECT_TRUE(FRMMain->Fundo->Visible());
    EXPECT_EQ(FRMMain->Fundo->StartColor(), 0x0000FFu);  // red
    EXPECT_EQ(FRMMain->Fundo->EndColor(), 0xFF0000u);    // blue
    EXPECT_EQ(FRMMain->Fundo->Direction(), c.Direction);
    EXPECT_EQ(FRMMain->Fundo->Align(), ui::alClient);
    EXPECT_TRUE(FRMMain->ImgBackground->Picture().Empty());
  }
  EXPECT_TRUE(Dialogs().Asked().empty());
}

TEST_F(Background, APictureComesFromBckgrdBakIntoTheScratchFolder) {
  Script("[Projeto]\r\nTipo_Background=1\r\nDir_Img_bkg=C:\\Autor\\Fundo.bmp\r\n");
  Arquivo("bckgrd.bak", {{"Fundo.bmp", Bitmap(40, 30)}});
  ASSERT_TRUE(Inicia());
  EXPECT_EQ(ImagemFundo, "Fundo.bmp");
  EXPECT_TRUE(Extraido(PastaTemporaria() + "\\Fundo.bmp"));
  EXPECT_FALSE(FRMMain->Fundo->Visible());
  EXPECT_EQ(FRMMain->ImgBackground->Picture().Width(), 40);
  EXPECT_EQ(FRMMain->ImgBackground->Picture().Height(), 30);
  EXPECT_EQ(FRMMain->ImgBackground->Mode(), wpStretch);
  EXPECT_TRUE(Dialogs().Asked().empty());
}

TEST_F(Background, APictureTypeWithoutAPictureKeepsTheGradientAsCreated) {
  Script("[Projeto]\r\nTipo_Background=1\r\nColor_Topo_bkg=255\r\nEstilo=1\r\n");
  Arquivo("bckgrd.bak", {{"Fundo.bmp", Bitmap(4, 4)}});
  ASSERT_TRUE(Inicia());
  EXPECT_EQ(ImagemFundo, "");
  EXPECT_FALSE(Extraido(PastaTemporaria() + "\\Fundo.bmp"));
  EXPECT_TRUE(FRMMain->Fundo->Visible());
  EXPECT_EQ(FRMMain->Fundo->StartColor(), ui::clBlack);
  EXPECT_EQ(FRMMain->Fundo->EndColor(), ui::clWhite);
  EXPECT_EQ(FRMMain->Fundo->Direction(), gdUpDown);
}

TEST_F(Background, AMissingBckgrdBakShowsThePicturesErrorOverABareWindow) {
  Script("[Projeto]\r\nTipo_Background=1\r\nDir_Img_bkg=Fundo.jpg\r\n");
  Arquivo("winsysdlls.bak", {{"vqmlib.dll", "lib"}});
  ASSERT_TRUE(Inicia());
  // Opening a missing archive made an empty one: nothing unpacked, no error of its own.
  EXPECT_TRUE(platform::FileExists(Medium() + "bckgrd.bak"));
  const auto boxes = Caixas(platform::dkMessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].Text.find("Fundo.jpg"), std::string::npos) << boxes[0].Text;
  EXPECT_FALSE(FRMMain->Fundo->Visible());
  EXPECT_TRUE(FRMMain->ImgBackground->Picture().Empty());
  // The later steps are skipped.
  EXPECT_FALSE(Extraido(DirSistema + "\\vqmlib.dll"));
}

struct TApoio {
  const char* Contrato;  // [Projeto] "Dir_Contrato"
  const char* Imagens;   // [BillBoards] "Imagens"
  bool UnpacksContrato;
  bool UnpacksBillBoards;
};

TEST_F(Background, UnpacksTheSupportArchivesTheScriptAsksFor) {
  const TApoio cases[] = {
      {"", "0", false, false},
      {"C:\\docs\\contrato.txt", "2", true, true},
      {"contrato.txt", "-1", true, false},
      {"", "1", false, true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    const TApoio& c = cases[i];
    SetMedium("C:\\MIDIA" + rtl::IntToStr(static_cast<int>(i)) + "\\");
    const AnsiString sistema = platform::Api().GetSystemDirectoryA();
    const AnsiString pasta = platform::Api().GetWindowsDirectoryA() + "\\temp\\tqsetup\\";
    for (const char* name : {"vqmlib.dll", "contrato.txt", "bb1.jpg"}) {
      platform::DeleteFile(sistema + "\\" + name);
      platform::DeleteFile(pasta + name);
    }
    Script(std::string("[Projeto]\r\nDir_Contrato=") + c.Contrato + "\r\n[BillBoards]\r\nImagens=" + c.Imagens +
           "\r\n");
    Arquivo("winsysdlls.bak", {{"vqmlib.dll", "biblioteca"}});
    Arquivo("Contrato.bak", {{"contrato.txt", "termos"}});
    Arquivo("BillBrds.bak", {{"bb1.jpg", "figura"}});
    delete FRMMain;
    ASSERT_TRUE(Inicia());
    // Always, and into the system folder whatever else the script says.
    EXPECT_EQ(Conteudo(sistema + "\\vqmlib.dll"), "biblioteca");
    EXPECT_FALSE(Extraido(pasta + "vqmlib.dll"));
    EXPECT_EQ(Extraido(pasta + "contrato.txt"), c.UnpacksContrato);
    EXPECT_EQ(Extraido(pasta + "bb1.jpg"), c.UnpacksBillBoards);
  }
  EXPECT_TRUE(Dialogs().Asked().empty());
}

TEST_F(Background, AMissingSupportArchiveOnAWritableMediumIsANewEmptyOne) {
  Script("[Projeto]\r\nDir_Contrato=contrato.txt\r\n[BillBoards]\r\nImagens=1\r\n");
  Arquivo("BillBrds.bak", {{"bb1.jpg", "figura"}});
  ASSERT_TRUE(Inicia());
  EXPECT_TRUE(platform::FileExists(Medium() + "winsysdlls.bak"));
  EXPECT_TRUE(platform::FileExists(Medium() + "Contrato.bak"));
  EXPECT_TRUE(Extraido(PastaTemporaria() + "\\bb1.jpg"));
  EXPECT_TRUE(Dialogs().Asked().empty());
}

class ReadOnlyMedium : public TShellTest {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vqm-cdrom-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FCdRom = pattern;
    Options.CdRomFolder = FCdRom;
    TShellTest::SetUp();
    SetMedium("D:\\");
  }
  void TearDown() override {
    TShellTest::TearDown();
    std::filesystem::remove_all(FCdRom);
  }

 private:
  std::string FCdRom;
};

TEST_F(ReadOnlyMedium, AMissingSupportArchiveIsAnErrorAndStopsThePreparation) {
  Script("[Projeto]\r\nDir_Contrato=contrato.txt\r\n");
  Arquivo("Contrato.bak", {{"contrato.txt", "termos"}});
  ASSERT_TRUE(Inicia());
  EXPECT_FALSE(platform::FileExists("D:\\winsysdlls.bak"));
  EXPECT_EQ(Caixas(platform::dkMessageBox).size(), 1u);
  EXPECT_FALSE(platform::FileExists(PastaTemporaria() + "\\contrato.txt"));
  EXPECT_EQ(FRMMain->Timer1->Interval(), 250u);
}

TEST_F(ReadOnlyMedium, ThePresentSupportArchivesUnpack) {
  Script("[Projeto]\r\nDir_Contrato=contrato.txt\r\n");
  Arquivo("winsysdlls.bak", {{"vqmlib.dll", "biblioteca"}});
  Arquivo("Contrato.bak", {{"contrato.txt", "termos"}});
  ASSERT_TRUE(Inicia());
  EXPECT_EQ(Conteudo(DirSistema + "\\vqmlib.dll"), "biblioteca");
  EXPECT_EQ(Conteudo(PastaTemporaria() + "\\contrato.txt"), "termos");
  EXPECT_TRUE(Dialogs().Asked().empty());
}

}  // namespace
}  // namespace shelltest
