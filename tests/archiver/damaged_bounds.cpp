// Damaged archives, every byte of them: each cut and each changed byte of a
// small archive, plain and enciphered, ends in success or an error of the
// system's kinds, with nothing written outside the target and no file made
// longer than its entry says. An archive cut short yields what it holds.

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/archiver/component_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

constexpr const char* kKey = "0123456789";

class BoundsTest : public TMachineTest {
 protected:
  void ConfigureMachine(TMachineOptions& options) override { options.LanguageId = 0x0409; }

  void SetUp() override {
    TMachineTest::SetUp();
    MakeFile("C:\\src\\a.txt", std::string(700, 'a') + "end");
    MakeFile("C:\\src\\b.bin", BData());
    MakeFile("C:\\src\\c.txt", "last one");
  }

  // Two blocks, the first with some noise in it.
  static std::string BData() { return Noise(200) + std::string(1300, 'b'); }

  // The three files in blocks of 1152 bytes, enciphered when asked: small
  // (all of it is tried byte by byte), a compressed and a stored block.
  std::string Sample(bool enciphered) {
    platform::DeleteFile("C:\\sample.arq");
    MakeArchive("C:\\sample.arq", {"C:\\src\\a.txt", "C:\\src\\b.bin", "C:\\src\\c.txt"}, [&](TArchiver& a) {
      a.SetBlockSize(1152);
      if (enciphered) {
        a.SetOptions(a.Options() + TOptions{oCrypt});
        a.OnEnterCryptKey = [](TArchiverRoot*, AnsiString& key) { key = kKey; };
      }
    });
    return ReadFile("C:\\sample.arq");
  }

  // Extracts, tests and lists the bytes as an archive with eaContinue. The
  // outcome: "" or the kind of error that ended it. Checks that every file
  // written lies in C:\out and is no longer than its entry said.
  std::string Run(const std::string& bytes) {
    std::error_code ignored;
    std::filesystem::remove_all(Machine().HostPath("C:\\out"), ignored);
    WriteBytes("C:\\damaged.arq", bytes);
    std::map<AnsiString, int64_t> stated;  // target name -> largest Size announced
    std::string outcome;
    {
      TArchiver a;
      a.SetFileName("C:\\damaged.arq");
      a.SetExtractPath("C:\\out");
      a.SetRestoreAction(raOverwrite);
      a.SetErrorAction(eaContinue);
      a.SetOptions(a.Options() - TOptions{oRestorePath});
      a.OnRequestCryptKey = [](TArchiverRoot*, AnsiString& key) { key = kKey; };
      a.OnExtractFile = [&](TArchiverRoot*, const TFileEntry& e, AnsiString&, bool&) {
        size_t slash = e.Name.rfind('\\');
        AnsiString name = slash == AnsiString::npos ? e.Name : e.Name.substr(slash + 1);
        int64_t& size = stated[rtl::UpperCase(name)];
        size = std::max<int64_t>(size, e.Size);
      };
      try {
        a.ExtractFiles();
        a.TestFiles();
        a.EnumerateFiles();
      } catch (const EArchiver&) {
        outcome = "EArchiver";
      } catch (const rtl::EReadError&) {
        outcome = "EReadError";
      } catch (const rtl::Exception& e) {
        outcome = "Exception " + e.Message();
      }
    }
    int64_t largest = 0;
    for (const auto& [name, size] : stated) largest = std::max(largest, size);
    std::error_code missing;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Machine().HostPath("C:\\out"), missing)) {
      if (!e.is_regular_file()) continue;
      // A name the host spells otherwise is held to the largest Size announced.
      auto found = stated.find(rtl::UpperCase(e.path().filename().string()));
      EXPECT_LE(static_cast<int64_t>(e.file_size()), found == stated.end() ? largest : found->second)
          << e.path().string();
    }
    return outcome;
  }

  // Names on C: besides the extraction folder, the damaged archive and the
  // temporary folder (where a solid archive's inner one goes).
  size_t FilesOutside() {
    size_t n = 0;
    const std::string out = Machine().HostPath("C:\\out");
    const std::string archive = Machine().HostPath("C:\\damaged.arq");
    const std::string temp = Machine().HostPath(rtl::ExcludeTrailingBackslash(platform::GetTempFolder()));
    for (auto it = std::filesystem::recursive_directory_iterator(Machine().HostPath("C:\\"));
         it != std::filesystem::recursive_directory_iterator(); ++it) {
      std::string path = it->path().string();
      // The system's own entries of C: (on Windows) are not the test's.
      const bool system = it.depth() == 0 && Machine().IsSystemEntry(it->path().filename().string());
      if (path == out || path == temp || system) {
        it.disable_recursion_pending();
        continue;
      }
      if (path != archive) ++n;
    }
    return n;
  }

  static void Put32(std::string& bytes, size_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

  size_t FOutside = 0;
};

