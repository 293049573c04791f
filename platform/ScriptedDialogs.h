#pragma once
// A dialog provider that answers from a script and records every question:
// for tests anywhere in the project. Answers are taken in order; a question
// of another kind than the next answer raises std::logic_error, so a test
// sees the wrong dialog at once. With no answer left, each dialog gets its
// default (the default button; Cancel for inputs, folders and files).
//
//   platform::TScriptedDialogs dialogs;       // installs itself, puts back the previous one
//   dialogs.AnswerMessageBox(IDNO);
//   dialogs.AnswerInput(true, "A:");
//   ... code under test ...
//   EXPECT_EQ(dialogs.Asked()[0].Text, "...");

#include <deque>
#include <functional>
#include <vector>

#include "platform/Dialogs.h"

namespace platform {

enum TDialogKind { dkMessageBox, dkWarningAbort, dkInputQuery, dkQueryOverwrite, dkQueryContinue,
                   dkSelectFolder, dkOpenFile };

const char* DialogKindName(TDialogKind kind);

// One question as it was asked.
struct TAskedDialog {
  TDialogKind Kind = dkMessageBox;
  AnsiString Caption;  // message box caption, input caption, chooser caption or file title
  AnsiString Text;     // message text, input prompt, continue error text; "" otherwise
  UINT Type = 0;       // MB_* of a message box
  AnsiString Value;    // the value, folder or file name shown at the start
  TInputQuery Input;
  TOverwriteQuery Overwrite;
  TContinueQuery Continue;
};

class TScriptedDialogs : public TDialogs {
 public:
  TScriptedDialogs();  // becomes the provider in use
  ~TScriptedDialogs() override;
  TScriptedDialogs(const TScriptedDialogs&) = delete;
  TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

  void AnswerMessageBox(int id);
  void AnswerWarningAbort();
  void AnswerInput(bool ok, const AnsiString& value = "");
  void AnswerOverwrite(TDialogAnswer answer);
  void AnswerContinue(TDialogAnswer answer);
  void AnswerSelectFolder(bool ok, const AnsiString& folder = "");
  void AnswerOpenFile(bool ok, const AnsiString& fileName = "");
  // Runs `action` when the answer pushed last is given (before the dialog
  // returns): the operator changing a disk before pressing OK.
  void AndDo(std::function<void()> action);

  const std::vector<TAskedDialog>& Asked() const { return FAsked; }
  size_t AnswersLeft() const { return FAnswers.size(); }
  void Clear();

  int MessageBox(const AnsiString& text, const AnsiString& caption, UINT type) override;
  void WarningAbort(const AnsiString& text) override;
  bool InputQuery(const TInputQuery& query, AnsiString& value) override;
  TDialogAnswer QueryOverwrite(const TOverwriteQuery& query) override;
  TDialogAnswer QueryContinue(const TContinueQuery& query) override;
  bool SelectFolder(const AnsiString& caption, AnsiString& folder) override;
  bool OpenFile(const AnsiString& title, AnsiString& fileName) override;

 private:
  struct TAnswer {
    TDialogKind Kind = dkMessageBox;
    int Id = 0;
    bool Ok = false;
    TDialogAnswer Answer = daYes;
    AnsiString Value;
    std::function<void()> Action;
  };
  void Push(TDialogKind kind, int id, bool ok, TDialogAnswer answer, const AnsiString& value);
  // The next answer when it is of this kind; false when none is left.
  bool Next(TDialogKind kind, TAnswer& answer);
  TAskedDialog& Record(TDialogKind kind);

  std::deque<TAnswer> FAnswers;
  std::vector<TAskedDialog> FAsked;
  TDialogs* FPrevious;
};

}  // namespace platform
