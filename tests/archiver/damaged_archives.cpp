// Damaged archives: cut short anywhere, single bytes changed, lengths and
// offsets made hostile. Each gives an error of the system's kinds, never a
// crash, a hang, a huge allocation or a file outside the target folder.

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/archiver/component_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

class DamagedTest : public TMachineTest {
 protected:
  void SetUp() override {
    TMachineTest::SetUp();
    MakeFile("C:\\src\\sub\\text.txt", std::string(1500, 't') + "end");
    MakeFile("C:\\src\\sub\\noise.bin", Noise(1100));
    MakeFile("C:\\src\\sub\\empty.txt", "");
    MakeFile("C:\\src\\sub\\secret.txt", "enciphered words");
    TArchiver a;
    a.SetFileName("C:\\good.arq");
    a.SetBlockSize(1024 + 128);
    a.SetStartingFolder("C:\\src\\");
    a.SetErrorAction(eaAbort);
    a.OnEnterCryptKey = [](TArchiverRoot*, AnsiString& key) { key = "0123456789"; };
    a.Open();
    for (const char* name : {"sub\\.", "sub\\text.txt", "sub\\noise.bin", "sub\\empty.txt"})
      a.AddFile(AnsiString("C:\\src\\") + name);
    a.SetOptions(a.Options() + TOptions{oEncryptFiles});
    a.AddFile("C:\\src\\sub\\secret.txt");
    a.Close();
    Good = ReadFile("C:\\good.arq");
    Before = FilesOnC();
  }

  // Every file and folder of drive C: outside the extraction folder (and
  // outside what the system keeps there).
  std::set<AnsiString> FilesOnC() {
    std::set<AnsiString> found;
    std::vector<AnsiString> folders{"C:"};
    while (!folders.empty()) {
      AnsiString folder = folders.back();
      folders.pop_back();
      platform::WIN32_FIND_DATAA data;
      platform::HANDLE h = platform::Api().FindFirstFileA(folder + "\\*", data);
      if (h == platform::INVALID_HANDLE_VALUE) continue;
      do {
        if (data.cFileName == "." || data.cFileName == "..") continue;
        AnsiString path = folder + "\\" + data.cFileName;
        if (path == "C:\\out" || path == "C:\\damaged.arq") continue;
        if (folder == "C:" && Machine().IsSystemEntry(data.cFileName)) continue;
        found.insert(path);
        if (data.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) folders.push_back(path);
      } while (platform::Api().FindNextFileA(h, data));
      platform::Api().FindClose(h);
    }
    return found;
  }

  // Opens and extracts; "" when it went through, else the kind of error.
  std::string TryArchive(const std::string& bytes, TErrorAction action = eaContinue) {
    WriteBytes("C:\\damaged.arq", bytes);
    std::string outcome;
    {
      TArchiver a;
      a.SetFileName("C:\\damaged.arq");
      a.SetExtractPath("C:\\out");
      a.SetRestoreAction(raOverwrite);
      a.SetErrorAction(action);
      a.SetLanguage(lgEnglish);
      a.OnRequestCryptKey = [](TArchiverRoot*, AnsiString& key) { key = "0123456789"; };
      try {
        a.ExtractFiles();
        a.TestFiles();
        a.EnumerateFiles();
      } catch (const EArchiverBadCRC&) {
        outcome = "BadCRC";
      } catch (const EArchiverBadKey&) {
        outcome = "BadKey";
      } catch (const EArchiverUncompress&) {
        outcome = "Uncompress";
      } catch (const EArchiver& e) {
        outcome = "EArchiver " + e.Message();
      } catch (const rtl::EReadError& e) {
        outcome = "EReadError";
      } catch (const rtl::Exception& e) {
        outcome = "Exception " + e.Message();
      }
    }
    EXPECT_EQ(FilesOnC(), Before);
    return outcome;
  }

  // Every byte of the header's fields and of the first records, then a sample.
  std::vector<size_t> Positions() const {
    std::vector<size_t> at;
    for (size_t i = 0; i < Good.size(); i += (i < 73 || (i >= 269 && i < 440)) ? 1 : i < 269 ? 196 : 9) at.push_back(i);
    return at;
  }

