// TTextFader: lines that fade into one another.

#include "components/TextFade.h"

#include <algorithm>

#include "ui/ExtCtrls.h"

namespace {

// The component's own credit text, shown until lines are given.
const std::vector<rtl::AnsiString> kCredits = {
    "TTextFader 1.22",
    "Written by the Vantor Q-Mira interface team",
    "",
    "Tarquelia Software - interface components",
    "Support: see the product's documentation",
    "",
};

}  // namespace

rtl::AnsiString DecodeFaderEscapes(const rtl::AnsiString& line) {
  rtl::AnsiString out;
  out.reserve(line.size());
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\') {
      out += line[i];
      continue;
    }
    if (++i == line.size()) break;  // a final lone backslash
    switch (line[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += "\r\n"; break;
      case 't': out += '\t'; break;
      default: break;  // unknown escapes give nothing
    }
  }
  return out;
}

void FadeBlend(ui::TBitmap& image, const ui::TBitmap& previous, int progress) {
  if (image.Width() != previous.Width() || image.Height() != previous.Height()) return;
  const uint32_t p = static_cast<uint32_t>(std::clamp(progress, 0, 100)), q = 100 - p;
  const size_t count = static_cast<size_t>(image.Width()) * image.Height();
  ui::TPixel* dst = image.Bits();
  const ui::TPixel* old = previous.Bits();
  for (size_t i = 0; i < count; ++i) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t n = (dst[i] >> shift) & 0xFF, o = (old[i] >> shift) & 0xFF;
      out |= ((n * p + o * q) / 100) << shift;
    }
    dst[i] = out;
  }
}

TTextFader::TTextFader(rtl::TComponent* owner)
    : ui::TGraphicControl(owner), FLines(kCredits), FTimer(std::make_unique<ui::TTimer>(nullptr)) {
  SetControlStyle(ControlStyle() | ui::csOpaque);
  SetBounds(Left(), Top(), 200, 16);
  FTimer->SetEnabled(false);
  FTimer->OnTimer = [this](ui::TObject*) { TimerTick(); };
  FBackground.OnChange = [this] { Invalidate(); };
}

TTextFader::~TTextFader() { SetActive(false); }

bool TTextFader::TimerEnabled() const { return FTimer->Enabled(); }
uint32_t TTextFader::TimerInterval() const { return FTimer->Interval(); }

void TTextFader::SetActive(bool value) {
  if (value == FActive) return;
  FActive = value;
  FProgress = 100;
  if (FLoading) return;
  FTimer->SetEnabled(value);
  if (!value) {
    Invalidate();
    return;
  }
  FPasses = 0;
  FTimer->SetInterval(5);  // the first line comes almost at once
}

void TTextFader::Loaded() {
  FLoading = false;
  if (!FActive) return;
  FTimer->SetInterval(5);
  FTimer->SetEnabled(true);
}

void TTextFader::SetAlignment(ui::TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TTextFader::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  Invalidate();
}

void TTextFader::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Invalidate();
}

void TTextFader::SetBackgroundMode(TBackgroundMode value) {
  if (value == FBackgroundMode) return;
  FBackgroundMode = value;
  Invalidate();
}

void TTextFader::SetFadeStep(int value) { FFadeStep = std::clamp(value, 1, 100); }

void TTextFader::SetLineDelay(uint16_t value) {
  if (value == FLineDelay) return;
  FLineDelay = value;
  if (FProgress == 100) FTimer->SetInterval(value);
}

void TTextFader::SetFadeDelay(uint16_t value) {
  if (value == FFadeDelay) return;
  FFadeDelay = value;
  if (FProgress < 100) FTimer->SetInterval(value);
}

void TTextFader::SetLines(std::vector<rtl::AnsiString> lines) {
  FLines = std::move(lines);
  if (FIndex >= static_cast<int>(FLines.size())) FIndex = static_cast<int>(FLines.size()) - 1;
}

