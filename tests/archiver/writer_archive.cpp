// The writer: an archive byte for byte, blocks and their stored form, names by
// PathStorage, the comment, read-only archives, and an archive interrupted
// between two additions.

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/archiver/component_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

std::string Hex(const char* text) {
  std::string bytes;
  for (const char* p = text; *p;) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    bytes += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
    p += 2;
  }
  return bytes;
}

int32_t Le32(const std::string& bytes, size_t at) {
  uint32_t v;
  std::memcpy(&v, bytes.data() + at, 4);
  return static_cast<int32_t>(v);
}

// The first entry of an archive without comment: its flags, sizes and the
// length field of each block record after it.
struct TFirstEntry {
  uint8_t FileFlags = 0;
  int32_t Size = 0, SegmentSize = 0, SegmentCompressedSize = 0;
  std::vector<int32_t> Blocks;
};

TFirstEntry FirstEntry(const std::string& archive) {
  TFirstEntry e;
  size_t at = 273;
  size_t name = static_cast<size_t>(Le32(archive, at));
  at += 4 + name + 10 + 4 + 2 + 4 + 4;
  e.FileFlags = static_cast<uint8_t>(archive[at]);
  e.Size = Le32(archive, at + 1);
  e.SegmentSize = Le32(archive, at + 9);
  e.SegmentCompressedSize = Le32(archive, at + 13);
  at += 17;
  for (int32_t sum = 0; sum < e.SegmentCompressedSize;) {
    int32_t length = Le32(archive, at);
    e.Blocks.push_back(length);
    int32_t record = 8 + (length < 0 ? -length : length);
    sum += record;
    at += record;
  }
  return e;
}

class WriterTest : public TMachineTest {};

TEST_F(WriterTest, ATinyArchiveByteForByte) {
  MakeFile("C:\\src\\a.txt", "abc");
  platform::FileSetAttr("C:\\src\\a.txt", platform::FILE_ATTRIBUTE_ARCHIVE);
  MakeArchive("C:\\tiny.arq", {"C:\\src\\a.txt"});
  std::string expected = Hex(
      // header
      "38 12 00 00"  // Signature 4664
      "01 00 00 00"  // Version 1
      "E8 03 00 00"  // RandomID: the tick count 1000
      "00 00 01 00"  // BlockSize 65536
      "4E 01 00 00"  // EndOffset 334 = 273 + 50 + 11
      "01 00 00 00"  // Segment 1
      "12"           // afFinalSegment + afCompressed
      "01 00 00 00 00 00 00 00 00 00 00 C0 00 40 00 00 00 00 00 00 00 B0 02 40"  // ArchiveInfo 1, 3.0, 11.0
      "01 00 00 00 00 00 00 00 00 00 00 C0 00 40 00 00 00 00 00 00 00 B0 02 40"  // SegmentInfo
  );
  expected += std::string(132 + 64, '\0');  // UserData, Reserved
  expected += Hex(
      "00 00 00 00"                    // no comment
      "05 00 00 00 61 2E 74 78 74"     // "a.txt"
      "00 50 FA A4 4F 6E AD 94 0E 40"  // Date 38061.430902777... (15/03/2004 10:20:30)
      "20 00 00 00"                    // Attr: archive
      "01 00"                          // Segment 1
      "11 01 00 00"                    // Offset 273
      "00 00 00 00"                    // StartOffset
      "05"                             // ffFile + ffFinalPart
      "03 00 00 00 0B 00 00 00"        // Size 3, CompressedSize 11
      "03 00 00 00 0B 00 00 00"        // SegmentSize 3, SegmentCompressedSize 11
      "FD FF FF FF"                    // length -3: stored, zlib would make it longer
      "06 C6 2B 93"                    // the checksum of "abc", complemented
      "61 62 63");
  EXPECT_EQ(ReadFile("C:\\tiny.arq"), expected);
}

// What zlib's own one-shot compression gives for a block at the default level.
int32_t ZlibLength(const std::string& block) {
  std::vector<Bytef> out(compressBound(block.size()));
  uLongf length = out.size();
  compress2(out.data(), &length, reinterpret_cast<const Bytef*>(block.data()), block.size(), Z_DEFAULT_COMPRESSION);
  return static_cast<int32_t>(length);
}

