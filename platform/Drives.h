#pragma once
// Drives and volumes: drive kind, volume facts, disk space and the drive
// letter check of the archive engine.

#include <cstdint>

#include "platform/WinApi.h"
#include "rtl/Exceptions.h"

namespace platform {

// GetDriveTypeA of a root path such as "C:\" (DRIVE_*).
UINT DriveKind(const AnsiString& rootPath);
// The drive text ("A:", "A:\", "A:\folder") names a removable drive.
bool IsRemovableDrive(const AnsiString& drive);
// The root path of a drive letter: "C:\".
AnsiString DriveRoot(char letter);

struct TVolumeInfo {
  AnsiString Label;
  DWORD SerialNumber = 0;
  AnsiString FileSystem;
};
// GetVolumeInformationA on the root path ("" is the current drive), name
// buffers of 256 characters. On failure the result holds an empty label, serial
// 0 and no file system.
bool VolumeInformation(const AnsiString& rootPath, TVolumeInfo& info);

// Total bytes and bytes free for the caller: GetDiskFreeSpaceExA where the
// system has it, else GetDiskFreeSpaceA. False when the query fails.
bool DiskSpace(const AnsiString& rootPath, uint64_t& totalBytes, uint64_t& freeToCaller);

// Size and free bytes of drive letter (0 = the current drive) as floating
// values, -1 when the query fails.
double DiskSize(char letter);
double DiskFree(char letter);

// The drive letter check: the first character of the drive text, upper-cased,
// must be "A" to "Z" (else rtl::Exception "Not a valid drive ID"); the drive is
// valid when a size comes back, the critical-error box suppressed meanwhile.
bool ValidDrive(const AnsiString& drive);

// Label and serial number of a drive's volume ("" or no letter: the current
// drive); an empty label and serial 0 when the volume cannot be read.
struct TVolumeId {
  AnsiString Label;
  DWORD SerialNumber = 0;
};
TVolumeId VolumeLabelAndSerial(const AnsiString& drive);

}  // namespace platform
