#pragma once
// The archive component's tests run on a fresh simulated machine each, with a
// fixed clock and scripted dialogs. Helpers make and read files on the
// machine and build archives.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "archiver/Archiver.h"
#include "platform/FileStream.h"
#include "platform/Files.h"
#include "platform/ScriptedDialogs.h"
#include "platform/sim/SimMachine.h"
#include "rtl/Clock.h"
#include "rtl/DateUtils.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace archiver_test {

using archiver::TArchiver;
using rtl::AnsiString;

// 15 March 2004 10:20:30: a date DOS can hold exactly.
inline rtl::TDateTime SampleDate() { return rtl::EncodeDateTime(2004, 3, 15, 10, 20, 30, 0); }

// A segment file as it lies on the disk: its header, the entry chain up to
// EndOffset and the file's size.
struct TSegmentFile {
  archiver::TArchiveHeader Header;
  std::vector<archiver::TFileEntry> Records;
  int64_t Size = 0;
};

inline TSegmentFile ReadSegment(const AnsiString& path) {
  TSegmentFile segment;
  platform::TFileStream f(path, platform::fmOpenRead | platform::fmShareDenyNone);
  segment.Size = f.Size();
  archiver::ReadHeaderFields(f, segment.Header);
  f.Seek(segment.Header.HeaderSize(), rtl::soBeginning);
  while (f.Position() < segment.Header.EndOffset) {
    archiver::TFileEntry e;
    archiver::ReadEntryFields(f, e);
    f.Seek(e.SegmentCompressedSize, rtl::soCurrent);
    segment.Records.push_back(e);
  }
  return segment;
}

class TMachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vqm-archiver-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    FFolder = pattern;
    platform::sim::TMachineOptions options;
    options.FloppyDrive = false;
    ConfigureMachine(options);
    platform::sim::CreateMachine(FFolder, options);
    PrepareMachine(FFolder);
    FMachine = std::make_unique<platform::sim::TSimMachine>(FFolder);
    platform::SetApi(FMachine.get());
    rtl::SetClock(&Clock);
    FDialogs = std::make_unique<platform::TScriptedDialogs>();
  }

  void TearDown() override {
    FDialogs.reset();
    rtl::SetClock(nullptr);
    platform::SetApi(nullptr);
    FMachine.reset();
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }

  // Hooks for fixtures that need another machine: its options, and its
  // folder once made (to add disks and drives) before it is opened.
  virtual void ConfigureMachine(platform::sim::TMachineOptions&) {}
  virtual void PrepareMachine(const std::string&) {}

  // Three disks, disk1 to disk3, of little room (12000 bytes past the
  // 65536 the writer keeps free) for the floppy drive A:.
  static void AddSmallDisks(const std::string& folder) {
    for (int n = 1; n <= 3; ++n) {
      platform::sim::TVolumeConfig v;
      v.Label = rtl::Format("DISCO%d", {n});
      v.Serial = 0x1000 + n;
      v.Size = 65536 + 12000;
      v.ClusterSize = 512;
      platform::sim::AddDisk(folder, "disk" + std::to_string(n), v);
    }
  }
  void Insert(const std::string& disk) { Machine().InsertDisk('A', disk); }
  // Answers the next input with drive A: after putting `disk` in.
  void AnswerWithDisk(const std::string& disk) {
    Dialogs().AnswerInput(true, "A:");
    Dialogs().AndDo([this, disk] { Insert(disk); });
  }

  platform::TScriptedDialogs& Dialogs() { return *FDialogs; }
  platform::sim::TSimMachine& Machine() { return *FMachine; }

  // A file on the machine with the given bytes and last-write date.
  static void MakeFile(const AnsiString& path, const std::string& bytes, rtl::TDateTime date = SampleDate()) {
    platform::ForceDirectories(rtl::ExtractFileDir(path));
    platform::TFileStream f(path, platform::fmCreate);
    if (!bytes.empty()) f.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    platform::FileSetDate(f.Handle(), rtl::DateTimeToFileDate(date));
  }

  static std::string ReadFile(const AnsiString& path) {
    platform::TFileStream f(path, platform::fmOpenRead | platform::fmShareDenyNone);
    std::string bytes(static_cast<size_t>(f.Size()), '\0');
    if (!bytes.empty()) f.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
  }

  static void WriteBytes(const AnsiString& path, const std::string& bytes) {
    platform::TFileStream f(path, platform::fmCreate);
    if (!bytes.empty()) f.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }

  static rtl::TDateTime FileDate(const AnsiString& path) {
    rtl::TDateTime date = 0;
    rtl::TryFileDateToDateTime(platform::FileAge(path), date);
    return date;
  }

  // An archive of the given files (added in order) with the component's
  // defaults, changed by `configure` first.
  static void MakeArchive(const AnsiString& archive, const std::vector<AnsiString>& files,
                          const std::function<void(TArchiver&)>& configure = {}) {
    TArchiver a;
    a.SetErrorAction(archiver::eaAbort);
    a.SetFileName(archive);
    if (configure) configure(a);
    a.Open();
    for (const AnsiString& f : files) a.AddFile(f);
    a.Close();
  }

  // Pseudo-random bytes that do not compress.
  static std::string Noise(size_t n, uint32_t seed = 1) {
    std::string s(n, '\0');
    for (char& c : s) {
      seed = seed * 1103515245u + 12345u;
      c = static_cast<char>(seed >> 23);
    }
    return s;
  }

  rtl::TFixedClock Clock{SampleDate(), 1000};

 private:
  std::string FFolder;
  std::unique_ptr<platform::sim::TSimMachine> FMachine;
  std::unique_ptr<platform::TScriptedDialogs> FDialogs;
};

}  // namespace archiver_test
