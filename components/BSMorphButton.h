#pragma once
// TBSMorphButton: a windowless control that shows a picture and cross-fades
// ("morphs") from its first picture to its second in a fixed number of frames.

#include <cstdint>

#include "rtl/Exceptions.h"
#include "ui/Controls.h"
#include "ui/Picture.h"

class EMorphButton : public rtl::Exception {
 public:
  using Exception::Exception;
};

// One frame of the morph over whole images of equal size: every colour byte
// becomes (s * (32 - w) + e * w) div 32, w from 0 to 32. Two channels go
// through one multiplication at a time, which gives exactly the per-byte rule.
void MorphBlend(ui::TBitmap& shown, const ui::TBitmap& start, const ui::TBitmap& end, int w);

class TBSMorphButton : public ui::TGraphicControl {
 public:
  explicit TBSMorphButton(rtl::TComponent* owner);
  const char* ClassName() const override { return "TBSMorphButton"; }

  // The picture shown at rest, where the morph starts.
  ui::TPicture& MorphPic1() { return FMorphPic1; }
  void SetMorphPic1(const ui::TPicture& value) { FMorphPic1.Assign(value); }
  // The picture the morph ends on.
  ui::TPicture& MorphPic2() { return FMorphPic2; }
  void SetMorphPic2(const ui::TPicture& value) { FMorphPic2.Assign(value); }
  // Backgrounds where a picture does not cover its image.
  ui::TColor MorphColor1() const { return FMorphColor1; }
  void SetMorphColor1(ui::TColor value);
  ui::TColor MorphColor2() const { return FMorphColor2; }
  void SetMorphColor2(ui::TColor value);
  // Blend steps of one morph, held to 1..255.
  int32_t MorphRate() const { return FMorphRate; }
  void SetMorphRate(int32_t value);
  bool StretchToFit() const { return FStretchToFit; }
  void SetStretchToFit(bool value);
  // Waiting events are handled after every frame.
  bool ProcessMsgs() const { return FProcessMsgs; }
  void SetProcessMsgs(bool value) { FProcessMsgs = value; }

  // Runs the morph (MorphRate + 1 frames, each painted at once) and returns when it is over.
  void Morph();

  void SetBounds(int left, int top, int width, int height) override;

  // The shown image: the start picture, or the last frame of a morph.
  const ui::TBitmap& Image() const { return FShown; }
  // Called with each frame number (0 to MorphRate) after the frame is painted.
  std::function<void(int frame)> OnFrame;

 protected:
  void Paint() override;

 private:
  void PrepareImages();
  void PictureChanged();

  ui::TPicture FMorphPic1;
  ui::TPicture FMorphPic2;
  ui::TColor FMorphColor1 = ui::clBlack;
  ui::TColor FMorphColor2 = ui::clWhite;
  int32_t FMorphRate = 250;
  bool FStretchToFit = true;
  bool FProcessMsgs = true;
  bool FPreparing = false;
  ui::TBitmap FShown;  // what the control shows
  ui::TBitmap FEnd;    // the end picture
  ui::TBitmap FStart;  // the shown image as the morph began
};
