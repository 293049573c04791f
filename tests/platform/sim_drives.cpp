// Drives of the simulated machine: kinds, volume facts, sizes, full disks,
// the host root, and removable disks changed while programs run.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Dialogs.h"
#include "platform/sim/MachineState.h"
#include "tests/platform/sim_fixture.h"

namespace simtest {
namespace {

class SimDrives : public TSimTest {
 protected:
  void Prepare() override {
    HostWrite(FRoot + "/cd/SETUP.STP", std::string(3000, 'x'));
    Options.CdRomFolder = FRoot + "/cd";
    Options.HostRoot = true;
  }
  void Configure() override {
    AddDisk(FDir, "disk1", {"", "DISCO1", 0x12345678, "FAT", 1457664, kRealSize, 512});
    AddDisk(FDir, "disk2", {"", "DISCO2", 0, "FAT", 1457664, kRealSize, 512});
    EditConfig([&](TMachineConfig& c) {
      TDriveConfig e;
      e.Letter = 'E';
      e.Volume = {FDir + "/drives/e", "DADOS", 0xABCD0001, "FAT32", 10485760, 1048576, 4096};
      std::filesystem::create_directories(e.Volume.Folder);
      c.Drives.push_back(e);
    });
  }
};

TEST_F(SimDrives, KindsAndVolumeFacts) {
  struct {
    const char* root;
    UINT type;
  } const kinds[] = {{"A:\\", DRIVE_REMOVABLE}, {"c:", DRIVE_FIXED},  {"C:\\", DRIVE_FIXED},
                     {"D:\\", DRIVE_CDROM},      {"Z:\\", DRIVE_REMOTE}, {"Q:\\", DRIVE_NO_ROOT_DIR},
                     {"B:\\", DRIVE_NO_ROOT_DIR}, {"C:\\WINDOWS", DRIVE_NO_ROOT_DIR}, {"", DRIVE_FIXED}};
  for (const auto& k : kinds) EXPECT_EQ(M->GetDriveTypeA(k.root), k.type) << k.root;

  struct {
    const char* root;
    const char* label;
    DWORD serial;
    const char* fs;
  } const volumes[] = {{"C:\\", "", 0x2237E3AC, "NTFS"}, {"d:\\", "VANTOR", 0x3CB6F965, "CDFS"},
                       {"E:\\", "DADOS", 0xABCD0001, "FAT32"}, {"", "", 0x2237E3AC, "NTFS"}};
  for (const auto& v : volumes) {
    AnsiString label = "?", fs = "?";
    DWORD serial = 0, maxLength = 0, flags = 0;
    ASSERT_TRUE(M->GetVolumeInformationA(v.root, &label, &serial, &maxLength, &flags, &fs)) << v.root;
    EXPECT_EQ(label, v.label);
    EXPECT_EQ(serial, v.serial);
    EXPECT_EQ(fs, v.fs);
    EXPECT_EQ(maxLength, 255u);
  }
  EXPECT_FALSE(M->GetVolumeInformationA("C:", nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(M->GetLastError(), ERROR_INVALID_NAME);
  EXPECT_FALSE(M->GetVolumeInformationA("Q:\\", nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(M->GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(SimDrives, ConfiguredSizesShrinkAsFilesGrowAndFullDisksRefuse) {
  uint64_t free = 0, total = 0, totalFree = 0;
  ASSERT_TRUE(M->GetDiskFreeSpaceExA("E:\\", &free, &total, &totalFree));
  EXPECT_EQ(total, 10485760u);
  EXPECT_EQ(free, 1048576u);
  Put("E:\\a.bin", std::string(5000, 'a'));  // two clusters of 4096
  ASSERT_TRUE(M->GetDiskFreeSpaceExA("E:\\any\\folder", &free, nullptr, nullptr));
  EXPECT_EQ(free, 1048576u - 8192);
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(M->GetDiskFreeSpaceA("E:\\", &sectors, &bytes, &freeClusters, &clusters));
  EXPECT_EQ(sectors, 8u);
  EXPECT_EQ(bytes, 512u);
  EXPECT_EQ(freeClusters, 254u);
  EXPECT_EQ(clusters, 2560u);
  EXPECT_FALSE(M->GetDiskFreeSpaceA("E:\\folder", &sectors, &bytes, &freeClusters, &clusters));

  // A write that does not fit writes nothing.
  const HANDLE h = M->CreateFileA("E:\\big.bin", GENERIC_WRITE, 0, CREATE_NEW, 0);
  const std::string chunk(1040384, 'b');  // exactly what is left
  DWORD written = 1;
  ASSERT_TRUE(M->WriteFile(h, chunk.data(), static_cast<DWORD>(chunk.size()), written));
  EXPECT_FALSE(M->WriteFile(h, "c", 1, written));
  EXPECT_EQ(M->GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(M->GetFileSizeEx(h), 1040384);
  M->CloseHandle(h);
  ASSERT_TRUE(M->GetDiskFreeSpaceExA("E:\\", &free, nullptr, nullptr));
  EXPECT_EQ(free, 0u);
  EXPECT_FALSE(M->MoveFileA("C:\\WINDOWS\\..\\WINDOWS", "E:\\W"));
  EXPECT_EQ(M->GetLastError(), ERROR_NOT_SAME_DEVICE);
  ASSERT_TRUE(M->DeleteFileA("E:\\big.bin"));
  ASSERT_TRUE(M->GetDiskFreeSpaceExA("E:\\", &free, nullptr, nullptr));
  EXPECT_EQ(free, 1048576u - 8192);

  // A CD-ROM is full and read-only.
  ASSERT_TRUE(M->GetDiskFreeSpaceExA("D:\\", &free, &total, nullptr));
  EXPECT_EQ(free, 0u);
  EXPECT_EQ(total, 4096u);
  EXPECT_EQ(M->CreateFileA("D:\\new.txt", GENERIC_WRITE, 0, CREATE_NEW, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(M->GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(M->DeleteFileA("D:\\SETUP.STP"));
  EXPECT_EQ(M->GetFileAttributesA("D:\\setup.stp"), FILE_ATTRIBUTE_READONLY);

  // "real" sizes are the host's.
  ASSERT_TRUE(M->GetDiskFreeSpaceExA("C:\\", &free, &total, nullptr));
  EXPECT_EQ(total, std::filesystem::space(FDir).capacity);
}

TEST_F(SimDrives, HostRootAsZ) {
  HostWrite(FRoot + "/host file.txt", "from the host");
  AnsiString path = "Z:" + FRoot + "/host file.txt";
  std::replace(path.begin(), path.end(), '/', '\\');
  EXPECT_EQ(Get(path), "from the host");
  EXPECT_EQ(M->HostPath(path), FRoot + "/host file.txt");
}

class SimDrives9x : public TSimTest {
  void Prepare() override {
    Options.Family = wf9x;
    Options.HasGetDiskFreeSpaceEx = false;
  }
  void Configure() override {
    EditConfig([&](TMachineConfig& c) {
      c.Drives[1].Volume.Size = 5368709120;  // C: of 5 GB
    });
  }
};

TEST_F(SimDrives9x, OldCallsOnly) {
  EXPECT_FALSE(M->HasGetDiskFreeSpaceEx());
  EXPECT_FALSE(M->GetDiskFreeSpaceExA("C:\\", nullptr, nullptr, nullptr));
  EXPECT_EQ(M->GetLastError(), ERROR_CALL_NOT_IMPLEMENTED);
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(M->GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &clusters));
  // Never more than 2 GB on this family.
  EXPECT_EQ(uint64_t{clusters} * sectors * bytes, 0x7FFF8000u);
  EXPECT_EQ(uint64_t{freeClusters} * sectors * bytes, 0x7FFF8000u);
  EXPECT_FALSE(M->IsWindowsNT());
}

// The operator puts a disk in while the system's box waits.
class TInsertOnRetry : public TDialogs {
 public:
  TInsertOnRetry(const std::string& machine, const std::string& disk) : FMachine(machine), FDisk(disk) {
    FPrevious = &Dialogs();
    SetDialogs(this);
  }
  ~TInsertOnRetry() override { SetDialogs(FPrevious); }
  int MessageBox(const AnsiString& text, const AnsiString& caption, UINT type) override {
    Boxes.push_back(caption + "|" + text);
    EXPECT_EQ(type, MB_RETRYCANCEL | MB_ICONHAND);
    if (FDisk.empty()) return IDCANCEL;
    TSimMachine(FMachine).InsertDisk('A', FDisk);
    return IDRETRY;
  }
  void WarningAbort(const AnsiString&) override {}
  bool InputQuery(const TInputQuery&, AnsiString&) override { return false; }
  TDialogAnswer QueryOverwrite(const TOverwriteQuery&) override { return daNo; }
  TDialogAnswer QueryContinue(const TContinueQuery&) override { return daNo; }
  bool SelectFolder(const AnsiString&, AnsiString&) override { return false; }
  bool OpenFile(const AnsiString&, AnsiString&) override { return false; }
  std::vector<AnsiString> Boxes;

 private:
  std::string FMachine, FDisk;
  TDialogs* FPrevious;
};

TEST_F(SimDrives, RemovableDisksChangeBetweenCalls) {
  // No disk: with the critical-error box suppressed the call just fails.
  EXPECT_EQ(M->SetErrorMode(SEM_FAILCRITICALERRORS), 0u);
  EXPECT_FALSE(M->GetVolumeInformationA("A:\\", nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(M->GetLastError(), ERROR_NOT_READY);
  EXPECT_EQ(M->CreateFileA("A:\\x", GENERIC_READ, 0, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(M->GetLastError(), ERROR_NOT_READY);
  EXPECT_EQ(M->GetDriveTypeA("A:\\"), DRIVE_REMOVABLE);
  {
    // Without suppression the system asks; Cancel fails the call.
    EXPECT_EQ(M->SetErrorMode(0), SEM_FAILCRITICALERRORS);
    TInsertOnRetry dialogs(FDir, "");
    EXPECT_FALSE(M->GetDiskFreeSpaceExA("A:\\", nullptr, nullptr, nullptr));
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0], "Windows - Sem disco|Não há disco na unidade. Insira um disco na unidade A:."_a);
  }
  {
    // Retry after the operator put disk1 in.
    TInsertOnRetry dialogs(FDir, "disk1");
    AnsiString label;
    DWORD serial = 0;
    ASSERT_TRUE(M->GetVolumeInformationA("A:\\", &label, &serial, nullptr, nullptr, nullptr));
    EXPECT_EQ(label, "DISCO1");
    EXPECT_EQ(serial, 0x12345678u);
  }
  Put("A:\\SEG.001", "first");
  EXPECT_EQ(HostText(FDir + "/disks/disk1/SEG.001"), "first");

  // Another process changes the disk; this one sees the new disk at its next call.
  TSimMachine(FDir).InsertDisk('A', "disk2");
  AnsiString label;
  DWORD serial = 1;
  ASSERT_TRUE(M->GetVolumeInformationA("A:\\", &label, &serial, nullptr, nullptr, nullptr));
  EXPECT_EQ(label, "DISCO2");
  EXPECT_EQ(serial, 0u);
  EXPECT_EQ(M->GetFileAttributesA("A:\\SEG.001"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(M->CurrentDisk('A'), "disk2");

  // So does an operator's edit of state.ini, and a disk added after start.
  AddDisk(FDir, "disk3", {"", "DISCO3", 3, "FAT", 1457664, kRealSize, 512});
  HostWrite(FDir + "/state.ini", "[Media]\nA=disk3\n");
  ASSERT_TRUE(M->GetVolumeInformationA("A:\\", &label, &serial, nullptr, nullptr, nullptr));
  EXPECT_EQ(label, "DISCO3");
  uint64_t free = 0;
  ASSERT_TRUE(M->GetDiskFreeSpaceExA("A:\\", &free, nullptr, nullptr));
  EXPECT_EQ(free, 1457664u);

  EXPECT_THROW(M->InsertDisk('C', "disk1"), EMachineError);
  EXPECT_THROW(M->InsertDisk('A', "nodisk"), EMachineError);
  M->InsertDisk('A', "");
  EXPECT_EQ(M->SetErrorMode(SEM_FAILCRITICALERRORS), 0u);
  EXPECT_FALSE(M->GetVolumeInformationA("A:\\", nullptr, nullptr, nullptr, nullptr, nullptr));
  // The system boxes were message boxes of the machine, and so are in its journal.
  const auto journal = M->Journal();
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_TRUE(journal[0].starts_with("msgbox: type=0x00000015 caption=\"Windows - Sem disco\"")) << journal[0];
  EXPECT_TRUE(journal[0].ends_with(" answer=2")) << journal[0];
  EXPECT_TRUE(journal[1].ends_with(" answer=4")) << journal[1];
}

TEST(SimState, TwoProcessesChangingItAtOnceKeepBothChanges) {
  // One process changes the disk in A:, the other the disk in B: and starts
  // Program Manager; each sees its own last change whatever the other writes.
  char pattern[] = "/tmp/vqm-state-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  TMachineConfig config;
  for (char letter : {'A', 'B'}) {
    TDriveConfig d;
    d.Letter = letter;
    d.Kind = dkRemovable;
    config.Drives.push_back(d);
  }
  constexpr int kChanges = 300;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  const char drive = child == 0 ? 'A' : 'B';
  int lost = 0;
  {
    TMachineState state(dir, config);
    for (int i = 1; i <= kChanges; ++i) {
      if (i > 1 && state.Disk(drive) != std::string(1, drive) + std::to_string(i - 1)) ++lost;
      if (child != 0 && i > kChanges / 3 && !state.ProgManStarted()) ++lost;
      state.SetDisk(drive, std::string(1, drive) + std::to_string(i));
      if (child != 0 && i == kChanges / 3) state.SetProgManStarted();
    }
  }
  if (child == 0) ::_exit(lost == 0 ? 0 : 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process lost changes";
  EXPECT_EQ(lost, 0);
  TMachineState state(dir, config);
  EXPECT_EQ(state.Disk('A'), "A" + std::to_string(kChanges));
  EXPECT_EQ(state.Disk('B'), "B" + std::to_string(kChanges));
  EXPECT_TRUE(state.ProgManStarted());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace simtest