TEST_F(WriterTest, BlocksOfAFile) {
  const std::string text(3000, 'b');
  struct {
    std::string content;
    int32_t blockSize;
    bool compress;
    std::vector<int32_t> blocks;  // < 0: stored plain
  } rows[] = {
      {"", 1024, true, {}},
      {std::string(1024, 'a'), 1024, false, {-1024}},
      {std::string(1025, 'a'), 1024, false, {-1024, -1}},
      {text, 1024, true, {ZlibLength(text.substr(0, 1024)), ZlibLength(text.substr(1024, 1024)), ZlibLength(text.substr(2048))}},
      {Noise(2500), 2048, true, {-2048, -452}},
  };
  int row = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(row++);
    platform::DeleteFile("C:\\b.arq");
    MakeFile("C:\\src\\f.bin", r.content);
    MakeArchive("C:\\b.arq", {"C:\\src\\f.bin"}, [&](TArchiver& a) {
      a.SetBlockSize(r.blockSize);
      if (!r.compress) a.SetOptions(a.Options() - TOptions{oCompress});
    });
    TFirstEntry e = FirstEntry(ReadFile("C:\\b.arq"));
    EXPECT_EQ(e.FileFlags, ffFile | ffFinalPart);
    EXPECT_EQ(e.Size, static_cast<int32_t>(r.content.size()));
    EXPECT_EQ(e.SegmentSize, e.Size);
    EXPECT_EQ(e.Blocks, r.blocks);
  }
}

TEST_F(WriterTest, AFullBlockOfNoiseAt1024DoesNotCompress) {
  MakeFile("C:\\src\\noise.bin", Noise(1024));
  TArchiver a;
  a.SetFileName("C:\\n.arq");
  a.SetBlockSize(1024);
  a.SetErrorAction(eaAbort);
  a.Open();
  try {
    a.AddFile("C:\\src\\noise.bin");
    FAIL() << "added";
  } catch (const EArchiverCompress& e) {
    EXPECT_EQ(e.Message(), a.ArchMessages().CouldNotCompressBlock());
  }
  // The failed file is left out; the archive is still sound.
  EXPECT_EQ(a.Header().ArchiveInfo.FileCount, 0u);
  EXPECT_EQ(a.Header().SegmentInfo.CompressedSize, 0);
  a.Close();
  EXPECT_EQ(ReadFile("C:\\n.arq").substr(16, 4), Hex("11 01 00 00"));  // EndOffset 273

  // Blocks before the one that fails are written first (past the used area),
  // and the next file goes in as usual.
  MakeFile("C:\\src\\late.bin", std::string(2048, 'a') + Noise(1024) + std::string(1024, 'b'));
  MakeFile("C:\\src\\next.txt", "next");
  TArchiver b;
  b.SetFileName("C:\\late.arq");
  b.SetBlockSize(1024);
  b.SetErrorAction(eaContinue);
  b.Open();
  b.AddFile("C:\\src\\late.bin");
  platform::WIN32_FIND_DATAA data;  // the archive is open: only listed
  platform::Api().FindClose(platform::Api().FindFirstFileA("C:\\late.arq", data));
  const uint64_t written = data.nFileSize;
  b.AddFile("C:\\src\\next.txt");
  b.Close();
  EXPECT_GT(written, 273u + 4 + 15 + 41 + 2 * 8);
  EXPECT_EQ(b.Header().ArchiveInfo.FileCount, 1u);
  EXPECT_EQ(FirstEntry(ReadFile("C:\\late.arq")).Size, 4);
}

TEST_F(WriterTest, StoredNames) {
  struct {
    TPathStorage storage;
    const char* start;
    bool includeStart;
    const char* file;
    const char* name;
  } rows[] = {
      {psNone, "", false, "C:\\data\\a.txt", "a.txt"},
      {psWhole, "", false, "C:\\data\\a.txt", "C:\\data\\a.txt"},
      {psRelative, "", false, "C:\\data\\a.txt", "a.txt"},
      {psRelative, "C:\\data\\", false, "C:\\DATA\\sub\\a.txt", "sub\\a.txt"},
      {psRelative, "C:\\data\\", true, "C:\\data\\sub\\a.txt", "data\\sub\\a.txt"},
      {psRelative, "C:\\other\\", false, "C:\\data\\a.txt", "C:\\data\\a.txt"},
      {psRelative, "data", true, "C:\\data\\a.txt", "data\\a.txt"},
      {psWhole, "", false, "C:\\data\\sub\\.", "C:\\data\\sub\\."},
      {psNone, "", false, "C:\\data\\sub\\.", "."},
      {psRelative, "", false, "C:\\data\\sub\\.", "."},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TArchiver a;
    a.SetPathStorage(r.storage);
    a.SetStartingFolder(r.start);
    if (r.includeStart) a.SetOptions(a.Options() + TOptions{oIncludeStartingDirectory});
    EXPECT_EQ(a.StoredName(r.file), r.name);
  }
}