  void Put32(std::string& bytes, size_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

  std::string Good;
  std::set<AnsiString> Before;
};

TEST_F(DamagedTest, TheSoundArchiveExtracts) {
  EXPECT_EQ(TryArchive(Good, eaAbort), "");
  EXPECT_EQ(ReadFile("C:\\out\\sub\\text.txt"), std::string(1500, 't') + "end");
  EXPECT_EQ(ReadFile("C:\\out\\sub\\secret.txt"), "enciphered words");
}

TEST_F(DamagedTest, CutShortAnywhere) {
  for (size_t length : Positions()) {
    SCOPED_TRACE(length);
    std::string cut = Good.substr(0, length);
    // The header still names the whole used area: what lies before the cut comes out.
    std::string outcome = TryArchive(cut);
    if (length < 273) {
      EXPECT_NE(outcome, "");
    } else {
      EXPECT_TRUE(outcome == "" || outcome == "EReadError") << outcome;
    }
    // With EndOffset at the cut, records and blocks end in the middle.
    if (length >= 277) {
      Put32(cut, 16, static_cast<uint32_t>(length));
      TryArchive(cut);
    }
  }
}

TEST_F(DamagedTest, EveryByteChanged) {
  for (size_t at : Positions()) {
    SCOPED_TRACE(at);
    std::string bytes = Good;
    bytes[at] = static_cast<char>(~bytes[at]);
    TryArchive(bytes);  // an error or a (partly) different result, within the rules checked there
  }
}

TEST_F(DamagedTest, HostileLengthsAndOffsets) {
  // The layout: header 273; "sub\." record 273..322; "sub\text.txt" record at 323,
  // its first block record at 323 + 57.
  const size_t record = 323, block = 323 + 57;
  ASSERT_EQ(Good.substr(record + 4, 12), "sub\\text.txt");
  struct {
    const char* what;
    size_t at;
    uint32_t value;
    const char* outcome;
  } rows[] = {
      {"block length INT_MIN", block, 0x80000000u, "BadCRC"},
      {"block length beyond the buffer", block, 0x7FFFFFFFu, "BadCRC"},
      {"name length past the end", record, 0x7FFFFFF0u, "EReadError"},
      {"EndOffset past the end", 16, 0xFFFFFFF0u, ""},  // cut short after the last entry
      {"record offset pointing back", record + 4 + 12 + 10 + 4 + 2, 0, ""},
      {"BlockSize at its largest", 12, MaxBlockSize, ""},  // buffers grow only as blocks need
      {"BlockSize huge", 12, 0xFFFFFFFFu, "EArchiver Bad signature: file \"C:\\damaged.arq\" is not a valid archive"},
      {"BlockSize zero", 12, 0, "EArchiver Bad signature: file \"C:\\damaged.arq\" is not a valid archive"},
      {"Version 2", 4, 2, "Exception Unknown version"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::string bytes = Good;
    Put32(bytes, row.at, row.value);
    EXPECT_EQ(TryArchive(bytes, eaAbort), row.outcome);
  }
  // A block running past the end of the used area: the last block, made long.
  std::string bytes = Good;
  size_t last = Good.find("sub\\secret.txt") - 4 + 59;
  Put32(bytes, last, 1000);
  EXPECT_EQ(TryArchive(bytes, eaAbort), "EReadError");
  // A SegmentCompressedSize below zero would walk backwards.
  bytes = Good;
  Put32(bytes, record + 4 + 12 + 10 + 4 + 2 + 4 + 4 + 1 + 12, 0xFFFFFF00u);
  EXPECT_NE(TryArchive(bytes, eaAbort), "");
  // A used area that begins inside the header.
  bytes = Good;
  Put32(bytes, 16, 100);
  EXPECT_EQ(TryArchive(bytes, eaAbort).substr(0, 9), "EArchiver");
}

// Blocks are read several at a time: a damaged or cut block still fails in
// its turn, after the blocks before it are written, and the next file is
// extracted as usual.
TEST_F(DamagedTest, ALaterBlockFailsInItsTurn) {
  const std::string noise = Noise(5 * 1152);
  MakeFile("C:\\src\\five.bin", noise);
  MakeFile("C:\\src\\after.txt", "after");
  TArchiver a;
  a.SetFileName("C:\\five.arq");
  a.SetBlockSize(1152);
  a.SetStartingFolder("C:\\src\\");
  a.Open();
  a.AddFile("C:\\src\\five.bin");
  a.AddFile("C:\\src\\after.txt");
  a.Close();
  const std::string good = ReadFile("C:\\five.arq");
  Before = FilesOnC();
  // five.bin's blocks are stored as they are (noise): the fourth starts after three records.
  const size_t first = good.find("five.bin") + 8 + 41;
  const size_t fourth = first + 3 * (8 + 1152);
  ASSERT_EQ(good.substr(fourth + 8, 1152), noise.substr(3 * 1152, 1152));

  std::string damaged = good;
  damaged[fourth + 8 + 100] ^= 0x20;
  EXPECT_EQ(TryArchive(damaged), "");  // eaContinue: on to the next file
  EXPECT_EQ(ReadFile("C:\\out\\five.bin"), noise.substr(0, 3 * 1152));
  EXPECT_EQ(ReadFile("C:\\out\\after.txt"), "after");

  ASSERT_TRUE(platform::DeleteFile("C:\\out\\five.bin"));
  std::string cut = good.substr(0, fourth + 8 + 600);
  Put32(cut, 16, static_cast<uint32_t>(cut.size()));
  EXPECT_EQ(TryArchive(cut, eaAbort), "EReadError");
  EXPECT_EQ(ReadFile("C:\\out\\five.bin"), noise.substr(0, 3 * 1152));
}

}  // namespace
