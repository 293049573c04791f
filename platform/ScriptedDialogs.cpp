// The scripted dialog provider.

#include "platform/ScriptedDialogs.h"

#include <stdexcept>

namespace platform {

const char* DialogKindName(TDialogKind kind) {
  switch (kind) {
    case dkMessageBox: return "MessageBox";
    case dkWarningAbort: return "WarningAbort";
    case dkInputQuery: return "InputQuery";
    case dkQueryOverwrite: return "QueryOverwrite";
    case dkQueryContinue: return "QueryContinue";
    case dkSelectFolder: return "SelectFolder";
    case dkOpenFile: return "OpenFile";
  }
  return "?";
}

TScriptedDialogs::TScriptedDialogs() : FPrevious(&Dialogs()) { SetDialogs(this); }

TScriptedDialogs::~TScriptedDialogs() {
  // Only put the previous provider back if nobody replaced this one meanwhile.
  if (&Dialogs() == this) SetDialogs(FPrevious);
}

void TScriptedDialogs::AndDo(std::function<void()> action) {
  if (FAnswers.empty()) throw std::logic_error("scripted dialogs: AndDo without an answer before it");
  FAnswers.back().Action = std::move(action);
}

void TScriptedDialogs::Push(TDialogKind kind, int id, bool ok, TDialogAnswer answer, const AnsiString& value) {
  TAnswer entry;
  entry.Kind = kind;
  entry.Id = id;
  entry.Ok = ok;
  entry.Answer = answer;
  entry.Value = value;
  FAnswers.push_back(std::move(entry));
}

void TScriptedDialogs::AnswerMessageBox(int id) { Push(dkMessageBox, id, false, daYes, ""); }
void TScriptedDialogs::AnswerWarningAbort() { Push(dkWarningAbort, 0, false, daYes, ""); }
void TScriptedDialogs::AnswerInput(bool ok, const AnsiString& value) { Push(dkInputQuery, 0, ok, daYes, value); }
void TScriptedDialogs::AnswerOverwrite(TDialogAnswer answer) { Push(dkQueryOverwrite, 0, false, answer, ""); }
void TScriptedDialogs::AnswerContinue(TDialogAnswer answer) { Push(dkQueryContinue, 0, false, answer, ""); }
void TScriptedDialogs::AnswerSelectFolder(bool ok, const AnsiString& folder) {
  Push(dkSelectFolder, 0, ok, daYes, folder);
}
void TScriptedDialogs::AnswerOpenFile(bool ok, const AnsiString& fileName) {
  Push(dkOpenFile, 0, ok, daYes, fileName);
}

void TScriptedDialogs::Clear() {
  FAnswers.clear();
  FAsked.clear();
}

bool TScriptedDialogs::Next(TDialogKind kind, TAnswer& answer) {
  if (FAnswers.empty()) return false;
  if (FAnswers.front().Kind != kind)
    throw std::logic_error(std::string("scripted dialogs: asked ") + DialogKindName(kind) +
                           " but the next answer is for " + DialogKindName(FAnswers.front().Kind));
  answer = std::move(FAnswers.front());
  FAnswers.pop_front();
  if (answer.Action) answer.Action();
  return true;
}

TAskedDialog& TScriptedDialogs::Record(TDialogKind kind) {
  FAsked.emplace_back();
  FAsked.back().Kind = kind;
  return FAsked.back();
}

int TScriptedDialogs::MessageBox(const AnsiString& text, const AnsiString& caption, UINT type) {
  auto& asked = Record(dkMessageBox);
  asked.Text = text;
  asked.Caption = caption;
  asked.Type = type;
  TAnswer answer;
  return Next(dkMessageBox, answer) ? answer.Id : DefaultMessageBoxAnswer(type);
}

void TScriptedDialogs::WarningAbort(const AnsiString& text) {
  auto& asked = Record(dkWarningAbort);
  asked.Text = text;
  asked.Caption = "Atenção"_a;
  TAnswer answer;
  Next(dkWarningAbort, answer);
}

bool TScriptedDialogs::InputQuery(const TInputQuery& query, AnsiString& value) {
  auto& asked = Record(dkInputQuery);
  asked.Caption = query.Caption;
  asked.Text = query.Prompt;
  asked.Value = value;
  asked.Input = query;
  TAnswer answer;
  if (!Next(dkInputQuery, answer) || !answer.Ok) return false;
  value = answer.Value;
  return true;
}

TDialogAnswer TScriptedDialogs::QueryOverwrite(const TOverwriteQuery& query) {
  auto& asked = Record(dkQueryOverwrite);
  asked.Caption = query.Caption;
  asked.Overwrite = query;
  TAnswer answer;
  return Next(dkQueryOverwrite, answer) ? answer.Answer : daYes;
}

TDialogAnswer TScriptedDialogs::QueryContinue(const TContinueQuery& query) {
  auto& asked = Record(dkQueryContinue);
  asked.Caption = query.Caption;
  asked.Text = query.ErrorText;
  asked.Continue = query;
  TAnswer answer;
  return Next(dkQueryContinue, answer) ? answer.Answer : daYes;
}

bool TScriptedDialogs::SelectFolder(const AnsiString& caption, AnsiString& folder) {
  auto& asked = Record(dkSelectFolder);
  asked.Caption = caption;
  asked.Value = folder;
  TAnswer answer;
  if (!Next(dkSelectFolder, answer) || !answer.Ok) return false;
  folder = answer.Value;
  return true;
}

bool TScriptedDialogs::OpenFile(const AnsiString& title, AnsiString& fileName) {
  auto& asked = Record(dkOpenFile);
  asked.Caption = title;
  asked.Value = fileName;
  TAnswer answer;
  if (!Next(dkOpenFile, answer) || !answer.Ok) return false;
  fileName = answer.Value;
  return true;
}

}  // namespace platform
