#pragma once
// The boxes and dialogs the programs show. The user interface registers drawn
// versions at start-up; tests register a scripted responder. Callers pass the
// texts (captions, labels, button texts) they want shown; the provider only
// lays them out and returns the answer.

#include "platform/WinApi.h"

namespace platform {

// Answer of the overwrite and continue questions.
enum TDialogAnswer { daYes, daYesToAll, daNo, daCancel };

struct TInputQuery {
  AnsiString Caption;
  AnsiString Prompt;      // may hold a line break (two-line prompt)
  AnsiString OkText;      // e.g. "OK"
  AnsiString CancelText;  // e.g. "&Cancel"
  bool Masked = false;    // the edit shows no characters
  int MaxLength = 511;
};

struct TOverwriteQuery {
  AnsiString Caption;           // "Confirm File Overwrite"
  AnsiString ReplaceLabel;      // "Replace File :"
  AnsiString ExistingName;      // shortened path
  AnsiString ExistingInfo;      // "1.234 bytes  01/02/2003 10:11:12"
  AnsiString WithLabel;         // "With File :"
  AnsiString EntryName;
  AnsiString EntryInfo;
  AnsiString YesText, YesToAllText, NoText, CancelText;
};

struct TContinueQuery {
  AnsiString Caption;         // "Confirmation"
  AnsiString ErrorLabel;      // "Error :"
  AnsiString ErrorText;
  AnsiString FileLabel;       // "File :"
  AnsiString EntryName;
  AnsiString EntryInfo;
  AnsiString Question;        // "Do you want to continue ?"
  AnsiString YesText, YesToAllText, NoText;
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;
  // A message box: MB_* button set and icon in `type`; returns the ID* of the button pressed.
  virtual int MessageBox(const AnsiString& text, const AnsiString& caption, UINT type) = 0;
  // Warning icon, caption "Atenção", one button "A&bortar".
  virtual void WarningAbort(const AnsiString& text) = 0;
  // OK returns true with the edited text in value; Cancel or closing returns false, value unchanged.
  virtual bool InputQuery(const TInputQuery& query, AnsiString& value) = 0;
  // Closing the window answers daNo.
  virtual TDialogAnswer QueryOverwrite(const TOverwriteQuery& query) = 0;
  virtual TDialogAnswer QueryContinue(const TContinueQuery& query) = 0;
  // The folder chooser (may offer to create the chosen folder); folder is in and out.
  virtual bool SelectFolder(const AnsiString& caption, AnsiString& folder) = 0;
  // The open-file dialog; fileName is the initial name in, the full path out.
  virtual bool OpenFile(const AnsiString& title, AnsiString& fileName) = 0;
};

// The provider in use. Without one registered, a provider that answers every
// question with its default (OK, the default button, Cancel for inputs) is used.
TDialogs& Dialogs();
void SetDialogs(TDialogs* dialogs);

// The default button of a message box of that type (MB_* button set and
// MB_DEFBUTTON2/3): what pressing Enter answers.
int DefaultMessageBoxAnswer(UINT type);

}  // namespace platform
