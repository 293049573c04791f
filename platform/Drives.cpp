// Drive and volume services.

#include "platform/Drives.h"

#include "rtl/Exceptions.h"

namespace platform {

namespace {

constexpr size_t kNameBuffer = 256;

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDriveLetter(char c) { return c >= 'A' && c <= 'Z'; }

// The root of the current drive, from the current folder ("C:\..." or "\\server\share\...").
AnsiString CurrentRoot() {
  const AnsiString dir = Api().GetCurrentDirectoryA();
  if (dir.size() >= 2 && dir[1] == ':') return dir.substr(0, 2) + "\\";
  return {};
}

AnsiString Truncated(AnsiString text) {
  // The buffers hold 256 characters; the text ends at its first NUL.
  if (const auto nul = text.find('\0'); nul != AnsiString::npos) text.resize(nul);
  if (text.size() > kNameBuffer - 1) text.resize(kNameBuffer - 1);
  return text;
}

// Restores the previous error mode also when the query raises.
class TErrorModeScope {
 public:
  explicit TErrorModeScope(UINT mode) : FPrevious(Api().SetErrorMode(mode)) {}
  ~TErrorModeScope() { Api().SetErrorMode(FPrevious); }
  TErrorModeScope(const TErrorModeScope&) = delete;
  TErrorModeScope& operator=(const TErrorModeScope&) = delete;

 private:
  UINT FPrevious;
};

}  // namespace

UINT DriveKind(const AnsiString& rootPath) { return Api().GetDriveTypeA(rootPath); }

AnsiString DriveRoot(char letter) { return AnsiString(1, letter) + ":\\"; }

bool IsRemovableDrive(const AnsiString& drive) {
  if (drive.size() < 2 || drive[1] != ':') return false;
  return DriveKind(drive.substr(0, 2) + "\\") == DRIVE_REMOVABLE;
}

bool VolumeInformation(const AnsiString& rootPath, TVolumeInfo& info) {
  info = TVolumeInfo();
  AnsiString label, fileSystem;
  DWORD serial = 0, maxComponent = 0, flags = 0;
  if (!Api().GetVolumeInformationA(rootPath, &label, &serial, &maxComponent, &flags, &fileSystem))
    return false;
  info.Label = Truncated(std::move(label));
  info.SerialNumber = serial;
  info.FileSystem = Truncated(std::move(fileSystem));
  return true;
}

bool DiskSpace(const AnsiString& rootPath, uint64_t& totalBytes, uint64_t& freeToCaller) {
  if (Api().HasGetDiskFreeSpaceEx()) {
    uint64_t totalFree = 0;
    return Api().GetDiskFreeSpaceExA(rootPath, &freeToCaller, &totalBytes, &totalFree);
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!Api().GetDiskFreeSpaceA(rootPath, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                               &totalClusters))
    return false;
  const uint64_t cluster = uint64_t{sectorsPerCluster} * bytesPerSector;
  totalBytes = cluster * totalClusters;
  freeToCaller = cluster * freeClusters;
  return true;
}

namespace {

bool LetterSpace(char letter, uint64_t& total, uint64_t& free) {
  const AnsiString root = letter == 0 ? CurrentRoot() : DriveRoot(UpperLetter(letter));
  return DiskSpace(root, total, free);
}

}  // namespace

double DiskSize(char letter) {
  uint64_t total = 0, free = 0;
  return LetterSpace(letter, total, free) ? static_cast<double>(total) : -1;
}

double DiskFree(char letter) {
  uint64_t total = 0, free = 0;
  return LetterSpace(letter, total, free) ? static_cast<double>(free) : -1;
}

bool ValidDrive(const AnsiString& drive) {
  const char letter = drive.empty() ? '\0' : UpperLetter(drive[0]);
  if (!IsDriveLetter(letter)) throw rtl::Exception("Not a valid drive ID");
  TErrorModeScope quiet(SEM_FAILCRITICALERRORS);
  return DiskSize(letter) != -1;
}

TVolumeId VolumeLabelAndSerial(const AnsiString& drive) {
  AnsiString root;
  if (drive.size() > 2 && drive[0] == '\\' && drive[1] == '\\') {
    root = drive.back() == '\\' ? drive : drive + "\\";  // a network share
  } else if (!drive.empty() && IsDriveLetter(UpperLetter(drive[0]))) {
    root = DriveRoot(UpperLetter(drive[0]));
  }
  TVolumeInfo info;
  VolumeInformation(root, info);
  return {info.Label, info.SerialNumber};
}

}  // namespace platform
