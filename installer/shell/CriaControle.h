#pragma once
// Internal to the installer's windows: making their controls the way a window
// description loads them (owner the window, name, parent, place) and the
// font the windows share.

#include "ui/Forms.h"

namespace installer {

using rtl::AnsiString;

template <class T>
T* CriaControle(ui::TCustomForm* form, ui::TWinControl* parent, const char* name, int left, int top, int width,
                int height) {
  T* control = new T(form);  // owned by the window
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

// "MS Sans Serif", height -11, in the given colour.
inline void FonteDaJanela(ui::TFont& font, ui::TColor color) {
  font.SetName("MS Sans Serif");
  font.SetHeight(-11);
  font.SetColor(color);
}

}  // namespace installer
