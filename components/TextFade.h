#pragma once
// TTextFader: shows the lines of a list one after another, cross-fading
// from each line to the next, on a plain, pictured or see-through background.

#include <cstdint>
#include <algorithm>
#include <memory>
#include <vector>

#include "ui/Controls.h"
#include "ui/Picture.h"

namespace ui {
class TTimer;
}

enum TBackgroundMode { bmNone, bmTiled, bmStretched, bmCentered };

// A line with its escapes decoded: "\\" a backslash, "\n" CR LF, "\t" a tab;
// a backslash before anything else gives nothing, a final lone one is dropped.
rtl::AnsiString DecodeFaderEscapes(const rtl::AnsiString& line);

// The cross-fade: each colour byte of image becomes
// (new * progress + old * (100 - progress)) div 100, old taken from previous.
void FadeBlend(ui::TBitmap& image, const ui::TBitmap& previous, int progress);

class TTextFader : public ui::TGraphicControl {
 public:
  explicit TTextFader(rtl::TComponent* owner);
  ~TTextFader() override;
  const char* ClassName() const override { return "TTextFader"; }

  bool Active() const { return FActive; }
  void SetActive(bool value);
  ui::TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(ui::TAlignment value);
  ui::TPicture& Background() { return FBackground; }
  void SetBackground(const ui::TPicture& value) { FBackground.Assign(value); }
  TBackgroundMode BackgroundMode() const { return FBackgroundMode; }
  void SetBackgroundMode(TBackgroundMode value);
  // Milliseconds between two fade steps.
  uint16_t FadeDelay() const { return FFadeDelay; }
  void SetFadeDelay(uint16_t value);
  // Percent of the fade done per step, 1 to 100.
  int FadeStep() const { return FFadeStep; }
  void SetFadeStep(int value);
  // Milliseconds a line stays after its fade.
  uint16_t LineDelay() const { return FLineDelay; }
  void SetLineDelay(uint16_t value);
  const std::vector<rtl::AnsiString>& Lines() const { return FLines; }
  void SetLines(std::vector<rtl::AnsiString> lines);
  void AddLine(const rtl::AnsiString& line);
  // Passes through the lines; 0: without end.
  int RepeatCount() const { return FRepeatCount; }
  void SetRepeatCount(int value) { FRepeatCount = std::max(value, 0); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);

  ui::TNotifyEvent OnComplete;

  // Loading from a window description: Active takes effect when it ends.
  void BeginLoading() { FLoading = true; }
  void Loaded();

  // The timer's work: choose the next line when settled, then one fade step.
  void TimerTick();
  // The state the fader shows.
  int LineIndex() const { return FIndex; }
  const rtl::AnsiString& CurrentText() const { return FCurrentText; }
  const rtl::AnsiString& PreviousText() const { return FPreviousText; }
  int Progress() const { return FProgress; }
  bool TimerEnabled() const;
  uint32_t TimerInterval() const;

  // Paints the control into image (its size), as the screen shows it.
  void Render(ui::TBitmap& image);

 protected:
  void Paint() override;

 private:
  void DrawFaderText(ui::TBitmap& image, const rtl::AnsiString& text);
  void ChooseLine(int index);

  bool FActive = false;
  ui::TAlignment FAlignment = ui::taCenter;
  ui::TPicture FBackground;
  TBackgroundMode FBackgroundMode = bmTiled;
  uint16_t FFadeDelay = 30;
  int FFadeStep = 4;
  uint16_t FLineDelay = 2000;
  std::vector<rtl::AnsiString> FLines;
  int FRepeatCount = 0;
  bool FTransparent = false;
  bool FWordWrap = true;
  bool FLoading = false;

  int FIndex = -1;
  rtl::AnsiString FCurrentText;
  rtl::AnsiString FPreviousText;
  int FProgress = 100;
  int FPasses = 0;
  std::unique_ptr<ui::TTimer> FTimer;
  bool FInPaint = false;
};
