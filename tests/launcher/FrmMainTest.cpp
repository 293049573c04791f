// The launcher window as made: its controls, texts, styles and places, its
// pictures, the start of the program, and the read of the database server's
// registration.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "launcher/UntMain.h"
#include "launcher/resources/LauncherResources.h"
#include "platform/sim/SimMachine.h"
#include "rtl/Format.h"
#include "tests/platform/MachineFixture.h"
#include "ui/Application.h"

namespace {

using launcher::FrmMain;
using platform::BYTE;
using platform::DWORD;
using rtl::AnsiString;

class TFrmMainTest : public machinetest::TMachineTest {
 protected:
  void SetUp() override {
    machinetest::TMachineTest::SetUp();
    Open();
    Machine()->SetModuleFileName("D:\\SETUP\\ETAPIX.EXE");
    FApplication = std::make_unique<ui::TApplication>(std::make_unique<ui::THeadlessDisplay>(1024, 768));
  }
  void TearDown() override {
    FApplication.reset();
    FrmMain = nullptr;
    machinetest::TMachineTest::TearDown();
  }

  ui::TApplication& App() { return *FApplication; }

  // A value of any type under the database server's key (made when missing).
  void Instancia(DWORD type, const std::string& bytes) {
    platform::HKEY key = 0;
    ASSERT_EQ(Machine()->RegCreateKeyExA(platform::HKEY_LOCAL_MACHINE, launcher::kChaveFirebird, 0,
                                         platform::KEY_ALL_ACCESS, key, nullptr),
              platform::ERROR_SUCCESS);
    Machine()->RegSetValueExA(key, launcher::kValorInstancia, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size()));
    Machine()->RegCloseKey(key);
  }

 private:
  std::unique_ptr<ui::TApplication> FApplication;
};

TEST_F(TFrmMainTest, StartSetsFormatsTitleAndMainWindow) {
  rtl::FormatSettings() = rtl::TFormatSettings{};
  launcher::IniciaLauncher(App());
  const rtl::TFormatSettings& f = rtl::FormatSettings();
  EXPECT_EQ(f.ThousandSeparator, '.');
  EXPECT_EQ(f.DecimalSeparator, ',');
  EXPECT_EQ(f.ShortDateFormat, "dd/MM/yyyy");
  EXPECT_EQ(f.LongTimeFormat, "hh:mm:ss");
  EXPECT_EQ(App().Title(), "Assistente de Instalação"_a);
  ASSERT_NE(FrmMain, nullptr);
  EXPECT_EQ(App().MainForm(), FrmMain);
  // The folder of the running program, with its backslash.
  EXPECT_EQ(FrmMain->DirLauncher, "D:\\SETUP\\");
}

TEST_F(TFrmMainTest, WindowIsBorderlessCentredAndBlack) {
  launcher::IniciaLauncher(App());
  FrmMain->Show();
  EXPECT_EQ(FrmMain->BorderStyle(), ui::bsNone);
  EXPECT_EQ(FrmMain->Caption(), "tarquelia Vantor Q-Mira");
  EXPECT_EQ(FrmMain->ClientWidth(), 535);
  EXPECT_EQ(FrmMain->ClientHeight(), 337);
  EXPECT_EQ(FrmMain->Left(), (1024 - 535) / 2);
  EXPECT_EQ(FrmMain->Top(), (768 - 337) / 2);
  EXPECT_EQ(FrmMain->Color(), ui::clBlack);
  EXPECT_EQ(FrmMain->Font().Name(), "MS Sans Serif");
  EXPECT_EQ(FrmMain->Font().Height(), -11);
  EXPECT_EQ(FrmMain->Font().Color(), ui::clWhite);
}

