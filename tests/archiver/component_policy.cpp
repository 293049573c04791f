// The error policy with its continue dialog, and the keys: the new-key prompt
// with its length rule and confirmation, the read key and how long it is kept.

#include <string>
#include <vector>

#include "tests/archiver/component_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

class PolicyTest : public TMachineTest {
 protected:
  // a.txt and b.txt with damaged blocks around the sound c.txt, stored plain
  // so their bytes can be found.
  void MakeDamagedArchive() {
    MakeFile("C:\\src\\a.txt", std::string(40, 'A'));
    MakeFile("C:\\src\\c.txt", std::string(40, 'C'));
    MakeFile("C:\\src\\b.txt", std::string(40, 'B'));
    MakeArchive("C:\\bad.arq", {"C:\\src\\a.txt", "C:\\src\\c.txt", "C:\\src\\b.txt"},
                [](TArchiver& a) { a.SetOptions(a.Options() - TOptions{oCompress}); });
    std::string bytes = ReadFile("C:\\bad.arq");
    bytes[bytes.find(std::string(40, 'A')) + 7] ^= 1;
    bytes[bytes.find(std::string(40, 'B')) + 7] ^= 1;
    WriteBytes("C:\\bad.arq", bytes);
  }
};

TEST_F(PolicyTest, ErrorActionsAndTheContinueDialog) {
  enum TOutcome { Continues, SilentAbort, BadCRC };
  struct {
    TErrorAction action;
    bool handler;
    TErrorAction handlerSets;
    std::vector<platform::TDialogAnswer> answers;
    TOutcome outcome;
    size_t dialogs;
  } rows[] = {
      {eaContinue, false, eaContinue, {}, Continues, 0},
      {eaAbort, false, eaAbort, {}, BadCRC, 0},
      {eaAbort, true, eaAbort, {}, SilentAbort, 0},
      {eaContinue, true, eaAbort, {}, SilentAbort, 0},
      {eaAbort, true, eaContinue, {}, Continues, 0},
      {eaAsk, false, eaAsk, {platform::daYes, platform::daYes}, Continues, 2},
      {eaAsk, false, eaAsk, {platform::daYesToAll}, Continues, 1},
      {eaAsk, false, eaAsk, {platform::daNo}, SilentAbort, 1},
  };
  MakeDamagedArchive();
  int row = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(row++);
    Dialogs().Clear();
    for (auto answer : r.answers) Dialogs().AnswerContinue(answer);
    TArchiver a;
    a.SetFileName("C:\\bad.arq");
    a.SetExtractPath("C:\\out" + std::to_string(row));
    a.SetErrorAction(r.action);
    std::vector<AnsiString> failed;
    if (r.handler)
      a.OnError = [&](TArchiverRoot*, const rtl::Exception&, const TFileEntry& e, TErrorAction& action) {
        failed.push_back(e.Name);
        action = r.handlerSets;
      };
    TOutcome outcome = Continues;
    try {
      a.ExtractFiles();
    } catch (const EArchiverBadCRC&) {
      outcome = BadCRC;
    } catch (const rtl::EAbort&) {
      outcome = SilentAbort;
    }
    EXPECT_EQ(outcome, r.outcome);
    EXPECT_EQ(Dialogs().Asked().size(), r.dialogs);
    if (r.handler) {
      EXPECT_EQ(failed.front(), "a.txt");
    }
    if (outcome == Continues) {
      EXPECT_EQ(ReadFile("C:\\out" + std::to_string(row) + "\\c.txt"), std::string(40, 'C'));
      // The damaged files stay partly written (here: not at all, one block each).
      EXPECT_TRUE(platform::FileExists("C:\\out" + std::to_string(row) + "\\b.txt"));
    }
  }
}

TEST_F(PolicyTest, ContinueDialogTexts) {
  rtl::TFormatSettings saved = rtl::FormatSettings();
  rtl::ApplyRegionalOverrides();
  MakeDamagedArchive();
  Dialogs().AnswerContinue(platform::daNo);
  TArchiver a;
  a.SetLanguage(lgEnglish);
  a.SetFileName("C:\\bad.arq");
  a.SetExtractPath("C:\\out");
  EXPECT_THROW(a.ExtractFiles(), rtl::EAbort);
  rtl::FormatSettings() = saved;
  ASSERT_EQ(Dialogs().Asked().size(), 1u);
  const platform::TContinueQuery& q = Dialogs().Asked()[0].Continue;
  EXPECT_EQ(q.Caption, "Confirmation");
  EXPECT_EQ(q.ErrorLabel, "Error :");
  EXPECT_EQ(q.ErrorText, "Bad CRC: data stored in the archive is corrupted");
  EXPECT_EQ(q.FileLabel, "File :");
  EXPECT_EQ(q.EntryName, "a.txt");
  EXPECT_EQ(q.EntryInfo, "40 bytes  15/03/2004 10:20:30");
  EXPECT_EQ(q.Question, "Do you want to continue ?");
  EXPECT_EQ(q.YesText, "&Yes");
  EXPECT_EQ(q.YesToAllText, "Yes to &All");
  EXPECT_EQ(q.NoText, "&No");
}

