#pragma once
// The progress strip TFRMProcess: a small borderless window cut into three
// black pieces at the bottom left of the screen, with the current message,
// the current destination, two gauges and the abort button. The installation
// run fills it; its only logic is the abort button.

#include "components/ProgressCyl.h"
#include "components/VrFormShape.h"
#include "components/VrHotImage.h"
#include "ui/StdCtrls.h"

namespace installer {

class TFRMProcess : public ui::TForm {
 public:
  explicit TFRMProcess(rtl::TComponent* owner);
  ~TFRMProcess() override;
  const char* ClassName() const override { return "TFRMProcess"; }

  TVrFormShape* VrFormShape1;  // the shape, the black surface and the dragging
  ui::TLabel* lFile;           // the archive component's current message
  ui::TLabel* lbCaminho;       // the current destination
  TProgressCyl* Gauge1;        // the current archive operation, 0 to 100
  TProgressCyl* VrLevelBar1;   // the whole run
  TVrHotImage* btnabort;       // asks whether to leave the installation

  void btnAbortClick(ui::TObject* Sender);
};

extern TFRMProcess* FRMProcess;

// The strip's shape as the window stores it: seven rectangles (left, top,
// right, bottom, the last two exclusive) in client coordinates.
inline constexpr ui::TRect kRegiaoFaixa[] = {
    {45, 2, 262, 6},   {275, 2, 585, 6},   // gauge panel and text panel, top band
    {7, 6, 31, 30},                         // abort button square
    {45, 6, 262, 30},  {275, 6, 585, 30},  // the panels' middles
    {45, 30, 262, 33}, {275, 30, 585, 33},  // the panels' bottom bands
};

}  // namespace installer
