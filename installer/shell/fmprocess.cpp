// The progress strip.

#include "installer/shell/fmprocess.h"

#include <memory>

#include "installer/resources/InstallerResources.h"
#include "installer/shell/CriaControle.h"
#include "installer/shell/UntCancela.h"
#include "platform/Shell.h"
#include "resources/Resources.h"
#include "rtl/Classes.h"
#include "ui/Application.h"

namespace installer {

TFRMProcess* FRMProcess = nullptr;

namespace {

ui::TBitmap RecursoBitmap(std::string_view name) {
  ui::TBitmap bitmap;
  LoadBitmapBytes(bitmap, resources::FindResource(name));
  return bitmap;
}

// The region data as the window description holds it ("RgnData": a byte
// count, then the RGNDATA bytes).
void LeRegiaoFaixa(TVrFormShape& shape) {
  const std::vector<uint8_t> bytes = ui::TRegion::FromRects(kRegiaoFaixa).RegionData();
  rtl::TMemoryStream stream;
  const int32_t count = static_cast<int32_t>(bytes.size());
  stream.WriteBuffer(&count, sizeof count);
  stream.WriteBuffer(bytes.data(), count);
  stream.Seek(0, rtl::soBeginning);
  shape.ReadRgnData(stream);
}

void ConfiguraEstilo(TPCColorStyle& style) {
  style.SetIntensityRGB(-100);
  style.SetIntensity(4.0f);
  style.SetIntensityFactor(-1.7f);
  style.SetRangeRGB(-100);
  style.SetColorRGB(-100);
  style.SetColorFactor(-1.0f);
  style.SetLightAngle(-1.5f);
}

// Both gauges: the values of the dark-grey metal look, then the preset
// itself, as the window stores them.
void ConfiguraGauge(TProgressCyl& gauge) {
  gauge.SetBackBorderColor(ui::clBlack);
  gauge.SetBackColor(ui::clWhite);
  ConfiguraEstilo(gauge.BackStyle());
  gauge.SetBevelColor(ui::clBtnFace);
  gauge.SetBevelInner(bvRaised);
  gauge.SetBevelOuter(bvLowered);
  gauge.SetBevelWidth(1);
  gauge.SetBorderWidth(2);
  gauge.SetColor(ui::clBtnFace);
  gauge.SetCylinderEffect(ceMaximum);
  gauge.Font().SetName("Arial");
  gauge.Font().SetHeight(-12);
  gauge.Font().SetStyle(ui::fsBold);
  gauge.Font().SetColor(ui::clBlack);
  gauge.SetFontEffect(feShadowBottomRight);
  gauge.SetFontOrientation(foLeftToRight);
  gauge.SetFontShadowColor(ui::clBtnFace);
  gauge.SetForeColor(9997193);  // red 137, green 139, blue 152
  gauge.SetForeLineColor(ui::clBlack);
  ConfiguraEstilo(gauge.ForeStyle());
  gauge.SetMax(100);
  gauge.SetOrientation(pbHorizontal);
  gauge.SetPosition(0);
  gauge.SetProEffect(peMetalDarkGray);
  gauge.SetTextDone("Concluído"_a);
  gauge.SetShowText(true);
}

}  // namespace

TFRMProcess::TFRMProcess(rtl::TComponent* owner) : ui::TForm(owner) {
  SetName("FRMProcess");
  SetVisible(false);
  SetBorderStyle(ui::bsNone);
  SetClientSize(588, 36);
  SetColor(ui::clBlack);
  FonteDaJanela(Font(), ui::clWhite);
  SetCaption("Processamento . . .");

  VrFormShape1 = CriaControle<TVrFormShape>(this, this, "VrFormShape1", 0, 0, 588, 36);
  VrFormShape1->BeginLoading();
  VrFormShape1->SetMask(RecursoBitmap(resources::kStripMask));
  VrFormShape1->SetMaskColor(ui::clFuchsia);
  LeRegiaoFaixa(*VrFormShape1);
  VrFormShape1->Loaded();

  lFile = CriaControle<ui::TLabel>(this, this, "lFile", 277, 6, 305, 12);
  lFile->SetAutoSize(false);
  lFile->SetTransparent(true);
  lFile->SetCaption("...");

  lbCaminho = CriaControle<ui::TLabel>(this, this, "lbCaminho", 277, 17, 305, 12);
  lbCaminho->SetAutoSize(false);
  lbCaminho->SetTransparent(true);
  lbCaminho->SetWordWrap(true);
  lbCaminho->SetCaption("...");

  Gauge1 = CriaControle<TProgressCyl>(this, this, "Gauge1", 43, 2, 220, 16);
  ConfiguraGauge(*Gauge1);
  VrLevelBar1 = CriaControle<TProgressCyl>(this, this, "VrLevelBar1", 43, 17, 220, 16);
  ConfiguraGauge(*VrLevelBar1);

  btnabort = CriaControle<TVrHotImage>(this, this, "btnabort", 7, 6, 24, 24);
  btnabort->SetCursor(ui::crHandPoint);
  btnabort->SetHint("Sair da Instalação"_a);
  btnabort->SetShowHint(true);
  btnabort->SetTransparent(true);
  btnabort->SetColorEnter(ui::clFuchsia);
  btnabort->SetColorLeave(ui::clFuchsia);
  btnabort->HotRect().SetColor(ui::clWhite);
  btnabort->Font().SetName("Arial");
  btnabort->Font().SetHeight(-11);
  btnabort->Font().SetStyle(ui::fsBold);
  btnabort->Font().SetColor(ui::clWhite);
  btnabort->SetImageLeave(RecursoBitmap(resources::kAbortLeave));
  btnabort->SetImageEnter(RecursoBitmap(resources::kAbortEnter));
  btnabort->OnClick = [this](ui::TObject* sender) { btnAbortClick(sender); };
}

TFRMProcess::~TFRMProcess() {
  if (FRMProcess == this) FRMProcess = nullptr;
}

void TFRMProcess::btnAbortClick(ui::TObject*) {
  const std::unique_ptr<TFRMCancela> cancela(ui::NewForm<TFRMCancela>(ui::Application));
  // "&Sair", Esc or the close button: the program ends where it is, leaving
  // what was unpacked so far.
  if (cancela->ShowModal() == 2) platform::Halt();
}

}  // namespace installer
