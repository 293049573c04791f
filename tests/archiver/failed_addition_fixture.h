#pragma once
// Additions made to fail or abort at some block: the fixture that arms the
// failure, checks every segment against its records and extracts what is left.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/archiver/component_fixture.h"

namespace archiver_test {

using namespace archiver;

class FailedAdditionTest : public TMachineTest {
 protected:
  void ConfigureMachine(TMachineOptions& options) override { options.LanguageId = 0x0409; }

  // An archiver that fails (or aborts) its addition once more than
  // `failAfter` bytes of it are done.
  void Arm(TArchiver& a, int64_t failAfter, bool abort) {
    a.SetErrorAction(eaContinue);
    a.OnFileProgress = [this, &a, failAfter, abort](TArchiverRoot*, int) {
      if (!FArmed || a.Operation() != opAdding || a.BytesProcessed() <= failAfter) return;
      FArmed = false;
      if (abort)
        a.RequestAbort();
      else
        throw rtl::EReadError("the source could not be read");
    };
  }

  // Adds `file` with the failure armed; an abort comes out of AddFile.
  void AddFailing(TArchiver& a, const AnsiString& file, bool abort) {
    FArmed = true;
    if (abort)
      EXPECT_THROW(a.AddFile(file), rtl::EAbort);
    else
      a.AddFile(file);
    EXPECT_FALSE(FArmed) << "the failure never came";
  }

  // Every segment from `first` on: final only at the end, within the size
  // limit, its totals those of its records; the number of segments.
  int CheckSegments(const AnsiString& first, int64_t limit) {
    int n = 1;
    for (;; ++n) {
      TArchiver names;
      names.SetFileName(first);
      TSegmentFile s = ReadSegment(n == 1 ? first : names.SegmentFileName(n));
      if (limit > 0) {
        EXPECT_LE(s.Size, limit) << n;
      }
      long double size = 0, stored = 0;
      for (const TFileEntry& e : s.Records) {
        size += e.SegmentSize;
        stored += e.SegmentCompressedSize;
      }
      EXPECT_EQ(s.Header.SegmentInfo.Size, size) << n;
      EXPECT_EQ(s.Header.SegmentInfo.CompressedSize, stored) << n;
      if (s.Header.Has(afFinalSegment)) {
        EXPECT_FALSE(platform::FileExists(names.SegmentFileName(n + 1))) << n;
        return n;
      }
    }
  }

  void ExpectExtracts(const AnsiString& archive, const std::vector<std::pair<AnsiString, std::string>>& files,
                      const AnsiString& absent) {
    std::error_code ignored;
    std::filesystem::remove_all(Machine().HostPath("C:\\out"), ignored);
    TArchiver a;
    a.SetFileName(archive);
    a.SetExtractPath("C:\\out");
    a.SetErrorAction(eaAbort);
    a.SetRestoreAction(raOverwrite);
    a.ExtractFiles();
    EXPECT_EQ(a.Header().ArchiveInfo.FileCount, files.size());
    a.Close();
    for (const auto& [name, bytes] : files) EXPECT_EQ(ReadFile("C:\\out\\" + name), bytes) << name;
    EXPECT_FALSE(platform::FileExists("C:\\out\\" + absent));
  }

  bool FArmed = false;
};

}  // namespace archiver_test
