// Drive kinds, volume facts, disk space and the drive letter check.

#include "platform/Drives.h"

#include <gtest/gtest.h>

#include "tests/platform/FakeApi.h"

using namespace platform;

namespace {

class Drives : public testing::Test {
 protected:
  Drives() {
    api.Drives['A'] = {DRIVE_REMOVABLE, false, "", 0, "", false, 0, 0};
    api.Drives['C'] = {DRIVE_FIXED, true, "SISTEMA", 0x2237E3AC, "NTFS", true, 8ull << 30, 5ull << 30};
  }
  fake::TFakeApi api;
};

TEST_F(Drives, KindAndRemovable) {
  EXPECT_EQ(DriveKind("C:\\"), DRIVE_FIXED);
  EXPECT_EQ(DriveKind("Q:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_TRUE(IsRemovableDrive("A:"));
  EXPECT_TRUE(IsRemovableDrive("a:\\dados\\x.bak"));
  EXPECT_FALSE(IsRemovableDrive("C:"));
  EXPECT_FALSE(IsRemovableDrive("\\\\server\\share"));
}

TEST_F(Drives, SpaceWithAndWithoutTheExCall) {
  EXPECT_EQ(DiskSize('C'), 8.0 * (1ull << 30));
  EXPECT_EQ(DiskFree('c'), 5.0 * (1ull << 30));
  EXPECT_EQ(DiskFree('A'), -1);
  EXPECT_EQ(DiskSize('Q'), -1);
  api.HasEx = false;
  api.Calls.clear();
  uint64_t total = 0, free = 0;
  ASSERT_TRUE(DiskSpace("C:\\", total, free));
  EXPECT_EQ(total, 8ull << 30);  // 8 sectors of 512 bytes per cluster
  EXPECT_EQ(free, 5ull << 30);
  EXPECT_TRUE(api.Called("GetDiskFreeSpaceA C:\\"));
  EXPECT_FALSE(api.Called("GetDiskFreeSpaceExA"));
  // Letter 0 is the current drive.
  api.CurrentDirectory = "C:\\WINDOWS";
  EXPECT_EQ(DiskSize(0), 8.0 * (1ull << 30));
}

TEST_F(Drives, LetterCheckRaisesForNonLettersAndQuietsTheCriticalErrorBox) {
  for (const char* bad : {"1", ":", "", "\\\\srv\\x"}) {
    try {
      ValidDrive(bad);
      ADD_FAILURE() << bad;
    } catch (const rtl::Exception& e) {
      EXPECT_EQ(e.Message(), "Not a valid drive ID");
    }
  }
  api.ErrorMode = 0x8000;
  api.Calls.clear();
  EXPECT_TRUE(ValidDrive("c:"));
  EXPECT_FALSE(ValidDrive("A:"));  // no disk in the drive
  EXPECT_FALSE(ValidDrive("Q"));
  // Each query runs with the box suppressed; the previous mode comes back.
  EXPECT_TRUE(api.Called("GetDiskFreeSpaceExA C:\\ mode 1"));
  EXPECT_TRUE(api.Called("GetDiskFreeSpaceExA A:\\ mode 1"));
  EXPECT_EQ(api.ErrorMode, 0x8000u);
}

TEST_F(Drives, VolumeFacts) {
  TVolumeInfo info;
  ASSERT_TRUE(VolumeInformation("C:\\", info));
  EXPECT_EQ(info.Label, "SISTEMA");
  EXPECT_EQ(info.SerialNumber, 0x2237E3ACu);
  EXPECT_EQ(info.FileSystem, "NTFS");
  EXPECT_FALSE(VolumeInformation("A:\\", info));
  EXPECT_EQ(info.Label, "");
  EXPECT_EQ(info.SerialNumber, 0u);

  EXPECT_EQ(VolumeLabelAndSerial("c:\\x").SerialNumber, 0x2237E3ACu);
  EXPECT_EQ(VolumeLabelAndSerial("A:").Label, "");
  api.CurrentDirectory = "C:\\";
  EXPECT_EQ(VolumeLabelAndSerial("").Label, "SISTEMA");
  EXPECT_EQ(api.Calls.back(), "GetVolumeInformationA ");  // the current drive
}

}  // namespace
