// Solid archives: made, read back, added to, enciphered; the inner archive
// lives in a temporary file that goes away at Close.

#include <string>
#include <vector>

#include "tests/archiver/component_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

class SolidTest : public TMachineTest {
 protected:
  void SetUp() override {
    TMachineTest::SetUp();
    MakeFile("C:\\src\\a.txt", std::string(5000, 'a'));
    MakeFile("C:\\src\\b.txt", "bee");
    MakeFile("C:\\src\\c.bin", Noise(3000));
  }

  static bool TempFolderIsEmpty() {
    platform::WIN32_FIND_DATAA data;
    platform::HANDLE h = platform::Api().FindFirstFileA(platform::GetTempFolder() + "~Archiv-*", data);
    if (h == platform::INVALID_HANDLE_VALUE) return true;
    platform::Api().FindClose(h);
    return false;
  }

  std::vector<AnsiString> ExtractAll(const AnsiString& archive, const AnsiString& key = "") {
    TArchiver a;
    a.SetFileName(archive);
    a.SetExtractPath("C:\\out");
    a.SetRestoreAction(raOverwrite);
    a.SetErrorAction(eaAbort);
    a.OnRequestCryptKey = [&](TArchiverRoot*, AnsiString& k) { k = key; };
    // The inner archive itself is extracted first (named as the writer
    // stored it: the temporary name of the tick count 1000 + 1).
    std::vector<AnsiString> names;
    a.OnFileExtracted = [&](TArchiverRoot*, const TFileEntry& e, const AnsiString&) { names.push_back(e.Name); };
    a.ExtractFiles();
    a.Close();
    return names;
  }
};

TEST_F(SolidTest, RoundTrip) {
  MakeArchive("C:\\s.arq", {"C:\\src\\a.txt", "C:\\src\\b.txt", "C:\\src\\c.bin"},
              [](TArchiver& a) { a.SetOptions(a.Options() + TOptions{oCreateSolidArchives}); });
  std::string outer = ReadFile("C:\\s.arq");
  EXPECT_EQ(static_cast<uint8_t>(outer[24]), afFinalSegment | afCompressed | afSolid);
  EXPECT_EQ(outer[25], 1);  // one entry: the inner archive
  EXPECT_TRUE(TempFolderIsEmpty());

  std::vector<std::string> progress;
  TArchiver a;
  a.SetFileName("C:\\s.arq");
  a.SetLanguage(lgEnglish);
  a.OnDisplayMessage = [&](TArchiverRoot*, const AnsiString& m) { progress.push_back(m); };
  a.Open();
  EXPECT_EQ(progress, std::vector<std::string>{"Uncompressing solid archive..."});
  EXPECT_FALSE(TempFolderIsEmpty());
  EXPECT_EQ(a.FileName().substr(0, platform::GetTempFolder().size()), platform::GetTempFolder());
  EXPECT_FALSE(a.Options().Contains(oCompress));
  a.Close();
  EXPECT_EQ(a.FileName(), "C:\\s.arq");
  EXPECT_TRUE(a.Options().Contains(oCompress));
  EXPECT_TRUE(TempFolderIsEmpty());
  EXPECT_EQ(ReadFile("C:\\s.arq"), outer);  // read only: not rebuilt

  EXPECT_EQ(ExtractAll("C:\\s.arq"), (std::vector<AnsiString>{"~Archiv-3E9.tmp", "a.txt", "b.txt", "c.bin"}));
  EXPECT_EQ(ReadFile("C:\\out\\a.txt"), std::string(5000, 'a'));
  EXPECT_EQ(ReadFile("C:\\out\\c.bin"), Noise(3000));
}

TEST_F(SolidTest, AddingToASolidArchiveRebuildsIt) {
  MakeArchive("C:\\s.arq", {"C:\\src\\a.txt"},
              [](TArchiver& a) { a.SetOptions(a.Options() + TOptions{oCreateSolidArchives}); });
  MakeFile("C:\\src\\d.txt", "later", SampleDate() + 1);
  MakeArchive("C:\\s.arq", {"C:\\src\\d.txt"});
  EXPECT_EQ(ExtractAll("C:\\s.arq"), (std::vector<AnsiString>{"~Archiv-3E9.tmp", "a.txt", "d.txt"}));
  EXPECT_EQ(ReadFile("C:\\out\\d.txt"), "later");
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(SolidTest, EncipheredSolidArchive) {
  MakeArchive("C:\\s.arq", {"C:\\src\\a.txt", "C:\\src\\b.txt"}, [](TArchiver& a) {
    a.SetOptions(a.Options() + TOptions{oCreateSolidArchives, oCrypt});
    a.OnEnterCryptKey = [](TArchiverRoot*, AnsiString& key) { key = "solid-key-1"; };
  });
  EXPECT_EQ(static_cast<uint8_t>(ReadFile("C:\\s.arq")[24]), afFinalSegment | afCompressed | afSolid | afEncrypted);
  EXPECT_EQ(ExtractAll("C:\\s.arq", "solid-key-1"), (std::vector<AnsiString>{"~Archiv-3E9.tmp", "a.txt", "b.txt"}));
  EXPECT_THROW(ExtractAll("C:\\s.arq", "wrong-key-1"), EArchiverBadKey);
  EXPECT_TRUE(TempFolderIsEmpty());
}

}  // namespace
