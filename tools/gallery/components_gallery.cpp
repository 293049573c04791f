// Gallery pictures of the visual components: the installer's gauges, every
// gauge preset, the gradients, the morph, the strip's shape and abort
// button, the wallpaper modes (also behind a scrolled multiple-document frame)
// and the text fader.

#include <fstream>
#include <string>
#include <string_view>

#include "components/BSMorphButton.h"
#include "components/MDIWallp.h"
#include "components/ProgressCyl.h"
#include "components/TextFade.h"
#include "components/VrFormShape.h"
#include "components/VrGradient.h"
#include "components/VrHotImage.h"
#include "resources/Resources.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/MDIClient.h"
#include "ui/Picture.h"

using namespace rtl::literals;

namespace {

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) throw rtl::EWriteError("Cannot write " + path);
}

void WritePng(const std::string& outDir, const std::string& name, const ui::TBitmap& image) {
  rtl::TMemoryStream stream;
  ui::SavePngToStream(image, stream);
  WriteFile(outDir + "/" + name, stream.Memory(), static_cast<size_t>(stream.Size()));
}

// A borderless form of the given client size to paint components on.
std::unique_ptr<ui::TForm> Surface(int width, int height, ui::TColor color) {
  auto form = std::make_unique<ui::TForm>(nullptr);
  form->SetBorderStyle(ui::bsNone);
  form->SetBounds(0, 0, width, height);
  form->SetColor(color);
  return form;
}

void Gauges(const std::string& outDir) {
  // The progress strip's two gauges.
  for (int position : {0, 1, 50, 99, 100}) {
    TProgressCyl gauge(nullptr);
    gauge.SetBounds(0, 0, 220, 16);
    gauge.SetMax(100);
    gauge.SetTextDone("Concluído"_a);
    ui::TFont font;
    font.SetName("Arial");
    font.SetHeight(-12);
    font.SetStyle(ui::fsBold);
    font.SetColor(ui::clBlack);
    gauge.Font().Assign(font);
    gauge.SetProEffect(peMetalDarkGray);
    gauge.SetPosition(position);
    gauge.Render();
    WritePng(outDir, "gauge-installer-" + std::to_string(position) + ".png", gauge.Image());
  }
  for (int p = 0; p < kProEffectCount; ++p) {
    TProgressCyl gauge(nullptr);
    gauge.SetProEffect(static_cast<TProEffect>(p));
    gauge.SetPosition(50);
    gauge.Render();
    WritePng(outDir, "gauge-" + std::string(kProEffectNames[p]) + ".png", gauge.Image());
  }
}

void Gradients(const std::string& outDir) {
  const struct {
    TVrGradDirection Direction;
    bool Swap;
    const char* Name;
  } cases[] = {{gdUpDown, false, "gdUpDown"},
               {gdLeftRight, false, "gdLeftRight"},
               {gdChord1, false, "gdChord1"},
               {gdChord2, false, "gdChord2"},
               {gdUpDown, true, "gdUpDown-swapped"}};
  for (const auto& c : cases) {
    auto form = Surface(100, 592, ui::clBtnFace);
    auto* gradient = new TVrGradient(form.get());
    gradient->SetParent(form.get());
    gradient->SetAlign(ui::alClient);
    gradient->SetStartColor(ui::clBlack);
    gradient->SetEndColor(ui::clWhite);
    gradient->SetColorWidth(1);
    gradient->SetDirection(c.Direction);
    gradient->SetSwapColors(c.Swap);
    WritePng(outDir, std::string("gradient-") + c.Name + ".png", form->PaintWindowImage());
  }
}

void Morph(const std::string& outDir) {
  TBSMorphButton button(nullptr);
  button.SetBounds(0, 0, 549, 305);
  ui::TBitmap black(549, 305), white(549, 305);
  black.Fill(ui::clBlack);
  white.Fill(ui::clWhite);
  button.MorphPic1().SetGraphic(&black);
  button.MorphPic2().SetGraphic(&white);
  button.SetMorphRate(250);
  button.SetProcessMsgs(false);
  button.OnFrame = [&](int frame) {
    if (frame == 0 || frame == 125 || frame == 250)
      WritePng(outDir, "morph-" + std::to_string(frame) + ".png", button.Image());
  };
  button.Morph();
}

void Strip(const std::string& outDir) {
  const ui::TBitmap mask = resources::BitmapResource(resources::kStripMask);
  WritePng(outDir, "strip-mask.png", mask);
  const std::vector<uint8_t> region = RegionFromMask(mask, ui::clFuchsia).RegionData();
  WriteFile(outDir + "/strip-region.bin", region.data(), region.size());

  // The abort button as the strip holds it, over mid-grey.
  auto form = Surface(24, 24, ui::RGB(128, 128, 128));
  auto* button = new TVrHotImage(form.get());
  button->SetParent(form.get());
  button->SetBounds(0, 0, 24, 24);
  button->SetTransparent(true);
  button->SetColorEnter(ui::clFuchsia);
  button->SetColorLeave(ui::clFuchsia);
  button->HotRect().SetColor(ui::clWhite);
  button->SetImageLeave(resources::BitmapResource(resources::kAbortLeave));
  button->SetImageEnter(resources::BitmapResource(resources::kAbortEnter));
  WritePng(outDir, "hotimage-leave.png", form->PaintWindowImage());
  button->Perform(ui::CM_MOUSEENTER);
  WritePng(outDir, "hotimage-enter.png", form->PaintWindowImage());
}

