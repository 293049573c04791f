#pragma once
// The billboard window TFRMBillBoards: the product's pictures during the
// unpacking, each change a morph. The installation run feeds it; the window
// places itself when shown and runs one morph whenever it becomes active.

#include "components/BSMorphButton.h"
#include "ui/Forms.h"

namespace installer {

class TFRMBillBoards : public ui::TForm {
 public:
  explicit TFRMBillBoards(rtl::TComponent* owner);
  const char* ClassName() const override { return "TFRMBillBoards"; }

  TBSMorphButton* Image1;  // the slideshow surface

  void FormShow(ui::TObject* Sender);
  void FormActivate(ui::TObject* Sender);
};

}  // namespace installer
