// Additions that fail or are aborted at some block, also after their file
// has run on into new segments: the archive stays whole, every file added
// before and after extracts, and each segment's header agrees with its
// records.

#include <string>

#include "tests/archiver/failed_addition_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

TEST_F(FailedAdditionTest, PlainAndSegmentedOverFiles) {
  MakeFile("C:\\src\\a.bin", Noise(3000, 1));
  MakeFile("C:\\src\\big.bin", Noise(12000, 2));
  MakeFile("C:\\src\\c.bin", Noise(4000, 3));
  struct {
    int32_t segmentSize;
    int64_t failAfter;  // bytes of big.bin
    bool abort;
  } rows[] = {
      {0, 5000, false},     {0, 9000, true},   {6144, 1000, false}, {6144, 5000, false},
      {6144, 9000, true},   {6144, 11999, false}, {6144, 4100, true},
  };
  int run = 0;
  for (const auto& row : rows) {
    const AnsiString archive = rtl::Format("C:\\Arq\\run%d.bak", {++run});
    SCOPED_TRACE(archive);
    {
      TArchiver a;
      a.SetFileName(archive);
      a.SetBlockSize(2048);
      a.SetMaxSegmentSize(row.segmentSize);
      Arm(a, row.failAfter, row.abort);
      a.Open();
      a.AddFile("C:\\src\\a.bin");
      AddFailing(a, "C:\\src\\big.bin", row.abort);
      a.AddFile("C:\\src\\c.bin");
      a.Close();
    }
    CheckSegments(archive, row.segmentSize);
    ExpectExtracts(archive, {{"a.bin", Noise(3000, 1)}, {"c.bin", Noise(4000, 3)}}, "big.bin");
  }
}

}  // namespace
