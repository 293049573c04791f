#pragma once
// More controls: bevel lines and frames, images, the notebook with its pages,
// and the message timer.

#include "ui/Picture.h"
#include "ui/StdCtrls.h"

namespace ui {

// ---- TBevel --------------------------------------------------------------------------
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(rtl::TComponent* owner);
  const char* ClassName() const override { return "TBevel"; }

  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle value);

 protected:
  void Paint() override;

 private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

// ---- TImage ---------------------------------------------------------------------------
class TImage : public TGraphicControl {
 public:
  explicit TImage(rtl::TComponent* owner);
  const char* ClassName() const override { return "TImage"; }

  TPicture& Picture() { return FPicture; }
  const TPicture& Picture() const { return FPicture; }
  void SetPicture(const TPicture& picture) { FPicture.Assign(picture); }
  // The control takes the picture's size.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  // The picture in the middle of the control (else at its top-left corner).
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  // The picture stretched over the whole control.
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  // Stretched keeping its proportions (and only shrunk, never enlarged).
  bool Proportional() const { return FProportional; }
  void SetProportional(bool value);
  // The picture's transparent parts let the parent show.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  // Where the picture is drawn, in client coordinates.
  TRect DestRect() const;

 protected:
  void Paint() override;

 private:
  void PictureChanged();

  TPicture FPicture;
  bool FAutoSize = false;
  bool FCenter = false;
  bool FStretch = false;
  bool FProportional = false;
  bool FTransparent = false;
};

// ---- TNotebook ------------------------------------------------------------------------
// A page of a notebook: a container that shows while its page is chosen.
class TPage : public TCustomControl {
 public:
  explicit TPage(rtl::TComponent* owner);
  const char* ClassName() const override { return "TPage"; }
};

class TNotebook : public TCustomControl {
 public:
  explicit TNotebook(rtl::TComponent* owner);
  const char* ClassName() const override { return "TNotebook"; }

  // The pages by their captions; setting them makes the pages anew.
  std::vector<AnsiString> Pages() const;
  void SetPages(const std::vector<AnsiString>& captions);
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TPage* Page(int index) const { return FPages.at(index); }

  int PageIndex() const { return FPageIndex; }
  // Shows the page (an index out of range changes nothing); the focus moves
  // into the new page when it was on the old one.
  void SetPageIndex(int index);
  AnsiString ActivePage() const;
  void SetActivePage(const AnsiString& caption);

  TNotifyEvent OnPageChanged;

 private:
  std::vector<TPage*> FPages;
  int FPageIndex = -1;
};

// ---- TTimer ------------------------------------------------------------------------------
// A message timer: OnTimer runs from the loop every Interval milliseconds
// (at least 10) while Enabled; interval 0 stops it.
class TTimer : public rtl::TComponent {
 public:
  explicit TTimer(rtl::TComponent* owner);
  ~TTimer() override;

  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);

  TNotifyEvent OnTimer;

 protected:
  friend class TApplication;
  virtual void Timer();

 private:
  uint32_t FInterval = 1000;
  bool FEnabled = true;
};

}  // namespace ui
