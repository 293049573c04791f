#pragma once
// TVrHotImage: a picture that changes while the mouse is over it, with a
// caption and a hot frame; the installer's abort button.

#include "components/VrControls.h"

enum TVrHotImageDrawStyle { dsCenter, dsStretch };
enum TVrTextAlignment {
  vtaLeft, vtaCenter, vtaRight, vtaTopLeft, vtaTop, vtaTopRight, vtaBottomLeft, vtaBottom, vtaBottomRight
};

// The frame drawn on the control's edge while the mouse is over it.
class TVrHotRect {
 public:
  ui::TColor Color() const { return FColor; }
  void SetColor(ui::TColor value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  void Assign(const TVrHotRect& other);
  // Changes between BeginUpdate and EndUpdate are told once, at the end.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

  std::function<void()> OnChange;

 private:
  void Changed();

  ui::TColor FColor = 0x00FFFF;
  int FWidth = 1;
  bool FVisible = true;
  int FUpdateCount = 0;
};

class TVrHotImage : public TVrHyperLinkControl {
 public:
  explicit TVrHotImage(rtl::TComponent* owner);
  const char* ClassName() const override { return "TVrHotImage"; }

  // Shown while the mouse is away / over the control.
  const ui::TBitmap& ImageLeave() const { return FImageLeave; }
  void SetImageLeave(const ui::TBitmap& value);
  const ui::TBitmap& ImageEnter() const { return FImageEnter; }
  void SetImageEnter(const ui::TBitmap& value);
  // Background, and the see-through colour of the matching picture.
  ui::TColor ColorEnter() const { return FColorEnter; }
  void SetColorEnter(ui::TColor value);
  ui::TColor ColorLeave() const { return FColorLeave; }
  void SetColorLeave(ui::TColor value);
  TVrHotImageDrawStyle DrawStyle() const { return FDrawStyle; }
  void SetDrawStyle(TVrHotImageDrawStyle value);
  TVrTextAlignment TextAlignment() const { return FTextAlignment; }
  void SetTextAlignment(TVrTextAlignment value);
  TVrHotRect& HotRect() { return FHotRect; }
  void SetHotRect(const TVrHotRect& value) { FHotRect.Assign(value); }

  bool MouseInside() const { return FMouseInside; }

 protected:
  void Paint() override;
  void MouseEnter() override;
  void MouseLeave() override;
  void TextChanged() override;
  void FontChanged() override;

 private:
  ui::TBitmap FImageLeave;
  ui::TBitmap FImageEnter;
  ui::TColor FColorEnter = 0xFF0000;
  ui::TColor FColorLeave = ui::clBlack;
  TVrHotImageDrawStyle FDrawStyle = dsCenter;
  TVrTextAlignment FTextAlignment = vtaBottom;
  TVrHotRect FHotRect;
};