TEST_F(TFrmMainTest, LabelsHoldTheirTextsStylesAndPlaces) {
  launcher::IniciaLauncher(App());
  enum TForma { fAuto, fFixa };
  struct TRotulo {
    ui::TLabel* Label;
    int Left, Top, Width, Height;  // the size only for fixed labels
    TForma Forma;
    bool Negrito;
    ui::TColor Cor;
    AnsiString Texto;
  };
  const TRotulo rotulos[] = {
      {FrmMain->lb1, 208, 36, 305, 26, fFixa, false, ui::clWhite,
       "Para uma correta instalação siga os passos abaixo obedecendo a respectiva ordem e clicando no botão "
       "correspondente."_a},
      {FrmMain->Label1, 224, 73, 0, 0, fAuto, false, ui::clWhite, "Passo I"},
      {FrmMain->Label2, 208, 92, 0, 0, fAuto, false, ui::clWhite, "Imprimir o manual de instalação;"_a},
      {FrmMain->Label3, 224, 122, 0, 0, fAuto, true, ui::clWhite, "Passo II"},
      {FrmMain->Label4, 208, 142, 0, 0, fAuto, true, ui::clWhite, "Executar a instalação do Firebird;"_a},
      {FrmMain->Label5, 224, 211, 0, 0, fAuto, true, ui::clWhite, "Passo III"},
      {FrmMain->Label6, 208, 228, 0, 0, fAuto, true, ui::clWhite, "Executar a instalação do Vantor Q-Mira;"_a},
      {FrmMain->LbMsgPg, 208, 157, 317, 51, fFixa, true, ui::clRed, ""},
      {FrmMain->LbMsgVtr, 208, 248, 317, 51, fFixa, true, ui::clRed, ""},
      {FrmMain->Label7, 3, 9, 0, 0, fAuto, true, ui::clWhite, "tarquelia Vantor Q-Mira - Instalação"_a},
  };
  for (const TRotulo& r : rotulos) {
    SCOPED_TRACE(r.Label->Name());
    EXPECT_EQ(r.Label->Caption(), r.Texto);
    EXPECT_EQ(r.Label->Left(), r.Left);
    EXPECT_EQ(r.Label->Top(), r.Top);
    EXPECT_TRUE(r.Label->Transparent());
    EXPECT_EQ(r.Label->AutoSize(), r.Forma == fAuto);
    EXPECT_EQ(r.Label->WordWrap(), r.Forma == fFixa);
    if (r.Forma == fFixa) {
      EXPECT_EQ(r.Label->Width(), r.Width);
      EXPECT_EQ(r.Label->Height(), r.Height);
    }
    EXPECT_EQ((r.Label->Font().Style() & ui::fsBold) != 0, r.Negrito);
    EXPECT_EQ(r.Label->Font().Color(), r.Cor);
    EXPECT_EQ(r.Label->Font().Name(), "MS Sans Serif");
    EXPECT_EQ(r.Label->Font().Height(), -11);
  }
}

TEST_F(TFrmMainTest, ImagesButtonsAndTimers) {
  launcher::IniciaLauncher(App());
  struct TImagem {
    ui::TImage* Image;
    int Left, Top, Width, Height;
    bool Visivel, Transparente, Esticada;
  };
  const TImagem imagens[] = {
      {FrmMain->Image1, 0, 0, 453, 334, true, false, false},
      {FrmMain->Image5, 208, 70, 11, 17, true, true, false},
      {FrmMain->Image2, 208, 121, 11, 17, true, true, false},
      {FrmMain->Image3, 208, 209, 11, 17, true, true, false},
      {FrmMain->ImgStep2, 218, 113, 48, 48, false, true, true},
      {FrmMain->ImgStep3, 221, 208, 48, 48, false, true, false},
  };
  for (const TImagem& i : imagens) {
    SCOPED_TRACE(i.Image->Name());
    EXPECT_EQ(i.Image->BoundsRect(), ui::Rect(i.Left, i.Top, i.Left + i.Width, i.Top + i.Height));
    EXPECT_EQ(i.Image->Visible(), i.Visivel);
    EXPECT_EQ(i.Image->Transparent(), i.Transparente);
    EXPECT_EQ(i.Image->Stretch(), i.Esticada);
    // Every picture has the size of its image.
    EXPECT_EQ(i.Image->Picture().Width(), i.Width);
    EXPECT_EQ(i.Image->Picture().Height(), i.Height);
  }
  EXPECT_TRUE(FrmMain->Image1->AutoSize());
  EXPECT_TRUE(FrmMain->Image1->Center());
  EXPECT_NE(dynamic_cast<ui::TJPEGImage*>(FrmMain->Image1->Picture().Graphic()), nullptr);

  struct TBotao {
    ui::TButton* Button;
    int Left, Top;
    AnsiString Texto;
  };
  const TBotao botoes[] = {{FrmMain->Button1, 448, 84, "&Manual"},
                           {FrmMain->Button2, 448, 130, "&Firebird"},
                           {FrmMain->Button3, 448, 220, "&Vantor"},
                           {FrmMain->Button4, 5, 307, "&Sair"}};
  std::vector<ui::TWinControl*> ordem;
  FrmMain->GetTabOrderList(ordem);
  ASSERT_EQ(ordem.size(), std::size(botoes));
  for (size_t i = 0; i < std::size(botoes); ++i) {
    const TBotao& b = botoes[i];
    SCOPED_TRACE(b.Button->Name());
    EXPECT_EQ(b.Button->BoundsRect(), ui::Rect(b.Left, b.Top, b.Left + 75, b.Top + 25));
    EXPECT_EQ(b.Button->Caption(), b.Texto);
    EXPECT_TRUE(b.Button->Enabled());
    EXPECT_EQ(ordem[i], b.Button);
  }

  for (ui::TTimer* t : {FrmMain->Timer1, FrmMain->Timer2}) {
    EXPECT_EQ(t->Interval(), 1u);
    EXPECT_TRUE(t->Enabled());
  }
  EXPECT_EQ(FrmMain->DiskInfo1->Disk(), 'C');
}