TEST_F(BoundsTest, EveryCutAndEveryChangedByte) {
  for (bool enciphered : {false, true}) {
    SCOPED_TRACE(enciphered ? "enciphered" : "plain");
    const std::string good = Sample(enciphered);
    FOutside = FilesOutside();
    ASSERT_EQ(Run(good), "");
    ASSERT_EQ(ReadFile("C:\\out\\b.bin"), BData());
    for (size_t at = 0; at < good.size(); ++at) {
      SCOPED_TRACE(at);
      std::string outcome = Run(good.substr(0, at));
      // Inside the header nothing is an archive; past it, the entries before the cut come out.
      if (at >= 273) {
        EXPECT_TRUE(outcome == "" || outcome == "EReadError") << outcome;
      }
      std::string changed = good;
      changed[at] = static_cast<char>(changed[at] ^ 0x5A);
      Run(changed);
    }
    // Whatever was written outside the target stays there: one look at the end finds it.
    EXPECT_EQ(FilesOutside(), FOutside);
  }
}

// Records whose sizes or offsets disagree with the entry: the entry fails
// through the error policy before anything is written past its Size, and
// the next entry is extracted.
TEST_F(BoundsTest, PartsThatDisagreeWithTheEntryFail) {
  const std::string good = Sample(false);
  FOutside = FilesOutside();
  const size_t record = good.find("b.bin") - 4;  // the name's length comes first
  const size_t fields = record + 4 + 5;
  struct {
    const char* what;
    size_t at;
    uint32_t value;
  } rows[] = {
      {"StartOffset far into the file", fields + 20, 0xF0000000u},
      {"StartOffset inside the file", fields + 20, 100},
      {"Size smaller than the blocks", fields + 25, 1000},
      {"Size larger than the blocks", fields + 25, 1600},
      {"SegmentSize smaller than the blocks", fields + 33, 1400},
      {"SegmentSize beyond Size", fields + 33, 0x7FFFFFFFu},
      {"Size negative", fields + 25, 0xFFFFFFFFu},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::string bytes = good;
    Put32(bytes, row.at, row.value);
    std::vector<std::string> errors;
    WriteBytes("C:\\damaged.arq", bytes);
    TArchiver a;
    a.SetFileName("C:\\damaged.arq");
    a.SetExtractPath("C:\\out");
    a.SetRestoreAction(raOverwrite);
    a.SetErrorAction(eaContinue);
    a.OnError = [&](TArchiverRoot*, const rtl::Exception& e, const TFileEntry& entry, TErrorAction&) {
      errors.push_back(entry.Name + ": " + e.Message());
    };
    a.ExtractFiles();
    a.Close();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "b.bin: Bad CRC: data stored in the archive is corrupted");
    EXPECT_LE(ReadFile("C:\\out\\b.bin").size(), std::min<size_t>(1500, static_cast<int32_t>(row.value) < 0 ? 0 : row.value));
    EXPECT_EQ(ReadFile("C:\\out\\c.txt"), "last one");
    ASSERT_TRUE(platform::DeleteFile("C:\\out\\b.bin"));
  }
}

