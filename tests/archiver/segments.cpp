// Segmented archives: names, spanning by size, the reader's prompts for
// segments that are not where their names say, single segments.

#include "tests/archiver/segment_fixture.h"

using namespace archiver_test;

namespace {

TEST_F(SegmentTest, MaxSegmentSizeTakesThreeBlocksAtLeast) {
  TArchiver a;
  a.SetBlockSize(65536);
  a.SetMaxSegmentSize(196608);
  EXPECT_EQ(a.MaxSegmentSize(), 196608);
  EXPECT_THROW(a.SetMaxSegmentSize(196607), archiver::EArchiver);
  EXPECT_EQ(a.MaxSegmentSize(), 196608);
  a.SetMaxSegmentSize(0);
  EXPECT_EQ(a.MaxSegmentSize(), 0);
}

TEST_F(SegmentTest, OneFileSpansThreeSegments) {
  const std::string data = Noise(12000);
  MakeFile("C:\\src\\big.bin", data);
  MakeArchive("C:\\Arq\\dados.bak", {"C:\\src\\big.bin"}, Small);

  const AnsiString names[] = {"C:\\Arq\\dados.bak", "C:\\Arq\\dados-002.mmm", "C:\\Arq\\dados-003.mmm"};
  EXPECT_FALSE(platform::FileExists("C:\\Arq\\dados-004.mmm"));
  int64_t start = 0;
  std::vector<TSegmentFile> segments;
  for (int n = 0; n < 3; ++n) {
    SCOPED_TRACE(n + 1);
    TSegmentFile s = ReadSegment(names[n]);
    EXPECT_LE(s.Size, 6144);
    EXPECT_EQ(s.Header.Segment, n + 1);
    EXPECT_EQ(s.Header.Has(archiver::afFinalSegment), n == 2);
    ASSERT_EQ(s.Records.size(), 1u);
    const TFileEntry& e = s.Records[0];
    EXPECT_EQ(e.Name, "big.bin");
    EXPECT_EQ(e.Size, 12000);
    EXPECT_EQ(e.Segment, 1);
    EXPECT_EQ(e.Has(archiver::ffFinalPart), n == 2);
    EXPECT_EQ(e.StartOffset, start);
    EXPECT_EQ(e.Offset, s.Header.HeaderSize());  // continuations come right after the header
    EXPECT_EQ(s.Header.SegmentInfo.Size, e.SegmentSize);
    EXPECT_EQ(s.Header.SegmentInfo.CompressedSize, e.SegmentCompressedSize);
    // The file running on into the next segment counts in each one.
    EXPECT_EQ(s.Header.SegmentInfo.FileCount, 1u);
    start += e.SegmentSize;
    segments.push_back(s);
  }
  EXPECT_EQ(start, 12000);
  EXPECT_EQ(segments[0].Header.RandomID, segments[2].Header.RandomID);
  // Close brought the first segment's totals up to date; the middle one keeps those of its time.
  EXPECT_EQ(segments[0].Header.ArchiveInfo.FileCount, 1u);
  EXPECT_EQ(segments[0].Header.ArchiveInfo.Size, 12000);
  EXPECT_EQ(segments[0].Header.ArchiveInfo.CompressedSize, segments[2].Header.ArchiveInfo.CompressedSize);
  EXPECT_EQ(segments[1].Header.ArchiveInfo.FileCount, 0u);

  EXPECT_EQ(ExtractAll("C:\\Arq\\dados.bak"), 2);
  EXPECT_EQ(ReadFile("C:\\out\\big.bin"), data);
}

TEST_F(SegmentTest, SegmentsEndingWithAFolderOrHoldingNoRecord) {
  // a.bin fills most of segment 1, the folder entry ends it, and b.bin's
  // record is left past its end: b.bin begins in segment 2.
  MakeFile("C:\\src\\a.bin", Noise(5000, 1));
  platform::ForceDirectories("C:\\src\\sub");
  MakeFile("C:\\src\\b.bin", Noise(6000, 2));
  MakeArchive("C:\\Arq\\f.bak", {"C:\\src\\a.bin", "C:\\src\\sub\\.", "C:\\src\\b.bin"}, [](TArchiver& a) {
    Small(a);
    a.SetStartingFolder("C:\\src\\");
  });
  TSegmentFile first = ReadSegment("C:\\Arq\\f.bak");
  ASSERT_EQ(first.Records.size(), 2u);
  EXPECT_TRUE(first.Records[1].Has(archiver::ffFolder));
  TSegmentFile second = ReadSegment("C:\\Arq\\f-002.mmm");
  ASSERT_FALSE(second.Records.empty());
  EXPECT_EQ(second.Records[0].Name, "b.bin");
  EXPECT_EQ(second.Records[0].StartOffset, 0u);

  ExtractAll("C:\\Arq\\f.bak");
  EXPECT_EQ(ReadFile("C:\\out\\a.bin"), Noise(5000, 1));
  EXPECT_TRUE(platform::DirectoryExists("C:\\out\\sub"));
  EXPECT_EQ(ReadFile("C:\\out\\b.bin"), Noise(6000, 2));
}

// Every segment repeats the header: a comment, or a record with its first
// block, that a new segment could not hold is refused before anything is
// written, so that no segment file grows past MaxSegmentSize.
TEST_F(SegmentTest, WhatASegmentCannotHoldIsRefused) {
  MakeArchive("C:\\Arq\\g.bak", {}, [](TArchiver& a) { Small(a); });
  const AnsiString longName = "C:\\src\\" + AnsiString(150, 'n') + ".bin";
  MakeFile(longName, Noise(2000, 3));
  MakeFile("C:\\src\\c.bin", Noise(2000, 3));
  TArchiver a;
  a.SetFileName("C:\\Arq\\g.bak");
  a.SetErrorAction(archiver::eaAbort);
  Small(a);
  a.Open();
  try {
    a.SetComment(AnsiString(4000, 'c'));  // 4273 + 45 + 2048 + 16 > 6144
    FAIL() << "no error";
  } catch (const archiver::EArchiver& e) {
    EXPECT_EQ(e.Message(), "Maximum size of a Segment is too small (property MaxSegmentSize)");
  }
  EXPECT_EQ(ReadSegment("C:\\Arq\\g.bak").Size, 273);
  a.SetComment(AnsiString(3700, 'c'));
  EXPECT_THROW(a.AddFile(longName), archiver::EArchiver);  // its record leaves no room for a block
  EXPECT_EQ(ReadSegment("C:\\Arq\\g.bak").Size, 3973);
  a.AddFile("C:\\src\\c.bin");
  a.AddFile("C:\\src\\c.bin");
  a.Close();
  EXPECT_LE(ReadSegment("C:\\Arq\\g.bak").Size, 6144);
  EXPECT_LE(ReadSegment("C:\\Arq\\g-002.mmm").Size, 6144);
}

TEST_F(SegmentTest, AContinuationOfAnotherFileIsTheWrongNextSegment) {
  // The fixed clock gives both archives the same RandomID: only the
  // continuation record tells the segments apart.
  MakeFile("C:\\src\\one.bin", Noise(10000, 1));
  MakeFile("C:\\src\\two.bin", Noise(10000, 2));
  MakeArchive("C:\\A\\x.bak", {"C:\\src\\one.bin"}, Small);
  MakeArchive("C:\\B\\x.bak", {"C:\\src\\two.bin"}, Small);
  WriteBytes("C:\\A\\x-002.mmm", ReadFile("C:\\B\\x-002.mmm"));
  try {
    ExtractAll("C:\\A\\x.bak");
    FAIL() << "no error";
  } catch (const archiver::EArchiver& e) {
    EXPECT_EQ(e.Message(), "This segment is not the next in the sequence");
  }
}

TEST_F(SegmentTest, AMissingSegmentIsLocated) {
  const std::string data = Noise(12000);
  MakeFile("C:\\src\\big.bin", data);
  MakeArchive("C:\\Arq\\dados.bak", {"C:\\src\\big.bin"}, Small);
  platform::ForceDirectories("C:\\elsewhere");
  ASSERT_TRUE(platform::RenameFile("C:\\Arq\\dados-002.mmm", "C:\\elsewhere\\dados-002.mmm"));

  Dialogs().AnswerOpenFile(true, "C:\\Arq\\dados-003.mmm");  // another segment: refused
  Dialogs().AnswerMessageBox(platform::IDOK);
  Dialogs().AnswerOpenFile(true, "C:\\elsewhere\\dados-002.mmm");
  // Segment 3 is looked for beside the located one, where it is not.
  Dialogs().AnswerOpenFile(true, "C:\\Arq\\dados-003.mmm");
  EXPECT_EQ(ExtractAll("C:\\Arq\\dados.bak"), 2);
  EXPECT_EQ(ReadFile("C:\\out\\big.bin"), data);

  const auto& asked = Dialogs().Asked();
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_EQ(asked[0].Kind, platform::dkOpenFile);
  EXPECT_EQ(asked[0].Caption, "Locate segment #2 of Archive dados");
  EXPECT_EQ(asked[0].Value, "C:\\Arq\\dados-002.mmm");
  EXPECT_EQ(asked[1].Text, "This was not the segment #2 of Archive dados !");
  EXPECT_EQ(asked[3].Caption, "Locate segment #3 of Archive dados");
  EXPECT_EQ(asked[3].Value, "C:\\elsewhere\\dados-003.mmm");
}

TEST_F(SegmentTest, CancelInAPromptEndsWithTheSilentAbort) {
  MakeFile("C:\\src\\big.bin", Noise(12000));
  MakeArchive("C:\\Arq\\dados.bak", {"C:\\src\\big.bin"}, Small);
  platform::DeleteFile("C:\\Arq\\dados-002.mmm");
  Dialogs().AnswerOpenFile(false);
  EXPECT_THROW(ExtractAll("C:\\Arq\\dados.bak"), rtl::EAbort);
}

TEST_F(SegmentTest, SingleSegmentsLeavePartialFiles) {
  const std::string data = Noise(12000);
  MakeFile("C:\\src\\big.bin", data);
  MakeArchive("C:\\Arq\\dados.bak", {"C:\\src\\big.bin"}, Small);
  const char* names[] = {"C:\\Arq\\dados.bak", "C:\\Arq\\dados-002.mmm", "C:\\Arq\\dados-003.mmm"};
  size_t done = 0;
  for (const char* name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ExtractAll(name, {archiver::oOpenSingleSegment}), 0);
    done += static_cast<size_t>(ReadSegment(name).Records[0].SegmentSize);
    EXPECT_EQ(ReadFile("C:\\out\\big.bin"), data.substr(0, done));
  }
  EXPECT_EQ(done, data.size());
}

TEST_F(SegmentTest, NoSpanningKeepsOneFile) {
  MakeFile("C:\\src\\big.bin", Noise(12000));
  MakeArchive("C:\\Arq\\one.bak", {"C:\\src\\big.bin"}, [](TArchiver& a) {
    Small(a);
    a.SetOptions(a.Options() + archiver::TOptions{archiver::oNoSpanning});
  });
  EXPECT_FALSE(platform::FileExists("C:\\Arq\\one-002.mmm"));
  EXPECT_GT(ReadSegment("C:\\Arq\\one.bak").Size, 12000);
}

}  // namespace