// The no-entry sign is see-through in its middle (the step's title shows
// through, crossed out) and around the ring; the ring and the bar are opaque.
TEST(LauncherPictures, NoEntrySignCrossesOutWhatIsUnder) {
  ui::TPicture picture;
  launcher::LoadLauncherPicture(picture, launcher::kResProibido);
  const auto* sign = dynamic_cast<const ui::TIcon*>(picture.Graphic());
  ASSERT_NE(sign, nullptr);
  EXPECT_EQ(sign->Alpha(0, 0), 0);       // corner
  EXPECT_EQ(sign->Alpha(33, 15), 0);     // inside the ring, off the bar
  EXPECT_EQ(sign->Alpha(24, 4), 255);    // top of the ring
  EXPECT_EQ(sign->Alpha(24, 24), 255);   // the bar in the middle
  const ui::TColor ring = sign->Image().Pixels(24, 4);
  EXPECT_GT(ui::GetRValue(ring), 150);
  EXPECT_LT(ui::GetGValue(ring), 90);

  ui::TPicture bullet;
  launcher::LoadLauncherPicture(bullet, launcher::kResMarcador);
  EXPECT_NE(dynamic_cast<const ui::TIcon*>(bullet.Graphic()), nullptr);
  EXPECT_THROW(launcher::LoadLauncherPicture(bullet, "NENHUM"), ui::EInvalidGraphic);
}

// The registration the step II watch reads: only a text value counts; any
// other outcome is "no server" and raises nothing, since the watch asks again
// at every tick.
TEST_F(TFrmMainTest, FirebirdInstanceReadsAsTextOrNothing) {
  EXPECT_EQ(launcher::InstanciaFirebird(), "");  // no key

  const std::string texto = "C:\\Program Files\\Firebird\\Firebird_2_0\\";
  const std::string comNul = texto + std::string(1, '\0');
  struct TCaso {
    const char* Nome;
    DWORD Type;
    std::string Bytes;
    AnsiString Lido;
  };
  const TCaso casos[] = {
      {"text", platform::REG_SZ, comNul, texto},
      {"expandable text", platform::REG_EXPAND_SZ, comNul, texto},
      {"number", platform::REG_DWORD, std::string("\x01\x00\x00\x00", 4), ""},
      {"bytes that spell the name", platform::REG_BINARY, comNul, ""},
      {"empty text", platform::REG_SZ, std::string(1, '\0'), ""},
  };
  for (const TCaso& c : casos) {
    SCOPED_TRACE(c.Nome);
    Instancia(c.Type, c.Bytes);
    EXPECT_NO_THROW(EXPECT_EQ(launcher::InstanciaFirebird(), c.Lido));
  }
}

// All-access rights are asked also for this read; a key that refuses them
// reads as no server.
TEST_F(TFrmMainTest, FirebirdKeyRefusingWriteRightsReadsAsNothing) {
  Instancia(platform::REG_SZ, std::string("Firebird_2_0\0", 13));
  platform::sim::TMachineConfig config = platform::sim::LoadMachineConfig(Dir());
  config.ReadOnlyKeys.push_back("HKEY_LOCAL_MACHINE\\Software\\Firebird Project");
  platform::sim::SaveMachineConfig(Dir(), config);
  Open();
  EXPECT_EQ(launcher::InstanciaFirebird(), "");
}

}  // namespace
