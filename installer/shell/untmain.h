#pragma once
// The background window TFRMMain and the installer's start-up: the
// regional formats, the title, the installation state, the scratch folder,
// the background and the support archives, and the timer that opens the
// wizard. The window also keeps the failure list and the side picture.

#include <cstdint>

#include "archiver/Archiver.h"
#include "components/MDIWallp.h"
#include "components/TextFade.h"
#include "components/VrGradient.h"
#include "installer/shell/SetupScript.h"
#include "ui/Application.h"
#include "ui/ExtCtrls.h"

namespace installer {

class TFRMMain : public ui::TForm {
 public:
  explicit TFRMMain(rtl::TComponent* owner);
  ~TFRMMain() override;
  const char* ClassName() const override { return "TFRMMain"; }

  TMDIWallpaper* ImgBackground;  // the background picture, stretched
  ui::TTimer* Timer1;            // opens the wizard
  TVrGradient* Fundo;            // the background gradient
  TTextFader* LabelTitulo;       // receives the script's title; hidden
  ui::TListBox* ListErros;       // the failure list; hidden
  archiver::TArchiver* Archiver1;  // unpacks the support archives
  ui::TImage* Img1;              // the side picture; hidden

  void FormCreate(ui::TObject* Sender);
  void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
  void Timer1Timer(ui::TObject* Sender);

  // Paints the background the script chooses and unpacks the support archives.
  void CarregaFundoEApoio(const TSetupScript& script);
  // One support archive of the installer's folder unpacked into a folder.
  void DescompactaApoio(const AnsiString& arquivo, const AnsiString& destino);
};

// The single instances of the windows that live for the whole run.
extern TFRMMain* FRMMain;

// The start-up sequence up to the message loop, on an application already
// made: regional formats, title, the background window (whose creation
// prepares the installation and may end the program), the progress strip
// in its place, and the wizard's timer armed. The caller then runs the loop.
void IniciaInstalador(ui::TApplication& application);

// The gradient direction of a setup-script style: 0 gdChord1, 1 gdChord2,
// 2 gdLeftRight, 3 gdUpDown; other styles keep the gradient's default (gdUpDown).
TVrGradDirection ConverteEstilo(uint8_t estilo);

// The settings both archive components of the installer share.
void ConfiguraArchiver(archiver::TArchiver& archiver);

// Where the wizard, billboard and completion windows go when shown: left edge
// at 26 % of the screen's width, centred vertically; the size is kept.
void PosicionaJanela(ui::TCustomForm& form);

}  // namespace installer
