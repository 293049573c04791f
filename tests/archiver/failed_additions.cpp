// Additions that fail or are aborted at some block, also after their file
// has run on into new segments: the archive stays whole, every file added
// before and after extracts, and each segment's header agrees with its
// records.

#include <string>

#include "tests/archiver/disk_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

class FailedAdditionTest : public TMachineTest {
 protected:
  void ConfigureMachine(TMachineOptions& options) override { options.LanguageId = 0x0409; }

  // An archiver that fails (or aborts) its addition once more than
  // `failAfter` bytes of it are done.
  void Arm(TArchiver& a, int64_t failAfter, bool abort) {
    a.SetErrorAction(eaContinue);
    a.OnFileProgress = [this, &a, failAfter, abort](TArchiverRoot*, int) {
      if (!FArmed || a.Operation() != opAdding || a.BytesProcessed() <= failAfter) return;
      FArmed = false;
      if (abort)
        a.RequestAbort();
      else
        throw rtl::EReadError("the source could not be read");
    };
  }

  // Adds `file` with the failure armed; an abort comes out of AddFile.
  void AddFailing(TArchiver& a, const AnsiString& file, bool abort) {
    FArmed = true;
    if (abort)
      EXPECT_THROW(a.AddFile(file), rtl::EAbort);
    else
      a.AddFile(file);
    EXPECT_FALSE(FArmed) << "the failure never came";
  }

  // Every segment from `first` on: final only at the end, within the size
  // limit, its totals those of its records; the number of segments.
  int CheckSegments(const AnsiString& first, int64_t limit) {
    int n = 1;
    for (;; ++n) {
      TArchiver names;
      names.SetFileName(first);
      TSegmentFile s = ReadSegment(n == 1 ? first : names.SegmentFileName(n));
      if (limit > 0) {
        EXPECT_LE(s.Size, limit) << n;
      }
      long double size = 0, stored = 0;
      for (const TFileEntry& e : s.Records) {
        size += e.SegmentSize;
        stored += e.SegmentCompressedSize;
      }
      EXPECT_EQ(s.Header.SegmentInfo.Size, size) << n;
      EXPECT_EQ(s.Header.SegmentInfo.CompressedSize, stored) << n;
      if (s.Header.Has(afFinalSegment)) {
        EXPECT_FALSE(platform::FileExists(names.SegmentFileName(n + 1))) << n;
        return n;
      }
    }
  }

  void ExpectExtracts(const AnsiString& archive, const std::vector<std::pair<AnsiString, std::string>>& files,
                      const AnsiString& absent) {
    std::error_code ignored;
    std::filesystem::remove_all(Machine().Sim().HostPath("C:\\out"), ignored);
    TArchiver a;
    a.SetFileName(archive);
    a.SetExtractPath("C:\\out");
    a.SetErrorAction(eaAbort);
    a.SetRestoreAction(raOverwrite);
    a.ExtractFiles();
    EXPECT_EQ(a.Header().ArchiveInfo.FileCount, files.size());
    a.Close();
    for (const auto& [name, bytes] : files) EXPECT_EQ(ReadFile("C:\\out\\" + name), bytes) << name;
    EXPECT_FALSE(platform::FileExists("C:\\out\\" + absent));
  }

  bool FArmed = false;
};

TEST_F(FailedAdditionTest, PlainAndSegmentedOverFiles) {
  MakeFile("C:\\src\\a.bin", Noise(3000, 1));
  MakeFile("C:\\src\\big.bin", Noise(12000, 2));
  MakeFile("C:\\src\\c.bin", Noise(4000, 3));
  struct {
    int32_t segmentSize;
    int64_t failAfter;  // bytes of big.bin
    bool abort;
  } rows[] = {
      {0, 5000, false},     {0, 9000, true},   {6144, 1000, false}, {6144, 5000, false},
      {6144, 9000, true},   {6144, 11999, false}, {6144, 4100, true},
  };
  int run = 0;
  for (const auto& row : rows) {
    const AnsiString archive = rtl::Format("C:\\Arq\\run%d.bak", {++run});
    SCOPED_TRACE(archive);
    {
      TArchiver a;
      a.SetFileName(archive);
      a.SetBlockSize(2048);
      a.SetMaxSegmentSize(row.segmentSize);
      Arm(a, row.failAfter, row.abort);
      a.Open();
      a.AddFile("C:\\src\\a.bin");
      AddFailing(a, "C:\\src\\big.bin", row.abort);
      a.AddFile("C:\\src\\c.bin");
      a.Close();
    }
    CheckSegments(archive, row.segmentSize);
    ExpectExtracts(archive, {{"a.bin", Noise(3000, 1)}, {"c.bin", Noise(4000, 3)}}, "big.bin");
  }
}

// A: is a floppy drive with three disks of little room.
using FailedOnDisksTest = TWithSmallDisks<FailedAdditionTest>;

// The file fails on the second disk: its segment file there is deleted, the
// first disk is asked for again and ends the archive as before.
TEST_F(FailedOnDisksTest, SegmentedOverRemovableDisks) {
  MakeFile("C:\\src\\a.bin", Noise(2000, 1));
  MakeFile("C:\\src\\big.bin", Noise(18000, 2));
  MakeFile("C:\\src\\c.txt", "added afterwards");
  Insert("disk1");
  AnswerWithDisk("disk2");  // a new disk for segment 2
  AnswerWithDisk("disk1");  // segment 1 again, to end the archive there
  {
    TArchiver a;
    a.SetFileName("A:\\dados.bak");
    a.SetBlockSize(2048);
    a.SetMinFreeSpace(1024);
    Arm(a, 14000, false);
    a.Open();
    a.AddFile("C:\\src\\a.bin");
    AddFailing(a, "C:\\src\\big.bin", false);
    a.AddFile("C:\\src\\c.txt");
    a.Close();
  }
  const auto& asked = Dialogs().Asked();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].Text, "Insert new disk for segment #2 in drive A:");
  EXPECT_EQ(asked[1].Text, "Insert disk for segment #1 in drive A:");
  EXPECT_EQ(CheckSegments("A:\\dados.bak", 0), 1);
  ExpectExtracts("A:\\dados.bak", {{"a.bin", Noise(2000, 1)}, {"c.txt", "added afterwards"}}, "big.bin");
  Insert("disk2");
  EXPECT_FALSE(platform::FileExists("A:\\dados-002.mmm"));
}

}  // namespace
