// Segmented archives over drives of their own: a fixed drive too small for the
// archive, and a floppy drive whose disks are changed. They need drives and
// disks that only the simulated machine can make and change during a test, so
// they run on Linux only.

#include <filesystem>

#include "platform/sim/MachineConfig.h"
#include "tests/archiver/disk_fixture.h"
#include "tests/archiver/failed_addition_fixture.h"
#include "tests/archiver/segment_fixture.h"

using namespace archiver_test;

namespace {

// A fixed drive E: too small for the archive: the writer asks for a new place.
class SegmentPlaceTest : public SegmentTest {
 protected:
  void PrepareMachine(const std::string& folder) override {
    auto config = platform::sim::LoadMachineConfig(folder);
    platform::sim::TDriveConfig e;
    e.Letter = 'E';
    e.Kind = platform::sim::dkFixed;
    e.Volume.Folder = folder + "/drives/e";
    e.Volume.Serial = 0x0E0E0E0E;
    e.Volume.Size = 65536 + 8192;
    e.Volume.ClusterSize = 512;
    std::filesystem::create_directories(e.Volume.Folder);
    config.Drives.push_back(e);
    platform::sim::SaveMachineConfig(folder, config);
  }
};

TEST_F(SegmentPlaceTest, AFullFixedDriveAsksForANewPlace) {
  const std::string data = Noise(18000);
  MakeFile("C:\\src\\big.bin", data);
  platform::ForceDirectories("C:\\more");
  Dialogs().AnswerMessageBox(platform::IDOK);           // select a new place
  Dialogs().AnswerSelectFolder(true, "C:\\more");
  Dialogs().AnswerOpenFile(true, "E:\\dados.bak");      // segment 1, for its totals at Close
  MakeArchive("E:\\dados.bak", {"C:\\src\\big.bin"}, [](TArchiver& a) {
    a.SetBlockSize(2048);
    a.SetMinFreeSpace(4096);
  });
  const auto& asked = Dialogs().Asked();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].Text, "Select a new place for storing the segment #2 of Archive dados");
  EXPECT_EQ(asked[2].Caption, "Locate segment #1 of Archive dados");
  EXPECT_TRUE(platform::FileExists("C:\\more\\dados-002.mmm"));
  EXPECT_EQ(ReadSegment("E:\\dados.bak").Header.ArchiveInfo.Size, 18000);

  Dialogs().Clear();
  Dialogs().AnswerOpenFile(true, "C:\\more\\dados-002.mmm");
  ExtractAll("E:\\dados.bak");
  EXPECT_EQ(ReadFile("C:\\out\\big.bin"), data);
}

// A: is a floppy drive with three disks of little room.
using SegmentDiskTest = TWithSmallDisks<SegmentTest>;

TEST_F(SegmentDiskTest, DisksAreAskedForAndChecked) {
  const std::string data = Noise(18000);
  MakeFile("C:\\src\\big.bin", data);
  Insert("disk1");
  WriteBytes("A:\\old.txt", "old files");
  AnswerWithDisk("disk1");
  Dialogs().AnswerMessageBox(platform::IDYES);  // erase the first disk
  AnswerWithDisk("disk1");                      // the full disk again: refused
  AnswerWithDisk("disk2");
  AnswerWithDisk("disk1");                      // segment 1 again, for its totals
  MakeArchive("A:\\dados.bak", {"C:\\src\\big.bin"}, [](TArchiver& a) {
    a.SetBlockSize(2048);
    a.SetMinFreeSpace(1024);
    a.SetOptions(a.Options() + archiver::TOptions{archiver::oEraseFirstDisk, archiver::oEraseNewDisk,
                                                  archiver::oConfirmFileDeletion});
  });
  const auto& asked = Dialogs().Asked();
  ASSERT_EQ(asked.size(), 5u);
  EXPECT_EQ(asked[0].Text, "Insert new disk for segment #1 in drive A:");
  EXPECT_EQ(asked[1].Text, "Drive A: contains files. Do you want to delete them ?");
  EXPECT_EQ(asked[2].Text, "Insert new disk for segment #2 in drive A:");
  EXPECT_EQ(asked[3].Text, "Insert new disk for segment #2 in drive A:");
  EXPECT_EQ(asked[4].Text, "Insert disk for segment #1 in drive A:");
  EXPECT_FALSE(platform::FileExists("A:\\old.txt"));
  TSegmentFile first = ReadSegment("A:\\dados.bak");
  EXPECT_FALSE(first.Header.Has(archiver::afFinalSegment));
  EXPECT_EQ(first.Header.ArchiveInfo.Size, 18000);
  Insert("disk2");
  EXPECT_TRUE(ReadSegment("A:\\dados-002.mmm").Header.Has(archiver::afFinalSegment));

  // Reading asks for the disks in turn; a wrong reply is asked again.
  Insert("disk1");
  Dialogs().Clear();
  AnswerWithDisk("disk3");
  AnswerWithDisk("disk2");
  ExtractAll("A:\\dados.bak");
  EXPECT_EQ(ReadFile("C:\\out\\big.bin"), data);
  ASSERT_EQ(Dialogs().Asked().size(), 2u);
  EXPECT_EQ(Dialogs().Asked()[0].Text, "Insert disk for segment #2 in drive A:");
}

TEST_F(SegmentDiskTest, TheLastSegmentIsFoundByItsName) {
  // Segment 1 without the final totals: opening looks for the last segment,
  // on whichever disk holds a final one of this archive.
  MakeFile("C:\\src\\big.bin", Noise(18000));
  Insert("disk1");
  AnswerWithDisk("disk2");
  MakeArchive("A:\\dados.bak", {"C:\\src\\big.bin"}, [](TArchiver& a) {
    a.SetBlockSize(2048);
    a.SetMinFreeSpace(1024);
    a.SetOptions(a.Options() + archiver::TOptions{archiver::oDoNotUpdateFirstSegment});
  });
  Insert("disk2");
  ASSERT_TRUE(platform::RenameFile("A:\\dados-002.mmm", "A:\\dados-007.mmm"));
  Insert("disk1");
  Dialogs().Clear();
  AnswerWithDisk("disk2");
  TArchiver a;
  a.SetFileName("A:\\dados.bak");
  a.Open();
  EXPECT_EQ(a.Header().Segment, 2);
  EXPECT_EQ(a.FileName(), "A:\\dados-007.mmm");
  EXPECT_EQ(a.Header().ArchiveInfo.Size, 18000);
  ASSERT_EQ(Dialogs().Asked().size(), 1u);
  EXPECT_EQ(Dialogs().Asked()[0].Text, "Insert disk containing the last segment in drive A:");
  a.Close();
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
