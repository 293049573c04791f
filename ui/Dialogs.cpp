// The drawn dialogs and the classic message icons.

#include "ui/Dialogs.h"

#include <algorithm>

#include "platform/Files.h"
#include "platform/MessageBoxes.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"

namespace ui {

using namespace platform;

namespace {

constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;

bool Portuguese() {
  try {
    return (Api().GetUserDefaultLangID() & 0x3FF) == 0x16;
  } catch (const rtl::Exception&) {
    return true;  // no machine: the product's own language
  }
}

AnsiString ReplaceFirst(AnsiString text, const AnsiString& what, const AnsiString& with) {
  if (auto pos = text.find(what); pos != AnsiString::npos) text.replace(pos, what.size(), with);
  return text;
}

// Folders: "C:\" stays as it is, others lose a trailing backslash.
AnsiString NormalFolder(const AnsiString& folder) {
  if (folder.size() <= 3) return rtl::IncludeTrailingBackslash(folder);
  return rtl::ExcludeTrailingBackslash(folder);
}

AnsiString ParentFolder(const AnsiString& folder) {
  const AnsiString f = rtl::ExcludeTrailingBackslash(folder);
  const auto pos = f.rfind('\\');
  if (pos == AnsiString::npos || pos <= 2) return f.size() >= 2 ? f.substr(0, 2) + "\\" : folder;
  return f.substr(0, pos);
}

bool IsAbsolute(const AnsiString& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

// The entries of a folder: its folders or its files, sorted without regard to case.
std::vector<AnsiString> ListFolder(const AnsiString& folder, bool folders) {
  std::vector<AnsiString> names;
  WIN32_FIND_DATAA data;
  const HANDLE h = Api().FindFirstFileA(rtl::IncludeTrailingBackslash(folder) + "*.*", data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (isFolder != folders || data.cFileName == "." || data.cFileName == "..") continue;
    names.push_back(data.cFileName);
  } while (Api().FindNextFileA(h, data));
  Api().FindClose(h);
  std::sort(names.begin(), names.end(),
            [](const AnsiString& a, const AnsiString& b) { return rtl::AnsiCompareText(a, b) < 0; });
  return names;
}

template <class T, class... Args>
std::unique_ptr<T> MakeDialog(Args&&... args) {
  if (!Application) throw rtl::Exception("No application to show the dialog");
  return std::unique_ptr<T>(NewForm<T>(Application, std::forward<Args>(args)...));
}

}  // namespace

// ---- icons ---------------------------------------------------------------------------

TMsgDlgType MessageIconType(UINT mbType) {
  switch (mbType & 0xF0) {
    case MB_ICONSTOP: return mtError;
    case MB_ICONQUESTION: return mtConfirmation;
    case MB_ICONEXCLAMATION: return mtWarning;
    case MB_ICONINFORMATION: return mtInformation;
    default: return mtCustom;
  }
}

void DrawMessageIcon(TCanvas& c, int x, int y, TMsgDlgType type) {
  TCanvasSaver saver(c);
  c.Pen = TPen();
  c.Brush.Style = bsSolid;
  auto fill = [&](TColor color, int l, int t, int r, int b) {
    c.Brush.Color = color;
    c.FillRect(Rect(x + l, y + t, x + r, y + b));
  };
  auto balloon = [&] {
    c.Pen.Color = clBlack;
    c.Brush.Color = clWhite;
    c.Polygon({Point(x + 8, y + 22), Point(x + 5, y + 31), Point(x + 15, y + 25)});
    c.Ellipse(x + 1, y + 1, x + 31, y + 27);
  };
  switch (type) {
    case mtWarning:
      // A yellow triangle with an exclamation mark.
      c.Pen.Color = clBlack;
      c.Brush.Color = clYellow;
      c.Polygon({Point(x + 15, y + 1), Point(x + 16, y + 1), Point(x + 31, y + 29), Point(x + 0, y + 29)});
      fill(clBlack, 14, 9, 18, 21);
      fill(clBlack, 14, 23, 18, 27);
      break;
    case mtError:
      // A red disc with a white cross.
      c.Pen.Color = clMaroon;
      c.Brush.Color = clRed;
      c.Ellipse(x + 1, y + 1, x + 31, y + 31);
      c.Pen.Color = clWhite;
      c.Pen.Width = 3;
      c.MoveTo(x + 10, y + 10);
      c.LineTo(x + 22, y + 22);
      c.MoveTo(x + 21, y + 10);
      c.LineTo(x + 9, y + 22);
      break;
    case mtInformation:
      balloon();
      fill(clBlue, 14, 5, 18, 9);
      fill(clBlue, 14, 11, 18, 22);
      fill(clBlue, 12, 11, 14, 13);
      fill(clBlue, 12, 20, 20, 22);
      break;
    case mtConfirmation: {
      balloon();
      c.Font.Assign(TFont());
      c.Font.SetName("Arial");
      c.Font.SetHeight(-20);
      c.Font.SetStyle(fsBold);
      c.Font.SetColor(clBlue);
      c.Brush.Style = bsClear;
      TRect r = Rect(x + 1, y + 1, x + 31, y + 27);
      c.DrawText("?", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      break;
    }
    case mtCustom:
      break;
  }
}

TBitmap MessageIconBitmap(TMsgDlgType type, TColor background) {
  TBitmap b(32, 32);
  b.Fill(ColorToRGB(background));
  DrawMessageIcon(b.Canvas(), 0, 0, type);
  return b;
}

const TSystemTexts& SystemTexts() {
  static const TSystemTexts pt{
      "OK", "Cancelar", "&Anular", "&Repetir", "&Ignorar", "&Sim", "&Não"_a,
      "&Nome da pasta:", "&Pastas:", "&Unidades:", "A pasta \"%s\" não existe.\r\nDeseja criá-la?"_a,
      "E&xaminar:", "&Nome do arquivo:", "Arquivos do &tipo:", "Todos os arquivos (*.*)", "&Abrir", "A&cima"};
  static const TSystemTexts en{
      "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&Yes", "&No",
      "Directory &name:", "&Directories:", "Dri&ves:", "The folder \"%s\" does not exist.\r\nDo you want to create it?",
      "Look &in:", "File &name:", "Files of &type:", "All files (*.*)", "&Open", "&Up"};
  return Portuguese() ? pt : en;
}

// ---- TDialogForm ------------------------------------------------------------------------

TDialogForm::TDialogForm(rtl::TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
}

TButton* TDialogForm::AddButton(const AnsiString& name, const AnsiString& caption, TModalResult result, int left,
                                int top) {
  auto* b = new TButton(this);
  b->SetName(name);
  b->SetParent(this);
  b->SetCaption(caption);
  b->SetModalResult(result);
  b->SetBounds(left, top, kButtonWidth, kButtonHeight);
  return b;
}

TLabel* TDialogForm::AddLabel(const AnsiString& name, const AnsiString& caption, int left, int top, int width,
                              bool wordWrap) {
  auto* l = new TLabel(this);
  l->SetName(name);
  l->SetParent(this);
  l->SetShowAccelChar(false);
  l->SetCaption(caption);
  l->SetLeft(left);
  l->SetTop(top);
  if (wordWrap) {
    // A fixed width and as many lines as the text needs.
    l->SetAutoSize(false);
    l->SetWordWrap(true);
    TBitmap probe(1, 1);
    probe.Canvas().Font.Assign(Font());
    TRect r = Rect(0, 0, width, 0);
    probe.Canvas().DrawText(caption.empty() ? AnsiString(" ") : caption, r,
                            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    l->SetBounds(left, top, width, r.Height());
  } else if (width > 0) {
    l->SetWidth(width);
  }
  return l;
}

TImage* TDialogForm::AddIcon(TMsgDlgType type, int left, int top) {
  auto* image = new TImage(this);
  image->SetName("Image");
  image->SetParent(this);
  image->SetBounds(left, top, 32, 32);
  TBitmap icon = MessageIconBitmap(type, clFuchsia);
  icon.SetTransparentColor(clFuchsia);
  image->Picture().SetGraphic(&icon);
  image->SetTransparent(true);
  return image;
}

void TDialogForm::CenterButtons(const std::vector<TButton*>& buttons, int top) {
  const int n = static_cast<int>(buttons.size());
  const int total = n * kButtonWidth + (n - 1) * kButtonGap;
  int x = (ClientWidth() - total) / 2;
  for (TButton* b : buttons) {
    b->SetBounds(x, top, kButtonWidth, kButtonHeight);
    x += kButtonWidth + kButtonGap;
  }
}

int TDialogForm::TextWidth(const AnsiString& text, bool bold) const {
  TBitmap probe(1, 1);
  TCanvas& c = probe.Canvas();
  c.Font.Assign(Font());
  if (bold) c.Font.SetStyle(fsBold);
  TRect r = Rect(0, 0, 0, 0);
  c.DrawText(text, r, DT_CALCRECT | DT_SINGLELINE);
  return r.Width();
}

// ---- message boxes ---------------------------------------------------------------------------

TMessageForm::TMessageForm(rtl::TComponent* owner, const AnsiString& text, const AnsiString& caption, UINT type)
    : TDialogForm(owner) {
  SetCaption(caption);
  const TSystemTexts& t = SystemTexts();
  struct TSpec {
    const char* Name;
    AnsiString Caption;
    int Id;
  };
  std::vector<TSpec> specs;
  switch (type & 0x0F) {
    case MB_OKCANCEL: specs = {{"OK", t.Ok, IDOK}, {"Cancel", t.Cancel, IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE:
      specs = {{"Abort", t.Abort, IDABORT}, {"Retry", t.Retry, IDRETRY}, {"Ignore", t.Ignore, IDIGNORE}};
      break;
    case MB_YESNOCANCEL: specs = {{"Yes", t.Yes, IDYES}, {"No", t.No, IDNO}, {"Cancel", t.Cancel, IDCANCEL}}; break;
    case MB_YESNO: specs = {{"Yes", t.Yes, IDYES}, {"No", t.No, IDNO}}; break;
    case MB_RETRYCANCEL: specs = {{"Retry", t.Retry, IDRETRY}, {"Cancel", t.Cancel, IDCANCEL}}; break;
    default: specs = {{"OK", t.Ok, IDOK}}; break;
  }
  const TMsgDlgType icon = MessageIconType(type);
  const bool hasIcon = icon != mtCustom;
  const bool okOnly = specs.size() == 1;
  FHasCancel = std::any_of(specs.begin(), specs.end(), [](const TSpec& s) { return s.Id == IDCANCEL; });
  if (!FHasCancel && !okOnly) SetBorderIcons(0);

  // The text wraps at five eighths of the screen's width.
  const int maxWidth = std::max(200, (Screen ? Screen->Width() : 1024) * 5 / 8);
  TBitmap probe(1, 1);
  probe.Canvas().Font.Assign(Font());
  TRect m = Rect(0, 0, maxWidth, 0);
  const unsigned flags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
  probe.Canvas().DrawText(text.empty() ? AnsiString(" ") : text, m, flags | DT_CALCRECT);
  const int textLeft = hasIcon ? kMargin + 32 + kMargin : kMargin;
  const int textTop = kMargin + (hasIcon && m.Height() < 32 ? (32 - m.Height()) / 2 : 0);
  if (hasIcon) AddIcon(icon, kMargin, kMargin);
  TLabel* label = AddLabel("Message", text, textLeft, textTop);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetBounds(textLeft, textTop, m.Width(), m.Height());

  const int n = static_cast<int>(specs.size());
  const int buttonsWidth = n * kButtonWidth + (n - 1) * kButtonGap + 2 * kMargin;
  const int width = std::max({textLeft + m.Width() + kMargin, buttonsWidth, TextWidth(caption, true) + 48});
  const int contentBottom = std::max(hasIcon ? kMargin + 32 : 0, textTop + m.Height());
  const int buttonsTop = contentBottom + 14;
  SetClientSize(width, buttonsTop + kButtonHeight + kMargin);

  std::vector<TButton*> buttons;
  for (const TSpec& s : specs) {
    TButton* b = AddButton(s.Name, s.Caption, s.Id, 0, buttonsTop);
    if (s.Id == IDCANCEL || okOnly) b->SetCancel(true);
    buttons.push_back(b);
  }
  CenterButtons(buttons, buttonsTop);
  const unsigned def = (type >> 8) & 0x0F;
  TButton* defaultButton = buttons[def < buttons.size() ? def : 0];
  defaultButton->SetDefault(true);
  SetActiveControl(defaultButton);

  // Without a Cancel button (and more than OK) the box cannot be closed.
  OnCloseQuery = [this, okOnly](TObject*, bool& canClose) {
    if (ModalResult() == mrCancel && !FHasCancel && !okOnly) canClose = false;
  };
}

int TMessageForm::Execute() {
  const int result = ShowModal();
  // Closing an OK-only box answers OK.
  if (result == mrCancel && !FHasCancel) return IDOK;
  return result;
}

TWarningAbortForm::TWarningAbortForm(rtl::TComponent* owner, const AnsiString& text) : TDialogForm(owner) {
  SetCaption("Atenção"_a);
  TBitmap probe(1, 1);
  probe.Canvas().Font.Assign(Font());
  const int maxWidth = std::max(200, (Screen ? Screen->Width() : 1024) * 5 / 8);
  TRect m = Rect(0, 0, maxWidth, 0);
  probe.Canvas().DrawText(text.empty() ? AnsiString(" ") : text, m,
                          DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_CALCRECT);
  const int textLeft = kMargin + 32 + kMargin;
  const int textTop = kMargin + (m.Height() < 32 ? (32 - m.Height()) / 2 : 0);
  AddIcon(mtWarning, kMargin, kMargin);
  TLabel* label = AddLabel("Message", text, textLeft, textTop);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetBounds(textLeft, textTop, m.Width(), m.Height());
  const int buttonsTop = std::max(kMargin + 32, textTop + m.Height()) + 14;
  SetClientSize(std::max({textLeft + m.Width() + kMargin, kButtonWidth + 2 * kMargin, TextWidth(Caption(), true) + 48}),
                buttonsTop + kButtonHeight + kMargin);
  TButton* abort = AddButton("Abort", "A&bortar", mrAbort, 0, buttonsTop);
  abort->SetDefault(true);
  abort->SetCancel(true);
  CenterButtons({abort}, buttonsTop);
  SetActiveControl(abort);
}

// ---- input ---------------------------------------------------------------------------------

TInputQueryForm::TInputQueryForm(rtl::TComponent* owner, const TInputQuery& query, const AnsiString& value)
    : TDialogForm(owner) {
  SetCaption(query.Caption);
  constexpr int width = 300;
  const int inner = width - 2 * kMargin;
  // A two-line prompt, or one line for the masked input.
  const int lines = query.Masked ? 1 : 2;
  TLabel* prompt = AddLabel("Prompt", query.Prompt, kMargin, 10);
  prompt->SetAutoSize(false);
  prompt->SetWordWrap(true);
  const int lineHeight = Font().TextHeight();
  prompt->SetBounds(kMargin, 10, inner, lines * lineHeight);
  FEdit = new TEdit(this);
  FEdit->SetName("Edit");
  FEdit->SetParent(this);
  FEdit->SetBounds(kMargin, prompt->Top() + prompt->Height() + 6, inner, 21);
  FEdit->SetMaxLength(query.MaxLength);
  FEdit->SetText(query.MaxLength > 0 ? value.substr(0, query.MaxLength) : value);
  if (query.Masked) FEdit->SetPasswordChar('*');
  const int buttonsTop = FEdit->Top() + FEdit->Height() + 14;
  SetClientSize(width, buttonsTop + kButtonHeight + kMargin);
  TButton* ok = AddButton("OK", query.OkText, mrOk, 0, buttonsTop);
  ok->SetDefault(true);
  TButton* cancel = AddButton("Cancel", query.CancelText, mrCancel, 0, buttonsTop);
  cancel->SetCancel(true);
  CenterButtons({ok, cancel}, buttonsTop);
  SetActiveControl(FEdit);
}

// ---- overwrite and continue ------------------------------------------------------------------

TOverwriteForm::TOverwriteForm(rtl::TComponent* owner, const TOverwriteQuery& query) : TDialogForm(owner) {
  SetCaption(query.Caption);
  AddIcon(mtConfirmation, kMargin, kMargin);
  const int x = kMargin + 32 + kMargin;
  const int indent = x + 16;
  AddLabel("ReplaceLabel", query.ReplaceLabel, x, 12);
  AddLabel("ExistingName", query.ExistingName, indent, 30);
  AddLabel("ExistingInfo", query.ExistingInfo, indent, 46);
  AddLabel("WithLabel", query.WithLabel, x, 70);
  AddLabel("EntryName", query.EntryName, indent, 88);
  AddLabel("EntryInfo", query.EntryInfo, indent, 104);
  int right = 0;
  for (TControl* c : ControlList()) right = std::max(right, c->Left() + c->Width());
  const int buttonsTop = 134;
  SetClientSize(std::max({right + kMargin, 4 * kButtonWidth + 3 * kButtonGap + 2 * kMargin,
                          TextWidth(query.Caption, true) + 48}),
                buttonsTop + kButtonHeight + kMargin);
  TButton* yes = AddButton("Yes", query.YesText, mrYes, 0, buttonsTop);
  yes->SetDefault(true);
  TButton* all = AddButton("YesToAll", query.YesToAllText, mrYesToAll, 0, buttonsTop);
  TButton* no = AddButton("No", query.NoText, mrNo, 0, buttonsTop);
  TButton* cancel = AddButton("Cancel", query.CancelText, mrAbort, 0, buttonsTop);
  CenterButtons({yes, all, no, cancel}, buttonsTop);
  SetActiveControl(yes);
}

TDialogAnswer TOverwriteForm::Execute() {
  switch (ShowModal()) {
    case mrYes: return daYes;
    case mrYesToAll: return daYesToAll;
    case mrAbort: return daCancel;
    default: return daNo;  // No, or the window closed
  }
}

// Esc closes the window, which answers No.
bool TOverwriteForm::DialogKey(WORD key, TShiftState) {
  if (key != VK_ESCAPE) return false;
  Close();
  return true;
}

TContinueForm::TContinueForm(rtl::TComponent* owner, const TContinueQuery& query) : TDialogForm(owner) {
  SetCaption(query.Caption);
  AddIcon(mtConfirmation, kMargin, kMargin);
  const int x = kMargin + 32 + kMargin;
  const int labelWidth = std::max(TextWidth(query.ErrorLabel), TextWidth(query.FileLabel));
  const int valueLeft = x + labelWidth + 8;
  const int valueWidth = 320;
  AddLabel("ErrorLabel", query.ErrorLabel, x, 12);
  TLabel* error = AddLabel("ErrorText", query.ErrorText, valueLeft, 12, valueWidth, true);
  const int fileTop = error->Top() + std::max(error->Height(), 13) + 8;
  AddLabel("FileLabel", query.FileLabel, x, fileTop);
  AddLabel("EntryName", query.EntryName, valueLeft, fileTop);
  AddLabel("EntryInfo", query.EntryInfo, valueLeft, fileTop + 16);
  TLabel* question = AddLabel("Question", query.Question, x, fileTop + 16 + 26);
  int right = 0;
  for (TControl* c : ControlList()) right = std::max(right, c->Left() + c->Width());
  const int buttonsTop = question->Top() + question->Height() + 16;
  SetClientSize(std::max({right + kMargin, 3 * kButtonWidth + 2 * kButtonGap + 2 * kMargin,
                          TextWidth(query.Caption, true) + 48}),
                buttonsTop + kButtonHeight + kMargin);
  TButton* yes = AddButton("Yes", query.YesText, mrYes, 0, buttonsTop);
  yes->SetDefault(true);
  TButton* all = AddButton("YesToAll", query.YesToAllText, mrYesToAll, 0, buttonsTop);
  TButton* no = AddButton("No", query.NoText, mrNo, 0, buttonsTop);
  CenterButtons({yes, all, no}, buttonsTop);
  SetActiveControl(yes);
}

TDialogAnswer TContinueForm::Execute() {
  switch (ShowModal()) {
    case mrYes: return daYes;
    case mrYesToAll: return daYesToAll;
    default: return daNo;
  }
}

bool TContinueForm::DialogKey(WORD key, TShiftState) {
  if (key != VK_ESCAPE) return false;
  Close();
  return true;
}

// ---- folder chooser ---------------------------------------------------------------------------

TSelectFolderForm::TSelectFolderForm(rtl::TComponent* owner, const AnsiString& caption, const AnsiString& folder)
    : TDialogForm(owner) {
  const TSystemTexts& t = SystemTexts();
  SetCaption(caption);
  SetClientSize(300, 262);
  TLabel* nameLabel = AddLabel("NameLabel", t.FolderName, 8, 8);
  nameLabel->SetShowAccelChar(true);
  FEdit = new TEdit(this);
  FEdit->SetName("FolderEdit");
  FEdit->SetParent(this);
  FEdit->SetBounds(8, 24, 284, 21);
  nameLabel->SetFocusControl(FEdit);
  TLabel* listLabel = AddLabel("FoldersLabel", t.Folders, 8, 54);
  listLabel->SetShowAccelChar(true);
  FList = new TListBox(this);
  FList->SetName("FolderList");
  FList->SetParent(this);
  FList->SetBounds(8, 70, 198, 134);
  FList->OnDblClick = [this](TObject* s) { ListDblClick(s); };
  listLabel->SetFocusControl(FList);
  TLabel* driveLabel = AddLabel("DrivesLabel", t.Drives, 8, 212);
  driveLabel->SetShowAccelChar(true);
  FDrives = new TComboBox(this);
  FDrives->SetName("DriveCombo");
  FDrives->SetParent(this);
  FDrives->SetStyle(csDropDownList);
  FDrives->SetBounds(8, 228, 198, 21);
  driveLabel->SetFocusControl(FDrives);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const UINT kind = Api().GetDriveTypeA(AnsiString(1, letter) + ":\\");
    if (kind != DRIVE_UNKNOWN && kind != DRIVE_NO_ROOT_DIR) FDrives->Items().Add(AnsiString(1, letter) + ":");
  }
  FDrives->OnChange = [this](TObject* s) { DriveChange(s); };
  TButton* ok = AddButton("OK", t.Ok, mrNone, 217, 70);
  ok->SetDefault(true);
  ok->OnClick = [this](TObject* s) { OkClick(s); };
  TButton* cancel = AddButton("Cancel", t.Cancel, mrCancel, 217, 100);
  cancel->SetCancel(true);

  // Start in the folder given, or the nearest folder above it that exists.
  AnsiString start = folder.empty() ? Api().GetCurrentDirectoryA() : folder;
  while (!start.empty() && !DirectoryExists(start) && ParentFolder(start) != start) start = ParentFolder(start);
  if (!DirectoryExists(start)) start = Api().GetCurrentDirectoryA();
  ChangeFolder(start);
  if (!folder.empty()) FEdit->SetText(folder);
  SetActiveControl(FEdit);
}

void TSelectFolderForm::ChangeFolder(const AnsiString& folder) {
  FCurrent = NormalFolder(folder);
  FEdit->SetText(FCurrent);
  // The drive, each folder down to the current one, then its folders; two blanks a level.
  std::vector<AnsiString> lines;
  FPaths.clear();
  const AnsiString root = FCurrent.substr(0, 3);
  lines.push_back(root);
  FPaths.push_back(root);
  AnsiString path = root;
  int depth = 0;
  size_t start = 3;
  while (start < FCurrent.size()) {
    size_t end = FCurrent.find('\\', start);
    if (end == AnsiString::npos) end = FCurrent.size();
    const AnsiString part = FCurrent.substr(start, end - start);
    path = rtl::IncludeTrailingBackslash(path) + part;
    lines.push_back(AnsiString(2 * ++depth, ' ') + part);
    FPaths.push_back(path);
    start = end + 1;
  }
  const int current = static_cast<int>(lines.size()) - 1;
  for (const AnsiString& name : ListFolder(FCurrent, true)) {
    lines.push_back(AnsiString(2 * (depth + 1), ' ') + name);
    FPaths.push_back(rtl::IncludeTrailingBackslash(FCurrent) + name);
  }
  FList->Items().Assign(lines);
  FList->SetItemIndex(current);
  const int drive = FDrives->Items().IndexOf(FCurrent.substr(0, 2));
  if (drive != FDrives->ItemIndex()) FDrives->SetItemIndex(drive);
}

void TSelectFolderForm::ListDblClick(TObject*) {
  const int i = FList->ItemIndex();
  if (i >= 0 && i < static_cast<int>(FPaths.size())) ChangeFolder(FPaths[i]);
}

void TSelectFolderForm::DriveChange(TObject*) {
  if (FDrives->ItemIndex() >= 0) ChangeFolder(FDrives->Text() + "\\");
}

void TSelectFolderForm::OkClick(TObject*) {
  AnsiString path = rtl::Trim(FEdit->Text());
  if (path.empty()) path = FCurrent;
  if (!IsAbsolute(path)) path = rtl::IncludeTrailingBackslash(FCurrent) + path;
  path = NormalFolder(path);
  if (!DirectoryExists(path)) {
    const AnsiString question = ReplaceFirst(SystemTexts().CreateFolder, "%s", path);
    if (platform::MessageBox(question, Caption(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    if (!ForceDirectories(path)) {
      platform::MessageBox(SysErrorMessage(Api().GetLastError()), Caption(), MB_OK | MB_ICONSTOP);
      return;
    }
  }
  FFolder = path;
  SetModalResult(mrOk);
}

// ---- open-file dialog --------------------------------------------------------------------------

TOpenFileForm::TOpenFileForm(rtl::TComponent* owner, const AnsiString& title, const AnsiString& fileName)
    : TDialogForm(owner) {
  const TSystemTexts& t = SystemTexts();
  SetCaption(title);
  SetClientSize(424, 262);
  AddLabel("LookInLabel", t.LookIn, 8, 12)->SetShowAccelChar(true);
  FFolderText = new TStaticText(this);
  FFolderText->SetName("FolderText");
  FFolderText->SetParent(this);
  FFolderText->SetAutoSize(false);
  FFolderText->SetBorderStyle(sbsSunken);
  FFolderText->SetShowAccelChar(false);
  FFolderText->SetColor(clWindow);
  FFolderText->SetBounds(96, 9, 236, 19);
  TButton* up = AddButton("Up", t.Up, mrNone, 341, 7);
  up->OnClick = [this](TObject* s) { UpClick(s); };
  FList = new TListBox(this);
  FList->SetName("FileList");
  FList->SetParent(this);
  FList->SetBounds(8, 38, 408, 148);
  FList->OnClick = [this](TObject* s) { ListClick(s); };
  FList->OnDblClick = [this](TObject* s) { ListDblClick(s); };
  TLabel* nameLabel = AddLabel("FileNameLabel", t.FileName, 8, 200);
  nameLabel->SetShowAccelChar(true);
  FEdit = new TEdit(this);
  FEdit->SetName("FileNameEdit");
  FEdit->SetParent(this);
  FEdit->SetBounds(110, 196, 222, 21);
  nameLabel->SetFocusControl(FEdit);
  AddLabel("FilesOfTypeLabel", t.FilesOfType, 8, 230)->SetShowAccelChar(true);
  auto* types = new TComboBox(this);
  types->SetName("FileTypeCombo");
  types->SetParent(this);
  types->SetStyle(csDropDownList);
  types->SetBounds(110, 226, 222, 21);
  types->Items().Add(t.AllFiles);
  types->SetItemIndex(0);
  TButton* open = AddButton("Open", t.Open, mrNone, 341, 195);
  open->SetDefault(true);
  open->OnClick = [this](TObject* s) { OpenClick(s); };
  TButton* cancel = AddButton("Cancel", t.Cancel, mrCancel, 341, 225);
  cancel->SetCancel(true);

  AnsiString folder = rtl::ExtractFilePath(fileName);
  if (folder.empty() || !DirectoryExists(folder)) folder = Api().GetCurrentDirectoryA();
  ChangeFolder(folder);
  FEdit->SetText(rtl::ExtractFileName(fileName));
  SetActiveControl(FEdit);
}

void TOpenFileForm::ChangeFolder(const AnsiString& folder) {
  FCurrent = NormalFolder(folder);
  FFolderText->SetCaption(FCurrent);
  std::vector<AnsiString> lines;
  if (FCurrent.size() > 3) lines.push_back("[..]");
  for (const AnsiString& name : ListFolder(FCurrent, true)) lines.push_back("[" + name + "]");
  FFolderCount = static_cast<int>(lines.size());
  for (const AnsiString& name : ListFolder(FCurrent, false)) lines.push_back(name);
  FList->Items().Assign(lines);
  FList->SetTopIndex(0);
}

void TOpenFileForm::ListClick(TObject*) {
  const int i = FList->ItemIndex();
  if (i >= FFolderCount) FEdit->SetText(FList->Items()[i]);
}

void TOpenFileForm::ListDblClick(TObject* sender) {
  const int i = FList->ItemIndex();
  if (i < 0) return;
  if (i >= FFolderCount) {
    OpenClick(sender);
    return;
  }
  const AnsiString item = FList->Items()[i];
  const AnsiString name = item.substr(1, item.size() - 2);
  ChangeFolder(name == ".." ? ParentFolder(FCurrent) : rtl::IncludeTrailingBackslash(FCurrent) + name);
}

void TOpenFileForm::UpClick(TObject*) { ChangeFolder(ParentFolder(FCurrent)); }

void TOpenFileForm::OpenClick(TObject*) {
  const AnsiString name = rtl::Trim(FEdit->Text());
  if (name.empty()) return;
  const AnsiString path = IsAbsolute(name) ? name : rtl::IncludeTrailingBackslash(FCurrent) + name;
  if (DirectoryExists(path)) {
    ChangeFolder(path);
    FEdit->SetText("");
    return;
  }
  FFileName = path;
  SetModalResult(mrOk);
}

// ---- the provider ----------------------------------------------------------------------------------

namespace {

class TDrawnDialogs : public TDialogs {
 public:
  int MessageBox(const AnsiString& text, const AnsiString& caption, UINT type) override {
    return MakeDialog<TMessageForm>(text, caption, type)->Execute();
  }
  void WarningAbort(const AnsiString& text) override { MakeDialog<TWarningAbortForm>(text)->ShowModal(); }
  bool InputQuery(const TInputQuery& query, AnsiString& value) override {
    auto form = MakeDialog<TInputQueryForm>(query, value);
    if (form->ShowModal() != mrOk) return false;
    value = form->Edit()->Text();
    return true;
  }
  TDialogAnswer QueryOverwrite(const TOverwriteQuery& query) override {
    return MakeDialog<TOverwriteForm>(query)->Execute();
  }
  TDialogAnswer QueryContinue(const TContinueQuery& query) override {
    return MakeDialog<TContinueForm>(query)->Execute();
  }
  bool SelectFolder(const AnsiString& caption, AnsiString& folder) override {
    auto form = MakeDialog<TSelectFolderForm>(caption, folder);
    if (form->ShowModal() != mrOk) return false;
    folder = form->Folder();
    return true;
  }
  bool OpenFile(const AnsiString& title, AnsiString& fileName) override {
    auto form = MakeDialog<TOpenFileForm>(title, fileName);
    if (form->ShowModal() != mrOk) return false;
    fileName = form->FileName();
    return true;
  }
};

}  // namespace

std::unique_ptr<TDialogs> CreateDrawnDialogs() { return std::make_unique<TDrawnDialogs>(); }

}  // namespace ui
