#pragma once
// Internal to the installer's windows: making their controls the way a window
// description loads them (owner the window, name, parent, place) and the
// font the windows share.

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

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

// How a window's label shows its text.
struct TEstiloTexto {
  bool Transparente = true;
  bool QuebraLinha = true;  // word-wrapped
  bool AjustaTamanho = false;  // the size fits the text at the stored width, as a loaded window does
};

// A label of the stored size with its text.
inline ui::TLabel* CriaTexto(ui::TCustomForm* form, ui::TWinControl* parent, const char* name, int left, int top,
                             int width, int height, const AnsiString& caption, TEstiloTexto estilo = {}) {
  ui::TLabel* label = CriaControle<ui::TLabel>(form, parent, name, left, top, width, height);
  label->SetAutoSize(false);
  label->SetTransparent(estilo.Transparente);
  label->SetWordWrap(estilo.QuebraLinha);
  label->SetCaption(caption);
  if (estilo.AjustaTamanho) label->SetAutoSize(true);
  return label;
}

// A push button of the windows' size (75 x 25) on the window itself.
inline ui::TButton* CriaBotao(ui::TCustomForm* form, const char* name, int left, int top, const AnsiString& caption,
                              ui::TModalResult result = ui::mrNone) {
  ui::TButton* button = CriaControle<ui::TButton>(form, form, name, left, top, 75, 25);
  button->SetCaption(caption);
  button->SetModalResult(result);
  return button;
}

// A radio button, 17 pixels high.
inline ui::TRadioButton* CriaOpcao(ui::TCustomForm* form, ui::TWinControl* parent, const char* name, int left,
                                   int top, int width, const AnsiString& caption) {
  ui::TRadioButton* radio = CriaControle<ui::TRadioButton>(form, parent, name, left, top, width, 17);
  radio->SetCaption(caption);
  return radio;
}

// "MS Sans Serif", height -11, in the given colour.
inline void FonteDaJanela(ui::TFont& font, ui::TColor color) {
  font.SetName("MS Sans Serif");
  font.SetHeight(-11);
  font.SetColor(color);
}

}  // namespace installer
