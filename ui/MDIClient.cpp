// The client window of a multiple-document frame.

#include "ui/MDIClient.h"

#include <algorithm>

namespace ui {

namespace {

int UnitsFor(int pixels) { return (std::max(0, pixels) + TMDIClient::kScrollUnit - 1) / TMDIClient::kScrollUnit; }

}  // namespace

TMDIClient::TMDIClient(TCustomForm* frame) : TWinControl(frame) {
  SetName("MDIClient");
  SetParentColor(false);
  SetColor(clAppWorkSpace);
  SetParent(frame);
  SetAlign(alClient);
}

TScrollInfo TMDIClient::Axis(int bar, int extent) const {
  const int scrolled = FPos[bar] * kScrollUnit;
  int far = scrolled + extent;
  for (const TControl* c : ControlList())
    if (c->Visible())
      far = std::max(far, scrolled + (bar == SB_HORZ ? c->Left() + c->Width() : c->Top() + c->Height()));
  return {FPos[bar], UnitsFor(far), UnitsFor(extent)};
}

void TMDIClient::Bars(bool& horz, bool& vert) const {
  horz = Axis(SB_HORZ, Width()).CanScroll();
  vert = Axis(SB_VERT, Height()).CanScroll();
  if (horz && !vert) vert = Axis(SB_VERT, Height() - kScrollBarWidth).CanScroll();
  if (vert && !horz) horz = Axis(SB_HORZ, Width() - kScrollBarWidth).CanScroll();
}

TScrollInfo TMDIClient::ScrollInfo(int bar) const {
  bool horz, vert;
  Bars(horz, vert);
  return bar == SB_HORZ ? Axis(SB_HORZ, Width() - (vert ? kScrollBarWidth : 0))
                        : Axis(SB_VERT, Height() - (horz ? kScrollBarWidth : 0));
}

TRect TMDIClient::ClientRect() const {
  bool horz, vert;
  Bars(horz, vert);
  return Rect(0, 0, std::max(0, Width() - (vert ? kScrollBarWidth : 0)),
              std::max(0, Height() - (horz ? kScrollBarWidth : 0)));
}

void TMDIClient::ScrollBy(int bar, int units) {
  if (units == 0) return;
  FPos[bar] += units;
  const int d = units * kScrollUnit;
  // The children move, as the system scrolls them.
  for (TControl* c : std::vector<TControl*>(ControlList()))
    c->SetBounds(c->Left() - (bar == SB_HORZ ? d : 0), c->Top() - (bar == SB_VERT ? d : 0), c->Width(), c->Height());
  Invalidate();
}

void TMDIClient::WndProc(TMessage& m) {
  if (m.Msg == WM_HSCROLL || m.Msg == WM_VSCROLL) {
    const int bar = m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
    ScrollBy(bar, ScrollUnits(ScrollInfo(bar), ScrollCode(m.WParam), ScrollThumb(m.WParam)));
    return;
  }
  TWinControl::WndProc(m);
}

bool TMDIClient::PaintTo(TBitmap& target, TPoint origin, const TRect& clip, const TControl* stopAt) {
  const bool stopped = TWinControl::PaintTo(target, origin, clip, stopAt);
  bool horz, vert;
  Bars(horz, vert);
  const TRect area = IntersectRect(clip, Bounds(origin.X, origin.Y, Width(), Height()));
  if (stopped || (!horz && !vert) || area.IsEmpty()) return stopped;
  // The bars lie outside the client rectangle, at the right and the bottom.
  PrepareCanvas(target, origin, area);
  const TRect client = ClientRect();
  if (vert)
    PaintVScrollBar(FCanvas, Rect(client.Right, 0, Width(), client.Bottom), ScrollInfo(SB_VERT), Enabled(), spNone);
  if (horz) PaintHScrollBar(FCanvas, Rect(0, client.Bottom, client.Right, Height()), ScrollInfo(SB_HORZ), Enabled());
  if (horz && vert) {
    FCanvas.Brush.Color = clBtnFace;
    FCanvas.Brush.Style = bsSolid;
    FCanvas.FillRect(Rect(client.Right, client.Bottom, Width(), Height()));
  }
  return false;
}

}  // namespace ui
