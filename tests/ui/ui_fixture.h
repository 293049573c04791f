#pragma once
// A headless application for each test (virtual time, a 1024 x 768 screen)
// and a small dialog form to drive.

#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Operator.h"
#include "ui/StdCtrls.h"

namespace uitest {

using namespace ui;

class UiTest : public ::testing::Test {
 protected:
  TApplication App;
  TOperator Op;
};

// A dialog with an edit, OK (default) and Cancel (cancel).
class TSampleDialog : public TForm {
 public:
  explicit TSampleDialog(rtl::TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetCaption("Sample");
    SetPosition(poScreenCenter);
    SetClientSize(300, 120);
    Edit = Make<TEdit>("Edit", 10, 10);
    Ok = Make<TButton>("btnOk", 60, 80);
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Cancel = Make<TButton>("btnCancel", 150, 80);
    Cancel->SetCaption("&Cancel");
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
  }
  template <class T>
  T* Make(const char* name, int left, int top, TWinControl* parent = nullptr) {
    T* c = new T(this);
    c->SetName(name);
    c->SetParent(parent ? parent : this);
    c->SetLeft(left);
    c->SetTop(top);
    return c;
  }
  TEdit* Edit;
  TButton* Ok;
  TButton* Cancel;
};

}  // namespace uitest