class KeyTest : public TMachineTest {};

TEST_F(KeyTest, NewKeyPromptWantsTenCharactersAndAConfirmation) {
  MakeFile("C:\\src\\a.txt", "secret text");
  Dialogs().AnswerInput(true, "123456789");  // 9: too short
  Dialogs().AnswerMessageBox(platform::IDOK);
  Dialogs().AnswerInput(true, "0123456789");
  Dialogs().AnswerInput(true, "0123456780");  // not the same
  Dialogs().AnswerMessageBox(platform::IDOK);
  Dialogs().AnswerInput(true, "0123456789");
  Dialogs().AnswerInput(true, "0123456789");
  TArchiver a;
  a.SetLanguage(lgEnglish);
  a.SetFileName("C:\\secret.arq");
  a.SetOptions(a.Options() + TOptions{oCrypt});
  a.Open();
  a.AddFile("C:\\src\\a.txt");
  a.Close();

  const auto& asked = Dialogs().Asked();
  ASSERT_EQ(asked.size(), 7u);
  EXPECT_EQ(asked[0].Kind, platform::dkInputQuery);
  EXPECT_EQ(asked[0].Input.Caption, "System Message");
  EXPECT_EQ(asked[0].Input.Prompt, "Enter the encrypt key:");
  EXPECT_TRUE(asked[0].Input.Masked);
  EXPECT_EQ(asked[1].Text, "The key is too short. It must contain 10 chars at least.");
  EXPECT_EQ(asked[3].Input.Prompt, "Confirm the encrypt key:");
  EXPECT_EQ(asked[4].Text, "The key could not be confirmed. Enter it again.");
  EXPECT_EQ(asked[6].Input.Prompt, "Confirm the encrypt key:");

  // Read back with that key; another key shows as BadKey.
  TArchiver r;
  r.SetFileName("C:\\secret.arq");
  r.SetExtractPath("C:\\out");
  r.SetErrorAction(eaAbort);
  r.OnRequestCryptKey = [](TArchiverRoot*, AnsiString& key) { key = "9876543210"; };
  EXPECT_THROW(r.ExtractFiles(), EArchiverBadKey);
  r.Close();
  r.OnRequestCryptKey = [](TArchiverRoot*, AnsiString& key) { key = "0123456789"; };
  r.ExtractFiles();
  EXPECT_EQ(ReadFile("C:\\out\\a.txt"), "secret text");
}

TEST_F(KeyTest, CancelInTheKeyPromptIsTheSilentAbort) {
  Dialogs().AnswerInput(false);
  TArchiver a;
  a.SetFileName("C:\\secret.arq");
  a.SetOptions(a.Options() + TOptions{oCrypt});
  EXPECT_THROW(a.Open(), rtl::EAbort);
  EXPECT_FALSE(a.IsOpen());
}

TEST_F(KeyTest, AnEncipheredArchiveKeepsItsKeyBetweenOperations) {
  MakeFile("C:\\src\\a.txt", "secret text");
  struct {
    TOption option;
    int requests;  // over two extractions
  } rows[] = {{oCrypt, 1}, {oEncryptFiles, 2}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.option);
    MakeArchive("C:\\k.arq", {"C:\\src\\a.txt"}, [&](TArchiver& a) {
      a.SetOptions(a.Options() + TOptions{row.option});
      a.OnEnterCryptKey = [](TArchiverRoot*, AnsiString& key) { key = "0123456789"; };
    });
    TArchiver r;
    r.SetFileName("C:\\k.arq");
    r.SetExtractPath("C:\\out");
    r.SetRestoreAction(raOverwrite);
    int requests = 0;
    r.OnRequestCryptKey = [&](TArchiverRoot*, AnsiString& key) {
      ++requests;
      key = "0123456789";
    };
    r.ExtractFiles();
    r.ExtractFiles();
    EXPECT_EQ(requests, row.requests);
    r.Close();
    platform::DeleteFile("C:\\k.arq");
  }
}

}  // namespace
