// The launcher window and the launcher's start.

#include "launcher/UntMain.h"

#include "launcher/resources/LauncherResources.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SpecialFolders.h"
#include "rtl/Format.h"

namespace launcher {

TFrmMain* FrmMain = nullptr;

namespace {

// Made the way the window description loads a control: owner the window,
// name, parent, place.
template <class T>
T* Cria(TFrmMain* form, const char* name, int left, int top, int width, int height) {
  T* control = new T(form);  // owned by the window
  control->SetName(name);
  control->SetParent(form);
  control->SetBounds(left, top, width, height);
  return control;
}

enum TTamanho { tmAuto, tmFixo };
enum TPeso { pNormal, pNegrito };

ui::TLabel* Texto(TFrmMain* form, const char* name, int left, int top, int width, int height, TTamanho tamanho,
                  TPeso peso, const AnsiString& caption) {
  ui::TLabel* label = Cria<ui::TLabel>(form, name, left, top, width, height);
  label->SetAutoSize(false);
  label->SetTransparent(true);
  label->SetWordWrap(tamanho == tmFixo);
  if (peso == pNegrito) label->Font().SetStyle(ui::fsBold);
  label->SetCaption(caption);
  label->SetAutoSize(tamanho == tmAuto);
  return label;
}

ui::TLabel* Nota(TFrmMain* form, const char* name, int top) {
  ui::TLabel* label = Texto(form, name, 208, top, 317, 51, tmFixo, pNegrito, "");
  label->Font().SetColor(ui::clRed);
  return label;
}

ui::TImage* Marcador(TFrmMain* form, const char* name, int top) {
  ui::TImage* image = Cria<ui::TImage>(form, name, 208, top, 11, 17);
  image->SetTransparent(true);
  LoadLauncherPicture(image->Picture(), kResMarcador);
  return image;
}

ui::TImage* Proibido(TFrmMain* form, const char* name, int left, int top) {
  ui::TImage* image = Cria<ui::TImage>(form, name, left, top, 48, 48);
  image->SetVisible(false);
  image->SetTransparent(true);
  LoadLauncherPicture(image->Picture(), kResProibido);
  return image;
}

ui::TButton* Botao(TFrmMain* form, const char* name, int left, int top, const AnsiString& caption) {
  ui::TButton* button = Cria<ui::TButton>(form, name, left, top, 75, 25);
  button->SetCaption(caption);
  return button;
}

ui::TTimer* Relogio(TFrmMain* form, const char* name) {
  auto* timer = new ui::TTimer(form);
  timer->SetName(name);
  timer->SetInterval(1);
  return timer;
}

}  // namespace

TFrmMain::TFrmMain(rtl::TComponent* owner) : ui::TForm(owner) {
  SetName("FrmMain");
  SetVisible(false);
  SetBorderStyle(ui::bsNone);
  SetCaption("tarquelia Vantor Q-Mira");
  SetClientSize(535, 337);
  SetPosition(ui::poScreenCenter);
  SetColor(ui::clBlack);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  Font().SetColor(ui::clWhite);

  Image1 = Cria<ui::TImage>(this, "Image1", 0, 0, 453, 334);
  Image1->SetAutoSize(true);
  Image1->SetCenter(true);
  LoadLauncherPicture(Image1->Picture(), kResFundo);

  lb1 = Texto(this, "lb1", 208, 36, 305, 26, tmFixo, pNormal,
              "Para uma correta instalação siga os passos abaixo obedecendo a respectiva ordem e clicando no botão "
              "correspondente."_a);
  Label1 = Texto(this, "Label1", 224, 73, 0, 0, tmAuto, pNormal, "Passo I");
  Label2 = Texto(this, "Label2", 208, 92, 0, 0, tmAuto, pNormal, "Imprimir o manual de instalação;"_a);
  Label3 = Texto(this, "Label3", 224, 122, 0, 0, tmAuto, pNegrito, "Passo II");
  Label4 = Texto(this, "Label4", 208, 142, 0, 0, tmAuto, pNegrito, "Executar a instalação do Firebird;"_a);
  Label5 = Texto(this, "Label5", 224, 211, 0, 0, tmAuto, pNegrito, "Passo III");
  Label6 = Texto(this, "Label6", 208, 228, 0, 0, tmAuto, pNegrito, "Executar a instalação do Vantor Q-Mira;"_a);
  Image5 = Marcador(this, "Image5", 70);
  Image2 = Marcador(this, "Image2", 121);
  Image3 = Marcador(this, "Image3", 209);
  LbMsgPg = Nota(this, "LbMsgPg", 157);
  LbMsgVtr = Nota(this, "LbMsgVtr", 248);
  ImgStep2 = Proibido(this, "ImgStep2", 218, 113);
  ImgStep2->SetStretch(true);
  ImgStep3 = Proibido(this, "ImgStep3", 221, 208);
  Label7 = Texto(this, "Label7", 3, 9, 0, 0, tmAuto, pNegrito, "tarquelia Vantor Q-Mira - Instalação"_a);

  // Created in this order, the buttons take Tab in it.
  Button1 = Botao(this, "Button1", 448, 84, "&Manual");
  Button1->OnClick = [this](ui::TObject* sender) { Button1Click(sender); };
  Button2 = Botao(this, "Button2", 448, 130, "&Firebird");
  Button2->OnClick = [this](ui::TObject* sender) { Button2Click(sender); };
  Button3 = Botao(this, "Button3", 448, 220, "&Vantor");
  Button3->OnClick = [this](ui::TObject* sender) { Button3Click(sender); };
  Button4 = Botao(this, "Button4", 5, 307, "&Sair");
  Button4->OnClick = [this](ui::TObject* sender) { Button4Click(sender); };

  Timer1 = Relogio(this, "Timer1");
  Timer1->OnTimer = [this](ui::TObject* sender) { Timer1Timer(sender); };
  Timer2 = Relogio(this, "Timer2");
  Timer2->OnTimer = [this](ui::TObject* sender) { Timer2Timer(sender); };

  DiskInfo1 = new TDiskInfo(this);
  DiskInfo1->SetName("DiskInfo1");

  OnCreate = [this](ui::TObject* sender) { FormCreate(sender); };
}

void TFrmMain::FormCreate(ui::TObject*) { DirLauncher = platform::ProgramFolder(); }

// None of the buttons looks at what it started: the shell reports its own failures.

void TFrmMain::Button1Click(ui::TObject*) { platform::OpenWithVerb(Handle(), "print", kManual, DirLauncher); }

// By its bare name: the system's search for programs finds it beside the launcher.
void TFrmMain::Button2Click(ui::TObject*) { platform::StartProgram(kInstaladorFirebird); }

void TFrmMain::Button3Click(ui::TObject*) {
  platform::OpenWithVerb(ui::Application->MainForm()->Handle(), "", kInstalador, DirLauncher);
}

void TFrmMain::Button4Click(ui::TObject*) { Close(); }

void TFrmMain::Timer1Timer(ui::TObject*) {
  if (InstanciaFirebird().find(kFirebird20) == AnsiString::npos) return;
  Timer1->SetInterval(0);
  LbMsgPg->SetCaption(LbMsgPg->Caption() +
                      "o Firebird já está instalado !!!.Para fazer uma re-instalação consulte o manual !!!"_a);
  ImgStep2->SetVisible(true);
  Button2->SetEnabled(false);
}

void TFrmMain::Timer2Timer(ui::TObject*) {
  if (!platform::FileExists(kExecutavelVantor)) return;
  Timer2->SetInterval(0);
  LbMsgVtr->SetCaption(LbMsgVtr->Caption() +
                       "Já existe um Vantor Q-Mira instalado.Para fazer uma re-instalação consulte o manual !!!"_a);
  ImgStep3->SetVisible(true);
  Button3->SetEnabled(false);
}

AnsiString InstanciaFirebird() {
  platform::TRegistry reg;
  reg.SetRootKey(platform::HKEY_LOCAL_MACHINE);
  reg.OpenKey(kChaveFirebird, false);
  try {
    return reg.ReadString(kValorInstancia);
  } catch (const platform::ERegistryException&) {
    // A value of another type, or one that cannot be read: no server of ours,
    // and no error box at every tick of the watch.
    return "";
  }
}

void IniciaLauncher(ui::TApplication& application) {
  rtl::ApplyRegionalOverrides();
  application.SetTitle("Assistente de Instalação"_a);
  application.CreateForm(FrmMain);
}

}  // namespace launcher
