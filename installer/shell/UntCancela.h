#pragma once
// The cancel window TFRMCancela: asks whether to leave the installation.
// It has no code of its own; its caller reads the modal result: 1 goes on
// ("&Continuar", Enter), 2 leaves ("&Sair", Esc, the close button).

#include "ui/ExtCtrls.h"

namespace installer {

class TFRMCancela : public ui::TForm {
 public:
  explicit TFRMCancela(rtl::TComponent* owner);
  const char* ClassName() const override { return "TFRMCancela"; }

  ui::TImage* Image1;
  ui::TLabel* Label1;
  ui::TLabel* Label2;
  ui::TLabel* Label3;
  ui::TBevel* Bevel1;
  ui::TButton* Button1;  // "&Continuar"
  ui::TButton* Button2;  // "&Sair"
};

}  // namespace installer
