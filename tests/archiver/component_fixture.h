#pragma once
// The archive component's tests run on a fresh machine each (the simulated
// machine on Linux, drive C: of the real system on Windows: test_machine.h of
// the system's folder), with a fixed clock and scripted dialogs. Helpers make
// and read files on the machine and build archives.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archiver/Archiver.h"
#include "platform/FileStream.h"
#include "platform/Files.h"
#include "platform/ScriptedDialogs.h"
#include "rtl/Clock.h"
#include "rtl/DateUtils.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"
#include "test_machine.h"

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
    FMachine = std::make_unique<TTestMachine>([this](TMachineOptions& options) { ConfigureMachine(options); },
                                              [this](const std::string& folder) { PrepareMachine(folder); });
    rtl::SetClock(&Clock);
    FDialogs = std::make_unique<platform::TScriptedDialogs>();
  }

  void TearDown() override {
    FDialogs.reset();
    rtl::SetClock(nullptr);
    FMachine.reset();
  }

  // Hooks for fixtures that need another machine: its options, and (on the
  // simulated machine) its folder once made, to add disks and drives.
  virtual void ConfigureMachine(TMachineOptions&) {}
  virtual void PrepareMachine(const std::string&) {}

  platform::TScriptedDialogs& Dialogs() { return *FDialogs; }
  TTestMachine& Machine() { return *FMachine; }

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
  std::unique_ptr<TTestMachine> FMachine;
  std::unique_ptr<platform::TScriptedDialogs> FDialogs;
};

}  // namespace archiver_test
