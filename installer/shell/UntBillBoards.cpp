// The billboard window.

#include "installer/shell/UntBillBoards.h"

#include "installer/resources/InstallerResources.h"
#include "installer/shell/CriaControle.h"
#include "installer/shell/untmain.h"

namespace installer {

TFRMBillBoards::TFRMBillBoards(rtl::TComponent* owner) : ui::TForm(owner) {
  SetName("FRMBillBoards");
  SetVisible(false);
  SetBorderStyle(ui::bsNone);
  SetClientSize(549, 305);
  SetColor(ui::clBlack);
  FonteDaJanela(Font(), ui::clWhite);

  Image1 = CriaControle<TBSMorphButton>(this, this, "Image1", 0, 0, 549, 305);
  LoadResourcePicture(Image1->MorphPic1(), kResBillboard);
  LoadResourcePicture(Image1->MorphPic2(), kResBillboard);
  Image1->SetMorphRate(250);

  OnShow = [this](ui::TObject* sender) { FormShow(sender); };
  OnActivate = [this](ui::TObject* sender) { FormActivate(sender); };
}

void TFRMBillBoards::FormShow(ui::TObject*) { PosicionaJanela(*this); }

// Runs to its end before returning: the rest of the installer waits.
void TFRMBillBoards::FormActivate(ui::TObject*) { Image1->Morph(); }

}  // namespace installer