// A 64 x 48 picture with a frame, four coloured quarters and a disc, so
// placement and tiling show at a glance.
ui::TBitmap TestPicture() {
  ui::TBitmap picture(64, 48);
  ui::TCanvas& c = picture.Canvas();
  const ui::TColor quarters[] = {ui::RGB(220, 60, 50), ui::RGB(60, 160, 70), ui::RGB(50, 90, 200),
                                 ui::RGB(230, 190, 40)};
  for (int i = 0; i < 4; ++i) {
    c.Brush.Color = quarters[i];
    c.FillRect(ui::Bounds((i % 2) * 32, (i / 2) * 24, 32, 24));
  }
  c.Brush.Color = ui::clWhite;
  c.Pen.Color = ui::clBlack;
  c.Ellipse(20, 12, 44, 36);
  c.Brush.Color = ui::clBlack;
  c.FrameRect(ui::Rect(0, 0, 64, 48));
  return picture;
}

void Wallpapers(const std::string& outDir) {
  const ui::TBitmap picture = TestPicture();
  const struct {
    TWallpaperMode Mode;
    const char* Name;
  } modes[] = {{wpTile, "wpTile"},         {wpCenter, "wpCenter"},         {wpTopLeft, "wpTopLeft"},
               {wpStretch, "wpStretch"},   {wpTopRight, "wpTopRight"},     {wpBottomLeft, "wpBottomLeft"},
               {wpBottomRight, "wpBottomRight"}};
  for (const auto& m : modes) {
    auto form = Surface(300, 200, ui::clBtnFace);
    auto* wallpaper = new TMDIWallpaper(form.get());
    wallpaper->SetMode(m.Mode);
    wallpaper->Picture().SetGraphic(&picture);
    WritePng(outDir, std::string("wallpaper-") + m.Name + ".png", form->PaintWindowImage());
  }
}

// A multiple-document frame with two child forms over the tiled picture,
// scrolled down and right: the tiles move with the children.
void WallpaperFrame(const std::string& outDir) {
  const ui::TBitmap picture = TestPicture();
  auto* frame = ui::NewForm<ui::TForm>(ui::Application);
  frame->SetCaption("Vantor Q-Mira");
  frame->SetBounds(0, 0, 420, 300);
  frame->SetFormStyle(ui::fsMDIForm);
  auto* wallpaper = new TMDIWallpaper(frame);
  wallpaper->SetMode(wpTile);
  wallpaper->Picture().SetGraphic(&picture);
  const struct {
    const char* Caption;
    int Left, Top;
  } children[] = {{"Cadastro", 24, 20}, {"Relatório", 230, 180}};
  for (const auto& c : children) {
    auto* child = ui::NewForm<ui::TForm>(frame);
    child->SetFormStyle(ui::fsMDIChild);
    child->SetCaption(rtl::AnsiFromUtf8(c.Caption));
    child->SetBounds(c.Left, c.Top, 220, 130);
    child->SetColor(ui::clWindow);
    child->Show();
  }
  frame->Show();
  WritePng(outDir, "wallpaper-frame.png", frame->PaintWindowImage());
  ui::TMDIClient& client = *frame->ClientWindow();
  client.Perform(ui::WM_VSCROLL, ui::ScrollWParam(ui::SB_LINEDOWN));
  client.Perform(ui::WM_HSCROLL, ui::ScrollWParam(ui::SB_THUMBPOSITION, 2));
  WritePng(outDir, "wallpaper-frame-scrolled.png", frame->PaintWindowImage());
  delete frame;
}

void Fader(const std::string& outDir) {
  TTextFader fader(nullptr);
  fader.SetBounds(0, 0, 300, 40);
  fader.SetParentColor(false);
  fader.SetColor(ui::RGB(0, 0, 96));
  fader.SetParentFont(false);
  ui::TFont font;
  font.SetName("Arial");
  font.SetHeight(-20);
  font.SetStyle(ui::fsBold);
  font.SetColor(ui::clWhite);
  fader.Font().Assign(font);
  fader.SetLines({"Vantor Q-Mira", "Instalação"_a});
  fader.SetFadeStep(50);
  fader.SetActive(true);
  ui::TBitmap image;
  auto settle = [&] {
    do fader.TimerTick();
    while (fader.Progress() < 100);
  };
  settle();  // the first line shown: no fade yet
  fader.Render(image);
  WritePng(outDir, "fader-0.png", image);
  fader.TimerTick();
  fader.Render(image);
  WritePng(outDir, "fader-50.png", image);
  settle();
  fader.Render(image);
  WritePng(outDir, "fader-100.png", image);
}

}  // namespace

void WriteComponentGallery(const std::string& outDir) {
  Gauges(outDir);
  Gradients(outDir);
  Morph(outDir);
  Strip(outDir);
  Wallpapers(outDir);
  WallpaperFrame(outDir);
  Fader(outDir);
}
