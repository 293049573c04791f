// Message sets: languages and their code pages, the automatic language,
// setting the language, Assign, and the shared dialog texts.

#include <gtest/gtest.h>

#include <string>

#include "archiver/Archiver.h"
#include "archiver/Messages.h"
#include "tests/platform/FakeApi.h"

using namespace archiver;

namespace {

std::string HexOf(const AnsiString& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

class MessagesTest : public ::testing::Test {
 protected:
  fake::TFakeApi api;  // the user's language: LangID
};

}  // namespace

TEST_F(MessagesTest, LanguageFromLangIdUsesThePrimaryLanguage) {
  struct {
    uint16_t id;
    TLanguage language;
  } rows[] = {
      {0x0416, lgPortuguese}, {0x0816, lgPortuguese}, {0x0404, lgChinese}, {0x0804, lgChinese},
      {0x0405, lgCzech},      {0x0406, lgDanish},     {0x0407, lgGerman},  {0x0C0A, lgSpanish},
      {0x040C, lgFrench},     {0x0410, lgItalian},    {0x0413, lgDutch},   {0x0419, lgRussian},
      {0x0409, lgEnglish},    {0x0411, lgEnglish},    {0x0000, lgEnglish}, {0xFC16, lgPortuguese},
  };
  for (const auto& row : rows) EXPECT_EQ(LanguageFromLangID(row.id), row.language) << std::hex << row.id;
}

TEST_F(MessagesTest, NewSetLoadsTheAutomaticLanguage) {
  api.LangID = 0x0416;
  TArchMessages portuguese;
  EXPECT_EQ(portuguese.Language(), lgAutomatic);
  EXPECT_EQ(portuguese.BadSignature(), "Assinatura incorreta: arquivo \"%s\" não é válido."_a);
  EXPECT_EQ(portuguese.ExtractingFile(), "Extraindo %s (%d)");
  EXPECT_EQ(portuguese.AddingFile(), "Adicionando %s (%.0n)");

  api.LangID = 0x0804;  // simplified Chinese still gets the traditional set
  TMessages chinese;
  EXPECT_EQ(HexOf(chinese.Cancel()), "a8faaef8");  // 取消 in code page 950

  api.LangID = 0x0411;
  TMessages other;
  EXPECT_EQ(other.BadSignature(), "Bad signature: file \"%s\" is not a valid archive");
}

TEST_F(MessagesTest, LanguageSpecificTexts) {
  TArchMessages m;
  m.SetLanguage(lgFrench);
  EXPECT_EQ(m.ArchiverBusy(), "Le composant %s est occupé. Interrompez l'opération en cours et recommencez"_a);
  m.SetLanguage(lgPortuguese);
  EXPECT_EQ(m.ArchiverBusy(), "Component %s is busy. Abort current operation and try again");
  EXPECT_EQ(m.CannotCreateFile(), "Can not create %s");
  EXPECT_EQ(m.ReplaceFile(), "Substitur arquivo :");
  // Each code page, through one text.
  m.SetLanguage(lgChineseGB);
  EXPECT_EQ(HexOf(m.Cancel()), "c8a1cffb");  // 取消 in code page 936
  m.SetLanguage(lgRussian);
  EXPECT_EQ(HexOf(m.Error()), "cef8e8e1eae0");  // Ошибка in code page 1251
  m.SetLanguage(lgCzech);
  EXPECT_EQ(HexOf(m.Warning()), "55706f7a6f726eec6eed");  // Upozornění in code page 1250
}

TEST_F(MessagesTest, EveryLanguageFillsEveryKey) {
  for (int l = lgEnglish; l < LanguageCount; ++l) {
    TArchMessages m;
    m.SetAskOverwrite("kept");
    m.LoadLanguage(static_cast<TLanguage>(l));
    EXPECT_EQ(m.Language(), l);
    for (int k = 0; k < ArchMessageCount; ++k) {
      const auto key = static_cast<TMessageKey>(k);
      if (key != mkAskOverwrite) {
        EXPECT_FALSE(m.Text(key).empty()) << l << " " << MessageKeyName(key);
      }
    }
    EXPECT_EQ(m.AskOverwrite(), "kept") << l;  // no language has a text for it
  }
}

TEST_F(MessagesTest, UntranslatedKeysFallBackToEnglishButChineseKeepsExtractingFile) {
  TArchMessages m;
  m.SetLanguage(lgEnglish);
  m.SetExtractingFile("previous %s (%d)");
  m.SetLanguage(lgChinese);
  EXPECT_EQ(m.ExtractingFile(), "previous %s (%d)");
  EXPECT_EQ(m.CantDeleteInExtStr(), "Can't delete files in an external stream");
  m.SetLanguage(lgChineseGB);
  EXPECT_EQ(m.ExtractingFile(), "previous %s (%d)");
  m.SetLanguage(lgGerman);
  EXPECT_EQ(m.ExtractingFile(), "Entpacke %s (%d)");
}

TEST_F(MessagesTest, SettingTheSameLanguageKeepsChangedTexts) {
  TMessages m;
  m.SetLanguage(lgEnglish);
  m.SetBadSignature("changed");
  m.SetLanguage(lgEnglish);
  EXPECT_EQ(m.BadSignature(), "changed");
  m.SetLanguage(lgItalian);
  m.SetLanguage(lgEnglish);
  EXPECT_EQ(m.BadSignature(), "Bad signature: file \"%s\" is not a valid archive");
  // LoadLanguage itself always reloads.
  m.SetBadSignature("changed");
  m.LoadLanguage(lgEnglish);
  EXPECT_EQ(m.BadSignature(), "Bad signature: file \"%s\" is not a valid archive");
}

TEST_F(MessagesTest, LoadingDropsStoredTextsOnlyForTheAutomaticLanguage) {
  api.LangID = 0x0407;
  TArchiver automatic;
  automatic.SetLanguage(lgAutomatic);
  automatic.Messages().SetBadSignature("stored");
  automatic.Loaded();
  EXPECT_EQ(automatic.Language(), lgAutomatic);
  EXPECT_EQ(automatic.Messages().BadSignature(), "Falsche Signatur: Die Datei \"%s\" ist kein gültiges Archiv"_a);

  TArchiver english;
  english.SetLanguage(lgEnglish);
  english.Messages().SetBadSignature("stored");
  english.Loaded();
  EXPECT_EQ(english.Messages().BadSignature(), "stored");
}

TEST_F(MessagesTest, AssignCopiesCommonKeysButNotTheLanguage) {
  TArchMessages portuguese;
  portuguese.SetLanguage(lgPortuguese);
  portuguese.SetAddingFile("form text %s");
  TArchMessages english;
  english.SetLanguage(lgEnglish);
  english.Assign(portuguese);
  EXPECT_EQ(english.Language(), lgEnglish);
  EXPECT_EQ(english.BadSignature(), portuguese.BadSignature());
  EXPECT_EQ(english.AddingFile(), "form text %s");

  // From a reading set to a root set: only the root's keys exist there.
  TExtrMessages reading;
  reading.SetLanguage(lgFrench);
  TMessages root;
  root.SetLanguage(lgEnglish);
  root.Assign(reading);
  EXPECT_EQ(root.KeyCount(), RootMessageCount);
  EXPECT_EQ(root.Cancel(), "Annuler");
  EXPECT_FALSE(root.HasKey(mkBadCRC));
  EXPECT_THROW(root.Text(mkBadCRC), std::out_of_range);
}

TEST_F(MessagesTest, DialogTextsFollowTheLastLoadOrAssign) {
  TExtrMessages reading;
  reading.SetLanguage(lgPortuguese);
  EXPECT_EQ(DialogTexts().Ok, "OK");
  EXPECT_EQ(DialogTexts().Cancel, "Cancelar");
  EXPECT_EQ(DialogTexts().Information, "Informação"_a);
  EXPECT_EQ(DialogTexts().YesToAll, "Sim para &Todos");
  EXPECT_EQ(DialogTexts().No, "&Não"_a);
  EXPECT_EQ(DialogTexts().ReplaceFile, "Substitur arquivo :");
  EXPECT_EQ(DialogTexts().ConfirmFileOverwrite, "Confirme atualizar arquivo");

  // A root set has no overwrite-dialog keys and leaves those texts alone.
  TMessages root;
  root.SetLanguage(lgGerman);
  EXPECT_EQ(DialogTexts().Cancel, "Abbrechen");
  EXPECT_EQ(DialogTexts().ReplaceFile, "Substitur arquivo :");

  TExtrMessages french;
  french.SetLanguage(lgFrench);
  root.Assign(french);  // the source's texts, all of its dialog keys
  EXPECT_EQ(DialogTexts().Cancel, "Annuler");
  EXPECT_EQ(DialogTexts().WithFile, "Par le fichier :");
}

TEST_F(MessagesTest, KeysByName) {
  TMessageKey key{};
  ASSERT_TRUE(FindMessageKey("BadSignature", key));
  EXPECT_EQ(key, mkBadSignature);
  ASSERT_TRUE(FindMessageKey("CantDeleteInExtStr", key));
  EXPECT_EQ(key, ArchMessageCount - 1);
  EXPECT_FALSE(FindMessageKey("badsignature", key));
  for (int k = 0; k < ArchMessageCount; ++k) {
    ASSERT_TRUE(FindMessageKey(MessageKeyName(static_cast<TMessageKey>(k)), key));
    EXPECT_EQ(key, k);
  }
  EXPECT_EQ(mkCouldNotUncompressBlock, RootMessageCount);
  EXPECT_EQ(mkCouldNotCompressBlock, ExtrMessageCount);
}