TEST_F(WriterTest, EntriesFoldersAndTotals) {
  MakeFile("C:\\src\\a.txt", std::string(100, 'a'));
  TArchiver a;
  a.SetFileName("C:\\t.arq");
  a.Open();
  EXPECT_TRUE(a.AddFile("C:\\src\\a.txt"));
  EXPECT_TRUE(a.AddFile("C:\\src\\a.txt"));  // the same file twice: two entries
  EXPECT_TRUE(a.AddFile("C:\\src\\sub\\."));  // a folder entry needs no folder
  EXPECT_FALSE(a.AddFile("C:\\src\\missing.txt"));
  const TArchiveHeader& h = a.Header();
  EXPECT_EQ(h.ArchiveInfo.FileCount, 3u);
  EXPECT_EQ(h.SegmentInfo.FileCount, 3u);
  EXPECT_EQ(h.ArchiveInfo.Size, 200);
  EXPECT_EQ(h.ArchiveInfo.CompressedSize, h.SegmentInfo.CompressedSize);
  std::vector<AnsiString> names;
  a.OnEnumeration = [&](TArchiverRoot*, const TFileEntry& e) { names.push_back(e.Name); };
  a.SetOptions(a.Options() + TOptions{oShowEmptyFolders});
  a.EnumerateFiles();
  EXPECT_EQ(names, (std::vector<AnsiString>{"a.txt", "a.txt", "."}));
}

TEST_F(WriterTest, CommentOnlyWhileTheArchiveIsEmpty) {
  MakeFile("C:\\src\\a.txt", "a");
  TArchiver a;
  a.SetFileName("C:\\c.arq");
  a.Open();
  a.SetComment("first words");
  EXPECT_EQ(a.Header().EndOffset, 273u + 11);
  a.AddFile("C:\\src\\a.txt");
  a.SetComment("changed");
  a.Close();
  a.Open();
  EXPECT_EQ(a.Header().Comment, "first words");
  a.SetExtractPath("C:\\out");
  a.ExtractFiles();
  EXPECT_EQ(ReadFile("C:\\out\\a.txt"), "a");
}

TEST_F(WriterTest, ReadOnlyArchivesRefuseFiles) {
  MakeFile("C:\\src\\a.txt", "a");
  MakeArchive("C:\\r.arq", {"C:\\src\\a.txt"},
              [](TArchiver& a) { a.SetOptions(a.Options() + TOptions{oCreateReadOnly}); });
  EXPECT_EQ(static_cast<uint8_t>(ReadFile("C:\\r.arq")[24]), afFinalSegment | afCompressed | afReadOnly);
  TArchiver a;
  a.SetFileName("C:\\r.arq");
  a.SetErrorAction(eaAbort);
  try {
    a.AddFile("C:\\src\\a.txt");
    FAIL() << "added";
  } catch (const EArchiver& e) {
    EXPECT_EQ(e.Message(), a.Messages().ArchiveIsReadOnly());
  }
  a.Close();

  // A file with the read-only attribute opens for reading only.
  MakeArchive("C:\\w.arq", {});
  platform::FileSetAttr("C:\\w.arq", platform::FILE_ATTRIBUTE_READONLY);
  TArchiver w;
  w.SetFileName("C:\\w.arq");
  w.Open();
  EXPECT_TRUE(w.IsReadOnly());
  EXPECT_THROW(w.AddFile("C:\\src\\a.txt"), EArchiver);
}

TEST_F(WriterTest, AnInterruptedArchiveIsWholeUpToItsLastEntry) {
  MakeFile("C:\\src\\a.txt", "first file");
  MakeFile("C:\\src\\big.bin", Noise(20000));
  MakeFile("C:\\src\\c.txt", "third file");
  TArchiver a;
  a.SetFileName("C:\\i.arq");
  a.SetBlockSize(4096);
  a.Open();
  a.AddFile("C:\\src\\a.txt");
  a.OnFileProgress = [&](TArchiverRoot*, int percent) {
    if (percent > 30) a.RequestAbort();
  };
  EXPECT_THROW(a.AddFile("C:\\src\\big.bin"), rtl::EAbort);
  a.OnFileProgress = nullptr;
  a.Close();
  std::string bytes = ReadFile("C:\\i.arq");
  EXPECT_EQ(Le32(bytes, 16), 273 + 50 + 18);  // EndOffset after a.txt
  EXPECT_EQ(bytes.size(), 273u + 50 + 18 + 52 + 3 * 4104);  // big.bin: record and three blocks past it

  TArchiver r;
  r.SetFileName("C:\\i.arq");
  r.SetExtractPath("C:\\out");
  r.ExtractFiles();
  EXPECT_EQ(ReadFile("C:\\out\\a.txt"), "first file");
  EXPECT_FALSE(platform::FileExists("C:\\out\\big.bin"));
  // The next addition writes over the remains.
  r.AddFile("C:\\src\\c.txt");
  r.SetRestoreAction(raOverwrite);
  r.ExtractFiles();
  EXPECT_EQ(ReadFile("C:\\out\\c.txt"), "third file");
  EXPECT_EQ(r.Header().ArchiveInfo.FileCount, 2u);
}

}  // namespace
