// The disk information component.

#include "components/DiskInfo.h"

#include "platform/Drives.h"

TDiskInfo::TDiskInfo(rtl::TComponent* owner) : rtl::TComponent(owner) { Query(); }

void TDiskInfo::SetDisk(char disk) {
  if (disk >= 'a' && disk <= 'z') disk = static_cast<char>(disk - 'a' + 'A');
  if (disk < 'A' || disk > 'Z') return;
  FDisk = disk;
  Query();
}

rtl::AnsiString SerialNumberText(uint32_t serial) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  rtl::AnsiString text;
  for (int shift = 28; shift >= 0; shift -= 4) {
    text += kDigits[(serial >> shift) & 0x0F];
    if (shift == 16) text += '-';
  }
  return text;
}

void TDiskInfo::Query() {
  const rtl::AnsiString root = platform::DriveRoot(FDisk);
  // The volume query's result is not looked at: a failed one leaves empty
  // texts and serial 0.
  platform::TVolumeInfo volume;
  platform::VolumeInformation(root, volume);
  FSerialNumber = static_cast<int32_t>(volume.SerialNumber);
  FSerialNumberStr = SerialNumberText(volume.SerialNumber);
  FVolumeLabel = volume.Label;
  FFileSystem = volume.FileSystem;
  const platform::UINT kind = platform::DriveKind(root);
  FDriveType = kind <= static_cast<platform::UINT>(dtRAM) ? static_cast<TDriveType>(kind) : dtUnknown;
  uint64_t total = 0, free = 0;
  if (platform::DiskSpace(root, total, free)) {
    FDiskSize = static_cast<int64_t>(total);
    FDiskFree = static_cast<int64_t>(free);
  } else {
    FDiskSize = FDiskFree = -1;
  }
}
