// The installation wizard and the installation run.

#include "installer/wizard/UntProgresso.h"

#include "installer/resources/InstallerResources.h"
#include "installer/shell/CriaControle.h"
#include "installer/shell/SetupScript.h"
#include "installer/shell/UntCancela.h"
#include "installer/shell/UntConclusao.h"
#include "installer/shell/fmprocess.h"
#include "installer/shell/untmain.h"
#include "installer/shell/varglobal.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/MessageBoxes.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShellLink.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"

namespace installer {

const char* const kArquivosTerminal[12] = {
    "VANTORQM.EXE",   // the product
    "QMIMAGENS.DLL",  // its pictures
    "QMSKIN.DLL",     // its skin
    "ATUALIZA.INI",   // the updater's settings
    "QMFUNDO.JPG",    // the wallpaper
    "QMCONEXAO.EXE",  // connection set-up
    "QMEMAIL.EXE",    // mail sending
    "LICENCA.TXT",    // the licence
    "FERIADOS.DAT",   // holidays
    "ALIASES.CONF",   // database client: aliases,
    "FIREBIRD.CONF",  //   configuration
    "FIREBIRD.MSG",   //   and messages
};

const char* const kGruposSoServidor[7] = {"Backup", "Restore", "Wiztit", "Capas", "BDados", "BDadosVZ",
                                          "Arquivo Morto"};

bool GrupoSoDoServidor(const AnsiString& nome) {
  for (const char* grupo : kGruposSoServidor)
    if (nome == grupo) return true;
  return nome.find("Fotos") != AnsiString::npos;
}

const char* const kSemIconeNoTerminal[7] = {
    "QMMIGRA.EXE",       // data migration
    "QMBACKUP.EXE",      // backup and restore
    "QMADMBD.EXE",       // database administration
    "ATUALIZADOR.EXE",   // program update
    "QMATUALIZABD.EXE",  // database update
    "QMVERSAO.EXE",      // version check
    "QMENVIA.EXE",       // file upload
};

namespace {

const AnsiString kChaveDesinstalacao = "Software\\MicroSoft\\Windows\\CurrentVersion\\Uninstall\\";

ui::TStaticText* Campo(ui::TCustomForm* form, ui::TWinControl* parent, const char* name, int top) {
  ui::TStaticText* field = CriaControle<ui::TStaticText>(form, parent, name, 16, top, 338, 19);
  field->SetAutoSize(false);
  field->SetBorderStyle(ui::sbsSunken);
  field->SetShowAccelChar(false);
  return field;
}

ui::TRadioButton* Opcao(ui::TCustomForm* form, ui::TWinControl* parent, const char* name, int top,
                        const AnsiString& caption) {
  ui::TRadioButton* radio = CriaOpcao(form, parent, name, 48, top, 81, caption);
  radio->Font().SetStyle(ui::fsBold);
  radio->Font().SetColor(ui::clWindowText);
  // Window-text colour needs a face of its own on the black page.
  radio->SetColor(ui::clBtnFace);
  return radio;
}

ui::TListBox* ListaOculta(ui::TCustomForm* form, const char* name, int top) {
  ui::TListBox* list = CriaControle<ui::TListBox>(form, form, name, 8, top, 121, 97);
  list->SetVisible(false);
  return list;
}

TFRMProcess& Faixa() { return *FRMProcess; }

}  // namespace

TFRMProgresso::TFRMProgresso(rtl::TComponent* owner) : ui::TForm(owner) {
  SetName("FRMProgresso");
  SetVisible(false);
  SetBorderStyle(ui::bsNone);
  SetCaption("Bem-vindo");
  SetClientSize(526, 383);
  SetColor(ui::clBlack);
  FonteDaJanela(Font(), ui::clWhite);

  Notebook1 = CriaControle<ui::TNotebook>(this, this, "Notebook1", 0, 0, 370, 345);
  Notebook1->SetPages({"Bem-vindo", "Contrato de Licença de Uso"_a, "Iniciando a Cópia dos Arquivos"_a});

  ui::TPage* bemVindo = Notebook1->Page(0);
  LabelBemvindo = CriaTexto(this, bemVindo, "LabelBemvindo", 8, 8, 354, 16,
                            "Bem-vindo ao programa de instalação do Vantor Q-Mira."_a);
  LabelBemvindo->Font().SetStyle(ui::fsBold);
  Label2 = CriaTexto(this, bemVindo, "Label2", 8, 48, 354, 13, "Escolha abaixo o tipo de instalação a ser executada:"_a);
  Image1 = CriaControle<ui::TImage>(this, bemVindo, "Image1", 8, 80, 32, 32);
  LoadResourcePicture(Image1->Picture(), kResServidor);
  RbServidor = Opcao(this, bemVindo, "RbServidor", 80, "Servidor");
  RbServidor->SetChecked(true);
  Label12 = CriaTexto(this, bemVindo, "Label12", 48, 100, 310, 26,
                      "Instala o Vantor e seus programas utilitários e também o Servidor de Banco de Dados."_a);
  Image2 = CriaControle<ui::TImage>(this, bemVindo, "Image2", 8, 152, 32, 32);
  LoadResourcePicture(Image2->Picture(), kResTerminal);
  RbTerminal = Opcao(this, bemVindo, "RbTerminal", 152, "Terminal");
  Label1 = CriaTexto(this, bemVindo, "Label1", 48, 172, 310, 39,
                     "Instala apenas o Vantor, que será utilizado como uma estação de trabalho, carregando os dados "
                     "através de rede local."_a);

  ui::TPage* contrato = Notebook1->Page(1);
  Image3 = CriaControle<ui::TImage>(this, contrato, "Image3", 6, 6, 32, 32);
  LoadResourcePicture(Image3->Picture(), kResContrato);
  Label3 = CriaTexto(this, contrato, "Label3", 46, 6, 316, 39,
                     "Leia o contrato abaixo e se você aceita os termos nele contidos marque a caixa de checagem. Caso "
                     "não aceite, a instalação dar-se-á por encerrada."_a);
  MemoContrato = CriaControle<ui::TMemo>(this, contrato, "MemoContrato", 6, 50, 358, 268);
  MemoContrato->SetReadOnly(true);
  MemoContrato->SetBorderStyle(ui::bsNone);
  MemoContrato->SetColor(ui::clBlack);
  MemoContrato->SetScrollBars(ui::ssVertical);
  CheckBox1 = CriaControle<ui::TCheckBox>(this, contrato, "CheckBox1", 6, 324, 358, 17);
  CheckBox1->SetCaption("Aceito e concordo com os termos do CONTRATO DE LICENÇA, acima."_a);

  ui::TPage* resumo = Notebook1->Page(2);
  Label5 = CriaTexto(this, resumo, "Label5", 8, 8, 354, 26,
                     "O instalador vai iniciar a cópia dos arquivos. Se você desejar rever alguma opção clique em "
                     "Voltar."_a);
  Label6 = CriaTexto(this, resumo, "Label6", 8, 48, 354, 13, "Configurações:"_a);
  Label6->Font().SetStyle(ui::fsBold);
  Label11 = CriaTexto(this, resumo, "Label11", 16, 72, 120, 13, "Drive para Instalação"_a);
  Label11->SetVisible(false);
  ComboDrive = CriaControle<ui::TComboBox>(this, resumo, "ComboDrive", 140, 68, 80, 21);
  ComboDrive->SetStyle(ui::csDropDownList);
  ComboDrive->SetVisible(false);
  Label7 = CriaTexto(this, resumo, "Label7", 16, 72, 120, 13, "Pasta Destino");
  StPastaDestino = Campo(this, resumo, "StPastaDestino", 88);
  Label10 = CriaTexto(this, resumo, "Label10", 8, 128, 354, 13, "Informações do Usuário:"_a);
  Label10->Font().SetStyle(ui::fsBold);
  Label8 = CriaTexto(this, resumo, "Label8", 16, 152, 120, 13, "Nome");
  StNomeUsuario = Campo(this, resumo, "StNomeUsuario", 168);
  Label9 = CriaTexto(this, resumo, "Label9", 16, 200, 120, 13, "Empresa");
  StEmpresa = Campo(this, resumo, "StEmpresa", 216);

  Img1 = CriaControle<ui::TImage>(this, this, "Img1", 376, 3, 146, 344);
  Img1->SetCenter(true);
  Img1->SetStretch(true);
  Bevel1 = CriaControle<ui::TBevel>(this, this, "Bevel1", 1, 352, 520, 2);
  Bevel1->SetShape(ui::bsTopLine);

  Button3 = CriaBotao(this, "Button3", 3, 356, "&Cancelar");
  Button3->SetCancel(true);
  Button3->SetModalResult(ui::mrCancel);
  Button3->OnClick = [this](ui::TObject* sender) { Button3Click(sender); };
  btnvoltar = CriaBotao(this, "btnvoltar", 365, 356, "<< &Voltar");
  btnvoltar->SetEnabled(false);
  btnvoltar->SetTag(0);
  btnvoltar->OnClick = [this](ui::TObject* sender) { btnavancarClick(sender); };
  btnavancar = CriaBotao(this, "btnavancar", 445, 356, "&Avançar >>"_a);
  btnavancar->SetDefault(true);
  btnavancar->SetTag(1);
  btnavancar->OnClick = [this](ui::TObject* sender) { btnavancarClick(sender); };

  Timer1 = new ui::TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(1);
  Timer1->OnTimer = [this](ui::TObject* sender) { Timer1Timer(sender); };

  Archiver1 = new archiver::TArchiver(this);
  Archiver1->SetName("Archiver1");
  ConfiguraArchiver(*Archiver1);
  Archiver1->OnStartOperation = [this](archiver::TArchiverRoot* s) { Archiver1StartOperation(s); };
  Archiver1->OnFinishOperation = [this](archiver::TArchiverRoot* s) { Archiver1FinishOperation(s); };
  Archiver1->OnDisplayMessage = [this](archiver::TArchiverRoot* s, const AnsiString& msg) {
    Archiver1DisplayMessage(s, msg);
  };
  Archiver1->OnFileProgress = [this](archiver::TArchiverRoot* s, int percent) { Archiver1FileProgress(s, percent); };
  Archiver1->OnExtractFile = [this](archiver::TArchiverRoot* s, const archiver::TFileEntry& entry,
                                    AnsiString& destPath, bool& accept) {
    Archiver1ExtractFile(s, entry, destPath, accept);
  };

  MediaPlayer1.SetHandle(Handle());

  ListBillBoards = ListaOculta(this, "ListBillBoards", 8);
  ListFileTerminal = ListaOculta(this, "ListFileTerminal", 112);
  ListFileTerminal->Items().Assign(std::vector<AnsiString>(std::begin(kArquivosTerminal), std::end(kArquivosTerminal)));
  LinkNaoTerminal = ListaOculta(this, "LinkNaoTerminal", 216);
  LinkNaoTerminal->Items().Assign(
      std::vector<AnsiString>(std::begin(kSemIconeNoTerminal), std::end(kSemIconeNoTerminal)));

  OnCreate = [this](ui::TObject* sender) { FormCreate(sender); };
  OnShow = [this](ui::TObject* sender) { FormShow(sender); };
  OnActivate = [this](ui::TObject* sender) { RdTpInstallClick(sender); };
  OnClose = [this](ui::TObject* sender, ui::TCloseAction& action) { FormClose(sender, action); };
}

TFRMProgresso::~TFRMProgresso() = default;

// ---- the wizard -------------------------------------------------------------------------------

void TFRMProgresso::FormCreate(ui::TObject*) {
  FSomTocado = false;
  Notebook1->SetPageIndex(0);

  ComboDrive->Items().Clear();
  for (char letra = 'A'; letra <= 'Z'; ++letra)
    if (platform::DriveKind(platform::DriveRoot(letra)) == platform::DRIVE_FIXED)
      ComboDrive->Items().Add(platform::DriveRoot(letra));
  ComboDrive->SetItemIndex(ComboDrive->Items().IndexOf("C:\\"));
  ComboDriveChange();

  if (FRMMain) Img1->Picture().Assign(FRMMain->Img1->Picture());
  FPagina = 0;
  StNomeUsuario->SetCaption(UsuarioRegistrado);
  StEmpresa->SetCaption(EmpresaRegistrada);
  // With no contract named the path ends at the scratch folder, which cannot
  // be read as a file: the error box says so and the creation stops here.
  MemoContrato->Lines().Assign(platform::ReadTextLines(PastaTemporaria() + "\\" + ArquivoContrato));
  FCopiaIniciada = false;

  const TSetupScript stp(ArquivoSTP);
  FTotalArquivos = stp.SomaArquivosGrupos();
  ListBillBoards->Items().Clear();
  const int imagens = stp.Imagens();
  for (int n = 1; n <= imagens; ++n) ListBillBoards->Items().Add(PastaTemporaria() + "\\" + stp.Imagem(n));
  const int quantas = ListBillBoards->Items().Count();
  FRitmoBillboards = quantas > 0 ? FTotalArquivos / quantas : 0;

  Notebook1->SetPageIndex(0);
}

void TFRMProgresso::FormShow(ui::TObject*) { PosicionaJanela(*this); }

void TFRMProgresso::MostraPagina(int pagina) {
  FPagina = pagina;
  btnvoltar->SetEnabled(FPagina >= 1);
  btnavancar->SetEnabled(FPagina <= 2);
  if (FPagina >= 0 && FPagina <= 2) Notebook1->SetPageIndex(FPagina);
  SetCaption(Notebook1->ActivePage());
  btnavancar->SetCaption(FPagina == 2 ? "&Instalar" : "&Avançar >>"_a);
  FCopiaIniciada = FPagina > 2;
}

void TFRMProgresso::btnavancarClick(ui::TObject* Sender) {
  const bool avanca = static_cast<ui::TControl*>(Sender)->Tag() != 0;
  MostraPagina(avanca ? FPagina + 1 : FPagina - 1);
  // "&Instalar" was pressed: the run starts here and ends the program.
  if (FPagina > 2) ExtraiArquivos();
}

void TFRMProgresso::Button3Click(ui::TObject*) { FCopiaIniciada = false; }

void TFRMProgresso::Timer1Timer(ui::TObject*) {
  if (Notebook1->PageIndex() == 1) btnavancar->SetEnabled(CheckBox1->Checked());
}

void TFRMProgresso::FormClose(ui::TObject*, ui::TCloseAction& Action) {
  RdTpInstallClick(this);
  if (FCopiaIniciada) return;
  const std::unique_ptr<TFRMCancela> cancela(ui::NewForm<TFRMCancela>(ui::Application));
  if (cancela->ShowModal() == 2) {
    platform::Terminate();
    return;
  }
  Action = ui::caNone;
}

void TFRMProgresso::RdTpInstallClick(ui::TObject*) {
  platform::TRegistry registro;
  registro.SetRootKey(platform::HKEY_CURRENT_USER);
  registro.OpenKey(kChaveProduto, true);
  registro.WriteString("Tipo de Instalação"_a, RbServidor->Checked() ? "Servidor" : "Terminal");
  registro.CloseKey();
}

// ---- target drive and folder --------------------------------------------------------------------

void TFRMProgresso::ComboDriveChange() {
  StPastaDestino->SetCaption(ComboDrive->Text() + PastaPadrao);
  DirDestino = StPastaDestino->Caption();
  platform::TRegistry registro;
  registro.SetRootKey(platform::HKEY_CURRENT_USER);
  registro.OpenKey(kChaveProduto, true);
  registro.WriteString("InstallDir", DirDestino);
  registro.CloseKey();
}

AnsiString TFRMProgresso::VerificaPasta(const AnsiString& pasta, size_t p) const {
  // p is just past the first '>': rule A on the head, the tail as it stands.
  const AnsiString resto = p < pasta.size() ? pasta.substr(p) : AnsiString();
  return ApplyFolderMacroA(pasta.substr(0, p), DirDestino, DirWindows, DirSistema) + resto;
}

// ---- the installation run ----------------------------------------------------------------------

void TFRMProgresso::ExtraiArquivos() {
  // Out of sight, but still the modal window.
  SetBounds(0, 0, 0, 0);

  const int billboards = ListBillBoards->Items().Count();
  if (billboards > 0) {
    FBillBoards = ui::NewForm<TFRMBillBoards>(ui::Application);
    FContaMensagens = 0;
    FNumBillboard = 0;
    CarregaBillboard(FBillBoards->Image1->MorphPic1(), 0);
    FBillBoards->Show();
    FBillBoards->Repaint();
  }

  const TSetupScript stp(ArquivoSTP);
  std::vector<AnsiString> arquivos;
  const int quantos = stp.Arquivos();
  for (int n = 1; n <= quantos; ++n) arquivos.push_back(stp.Arquivo(n));

  TProgressCyl& geral = *Faixa().VrLevelBar1;
  geral.SetMax(static_cast<int>(arquivos.size()) + 2);
  geral.SetPosition(1);
  geral.Repaint();

  for (size_t n = 1; n <= arquivos.size(); ++n) {
    AnsiString pasta = stp.GrupoDir(static_cast<int>(n));
    FGrupoAtual = stp.GrupoNome(static_cast<int>(n));
    const bool pula = rtl::Trim(FGrupoAtual).empty() || (Terminal() && GrupoSoDoServidor(FGrupoAtual));
    if (!pula) {
      if (const size_t fecha = pasta.find('>'); fecha != AnsiString::npos) pasta = VerificaPasta(pasta, fecha + 1);
      if (!platform::DirectoryExists(pasta) && !platform::CreateDir(pasta)) {
        platform::WarningAbort("Não pude criar a pasta ["_a + pasta + "] .\r" +
                               "Impossível Continuar a Instalação !!!"_a);
        platform::Halt();
      }
      Archiver1->SetFileName(DirInstalador + arquivos[n - 1]);
      Archiver1->SetExtractPath(pasta);
      Archiver1->Open();
      Archiver1->ExtractFiles();
    }
    geral.SetPosition(geral.Position() + 1);
    geral.Repaint();
  }

  CriaIcones();
  geral.SetPosition(geral.Position() + 1);
  geral.Repaint();

  if (billboards > 0) {
    delete FBillBoards;
    FBillBoards = nullptr;
  }

  GravaDesinstalacao();
  geral.SetPosition(geral.Position() + 1);
  geral.Repaint();

  GravaParametrosConexao();
  Faixa().Hide();

  const std::unique_ptr<TFRMConclusao> conclusao(ui::NewForm<TFRMConclusao>(ui::Application));
  const ui::TStrings& falhas = FRMMain->ListErros->Items();
  conclusao->ListBox1->Items().Assign(falhas);
  conclusao->GbFalhas->SetVisible(falhas.Count() > 0);
  conclusao->ShowModal();
}

void TFRMProgresso::Archiver1StartOperation(archiver::TArchiverRoot* Sender) {
  auto* arquivador = static_cast<archiver::TArchiver*>(Sender);
  Faixa().lbCaminho->SetCaption("Para: " + arquivador->ExtractPath());
  if (arquivador->Operation() == archiver::opExtracting) Faixa().SetCaption("Descompressão em progresso..."_a);
  Faixa().Show();
  Faixa().Repaint();
}

void TFRMProgresso::Archiver1FinishOperation(archiver::TArchiverRoot*) { platform::ProcessMessages(); }

void TFRMProgresso::Archiver1DisplayMessage(archiver::TArchiverRoot*, const AnsiString& msg) {
  Faixa().lFile->SetCaption(msg);
  Faixa().lFile->Repaint();
  if (FRitmoBillboards <= 0) return;
  if (++FContaMensagens != FRitmoBillboards) return;
  // Past the last picture the counter is left to run on, so it never meets the pace again.
  ++FNumBillboard;
  if (ListBillBoards->Items().Count() > 0 && FNumBillboard <= ListBillBoards->Items().Count())
    TrocaBillboard(FNumBillboard);
}

void TFRMProgresso::TrocaBillboard(int numero) {
  FContaMensagens = 0;
  TBSMorphButton& imagem = *FBillBoards->Image1;
  if (numero == 1) {
    CarregaBillboard(imagem.MorphPic2(), 1);
  } else {
    CarregaBillboard(imagem.MorphPic1(), numero - 1);
    CarregaBillboard(imagem.MorphPic2(), numero);
  }
  // The sound, the morph and the repaint are one step: a sound that cannot
  // play skips the morph too, and is tried again at the next change.
  try {
    if (!FSomTocado) {
      MediaPlayer1.Open(DirInstalador + "change.wav");
      MediaPlayer1.Play();
      FSomTocado = true;
    }
    imagem.Morph();
    FBillBoards->Repaint();
  } catch (const std::exception&) {
  }
  platform::Pause(7000);
}

void TFRMProgresso::CarregaBillboard(ui::TPicture& picture, int indice) {
  if (indice < 0 || indice >= ListBillBoards->Items().Count()) return;
  try {
    picture.LoadFromFile(ListBillBoards->Items()[indice]);
  } catch (const std::exception&) {
  }
}

void TFRMProgresso::Archiver1FileProgress(archiver::TArchiverRoot* Sender, int Percent) {
  platform::ProcessMessages();
  Faixa().Gauge1->SetPosition(Percent);
  Faixa().btnabort->SetEnabled(Sender->CanAbort());
}

void TFRMProgresso::Archiver1ExtractFile(archiver::TArchiverRoot*, const archiver::TFileEntry& FileEntry,
                                         AnsiString&, bool& Accept) {
  // A terminal takes only its own files from the main group; a name with a
  // folder part is never one of them.
  if (Terminal() && FGrupoAtual == "Raiz")
    Accept = ListFileTerminal->Items().IndexOf(rtl::AnsiUpperCase(FileEntry.Name)) >= 0;
}

// ---- shortcuts ----------------------------------------------------------------------------------

void TFRMProgresso::CriaIcones() {
  const TSetupScript stp(ArquivoSTP);
  const AnsiString grupo = stp.PastaPadrao();
  const int icones = stp.Icones();

  FProgMan = std::make_unique<platform::TDdeClientConv>();
  platform::TShellLink atalho;
  if (!FProgMan->Open("PROGMAN", "PROGMAN")) return;
  if (!FProgMan->Execute(rtl::Format("[CreateGroup(%s)]", {grupo})) || icones <= 0) return;

  for (int i = 1; i <= icones; ++i) {
    const AnsiString pasta = ApplyFolderMacroB(stp.IconeDiretorio(i), DirDestino, DirWindows, DirSistema);
    const AnsiString arquivo = stp.IconeArquivo(i);
    const AnsiString alvo = pasta + "\\" + arquivo;
    const AnsiString titulo = stp.IconeDescricao(i);
    const bool desktop = stp.IconePastaDesktop(i);
    const bool menuIniciar = stp.IconePastaMenuIniciar(i);
    if (!Terminal() || LinkNaoTerminal->Items().IndexOf(rtl::AnsiUpperCase(arquivo)) < 0) {
      FProgMan->Execute(rtl::Format("[AddItem(\"%s\",\"%s\",\"%s\")]", {alvo, titulo, alvo}));
      // One link object for the whole run: each link carries what was set last.
      if (desktop || menuIniciar) {
        atalho.SetDescription(titulo);
        atalho.SetPath(alvo);
        atalho.SetWorkingDirectory(pasta);
      }
      if (desktop) atalho.Save(DirDesktop + "\\" + titulo + ".lnk");
      if (menuIniciar) atalho.Save(DirMenuIniciar + "\\" + titulo + ".lnk");
    }
    Faixa().lbCaminho->SetCaption("Icone: " + alvo);
    Faixa().Show();
    Faixa().Repaint();
  }
}

// ---- registry records ---------------------------------------------------------------------------

void TFRMProgresso::GravaDesinstalacao() {
  platform::TRegistry registro;
  registro.SetRootKey(platform::HKEY_LOCAL_MACHINE);
  registro.OpenKey(kChaveDesinstalacao + NomeAplicacao, true);
  // The one registry write whose failure is listed, not raised (an account
  // that may not write the machine's keys).
  try {
    registro.WriteString("DisplayName", NomeAplicacao);
    registro.WriteString("DisplayIcon", DirDestino + "\\VantorQM.exe");
    registro.WriteString("UninstallString", DirDestino + "\\Desinstalar.exe");
  } catch (const std::exception&) {
    FRMMain->ListErros->Items().Add("Não foi possível gravar configurações do programa no Registro do Windows!!!"_a);
  }
  registro.CloseKey();
}

std::vector<std::pair<AnsiString, AnsiString>> ParametrosConexao(bool servidor) {
  // The database lives on drive C whatever folder the product went to.
  return {{"Nome do BD", "C:\\VantorQ-Mira\\BDados\\vantorq.fdb"},
          {"Nome do Host", servidor ? "localhost" : ""},
          {"Porta", "3050"},
          {"Usuario", "SYSDBA"},
          {"Senha", "tallowpin"},
          {"Caminho do BD", servidor ? "C:\\VantorQ-Mira\\BDados" : ""}};
}

void TFRMProgresso::GravaParametrosConexao() {
  platform::TRegistry registro;
  registro.SetRootKey(platform::HKEY_CURRENT_USER);
  registro.OpenKey(kChaveProduto + "\\PgConexao", true);
  for (const auto& [nome, valor] : ParametrosConexao(RbServidor->Checked())) registro.WriteString(nome, valor);
  registro.CloseKey();
}

std::unique_ptr<ui::TForm> CreateWizard(rtl::TComponent* owner) {
  return std::unique_ptr<ui::TForm>(ui::NewForm<TFRMProgresso>(owner));
}

}  // namespace installer
