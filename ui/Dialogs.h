#pragma once
// The drawn dialogs: message boxes with their classic icons, the warning with
// abort, the input and masked input dialogs, the overwrite and continue
// questions, the folder chooser and the open-file dialog. They are the
// platform's dialogs once an application exists (CreateDrawnDialogs).

#include <memory>

#include "platform/Dialogs.h"
#include "ui/ExtCtrls.h"

namespace ui {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// The classic 32 x 32 icons: exclamation triangle, stop sign, information and question balloons.
void DrawMessageIcon(TCanvas& canvas, int x, int y, TMsgDlgType type);
// An icon on a 32 x 32 bitmap filled with background (e.g. clFuchsia, to be drawn transparent).
TBitmap MessageIconBitmap(TMsgDlgType type, TColor background);
// The icon of an MB_ICON* type (mtCustom: none).
TMsgDlgType MessageIconType(platform::UINT mbType);

// Texts of the system's own boxes and dialogs, in the user's language
// (Portuguese for Portuguese, else English).
struct TSystemTexts {
  AnsiString Ok, Cancel, Abort, Retry, Ignore, Yes, No;
  AnsiString FolderName, Folders, Drives, CreateFolder;  // folder chooser; CreateFolder takes %s
  AnsiString LookIn, FileName, FilesOfType, AllFiles, Open, Up;  // open-file dialog
};
const TSystemTexts& SystemTexts();

// Dialog forms place their controls in a dialog frame centred on the screen.
class TDialogForm : public TForm {
 public:
  explicit TDialogForm(rtl::TComponent* owner);

 protected:
  TButton* AddButton(const AnsiString& name, const AnsiString& caption, TModalResult result, int left, int top);
  TLabel* AddLabel(const AnsiString& name, const AnsiString& caption, int left, int top, int width = 0,
                   bool wordWrap = false);
  TImage* AddIcon(TMsgDlgType type, int left, int top);
  // Places the buttons side by side, centred, 6 pixels apart.
  void CenterButtons(const std::vector<TButton*>& buttons, int top);
  // The width a caption takes in the dialog's font.
  int TextWidth(const AnsiString& text, bool bold = false) const;
};

// MessageBoxA: icon and buttons by the MB_ type; ShowModal gives the ID* answered.
class TMessageForm : public TDialogForm {
 public:
  TMessageForm(rtl::TComponent* owner, const AnsiString& text, const AnsiString& caption, platform::UINT type);
  const char* ClassName() const override { return "TMessageForm"; }
  // Shows the box and returns the ID* of the answer.
  int Execute();

 private:
  bool FHasCancel = false;
};

// The warning before an immediate end: caption "Atenção", one button "A&bortar".
class TWarningAbortForm : public TDialogForm {
 public:
  TWarningAbortForm(rtl::TComponent* owner, const AnsiString& text);
  const char* ClassName() const override { return "TWarningAbortForm"; }
};

class TInputQueryForm : public TDialogForm {
 public:
  TInputQueryForm(rtl::TComponent* owner, const platform::TInputQuery& query, const AnsiString& value);
  const char* ClassName() const override { return "TInputQueryForm"; }
  TEdit* Edit() const { return FEdit; }

 private:
  TEdit* FEdit;
};

class TOverwriteForm : public TDialogForm {
 public:
  TOverwriteForm(rtl::TComponent* owner, const platform::TOverwriteQuery& query);
  const char* ClassName() const override { return "TOverwriteForm"; }
  platform::TDialogAnswer Execute();

 protected:
  bool DialogKey(WORD key, TShiftState shift) override;
};

class TContinueForm : public TDialogForm {
 public:
  TContinueForm(rtl::TComponent* owner, const platform::TContinueQuery& query);
  const char* ClassName() const override { return "TContinueForm"; }
  platform::TDialogAnswer Execute();

 protected:
  bool DialogKey(WORD key, TShiftState shift) override;
};

// The folder chooser: the folder's name, the folders of the current folder
// (its ancestors above it), the drives; a folder typed that does not exist
// is made after a question.
class TSelectFolderForm : public TDialogForm {
 public:
  TSelectFolderForm(rtl::TComponent* owner, const AnsiString& caption, const AnsiString& folder);
  const char* ClassName() const override { return "TSelectFolderForm"; }
  // The folder chosen (after OK).
  const AnsiString& Folder() const { return FFolder; }
  // Shows the folders of another folder.
  void ChangeFolder(const AnsiString& folder);
  const AnsiString& CurrentFolder() const { return FCurrent; }
  TListBox* FolderList() const { return FList; }

 private:
  void OkClick(TObject* sender);
  void ListDblClick(TObject* sender);
  void DriveChange(TObject* sender);

  TEdit* FEdit;
  TListBox* FList;
  TComboBox* FDrives;
  AnsiString FCurrent;
  AnsiString FFolder;
  std::vector<AnsiString> FPaths;  // the folder of each list line
};

// The open-file dialog: a folder's subfolders and files; a file chosen or typed.
class TOpenFileForm : public TDialogForm {
 public:
  TOpenFileForm(rtl::TComponent* owner, const AnsiString& title, const AnsiString& fileName);
  const char* ClassName() const override { return "TOpenFileForm"; }
  const AnsiString& FileName() const { return FFileName; }
  void ChangeFolder(const AnsiString& folder);
  const AnsiString& CurrentFolder() const { return FCurrent; }
  TListBox* FileList() const { return FList; }

 private:
  void OpenClick(TObject* sender);
  void ListClick(TObject* sender);
  void ListDblClick(TObject* sender);
  void UpClick(TObject* sender);

  TStaticText* FFolderText;
  TListBox* FList;
  TEdit* FEdit;
  AnsiString FCurrent;
  AnsiString FFileName;
  int FFolderCount = 0;  // the list starts with this many folders
};

// The drawn dialogs as the platform's dialog provider.
std::unique_ptr<platform::TDialogs> CreateDrawnDialogs();

}  // namespace ui
