// The background window and the installer's start-up.

#include "installer/shell/untmain.h"

#include <memory>

#include "installer/resources/InstallerResources.h"
#include "installer/shell/CriaControle.h"
#include "installer/shell/fmprocess.h"
#include "installer/shell/varglobal.h"
#include "installer/wizard/UntProgresso.h"
#include "platform/Dde.h"
#include "platform/Files.h"
#include "platform/MessageBoxes.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SpecialFolders.h"
#include "rtl/Format.h"

namespace installer {

TFRMMain* FRMMain = nullptr;

TFRMMain::TFRMMain(rtl::TComponent* owner) : ui::TForm(owner) {
  SetName("FRMMain");
  SetVisible(false);
  SetBorderStyle(ui::bsNone);
  SetWindowState(ui::wsMaximized);
  SetColor(ui::clBtnFace);
  FonteDaJanela(Font(), ui::clWindowText);

  ImgBackground = new TMDIWallpaper(this);
  ImgBackground->SetName("ImgBackground");
  ImgBackground->BeginLoading();
  ImgBackground->SetAutoSizeTile(true);
  ImgBackground->SetMode(wpStretch);
  ImgBackground->Loaded();

  Timer1 = new ui::TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(0);
  Timer1->OnTimer = [this](ui::TObject* sender) { Timer1Timer(sender); };

  Fundo = CriaControle<TVrGradient>(this, this, "Fundo", 0, 0, 150, 150);
  Fundo->BeginLoading();
  Fundo->SetAlign(ui::alClient);
  Fundo->SetStartColor(ui::clBlack);
  Fundo->SetEndColor(ui::clWhite);
  Fundo->Loaded();

  LabelTitulo = CriaControle<TTextFader>(this, this, "LabelTitulo", 8, 8, 600, 24);
  LabelTitulo->BeginLoading();
  LabelTitulo->SetVisible(false);
  LabelTitulo->SetTransparent(true);
  LabelTitulo->Font().SetHeight(-19);
  LabelTitulo->Loaded();

  ListErros = CriaControle<ui::TListBox>(this, this, "ListErros", 8, 40, 400, 97);
  ListErros->SetVisible(false);

  Archiver1 = new archiver::TArchiver(this);
  Archiver1->SetName("Archiver1");
  ConfiguraArchiver(*Archiver1);

  Img1 = CriaControle<ui::TImage>(this, this, "Img1", 8, 144, 146, 344);
  Img1->SetVisible(false);
  LoadResourcePicture(Img1->Picture(), kResLateral);

  OnCreate = [this](ui::TObject* sender) { FormCreate(sender); };
  OnClose = [this](ui::TObject* sender, ui::TCloseAction& action) { FormClose(sender, action); };
}

TFRMMain::~TFRMMain() {
  if (FRMMain == this) FRMMain = nullptr;
}

void TFRMMain::FormCreate(ui::TObject*) {
  DirInstalador = platform::ProgramFolder();

  const AnsiString script = platform::FindFirstMatch(DirInstalador, "*.STP");
  if (script.empty()) {
    platform::WarningAbort("O arquivo de configuração [*.STP] não foi encontrado !!!.\r\n"
                           " A Instalação será cancelada !!!"_a);
    platform::Halt();
  }
  ArquivoSTP = DirInstalador + script;

  UsuarioRegistrado = platform::RegisteredOwner();
  EmpresaRegistrada = platform::RegisteredCompany();
  DirWindows = platform::WindowsFolder();
  DirSistema = platform::SystemFolder();
  DirDesktop = platform::DesktopFolder();
  DirMenuIniciar = platform::StartMenuFolder();

  // The product's per-user key: the wizard fills it again during the run.
  platform::TRegistry().DeleteKey(kChaveProduto);

  const TSetupScript stp(ArquivoSTP);
  NomeAplicacao = stp.Aplicacao();
  LabelTitulo->AddLine(stp.Titulo());
  PastaPadrao = stp.PastaPadraoInstalacao();
  ArquivoContrato = stp.DirContrato();
  TipoFundo = stp.TipoBackground();

  // One level only: DirWindows\temp must be there already. A folder left by
  // an earlier run is used as it is.
  const AnsiString pasta = PastaTemporaria();
  if (!platform::DirectoryExists(pasta) && !platform::CreateDir(pasta)) {
    platform::WarningAbort("Não pude criar a pasta temporária["_a + pasta + "] da Instalação.\r"_a +
                           "Impossível Continuar a Instalação !!!"_a);
    platform::Halt();
  }

  CarregaFundoEApoio(stp);
}

void TFRMMain::CarregaFundoEApoio(const TSetupScript& stp) {
  const AnsiString pasta = PastaTemporaria();
  if (TipoFundo == 1) {
    ImagemFundo = stp.DirImgBkg();
    if (!ImagemFundo.empty()) {
      DescompactaApoio("bckgrd.bak", pasta);
      // Hidden before the load: a picture that fails leaves the bare window.
      Fundo->Hide();
      ImgBackground->Picture().LoadFromFile(pasta + "\\" + ImagemFundo);
    }
  } else {
    Fundo->SetStartColor(static_cast<ui::TColor>(stp.ColorTopoBkg()));
    Fundo->SetEndColor(static_cast<ui::TColor>(stp.ColorRodapeBkg()));
    Fundo->SetDirection(ConverteEstilo(static_cast<uint8_t>(stp.Estilo())));
  }
  DescompactaApoio("winsysdlls.bak", DirSistema);
  if (!ArquivoContrato.empty()) DescompactaApoio("Contrato.bak", pasta);
  if (stp.Imagens() > 0) DescompactaApoio("BillBrds.bak", pasta);
}

void TFRMMain::DescompactaApoio(const AnsiString& arquivo, const AnsiString& destino) {
  // The archive stays open until the next name is set.
  Archiver1->SetFileName(DirInstalador + arquivo);
  Archiver1->SetExtractPath(destino);
  Archiver1->Open();
  Archiver1->ExtractFiles();
}

void TFRMMain::FormClose(ui::TObject*, ui::TCloseAction& Action) { Action = ui::caFree; }

void TFRMMain::Timer1Timer(ui::TObject*) {
  Timer1->SetInterval(0);
  const std::unique_ptr<ui::TForm> wizard = CreateWizard(ui::Application);
  wizard->ShowModal();
}

void IniciaInstalador(ui::TApplication& application) {
  rtl::ApplyRegionalOverrides();
  application.SetTitle("Instalação do Vantor Q-Mira"_a);
  // Once per program: the wizard talks to Program Manager through it. Without
  // the library the installer still runs; no conversation will open later.
  try {
    platform::DdeInitialize();
  } catch (const platform::EDdeError& error) {
    application.HandleException(error);
  }
  application.CreateForm(FRMMain);
  application.CreateForm(FRMProcess);
  FRMProcess->SetBounds(10, ui::Screen->Height() - FRMProcess->Height(), FRMProcess->Width(), FRMProcess->Height());
  FRMMain->Timer1->SetInterval(250);
}

TVrGradDirection ConverteEstilo(uint8_t estilo) {
  switch (estilo) {
    case 0: return gdChord1;
    case 1: return gdChord2;
    case 2: return gdLeftRight;
    case 3: return gdUpDown;
    default: return gdUpDown;  // the gradient's own default
  }
}

void ConfiguraArchiver(archiver::TArchiver& a) {
  a.SetBlockSize(65536);
  a.SetErrorAction(archiver::eaAsk);
  a.SetFilter("*.*");
  a.SetLanguage(archiver::lgPortuguese);
  // The windows store all 69 texts after the language; they are the Portuguese
  // set's own but for AskOverwrite, which no language fills and no operation shows.
  a.ArchMessages().SetAskOverwrite("Do you want to overwrite file %s (%d, %s) ?");
  a.SetOptions({archiver::oStoreEmptyFolders, archiver::oCompress, archiver::oEraseFirstDisk, archiver::oEraseNewDisk,
                archiver::oConfirmFileDeletion, archiver::oRecurseFolders, archiver::oRestorePath,
                archiver::oSecureAccess});
  a.SetRestoreAction(archiver::raOverwrite);
  a.SetAddMode(archiver::amAddAndReplace);
  a.SetCompressionLevel(archiver::clNormal);
  a.SetMaxSegmentSize(0);
  a.SetMinFreeSpace(1048576);
  a.SetPathStorage(archiver::psRelative);
  a.Loaded();
}

void PosicionaJanela(ui::TCustomForm& form) {
  form.SetBounds(ui::Screen->Width() * 26 / 100, ui::Screen->Height() / 2 - form.Height() / 2, form.Width(),
                 form.Height());
  form.Repaint();
}

}  // namespace installer
