#pragma once
// The double-buffered graphic-control base: windowless controls that paint
// into an off-screen image of their own size and copy it to their parent in
// one step, optionally over a snapshot of what lies beneath them.

#include "ui/Controls.h"
#include "ui/Graphics.h"

class TVrGraphicControl : public ui::TGraphicControl {
 public:
  explicit TVrGraphicControl(rtl::TComponent* owner);
  const char* ClassName() const override { return "TVrGraphicControl"; }

  // Published for the record but never stored with a window.
  const rtl::AnsiString& Version() const;
  void SetVersion(const rtl::AnsiString&) {}

  // Loading from a window description: between BeginLoading and Loaded the
  // stored values are set and nothing repaints.
  void BeginLoading() { FLoading = true; }
  virtual void Loaded() { FLoading = false; }
  bool Loading() const { return FLoading; }

  // The form that holds the control: the last windowed control on the owner chain.
  ui::TWinControl* GetTopForm() const;

 protected:
  // Repaints at once unless loading.
  virtual void UpdateControlCanvas();

 private:
  bool FLoading = false;
};

class TVrGraphicImageControl : public TVrGraphicControl {
 public:
  explicit TVrGraphicImageControl(rtl::TComponent* owner);
  const char* ClassName() const override { return "TVrGraphicImageControl"; }

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

  // The off-screen image: the control's size, holding what was painted last.
  ui::TBitmap& BitmapCanvas() { return FBitmap; }
  const ui::TBitmap& BitmapCanvas() const { return FBitmap; }
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  // Copies the off-screen image to the control.
  void Paint() override;
  // Prepares the off-screen image: the snapshot of the parent when
  // transparent, else the control's colour.
  void ClearBitmapCanvas();
  void UpdateControlCanvas() override;

 private:
  ui::TBitmap FBitmap;
  ui::TBitmap FBackImage;
  bool FTransparent = false;
  bool FNeedsSnapshot = true;
};

// Adds the enter and leave events (after the framework's own handling).
class TVrHyperLinkControl : public TVrGraphicImageControl {
 public:
  explicit TVrHyperLinkControl(rtl::TComponent* owner) : TVrGraphicImageControl(owner) {}
  const char* ClassName() const override { return "TVrHyperLinkControl"; }
};
