#pragma once
// The completion window TFRMConclusao: says the files were copied, lists the
// failures met on the way, offers to restart the computer, and ends the
// installer with "Finalizar".

#include "ui/ExtCtrls.h"

namespace installer {

class TFRMConclusao : public ui::TForm {
 public:
  explicit TFRMConclusao(rtl::TComponent* owner);
  const char* ClassName() const override { return "TFRMConclusao"; }

  ui::TLabel* Label1;
  ui::TLabel* Label2;
  ui::TRadioButton* RadioButton1;  // restart now
  ui::TRadioButton* RadioButton2;  // restart later
  ui::TGroupBox* GbFalhas;         // shown by the run when there are failures
  ui::TLabel* Label4;
  ui::TListBox* ListBox1;          // the failure lines
  ui::TLabel* Label3;
  ui::TImage* Img1;                // the side picture
  ui::TBevel* Bevel1;
  ui::TButton* Ok;                 // "Finalizar"

  void FormCreate(ui::TObject* Sender);
  void FormShow(ui::TObject* Sender);
  void OkClick(ui::TObject* Sender);
};

}  // namespace installer
