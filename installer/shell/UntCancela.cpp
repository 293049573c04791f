// The cancel window.

#include "installer/shell/UntCancela.h"

#include "installer/resources/InstallerResources.h"
#include "installer/shell/CriaControle.h"

namespace installer {

namespace {

ui::TLabel* Texto(TFRMCancela* form, const char* name, int left, int top, int width, const AnsiString& caption) {
  ui::TLabel* label = CriaControle<ui::TLabel>(form, form, name, left, top, width, 31);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetCaption(caption);
  return label;
}

ui::TButton* Botao(TFRMCancela* form, const char* name, int left, const AnsiString& caption,
                   ui::TModalResult result) {
  ui::TButton* button = CriaControle<ui::TButton>(form, form, name, left, 162, 75, 25);
  button->SetCaption(caption);
  button->SetModalResult(result);
  return button;
}

}  // namespace

TFRMCancela::TFRMCancela(rtl::TComponent* owner) : ui::TForm(owner) {
  SetName("FRMCancela");
  SetVisible(false);
  SetBorderStyle(ui::bsDialog);
  SetBorderIcons(ui::biSystemMenu);
  SetCaption("Encerrando a Instalação"_a);
  SetClientSize(374, 200);
  SetColor(ui::clBtnFace);
  FonteDaJanela(Font(), ui::clBlack);
  SetPosition(ui::poScreenCenter);

  Image1 = CriaControle<ui::TImage>(this, this, "Image1", 8, 8, 32, 32);
  LoadResourcePicture(Image1->Picture(), kResAviso);
  // The texts as the product has always shown them, slips included.
  Label1 = Texto(this, "Label1", 50, 11, 302,
                 "A instalação não foi completada.Se você encerrar a instalação agora o programa nã estará "
                 "completamente instalado."_a);
  Label2 = Texto(this, "Label2", 8, 55, 349,
                 "Você pode executar o programa de instalação outra hora para completar a instalação."_a);
  Label3 = Texto(this, "Label3", 8, 101, 349,
                 "Para continuar a instalação, clique Continuar. Para encerrar o programa de instalação, clique "
                 "Sair."_a);
  Bevel1 = CriaControle<ui::TBevel>(this, this, "Bevel1", 8, 152, 358, 3);
  Bevel1->SetShape(ui::bsTopLine);
  Button1 = Botao(this, "Button1", 205, "&Continuar", 1);
  Button1->SetDefault(true);
  Button2 = Botao(this, "Button2", 285, "&Sair", 2);
  Button2->SetCancel(true);
}

}  // namespace installer
