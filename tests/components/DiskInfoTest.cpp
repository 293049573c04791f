// The disk information component over the drive services.

#include "components/DiskInfo.h"

#include <gtest/gtest.h>

#include "tests/platform/FakeApi.h"

namespace {

class DiskInfo : public testing::Test {
 protected:
  DiskInfo() {
    api.Drives['C'] = {platform::DRIVE_FIXED, true, "SISTEMA", 574088108, "NTFS", true, 8ull << 30, 5ull << 30};
    api.Drives['D'] = {platform::DRIVE_CDROM, true, "VANTOR", 0, "CDFS", true, 600ull << 20, 0};
    api.Drives['A'] = {platform::DRIVE_REMOVABLE, false, "", 0, "", false, 0, 0};
  }
  fake::TFakeApi api;
};

TEST(SerialNumberText, EightHexDigitsWithADash) {
  EXPECT_EQ(SerialNumberText(574088108), "2237-E3AC");
  EXPECT_EQ(SerialNumberText(0), "0000-0000");
  EXPECT_EQ(SerialNumberText(1018624357), "3CB6-F965");
  EXPECT_EQ(SerialNumberText(0xFFFFFFFFu), "FFFF-FFFF");
}

TEST_F(DiskInfo, QueriesDriveCWhenMade) {
  TDiskInfo info;
  EXPECT_EQ(info.Disk(), 'C');
  EXPECT_EQ(info.SerialNumber(), 574088108);
  EXPECT_EQ(info.SerialNumberStr(), "2237-E3AC");
  EXPECT_EQ(info.VolumeLabel(), "SISTEMA");
  EXPECT_EQ(info.FileSystem(), "NTFS");
  EXPECT_EQ(info.DriveType(), dtFixed);
  EXPECT_EQ(info.DiskSize(), int64_t{8} << 30);
  EXPECT_EQ(info.DiskFree(), int64_t{5} << 30);
  EXPECT_TRUE(api.Called("GetVolumeInformationA C:\\"));
}

TEST_F(DiskInfo, LowerCaseLettersAreTakenOthersIgnored) {
  TDiskInfo info;
  info.SetDisk('d');
  EXPECT_EQ(info.Disk(), 'D');
  EXPECT_EQ(info.DriveType(), dtCDROM);
  EXPECT_EQ(info.VolumeLabel(), "VANTOR");
  api.Calls.clear();
  for (char bad : {'1', ':', '\xE1', '\0'}) info.SetDisk(bad);
  EXPECT_EQ(info.Disk(), 'D');
  EXPECT_EQ(info.VolumeLabel(), "VANTOR");
  EXPECT_TRUE(api.Calls.empty());
}

TEST_F(DiskInfo, MissingDriveAndEmptyDrive) {
  TDiskInfo info;
  info.SetDisk('Q');
  EXPECT_EQ(info.DriveType(), dtNoDrive);
  EXPECT_EQ(info.DiskSize(), -1);
  EXPECT_EQ(info.DiskFree(), -1);
  EXPECT_EQ(info.SerialNumberStr(), "0000-0000");
  EXPECT_EQ(info.VolumeLabel(), "");
  info.SetDisk('A');  // removable, no disk
  EXPECT_EQ(info.DriveType(), dtFloppy);
  EXPECT_EQ(info.DiskSize(), -1);
}

TEST_F(DiskInfo, StoredValuesAreIgnored) {
  TDiskInfo info;
  info.SetSerialNumberStr("1111-2222");
  info.SetSerialNumber(5);
  info.SetVolumeLabel("OUTRA");
  info.SetDriveType(dtRAM);
  info.SetDiskSize(1);
  info.SetDiskFree(1);
  EXPECT_EQ(info.SerialNumberStr(), "2237-E3AC");
  EXPECT_EQ(info.VolumeLabel(), "SISTEMA");
  EXPECT_EQ(info.DriveType(), dtFixed);
  EXPECT_EQ(info.DiskSize(), int64_t{8} << 30);
}

}  // namespace
