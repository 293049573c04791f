// Message sets: loading a language, the automatic language, the dialog texts.

#include "archiver/Messages.h"

#include <algorithm>

#include "platform/WinApi.h"

namespace archiver {

namespace {

#define VQM_MESSAGE_KEY_NAME(name) #name,
constexpr const char* kKeyNames[ArchMessageCount] = {
    VQM_ROOT_MESSAGE_KEYS(VQM_MESSAGE_KEY_NAME)
    VQM_EXTR_MESSAGE_KEYS(VQM_MESSAGE_KEY_NAME)
    VQM_ARCH_MESSAGE_KEYS(VQM_MESSAGE_KEY_NAME)
};
#undef VQM_MESSAGE_KEY_NAME

// The dialog keys of each level and where they go in the shared texts.
struct TDialogKey {
  TMessageKey Key;
  AnsiString TDialogTexts::*Text;
};
constexpr TDialogKey kDialogKeys[] = {
    {mkOk, &TDialogTexts::Ok},
    {mkCancel, &TDialogTexts::Cancel},
    {mkInformation, &TDialogTexts::Information},
    {mkWarning, &TDialogTexts::Warning},
    {mkConfirmation, &TDialogTexts::Confirmation},
    {mkError, &TDialogTexts::Error},
    {mkYes, &TDialogTexts::Yes},
    {mkYesToAll, &TDialogTexts::YesToAll},
    {mkNo, &TDialogTexts::No},
    {mkAFile, &TDialogTexts::AFile},
    {mkCanContinue, &TDialogTexts::CanContinue},
    {mkReplaceFile, &TDialogTexts::ReplaceFile},
    {mkWithFile, &TDialogTexts::WithFile},
    {mkConfirmFileOverwrite, &TDialogTexts::ConfirmFileOverwrite},
};

}  // namespace

const char* MessageKeyName(TMessageKey key) { return key < ArchMessageCount ? kKeyNames[key] : ""; }

bool FindMessageKey(std::string_view name, TMessageKey& key) {
  for (int i = 0; i < ArchMessageCount; ++i)
    if (name == kKeyNames[i]) {
      key = static_cast<TMessageKey>(i);
      return true;
    }
  return false;
}

TLanguage LanguageFromLangID(uint16_t langId) {
  switch (langId & 0x3FF) {  // the primary language
    case 0x04: return lgChinese;  // simplified Chinese too
    case 0x05: return lgCzech;
    case 0x06: return lgDanish;
    case 0x07: return lgGerman;
    case 0x0A: return lgSpanish;
    case 0x0C: return lgFrench;
    case 0x10: return lgItalian;
    case 0x13: return lgDutch;
    case 0x16: return lgPortuguese;
    case 0x19: return lgRussian;
    default: return lgEnglish;
  }
}

TLanguage AutomaticLanguage() { return LanguageFromLangID(platform::Api().GetUserDefaultLangID()); }

TDialogTexts& DialogTexts() {
  static TDialogTexts texts;
  return texts;
}

// ---- TMessages ----

TMessages::TMessages(int keyCount) : FTexts(static_cast<size_t>(keyCount)) { LoadLanguage(lgAutomatic); }

const AnsiString& TMessages::Text(TMessageKey key) const { return FTexts.at(key); }

void TMessages::SetText(TMessageKey key, const AnsiString& value) { FTexts.at(key) = value; }

void TMessages::SetLanguage(TLanguage language) {
  if (language != FLanguage) LoadLanguage(language);
}

void TMessages::LoadLanguage(TLanguage language) {
  using namespace messages_data;
  FLanguage = language;
  const TLanguage effective = language == lgAutomatic ? AutomaticLanguage() : language;
  const TLanguageTexts& english = *LanguageTexts[lgEnglish];
  const TLanguageTexts* own = effective < LanguageCount ? LanguageTexts[effective] : nullptr;
  for (size_t k = 0; k < FTexts.size(); ++k) {
    const char* text = own && (*own)[k] ? (*own)[k] : english[k];
    if (text != KeepText) FTexts[k] = text;
  }
  ApplyDialogTexts();
}

void TMessages::ApplyDialogTexts() const {
  TDialogTexts& shared = DialogTexts();
  for (const TDialogKey& d : kDialogKeys)
    if (HasKey(d.Key)) shared.*d.Text = FTexts[d.Key];
}

void TMessages::Assign(const TMessages& source) {
  const size_t common = std::min(FTexts.size(), source.FTexts.size());
  for (size_t k = 0; k < common; ++k) FTexts[k] = source.FTexts[k];
  source.ApplyDialogTexts();
}

}  // namespace archiver
