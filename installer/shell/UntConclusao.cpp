// The completion window.

#include "installer/shell/UntConclusao.h"

#include "installer/shell/CriaControle.h"
#include "installer/shell/untmain.h"
#include "platform/Shell.h"

namespace installer {

TFRMConclusao::TFRMConclusao(rtl::TComponent* owner) : ui::TForm(owner) {
  SetName("FRMConclusao");
  SetVisible(false);
  SetBorderStyle(ui::bsNone);
  SetCaption("Instalação Completa"_a);
  SetClientSize(489, 357);
  SetColor(ui::clBlack);
  FonteDaJanela(Font(), ui::clWhite);

  const TEstiloTexto kAjustado{true, true, true}, kUmaLinha{true, false, false};
  Label1 = CriaTexto(this, this, "Label1", 6, 10, 259, 26,
                     "O instalador terminou de copiar os arquivos para o seu computador.", kAjustado);
  Label2 = CriaTexto(this, this, "Label2", 6, 46, 291, 26,
                     "Antes de usar o programa, você deve reiniciar o Windows ou o seu computador."_a, kAjustado);
  RadioButton1 = CriaOpcao(this, this, "RadioButton1", 5, 82, 289, "Sim, eu desejo reiniciar meu computador agora.");
  RadioButton1->SetChecked(true);
  RadioButton2 = CriaOpcao(this, this, "RadioButton2", 5, 99, 297, "Não, eu vou reiniciar o meu computador depois."_a);

  GbFalhas = CriaControle<ui::TGroupBox>(this, this, "GbFalhas", 5, 120, 297, 149);
  GbFalhas->SetVisible(false);
  GbFalhas->SetCaption("Falhas encontradas");
  Label4 = CriaTexto(this, GbFalhas, "Label4", 9, 16, 280, 66,
                     "Durante a instalação foram encontradas as falhas abaixo. Estas falhas podem ter comprometido a "
                     "instalação em sua totalidade. Caso encontre algum problema na execução do programa, contate a "
                     "tarquelia para repassar as falhas e obter o suporte."_a);
  ListBox1 = CriaControle<ui::TListBox>(this, GbFalhas, "ListBox1", 10, 83, 275, 59);
  ListBox1->SetColor(ui::clBlack);

  Label3 = CriaTexto(this, this, "Label3", 6, 278, 226, 13,
                     "Clique em \"Finalizar\" para encerrar a instalação."_a, kUmaLinha);

  Img1 = CriaControle<ui::TImage>(this, this, "Img1", 337, 6, 146, 344);
  Img1->SetCenter(true);
  Img1->SetStretch(true);

  Bevel1 = CriaControle<ui::TBevel>(this, this, "Bevel1", 4, 307, 330, 1);
  Bevel1->SetShape(ui::bsTopLine);

  Ok = CriaControle<ui::TButton>(this, this, "Ok", 233, 318, 75, 25);
  Ok->SetCaption("Finalizar");
  Ok->SetDefault(true);
  Ok->OnClick = [this](ui::TObject* sender) { OkClick(sender); };

  OnCreate = [this](ui::TObject* sender) { FormCreate(sender); };
  OnShow = [this](ui::TObject* sender) { FormShow(sender); };
}

void TFRMConclusao::FormCreate(ui::TObject*) {
  if (FRMMain) Img1->Picture().Assign(FRMMain->Img1->Picture());
  Repaint();
}

void TFRMConclusao::FormShow(ui::TObject*) { PosicionaJanela(*this); }

void TFRMConclusao::OkClick(ui::TObject*) {
  // The restart's answer is not looked at: the installer ends either way.
  if (RadioButton1->Checked()) platform::RestartComputer();
  platform::Halt();
}

}  // namespace installer