// An archive cut short opens; what lies before the cut is extracted, the
// entry at the cut goes to the error policy, and the cut is described.
TEST_F(BoundsTest, ACutArchiveYieldsWhatItHolds) {
  const std::string good = Sample(false);
  const size_t cutAt = good.find("c.txt") - 4 - 10;  // inside b.bin's last block
  WriteBytes("C:\\cut.arq", good.substr(0, cutAt));
  std::vector<std::string> errors;
  TArchiver a;
  a.SetFileName("C:\\cut.arq");
  a.SetExtractPath("C:\\out");
  a.SetRestoreAction(raOverwrite);
  a.SetErrorAction(eaAsk);
  Dialogs().AnswerContinue(platform::daYes);
  a.OnError = [&](TArchiverRoot*, const rtl::Exception& e, const TFileEntry& entry, TErrorAction&) {
    errors.push_back(entry.Name + ": " + e.Message());
  };
  a.Open();
  EXPECT_EQ(a.CutShort().FileName, "C:\\cut.arq");
  EXPECT_EQ(a.CutShort().Size, static_cast<int64_t>(cutAt));
  EXPECT_EQ(a.CutShort().EndOffset, good.size());
  a.ExtractFiles();
  EXPECT_EQ(ReadFile("C:\\out\\a.txt"), std::string(700, 'a') + "end");
  EXPECT_FALSE(platform::FileExists("C:\\out\\c.txt"));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "b.bin: Stream read error");
  ASSERT_EQ(Dialogs().Asked().size(), 1u);
  EXPECT_EQ(Dialogs().Asked()[0].Kind, platform::dkQueryContinue);
  EXPECT_EQ(a.EntriesWalked(), 2);
  EXPECT_EQ(a.Header().ArchiveInfo.FileCount, 3u);
  a.Close();

  // Cut inside c.txt's record: the walk ends there with the read error.
  WriteBytes("C:\\cut.arq", good.substr(0, good.find("c.txt") + 2));
  TArchiver b;
  b.SetFileName("C:\\cut.arq");
  b.SetExtractPath("C:\\out2");
  b.SetErrorAction(eaContinue);
  EXPECT_THROW(b.ExtractFiles(), rtl::EReadError);
  EXPECT_EQ(ReadFile("C:\\out2\\b.bin"), BData());
  // Nothing is appended to an archive cut short.
  EXPECT_THROW(b.AddFile("C:\\src\\a.txt"), rtl::EReadError);
  b.Close();
}

// The smaller read paths: the signature asked once per header, a folder
// that could not be made tried again, a failed segment change that leaves
// the component on the segment it read the entry from.
TEST_F(BoundsTest, SmallerReadPaths) {
  MakeFile("C:\\src\\sub\\a.txt", "a");
  MakeFile("C:\\src\\sub\\b.txt", "b");
  MakeArchive("C:\\sub.arq", {"C:\\src\\sub\\a.txt", "C:\\src\\sub\\b.txt"},
              [](TArchiver& a) { a.SetStartingFolder("C:\\src\\"); });
  {
    TArchiver a;
    a.SetFileName("C:\\sub.arq");
    int asked = 0;
    a.OnGetSignature = [&](TArchiverRoot*, int32_t&) { ++asked; };
    a.Open();
    EXPECT_EQ(asked, 1);
    // C:\out\sub is a file at first: a.txt fails, and the folder is made for b.txt.
    MakeFile("C:\\out\\sub", "in the way");
    a.SetExtractPath("C:\\out");
    a.SetRestoreAction(raOverwrite);
    a.SetErrorAction(eaContinue);
    std::vector<std::string> errors;
    a.OnError = [&](TArchiverRoot*, const rtl::Exception& e, const TFileEntry& entry, TErrorAction&) {
      errors.push_back(entry.Name);
      platform::DeleteFile("C:\\out\\sub");
    };
    a.ExtractFiles();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(errors, std::vector<std::string>{"sub\\a.txt"});
    EXPECT_EQ(ReadFile("C:\\out\\sub\\b.txt"), "b");
    a.Close();
  }

  // Segment 2 of three has a version no reader knows.
  MakeFile("C:\\src\\big.bin", Noise(12000));
  MakeArchive("C:\\Arq\\s.bak", {"C:\\src\\big.bin"}, [](TArchiver& a) {
    a.SetBlockSize(2048);
    a.SetMaxSegmentSize(6144);
  });
  std::string second = ReadFile("C:\\Arq\\s-002.mmm");
  second[4] = 2;
  WriteBytes("C:\\Arq\\s-002.mmm", second);
  TArchiver a;
  a.SetFileName("C:\\Arq\\s.bak");
  a.SetExtractPath("C:\\out");
  a.SetRestoreAction(raOverwrite);
  a.SetErrorAction(eaContinue);
  std::vector<std::string> errors;
  a.OnError = [&](TArchiverRoot*, const rtl::Exception& e, const TFileEntry& entry, TErrorAction&) {
    errors.push_back(entry.Name + ": " + e.Message());
    EXPECT_EQ(a.Header().Segment, 1);
  };
  try {
    a.ExtractFiles();
    FAIL() << "no error";
  } catch (const rtl::Exception& e) {
    // Passing over the entry needs segment 2 again: the archive cannot be read on.
    EXPECT_EQ(e.Message(), "Unknown version");
  }
  EXPECT_EQ(errors, std::vector<std::string>{"big.bin: Unknown version"});
  EXPECT_EQ(a.Header().Segment, 1);
  EXPECT_EQ(a.FileName(), "C:\\Arq\\s.bak");
  a.Close();
}

}  // namespace
