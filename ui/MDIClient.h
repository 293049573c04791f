#pragma once
// The client window of a multiple-document frame (TFormStyle fsMDIForm).

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace ui {

// The client area of a multiple-document frame: it holds the child forms and
// scrolls them in units of 8 pixels (WM_HSCROLL, WM_VSCROLL) when they reach
// past its edges, showing scroll bars then.
class TMDIClient : public TWinControl {
 public:
  static constexpr int kScrollUnit = 8;

  explicit TMDIClient(TCustomForm* frame);
  const char* ClassName() const override { return "MDIClient"; }

  // GetScrollInfo of SB_HORZ or SB_VERT: position, range and page in units.
  TScrollInfo ScrollInfo(int bar) const;
  bool ScrollBarShown(int bar) const { return ScrollInfo(bar).CanScroll(); }
  TRect ClientRect() const override;
  bool PaintTo(TBitmap& target, TPoint origin, const TRect& clip, const TControl* stopAt = nullptr) override;

 protected:
  void WndProc(TMessage& message) override;

 private:
  // The range of one axis for a client extent: the children's far edge or the
  // extent, whichever is further, from the scrolled-away part on.
  TScrollInfo Axis(int bar, int extent) const;
  // Which bars show: each takes room from the other axis.
  void Bars(bool& horz, bool& vert) const;
  void ScrollBy(int bar, int units);

  int FPos[2] = {0, 0};
};

}  // namespace ui
