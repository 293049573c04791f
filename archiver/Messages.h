#pragma once
// Message sets: every text the archive component shows or reports, in one of
// twelve languages, each key overridable one by one. TMessages holds the keys
// of the component root, TExtrMessages adds those of reading, TArchMessages
// those of writing. Texts are bytes of the language's code page (950 for
// lgChinese, 936 for lgChineseGB, 1251 for lgRussian, 1250 for lgCzech, 1252
// for the others).

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "archiver/ArchiverMisc.h"

namespace archiver {

// The keys in the order they are published and stored, level by level.
#define VQM_ROOT_MESSAGE_KEYS(X)                                                              \
  X(BadSignature) X(FileNameNeeded) X(SystemMessage) X(AcceptArchiveFailed) X(EnterCryptKey)   \
  X(EnterDecryptKey) X(ArchiveIsReadOnly) X(KeyTooShort) X(ConfirmCryptKey) X(KeyNotConfirmed) \
  X(CanNotCreateArchive) X(CannotCreateDir) X(SelectADirectory) X(Ok) X(Cancel) X(Information) \
  X(Warning) X(Confirmation) X(Error) X(CanNotBuildTempFileName) X(Yes) X(YesToAll) X(No)      \
  X(AFile) X(CanContinue) X(UnknownVersion) X(CannotCreateFile) X(CannotOpenFile)              \
  X(ArchiverBusy) X(CantUseSolidArchiveWithExternalStream)

#define VQM_EXTR_MESSAGE_KEYS(X)                                                              \
  X(CouldNotUncompressBlock) X(AskOverwrite) X(NeedExtractPath) X(InsertDisk)                  \
  X(LocateSegment) X(WrongSegment) X(InsertLastSegment) X(LocateLastSegment)                   \
  X(WrongLastSegment) X(WrongNextSegment) X(BadCRC) X(BadKey) X(ReplaceFile) X(WithFile)       \
  X(ConfirmFileOverwrite) X(ExtractingFile) X(LoadingArchiveContnent)                          \
  X(UncompressingSolidArchive) X(CheckingFile)

#define VQM_ARCH_MESSAGE_KEYS(X)                                                              \
  X(CouldNotCompressBlock) X(DeleteFileEventNeeded) X(CouldNotRenameArchive) X(InsertNewDisk)  \
  X(SelectNewPlace) X(NotEnoughFreeSpaceOn) X(UnableToDeleteFiles) X(ConfirmFileDeletion)      \
  X(MaxSegmentSizeTooSmall) X(CantPerformThisOp) X(AddingFile) X(DeletingFiles) X(DeleteFile)  \
  X(MakingSFXArchive) X(CompressingSolidArchive) X(CopyingArchive) X(CouldNotCopyArchive)      \
  X(UpdatingFile) X(ReplacingFile) X(CantDeleteInExtStr)

#define VQM_MESSAGE_KEY_ENUM(name) mk##name,
enum TMessageKey : uint8_t {
  VQM_ROOT_MESSAGE_KEYS(VQM_MESSAGE_KEY_ENUM)
  VQM_EXTR_MESSAGE_KEYS(VQM_MESSAGE_KEY_ENUM)
  VQM_ARCH_MESSAGE_KEYS(VQM_MESSAGE_KEY_ENUM)
};
#undef VQM_MESSAGE_KEY_ENUM

inline constexpr int RootMessageCount = 30;
inline constexpr int ExtrMessageCount = 49;
inline constexpr int ArchMessageCount = 69;

// The key's name as published ("BadSignature").
const char* MessageKeyName(TMessageKey key);
// The key of that name (exact spelling); false when there is none.
bool FindMessageKey(std::string_view name, TMessageKey& key);

// The language of a Windows language identifier: its primary language (low 10
// bits) picks one of the translated languages, anything else is lgEnglish.
// Simplified Chinese gives lgChinese too: lgChineseGB is never chosen here.
TLanguage LanguageFromLangID(uint16_t langId);
// The language of the user's platform settings (GetUserDefaultLangID).
TLanguage AutomaticLanguage();

// The texts of the built-in dialogs, one set for the whole program. Every
// message set copies its own in when its language is loaded or it is assigned.
struct TDialogTexts {
  AnsiString Ok = "OK";
  AnsiString Cancel = "&Cancel";
  AnsiString Information = "Information";
  AnsiString Warning = "Warning";
  AnsiString Confirmation = "Confirmation";
  AnsiString Error = "Error";
  AnsiString Yes = "&Yes";
  AnsiString YesToAll = "Yes to &All";
  AnsiString No = "&No";
  AnsiString AFile = "File";
  AnsiString CanContinue = "Do you want to continue ?";
  AnsiString ReplaceFile = "Replace File :";
  AnsiString WithFile = "With File :";
  AnsiString ConfirmFileOverwrite = "Confirm File Overwrite";
};
TDialogTexts& DialogTexts();

#define VQM_MESSAGE_KEY_PROPERTY(name)                                        \
  const AnsiString& name() const { return FTexts[mk##name]; }                 \
  void Set##name(const AnsiString& value) { FTexts[mk##name] = value; }

class TMessages {
 public:
  // A new set holds the texts of the automatic language (and applies them to
  // the dialog texts); its Language is lgAutomatic.
  TMessages() : TMessages(RootMessageCount) {}
  virtual ~TMessages() = default;
  TMessages(const TMessages&) = delete;
  TMessages& operator=(const TMessages&) = delete;

  VQM_ROOT_MESSAGE_KEYS(VQM_MESSAGE_KEY_PROPERTY)

  // Number of keys of this set's level (30, 49 or 69).
  int KeyCount() const { return static_cast<int>(FTexts.size()); }
  bool HasKey(TMessageKey key) const { return key < FTexts.size(); }
  // Any key of this level by number (a form loads texts this way).
  const AnsiString& Text(TMessageKey key) const;
  void SetText(TMessageKey key, const AnsiString& value);

  TLanguage Language() const { return FLanguage; }
  // Loads the texts of `language` only when it differs from the stored one, so
  // setting the current language again keeps texts changed in between.
  void SetLanguage(TLanguage language);
  // Stores `language` and fills every key of this level with its texts
  // (lgAutomatic: those of AutomaticLanguage()); then ApplyDialogTexts.
  // Untranslated keys get the English text; AskOverwrite, and ExtractingFile
  // in the two Chinese sets, are left as they are.
  void LoadLanguage(TLanguage language);
  // Copies this set's dialog keys into DialogTexts().
  void ApplyDialogTexts() const;
  // Copies every key both sets have (not the language), then applies the
  // source's dialog texts.
  void Assign(const TMessages& source);

 protected:
  explicit TMessages(int keyCount);

  std::vector<AnsiString> FTexts;
  TLanguage FLanguage = lgAutomatic;
};

class TExtrMessages : public TMessages {
 public:
  TExtrMessages() : TExtrMessages(ExtrMessageCount) {}
  VQM_EXTR_MESSAGE_KEYS(VQM_MESSAGE_KEY_PROPERTY)

 protected:
  explicit TExtrMessages(int keyCount) : TMessages(keyCount) {}
};

class TArchMessages : public TExtrMessages {
 public:
  TArchMessages() : TExtrMessages(ArchMessageCount) {}
  VQM_ARCH_MESSAGE_KEYS(VQM_MESSAGE_KEY_PROPERTY)
};

#undef VQM_MESSAGE_KEY_PROPERTY

// ---- generated tables (MessagesData.cpp) ----------------------------------------

namespace messages_data {
// Marks a key that loading a language leaves untouched.
extern const char KeepText[];
// The texts of one language by key; nullptr = not translated (English is used).
using TLanguageTexts = const char* const[ArchMessageCount];
// Indexed by TLanguage; lgAutomatic has no table (nullptr).
extern const TLanguageTexts* const LanguageTexts[LanguageCount];
}  // namespace messages_data

}  // namespace archiver
