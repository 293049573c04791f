// Bevels, images, notebooks and timers.

#include "ui/ExtCtrls.h"

#include <algorithm>

#include "ui/Application.h"

namespace ui {

// ---- TBevel ------------------------------------------------------------------------------

TBevel::TBevel(rtl::TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape value) {
  if (value == FShape) return;
  FShape = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas& c = Canvas();
  c.Pen = TPen();
  TColor color1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor color2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  const int w = Width(), h = Height();
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    c.Pen.Color = color;
    c.MoveTo(x1, y1);
    c.LineTo(x2, y2);
  };
  // Upper-left edge in the first colour, lower-right edge in the second.
  auto bevelRect = [&](const TRect& r) {
    c.Pen.Color = color1;
    c.Polyline({Point(r.Left, r.Bottom), Point(r.Left, r.Top), Point(r.Right, r.Top)});
    c.Pen.Color = color2;
    c.Polyline({Point(r.Right, r.Top), Point(r.Right, r.Bottom), Point(r.Left, r.Bottom)});
  };
  switch (FShape) {
    case bsBox:
      bevelRect(Rect(0, 0, w - 1, h - 1));
      break;
    case bsFrame: {
      const TColor temp = color1;
      color1 = color2;
      bevelRect(Rect(1, 1, w - 1, h - 1));
      color2 = temp;
      color1 = temp;
      bevelRect(Rect(0, 0, w - 2, h - 2));
      break;
    }
    case bsTopLine:
      line(color1, 0, 0, w, 0);
      line(color2, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(color1, 0, h - 2, w, h - 2);
      line(color2, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(color1, 0, 0, 0, h);
      line(color2, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(color1, w - 2, 0, w - 2, h);
      line(color2, w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}

// ---- TImage ------------------------------------------------------------------------------

TImage::TImage(rtl::TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
  FPicture.OnChange = [this] { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (TGraphic* g = FPicture.Graphic(); g && FTransparent && !g->Transparent()) g->SetTransparent(true);
  if (FAutoSize && !FPicture.Empty()) SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
  Invalidate();
}

void TImage::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  PictureChanged();
}

void TImage::SetCenter(bool value) {
  if (value == FCenter) return;
  FCenter = value;
  Invalidate();
}

void TImage::SetStretch(bool value) {
  if (value == FStretch) return;
  FStretch = value;
  Invalidate();
}

void TImage::SetProportional(bool value) {
  if (value == FProportional) return;
  FProportional = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  if (TGraphic* g = FPicture.Graphic()) g->SetTransparent(value);
  Invalidate();
}

TRect TImage::DestRect() const {
  int w = FPicture.Width(), h = FPicture.Height();
  const int cw = ClientWidth(), ch = ClientHeight();
  if (FStretch || (FProportional && (w > cw || h > ch))) {
    if (FProportional && w > 0 && h > 0) {
      const double aspect = static_cast<double>(w) / h;
      if (w > h) {
        w = cw;
        h = static_cast<int>(cw / aspect);
        if (h > ch) {
          h = ch;
          w = static_cast<int>(ch * aspect);
        }
      } else {
        h = ch;
        w = static_cast<int>(ch * aspect);
        if (w > cw) {
          w = cw;
          h = static_cast<int>(cw / aspect);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r = Rect(0, 0, w, h);
  if (FCenter) r.Offset((cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  if (FPicture.Empty()) return;
  TCanvas& c = Canvas();
  c.CopyMode = cmSrcCopy;
  c.StretchDraw(DestRect(), *FPicture.Graphic());
}

// ---- TNotebook ------------------------------------------------------------------------------

TPage::TPage(rtl::TComponent* owner) : TCustomControl(owner) {
  FControlStyle |= csAcceptsControls;
  SetVisible(false);
  SetAlign(alClient);
}

TNotebook::TNotebook(rtl::TComponent* owner) : TCustomControl(owner) {
  FControlStyle |= csAcceptsControls;
  SetBounds(0, 0, 150, 150);
  SetPages({"Default"});
}

std::vector<AnsiString> TNotebook::Pages() const {
  std::vector<AnsiString> captions;
  for (TPage* p : FPages) captions.push_back(p->Caption());
  return captions;
}

void TNotebook::SetPages(const std::vector<AnsiString>& captions) {
  for (TPage* p : FPages) delete p;
  FPages.clear();
  FPageIndex = -1;
  for (const AnsiString& caption : captions) {
    auto* page = new TPage(this);
    page->SetCaption(caption);
    page->SetParent(this);
    FPages.push_back(page);
  }
  SetPageIndex(0);
}

void TNotebook::SetPageIndex(int index) {
  if (index == FPageIndex || index < 0 || index >= PageCount()) return;
  TCustomForm* form = ParentForm();
  bool hadFocus = false;
  if (form)
    for (TControl* c = form->ActiveControl(); c; c = c->Parent())
      if (c == this) hadFocus = true;
  TPage* page = FPages[index];
  page->SetVisible(true);
  if (FPageIndex >= 0) FPages[FPageIndex]->SetVisible(false);
  FPageIndex = index;
  if (hadFocus) page->SelectNext(nullptr, true, true);
  if (OnPageChanged) OnPageChanged(this);
}

AnsiString TNotebook::ActivePage() const { return FPageIndex >= 0 ? FPages[FPageIndex]->Caption() : AnsiString(); }

void TNotebook::SetActivePage(const AnsiString& caption) {
  for (int i = 0; i < PageCount(); ++i)
    if (FPages[i]->Caption() == caption) {
      SetPageIndex(i);
      return;
    }
}

// ---- TTimer --------------------------------------------------------------------------------

TTimer::TTimer(rtl::TComponent* owner) : rtl::TComponent(owner) {
  if (Application) Application->TimerChanged(this);
}

TTimer::~TTimer() {
  if (Application) Application->TimerDestroying(this);
}

void TTimer::SetInterval(uint32_t value) {
  if (value == FInterval) return;
  FInterval = value;
  if (Application) Application->TimerChanged(this);
}

void TTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (Application) Application->TimerChanged(this);
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

}  // namespace ui
