// The provider in use, and the one that answers every question with its default.

#include "platform/Dialogs.h"

namespace platform {

namespace {

class TDefaultDialogs : public TDialogs {
 public:
  int MessageBox(const AnsiString&, const AnsiString&, UINT type) override {
    return DefaultMessageBoxAnswer(type);
  }
  void WarningAbort(const AnsiString&) override {}
  bool InputQuery(const TInputQuery&, AnsiString&) override { return false; }
  TDialogAnswer QueryOverwrite(const TOverwriteQuery&) override { return daYes; }
  TDialogAnswer QueryContinue(const TContinueQuery&) override { return daYes; }
  bool SelectFolder(const AnsiString&, AnsiString&) override { return false; }
  bool OpenFile(const AnsiString&, AnsiString&) override { return false; }
};

TDefaultDialogs gDefault;
TDialogs* gDialogs = nullptr;

}  // namespace

int DefaultMessageBoxAnswer(UINT type) {
  int buttons[3] = {IDOK, 0, 0};
  switch (type & 0x0F) {
    case MB_OKCANCEL: buttons[1] = IDCANCEL; break;
    case MB_ABORTRETRYIGNORE: buttons[0] = IDABORT, buttons[1] = IDRETRY, buttons[2] = IDIGNORE; break;
    case MB_YESNOCANCEL: buttons[0] = IDYES, buttons[1] = IDNO, buttons[2] = IDCANCEL; break;
    case MB_YESNO: buttons[0] = IDYES, buttons[1] = IDNO; break;
    case MB_RETRYCANCEL: buttons[0] = IDRETRY, buttons[1] = IDCANCEL; break;
    default: break;
  }
  // MB_DEFBUTTON2 / MB_DEFBUTTON3 pick a later button where the set has one.
  const unsigned index = (type >> 8) & 0x0F;
  return index < 3 && buttons[index] != 0 ? buttons[index] : buttons[0];
}

TDialogs& Dialogs() { return gDialogs ? *gDialogs : gDefault; }

void SetDialogs(TDialogs* dialogs) { gDialogs = dialogs; }

}  // namespace platform