void TTextFader::AddLine(const rtl::AnsiString& line) {
  std::vector<rtl::AnsiString> lines = FLines;
  lines.push_back(line);
  SetLines(std::move(lines));
}

void TTextFader::ChooseLine(int index) {
  const int count = static_cast<int>(FLines.size());
  index = std::min(index, count - 1);
  if (count > 0) index = std::max(index, 0);
  if (index != FIndex && FProgress == 100) FTimer->SetInterval(FLineDelay);
  FIndex = index;
  FCurrentText = FIndex >= 0 ? DecodeFaderEscapes(FLines[FIndex]) : rtl::AnsiString();
}

void TTextFader::TimerTick() {
  if (FProgress == 100) {
    FPreviousText = FCurrentText;
    int next = FIndex + 1;
    if (FIndex >= static_cast<int>(FLines.size()) - 1) {
      ++FPasses;
      next = 0;
      if (FRepeatCount != 0 && FPasses >= FRepeatCount) {
        SetActive(false);
        next = FIndex;
      }
    }
    ChooseLine(next);
    if (FActive) {
      FProgress = 0;
      FTimer->SetInterval(FFadeDelay);
    }
  }
  FProgress = std::min(FProgress + FFadeStep, 100);
  Repaint();
  if (FProgress == 100) {
    FTimer->SetInterval(FLineDelay);
    if (OnComplete) OnComplete(this);
  }
}

void TTextFader::DrawFaderText(ui::TBitmap& image, const rtl::AnsiString& text) {
  ui::TCanvas& canvas = image.Canvas();
  ui::TCanvasSaver saver(canvas);
  canvas.Font.Assign(Font());
  canvas.Brush.Style = ui::bsClear;
  unsigned flags = ui::DT_NOPREFIX | ui::DT_EXPANDTABS;
  flags |= FAlignment == ui::taLeftJustify ? ui::DT_LEFT : FAlignment == ui::taRightJustify ? ui::DT_RIGHT : ui::DT_CENTER;
  if (FWordWrap) flags |= ui::DT_WORDBREAK;
  const int w = image.Width(), h = image.Height();
  ui::TRect measure = ui::Rect(0, 0, w, h);
  const int textHeight = canvas.DrawText(text, measure, flags | ui::DT_CALCRECT);
  const int top = (h - textHeight) / 2;
  ui::TRect r = ui::Rect(0, top, w, top + textHeight);
  canvas.DrawText(text, r, flags);
}

void TTextFader::Render(ui::TBitmap& image) {
  const int w = Width(), h = Height();
  if (FTransparent) {
    PaintParentBackground(image);
  } else {
    image.SetSize(w, h);
    image.Fill(Color());
    const ui::TGraphic* picture = FBackground.Empty() ? nullptr : FBackground.Graphic();
    if (picture) {
      ui::TCanvas& canvas = image.Canvas();
      const int pw = picture->Width(), ph = picture->Height();
      switch (FBackgroundMode) {
        case bmTiled:
          for (int y = 0; y < h; y += ph)
            for (int x = 0; x < w; x += pw) canvas.Draw(x, y, *picture);
          break;
        case bmStretched:
          canvas.StretchDraw(ui::Rect(0, 0, w, h), *picture);
          break;
        case bmCentered:
          canvas.Draw((w - pw) / 2, (h - ph) / 2, *picture);
          break;
        case bmNone:
          break;
      }
    }
  }
  if (FProgress == 100) {
    DrawFaderText(image, FCurrentText);
    return;
  }
  ui::TBitmap previous = image;
  DrawFaderText(previous, FPreviousText);
  DrawFaderText(image, FCurrentText);
  FadeBlend(image, previous, FProgress);
}

void TTextFader::Paint() {
  if (FInPaint) return;
  FInPaint = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FInPaint};
  ui::TBitmap image;
  Render(image);
  Canvas().Draw(0, 0, image);
}
