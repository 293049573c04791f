#pragma once
// The installation wizard TFRMProgresso: the welcome page with the choice of
// a server or a terminal installation, the licence, the summary; and the
// installation run it hosts (ExtraiArquivos): the product's archives, the
// billboards, the shortcuts and the registry records.

#include <memory>
#include <utility>
#include <vector>

#include "archiver/Archiver.h"
#include "installer/shell/UntBillBoards.h"
#include "platform/Dde.h"
#include "platform/Sound.h"
#include "ui/ExtCtrls.h"

namespace installer {

using rtl::AnsiString;

class TFRMProgresso : public ui::TForm {
 public:
  explicit TFRMProgresso(rtl::TComponent* owner);
  ~TFRMProgresso() override;
  const char* ClassName() const override { return "TFRMProgresso"; }

  ui::TNotebook* Notebook1;
  // Page 0, "Bem-vindo"
  ui::TLabel* LabelBemvindo;
  ui::TLabel* Label2;
  ui::TImage* Image1;  // beside "Servidor"
  ui::TRadioButton* RbServidor;
  ui::TLabel* Label12;
  ui::TImage* Image2;  // beside "Terminal"
  ui::TRadioButton* RbTerminal;
  ui::TLabel* Label1;
  platform::TMediaPlayer MediaPlayer1;  // invisible: plays the change sound
  // Page 1, the licence
  ui::TImage* Image3;
  ui::TLabel* Label3;
  ui::TMemo* MemoContrato;
  ui::TCheckBox* CheckBox1;
  // Page 2, the summary
  ui::TLabel* Label5;
  ui::TLabel* Label6;
  ui::TLabel* Label11;       // hidden, like the drive list
  ui::TComboBox* ComboDrive;  // the fixed drives; never shown
  ui::TLabel* Label7;
  ui::TStaticText* StPastaDestino;
  ui::TLabel* Label10;
  ui::TLabel* Label8;
  ui::TStaticText* StNomeUsuario;
  ui::TLabel* Label9;
  ui::TStaticText* StEmpresa;

  ui::TImage* Img1;  // the side picture
  ui::TBevel* Bevel1;
  ui::TButton* Button3;     // "&Cancelar"
  ui::TButton* btnvoltar;   // tag 0: back
  ui::TButton* btnavancar;  // tag 1: forward, "&Instalar" on the summary
  ui::TTimer* Timer1;       // the licence-button poll
  archiver::TArchiver* Archiver1;
  ui::TListBox* ListBillBoards;    // full paths of the billboard pictures
  ui::TListBox* ListFileTerminal;  // what a terminal takes from the "Raiz" group
  ui::TListBox* LinkNaoTerminal;   // programs a terminal gets no icon for

  // Window events
  void FormCreate(ui::TObject* Sender);
  void FormShow(ui::TObject* Sender);
  void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
  void btnavancarClick(ui::TObject* Sender);
  void Button3Click(ui::TObject* Sender);
  void Timer1Timer(ui::TObject* Sender);
  // Records the installation type; bound to the window's activation.
  void RdTpInstallClick(ui::TObject* Sender);

  // The target folder from the selected drive and the default folder.
  void ComboDriveChange();
  // A group folder with a macro closed by its first ">" at position p (from 1).
  AnsiString VerificaPasta(const AnsiString& pasta, size_t p) const;

  // The installation run; it ends the program through the completion window.
  void ExtraiArquivos();
  void CriaIcones();
  void GravaParametrosConexao();

  // The archive component's events during the run
  void Archiver1StartOperation(archiver::TArchiverRoot* Sender);
  void Archiver1FinishOperation(archiver::TArchiverRoot* Sender);
  void Archiver1DisplayMessage(archiver::TArchiverRoot* Sender, const AnsiString& msg);
  void Archiver1FileProgress(archiver::TArchiverRoot* Sender, int Percent);
  void Archiver1ExtractFile(archiver::TArchiverRoot* Sender, const archiver::TFileEntry& FileEntry,
                            AnsiString& DestPath, bool& Accept);

  // Wizard state the run keeps
  int Pagina() const { return FPagina; }
  bool CopiaIniciada() const { return FCopiaIniciada; }
  int64_t TotalArquivos() const { return FTotalArquivos; }
  int64_t RitmoBillboards() const { return FRitmoBillboards; }
  bool Terminal() const { return !RbServidor->Checked(); }

 private:
  void MostraPagina(int pagina);
  void GravaDesinstalacao();
  void TrocaBillboard(int numero);
  // Billboard list entry `indice` into a picture; a missing entry or a picture
  // that cannot be loaded leaves the picture as it was.
  void CarregaBillboard(ui::TPicture& picture, int indice);

  int FPagina = 0;
  bool FCopiaIniciada = false;  // "&Instalar" was pressed: closing asks nothing
  int64_t FTotalArquivos = 0;
  int64_t FRitmoBillboards = 0;  // archive messages between two billboard changes; 0: none
  int64_t FContaMensagens = 0;
  int FNumBillboard = 0;
  bool FSomTocado = false;
  AnsiString FGrupoAtual;
  TFRMBillBoards* FBillBoards = nullptr;  // owned by the application while the run shows it
  std::unique_ptr<platform::TDdeClientConv> FProgMan;
};

// The rows of the two hidden lists: the product's own file names, in capitals.
extern const char* const kArquivosTerminal[12];
extern const char* const kSemIconeNoTerminal[7];
// Group names a terminal installation leaves out, compared exactly, and the
// rule that also leaves out every group whose name holds "Fotos".
extern const char* const kGruposSoServidor[7];
bool GrupoSoDoServidor(const AnsiString& nome);
// The connection values written under the product key's "PgConexao", in
// their order, for a server or a terminal installation.
std::vector<std::pair<AnsiString, AnsiString>> ParametrosConexao(bool servidor);

// Makes the wizard window with its creation run (owner: the application).
// The background window shows it modally and destroys it when the modal loop
// returns.
std::unique_ptr<ui::TForm> CreateWizard(rtl::TComponent* owner);

}  // namespace installer
