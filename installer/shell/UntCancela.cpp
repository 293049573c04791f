// The cancel window.

#include "installer/shell/UntCancela.h"

#include "installer/resources/InstallerResources.h"
#include "installer/shell/CriaControle.h"

namespace installer {

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
  const TEstiloTexto kOpaco{false, true, false};
  // The texts as the product has always shown them, slips included.
  Label1 = CriaTexto(this, this, "Label1", 50, 11, 302, 31,
                     "A instalação não foi completada.Se você encerrar a instalação agora o programa nã estará "
                     "completamente instalado."_a, kOpaco);
  Label2 = CriaTexto(this, this, "Label2", 8, 55, 349, 31,
                     "Você pode executar o programa de instalação outra hora para completar a instalação."_a, kOpaco);
  Label3 = CriaTexto(this, this, "Label3", 8, 101, 349, 31,
                     "Para continuar a instalação, clique Continuar. Para encerrar o programa de instalação, clique "
                     "Sair."_a, kOpaco);
  Bevel1 = CriaControle<ui::TBevel>(this, this, "Bevel1", 8, 152, 358, 3);
  Bevel1->SetShape(ui::bsTopLine);
  Button1 = CriaBotao(this, "Button1", 205, 162, "&Continuar", 1);
  Button1->SetDefault(true);
  Button2 = CriaBotao(this, "Button2", 285, 162, "&Sair", 2);
  Button2->SetCancel(true);
}

}  // namespace installer
