#pragma once
// Shell link (.lnk) files in the Windows shell-link binary format: the
// 76-byte header with CLSID_ShellLink, a LinkInfo with the target's volume
// (drive type, serial number, label) and local path, and ANSI string data
// (description, relative path, working folder, arguments, icon location).

#include <cstdint>
#include <vector>

#include "platform/WinApi.h"

namespace platform::sim {

struct TShellLinkData {
  AnsiString Description;
  AnsiString RelativePath;  // from the link's folder to the target (".\x.exe", "..\a\x.exe")
  AnsiString WorkingDir;
  AnsiString Arguments;
  AnsiString IconLocation;
  int32_t IconIndex = 0;
  uint32_t ShowCommand = SW_SHOWNORMAL;
  // The target's full local path; empty when the link has no LinkInfo.
  AnsiString LocalBasePath;
  UINT DriveType = DRIVE_FIXED;
  DWORD DriveSerial = 0;
  AnsiString VolumeLabel;
  // The target's facts when it exists.
  DWORD FileAttributes = 0;
  FILETIME CreationTime = 0, AccessTime = 0, WriteTime = 0;
  uint32_t FileSize = 0;
};

std::vector<uint8_t> ShellLinkBytes(const TShellLinkData& link);

}  // namespace platform::sim
