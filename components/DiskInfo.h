#pragma once
// TDiskInfo: a non-visual component that reads the facts of one drive's
// volume (serial number, label, file system, kind, size and free space).
// Only Disk has an effect when set; the other setters take the value and
// ignore it, so values stored with a window are replaced by the live ones.

#include <cstdint>

#include "platform/WinApi.h"
#include "rtl/Component.h"

// The kind of drive, in the order of GetDriveTypeA's results.
enum TDriveType { dtUnknown, dtNoDrive, dtFloppy, dtFixed, dtNetwork, dtCDROM, dtRAM };

class TDiskInfo : public rtl::TComponent {
 public:
  // Disk "C", queried at once.
  explicit TDiskInfo(rtl::TComponent* owner = nullptr);

  char Disk() const { return FDisk; }
  // An ASCII letter is upper-cased; anything then outside "A" to "Z" is ignored.
  void SetDisk(char disk);

  const rtl::AnsiString& SerialNumberStr() const { return FSerialNumberStr; }
  int32_t SerialNumber() const { return FSerialNumber; }
  const rtl::AnsiString& VolumeLabel() const { return FVolumeLabel; }
  const rtl::AnsiString& FileSystem() const { return FFileSystem; }
  TDriveType DriveType() const { return FDriveType; }
  int64_t DiskSize() const { return FDiskSize; }  // -1 when the query fails
  int64_t DiskFree() const { return FDiskFree; }  // free for the caller; -1 when the query fails

  // Stored values are read with the window and thrown away.
  void SetSerialNumberStr(const rtl::AnsiString&) {}
  void SetSerialNumber(int32_t) {}
  void SetVolumeLabel(const rtl::AnsiString&) {}
  void SetFileSystem(const rtl::AnsiString&) {}
  void SetDriveType(TDriveType) {}
  void SetDiskSize(int64_t) {}
  void SetDiskFree(int64_t) {}

 private:
  void Query();

  char FDisk = 'C';
  rtl::AnsiString FSerialNumberStr;
  int32_t FSerialNumber = 0;
  rtl::AnsiString FVolumeLabel;
  rtl::AnsiString FFileSystem;
  TDriveType FDriveType = dtUnknown;
  int64_t FDiskSize = -1;
  int64_t FDiskFree = -1;
};

// Eight upper-case hexadecimal digits, most significant first, "-" after the fourth.
rtl::AnsiString SerialNumberText(uint32_t serial);
