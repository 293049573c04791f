// Writing shell link files.

#include "platform/sim/ShellLinkFile.h"

#include <algorithm>

namespace platform::sim {

namespace {

// LinkFlags
constexpr uint32_t kHasLinkInfo = 0x00000002;
constexpr uint32_t kHasName = 0x00000004;
constexpr uint32_t kHasRelativePath = 0x00000008;
constexpr uint32_t kHasWorkingDir = 0x00000010;
constexpr uint32_t kHasArguments = 0x00000020;
constexpr uint32_t kHasIconLocation = 0x00000040;
// LinkInfoFlags
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x00000001;

// CLSID_ShellLink {00021401-0000-0000-C000-000000000046} in its stored byte order.
constexpr uint8_t kClsidShellLink[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

class TWriter {
 public:
  void U16(uint32_t v) {
    for (int i = 0; i < 2; ++i) FBytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) FBytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) FBytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    FBytes.insert(FBytes.end(), p, p + size);
  }
  void Text(const AnsiString& s) {  // NUL-terminated ANSI
    Bytes(s.data(), s.size());
    FBytes.push_back(0);
  }
  // StringData: a character count, then the characters without a NUL.
  void CountedText(const AnsiString& s) {
    const std::size_t n = std::min<std::size_t>(s.size(), 0xFFFF);
    U16(static_cast<uint32_t>(n));
    Bytes(s.data(), n);
  }
  void PatchU32(std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) FBytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  std::size_t Size() const { return FBytes.size(); }
  std::vector<uint8_t>& Result() { return FBytes; }

 private:
  std::vector<uint8_t> FBytes;
};

void WriteLinkInfo(TWriter& w, const TShellLinkData& link) {
  const std::size_t start = w.Size();
  const uint32_t headerSize = 0x1C;
  const uint32_t volumeIdSize = 0x10 + static_cast<uint32_t>(link.VolumeLabel.size()) + 1;
  const uint32_t localBasePathOffset = headerSize + volumeIdSize;
  const uint32_t suffixOffset = localBasePathOffset + static_cast<uint32_t>(link.LocalBasePath.size()) + 1;
  w.U32(0);  // LinkInfoSize, patched below
  w.U32(headerSize);
  w.U32(kVolumeIdAndLocalBasePath);
  w.U32(headerSize);  // VolumeIDOffset
  w.U32(localBasePathOffset);
  w.U32(0);  // CommonNetworkRelativeLinkOffset
  w.U32(suffixOffset);
  // VolumeID
  w.U32(volumeIdSize);
  w.U32(link.DriveType);
  w.U32(link.DriveSerial);
  w.U32(0x10);  // VolumeLabelOffset
  w.Text(link.VolumeLabel);
  w.Text(link.LocalBasePath);
  w.Text("");  // CommonPathSuffix
  w.PatchU32(start, static_cast<uint32_t>(w.Size() - start));
}

}  // namespace

std::vector<uint8_t> ShellLinkBytes(const TShellLinkData& link) {
  uint32_t flags = 0;
  if (!link.LocalBasePath.empty()) flags |= kHasLinkInfo;
  if (!link.Description.empty()) flags |= kHasName;
  if (!link.RelativePath.empty()) flags |= kHasRelativePath;
  if (!link.WorkingDir.empty()) flags |= kHasWorkingDir;
  if (!link.Arguments.empty()) flags |= kHasArguments;
  if (!link.IconLocation.empty()) flags |= kHasIconLocation;
  // IsUnicode stays off: the strings are in the ANSI code page.

  TWriter w;
  // ShellLinkHeader
  w.U32(0x4C);  // HeaderSize
  w.Bytes(kClsidShellLink, sizeof kClsidShellLink);
  w.U32(flags);
  w.U32(link.FileAttributes);
  w.U64(link.CreationTime);
  w.U64(link.AccessTime);
  w.U64(link.WriteTime);
  w.U32(link.FileSize);
  w.U32(static_cast<uint32_t>(link.IconIndex));
  w.U32(link.ShowCommand);
  w.U16(0);  // HotKey
  w.U16(0);  // Reserved1
  w.U32(0);  // Reserved2
  w.U32(0);  // Reserved3

  if (flags & kHasLinkInfo) WriteLinkInfo(w, link);
  // StringData, in the order the format fixes.
  if (flags & kHasName) w.CountedText(link.Description);
  if (flags & kHasRelativePath) w.CountedText(link.RelativePath);
  if (flags & kHasWorkingDir) w.CountedText(link.WorkingDir);
  if (flags & kHasArguments) w.CountedText(link.Arguments);
  if (flags & kHasIconLocation) w.CountedText(link.IconLocation);
  w.U32(0);  // TerminalBlock of the (empty) ExtraData
  return std::move(w.Result());
}

}  // namespace platform::sim
