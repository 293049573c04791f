#pragma once
// The launcher window TFrmMain: the three steps of an installation in their
// order, one button per step, and two timers that watch the machine for the
// database server and the product and mark those steps as done.

#include "components/DiskInfo.h"
#include "ui/Application.h"
#include "ui/ExtCtrls.h"

namespace launcher {

using rtl::AnsiString;

// What the launcher starts and watches.
inline const AnsiString kManual = "manual.htm";
inline const AnsiString kInstaladorFirebird = "Firebird-2.0.1.12855-1-Win32.exe";
inline const AnsiString kInstalador = "instalar.exe";
inline const AnsiString kChaveFirebird = "Software\\Firebird Project\\Firebird Server\\Instances";
inline const AnsiString kValorInstancia = "DefaultInstance";
inline const AnsiString kFirebird20 = "Firebird_2_0";
inline const AnsiString kExecutavelVantor = "C:\\VantorQ-Mira\\VantorQM.exe";

class TFrmMain : public ui::TForm {
 public:
  explicit TFrmMain(rtl::TComponent* owner);
  const char* ClassName() const override { return "TFrmMain"; }

  ui::TImage* Image1;  // the background picture
  ui::TLabel* lb1;
  ui::TLabel* Label1;  // "Passo I"
  ui::TLabel* Label2;
  ui::TLabel* Label3;  // "Passo II"
  ui::TLabel* Label4;
  ui::TLabel* Label5;  // "Passo III"
  ui::TLabel* Label6;
  ui::TImage* Image5;  // bullets in front of the step titles
  ui::TImage* Image2;
  ui::TImage* Image3;
  ui::TLabel* LbMsgPg;   // step II's note
  ui::TLabel* LbMsgVtr;  // step III's note
  ui::TImage* ImgStep2;  // no-entry signs over the steps that are done
  ui::TImage* ImgStep3;
  ui::TLabel* Label7;
  ui::TButton* Button1;  // "&Manual"
  ui::TButton* Button2;  // "&Firebird"
  ui::TButton* Button3;  // "&Vantor"
  ui::TButton* Button4;  // "&Sair"
  ui::TTimer* Timer1;    // watches step II
  ui::TTimer* Timer2;    // watches step III
  TDiskInfo* DiskInfo1;

  // The launcher's folder, with trailing backslash: the working folder of
  // what it starts.
  AnsiString DirLauncher;

  void FormCreate(ui::TObject* Sender);
  void Button1Click(ui::TObject* Sender);
  void Button2Click(ui::TObject* Sender);
  void Button3Click(ui::TObject* Sender);
  void Button4Click(ui::TObject* Sender);
  void Timer1Timer(ui::TObject* Sender);
  void Timer2Timer(ui::TObject* Sender);
};

extern TFrmMain* FrmMain;

// The program's start on an application already made: the regional formats,
// the title and the window, which becomes the main window. The caller then
// runs the loop; closing the window ends it.
void IniciaLauncher(ui::TApplication& application);

// HKEY_LOCAL_MACHINE's "DefaultInstance" of the Firebird server instances,
// "" when the key or the value is missing or cannot be read.
AnsiString InstanciaFirebird();

}  // namespace launcher
