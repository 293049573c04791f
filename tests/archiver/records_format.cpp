// The archive records byte by byte, the block checksum, header checks, hostile
// lengths, option sets, temporary names and path shortening.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "archiver/ArchiverMisc.h"
#include "archiver/Messages.h"
#include "rtl/Clock.h"
#include "tests/platform/FakeApi.h"

using namespace archiver;

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ' || text[i] == '\n') {
      ++i;
      continue;
    }
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return bytes;
}

std::vector<uint8_t> Zeros(size_t n) { return std::vector<uint8_t>(n, 0); }

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

rtl::TMemoryStream StreamOf(const std::vector<uint8_t>& bytes) {
  rtl::TMemoryStream s;
  s.Data() = bytes;
  return s;
}

// A header with comment "Hi", as a writer of the format lays it out.
std::vector<uint8_t> HeaderBytes(const std::string& segmentField) {
  return Concat({
      Hex("38 12 00 00"),                    // Signature 4664
      Hex("01 00 00 00"),                    // Version 1
      Hex("78 56 34 12"),                    // RandomID
      Hex("00 00 01 00"),                    // BlockSize 65536
      Hex("17 01 00 00"),                    // EndOffset 279 = 275 + 4
      Hex(segmentField),                     // Segment
      Hex("12"),                             // ArchiveFlags afCompressed | afFinalSegment
      Hex("03 00 00 00"),                    // ArchiveInfo.FileCount 3
      Hex("00 00 00 00 00 00 00 80 FF 3F"),  //   Size 1.0
      Hex("00 00 00 00 00 00 00 C0 00 40"),  //   CompressedSize 3.0
      Hex("01 00 00 00"),                    // SegmentInfo.FileCount 1
      Hex("00 00 00 00 00 00 00 00 00 00"),  //   Size 0
      Hex("00 00 00 00 00 00 00 80 08 40"),  //   CompressedSize 512.0
      Concat({Hex("AB"), Zeros(131)}),       // UserData
      Zeros(64),                             // Reserved
      Hex("02 00 00 00"),                    // comment length
      Hex("48 69"),                          // "Hi"
  });
}

// An entry record of "docs\a.txt", as a writer of the format lays it out.
std::vector<uint8_t> EntryBytes(const std::string& segmentCompressedSize = "20 00 00 00") {
  return Concat({
      Hex("0A 00 00 00"),                    // name length 10
      Hex("64 6F 63 73 5C 61 2E 74 78 74"),  // "docs\a.txt"
      Hex("00 00 00 00 00 80 AE 8E 0E 40"),  // Date 36526.5 (1 January 2000, noon)
      Hex("20 00 00 00"),                    // Attr FILE_ATTRIBUTE_ARCHIVE
      Hex("02 00"),                          // Segment 2
      Hex("17 01 00 00"),                    // Offset 279
      Hex("00 10 00 00"),                    // StartOffset 4096
      Hex("0D"),                             // FileFlags ffFile | ffFinalPart | ffEncrypted
      Hex("0C 00 00 00"),                    // Size 12
      Hex("40 00 00 00"),                    // CompressedSize 64
      Hex("0C 00 00 00"),                    // SegmentSize 12
      Hex(segmentCompressedSize),            // SegmentCompressedSize
  });
}

}  // namespace

TEST(RecordsChecksum, KnownValues) {
  EXPECT_EQ(~BlockChecksum("abc", 3), 0x932BC606u);  // as stored in a block record
  EXPECT_EQ(~BlockChecksum("", 0), 0x00000000u);
  // Not the standard CRC-32, which the table would give if looked up by entry.
  EXPECT_NE(~BlockChecksum("abc", 3), crc32(0, reinterpret_cast<const Bytef*>("abc"), 3));
}

// The fast routine against the definition read literally: the table's
// 1024-byte image, four bytes taken at the byte offset, one byte per step.
TEST(RecordsChecksum, EqualsTheByteByByteDefinition) {
  uint8_t image[1024];
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    for (int b = 0; b < 4; ++b) image[4 * n + b] = static_cast<uint8_t>(c >> (8 * b));
  }
  auto plain = [&image](const uint8_t* p, size_t n) {
    uint32_t reg = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
      const uint32_t at = (reg ^ p[i]) & 0xFF;
      const uint32_t w = image[at] | image[at + 1] << 8 | image[at + 2] << 16 | uint32_t{image[at + 3]} << 24;
      reg = (reg >> 8) ^ w;
    }
    return reg;
  };
  std::vector<uint8_t> data(70000 + 8);
  uint32_t seed = 12345;
  for (uint8_t& b : data) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
  for (size_t offset = 0; offset < 8; ++offset)
    for (size_t n = 0; n <= 300; ++n)
      ASSERT_EQ(BlockChecksum(data.data() + offset, n), plain(data.data() + offset, n)) << offset << " " << n;
  EXPECT_EQ(BlockChecksum(data.data() + 3, 70000), plain(data.data() + 3, 70000));
  // Every byte value at every position of a short run.
  std::vector<uint8_t> all(256 * 4);
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i * 7 + i / 256);
  EXPECT_EQ(BlockChecksum(all.data(), all.size()), plain(all.data(), all.size()));

  // Several payloads at once: lanes of unequal lengths finish and take the
  // next payload, empty ones among them.
  const std::vector<std::vector<size_t>> sets = {
      {}, {0}, {5}, {0, 0, 3}, {100, 100, 100, 100}, {1, 2, 3, 4, 5, 6, 7, 8, 9},
      {70000, 1, 0, 300, 17, 65536, 2, 999, 4096, 0, 33}};
  for (const auto& lengths : sets) {
    std::vector<const uint8_t*> starts;
    for (size_t i = 0; i < lengths.size(); ++i) starts.push_back(data.data() + i % 8);
    std::vector<uint32_t> sums(lengths.size());
    BlockChecksums(starts.data(), lengths.data(), sums.data(), lengths.size());
    for (size_t i = 0; i < lengths.size(); ++i)
      EXPECT_EQ(sums[i], plain(starts[i], lengths[i])) << "payload " << i << " of " << lengths.size();
  }
}

TEST(RecordsHeader, ReadsEveryFieldAndWritesTheSameBytes) {
  const auto bytes = HeaderBytes("02 00 00 00");
  auto stream = StreamOf(bytes);
  TArchiveHeader h;
  ReadHeaderFields(stream, h);
  EXPECT_EQ(stream.Position(), 275);
  EXPECT_EQ(h.Signature, DefaultSignature);
  EXPECT_EQ(h.Version, 1);
  EXPECT_EQ(h.RandomID, 0x12345678u);
  EXPECT_EQ(h.BlockSize, 65536u);
  EXPECT_EQ(h.EndOffset, 279u);
  EXPECT_EQ(h.Segment, 2);
  EXPECT_EQ(h.ArchiveFlags, afCompressed | afFinalSegment);
  EXPECT_EQ(h.ArchiveInfo.FileCount, 3u);
  EXPECT_EQ(h.ArchiveInfo.Size, 1.0L);
  EXPECT_EQ(h.ArchiveInfo.CompressedSize, 3.0L);
  EXPECT_EQ(h.SegmentInfo.FileCount, 1u);
  EXPECT_EQ(h.SegmentInfo.Size, 0.0L);
  EXPECT_EQ(h.SegmentInfo.CompressedSize, 512.0L);
  EXPECT_EQ(h.UserData[0], 0xAB);
  EXPECT_EQ(h.Comment, "Hi");
  EXPECT_EQ(h.HeaderSize(), 275u);

  rtl::TMemoryStream out;
  WriteHeaderFields(out, h);
  EXPECT_EQ(out.Data(), bytes);
}

TEST(RecordsHeader, SegmentKeepsLowSixteenBitsAndIsWrittenZeroExtended) {
  auto stream = StreamOf(HeaderBytes("02 00 01 00"));  // 0x00010002
  TArchiveHeader h;
  ReadHeaderFields(stream, h);
  EXPECT_EQ(h.Segment, 2);
  rtl::TMemoryStream out;
  WriteHeaderFields(out, h);
  EXPECT_EQ(out.Data(), HeaderBytes("02 00 00 00"));
}

TEST(RecordsHeader, EmptyArchiveHeaderIsHeaderSizeBytes) {
  TArchiveHeader h;
  h.Comment = "comment";
  rtl::TMemoryStream out;
  WriteHeaderFields(out, h);
  EXPECT_EQ(out.Size(), 280);
  EXPECT_EQ(h.HeaderSize(), 280u);
}

TEST(RecordsEntry, ReadsEveryFieldAndWritesTheSameBytes) {
  const auto bytes = EntryBytes();
  auto stream = StreamOf(bytes);
  TFileEntry e;
  ReadEntryFields(stream, e);
  EXPECT_EQ(stream.Position(), 55);
  EXPECT_EQ(e.Name, "docs\\a.txt");
  EXPECT_EQ(e.Date, 36526.5);
  EXPECT_EQ(e.Attr, 0x20u);
  EXPECT_EQ(e.Segment, 2);
  EXPECT_EQ(e.Offset, 279u);
  EXPECT_EQ(e.StartOffset, 4096u);
  EXPECT_EQ(e.FileFlags, ffFile | ffFinalPart | ffEncrypted);
  EXPECT_EQ(e.Size, 12);
  EXPECT_EQ(e.CompressedSize, 64);
  EXPECT_EQ(e.SegmentSize, 12);
  EXPECT_EQ(e.SegmentCompressedSize, 32);
  EXPECT_EQ(e.RecordSize(), 55u);

  rtl::TMemoryStream out;
  WriteEntryFields(out, e);
  EXPECT_EQ(out.Data(), bytes);
}

TEST(RecordsCheckHeader, SignatureVersionAndBlockSize) {
  fake::TFakeApi api;
  TExtrMessages messages;
  messages.SetLanguage(lgEnglish);
  TArchiveHeader h;
  h.Signature = DefaultSignature;
  h.BlockSize = 65536;
  for (int32_t version : {-1, 0, 1}) {
    h.Version = version;
    EXPECT_NO_THROW(CheckHeader(h, DefaultSignature, "x.bak", messages)) << version;
  }

  h.Version = 2;
  try {
    CheckHeader(h, DefaultSignature, "x.bak", messages);
    FAIL() << "version 2 accepted";
  } catch (const EArchiver&) {
    FAIL() << "an unknown version is a plain error";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "Unknown version");
  }

  h.Version = 1;
  try {
    CheckHeader(h, 4665, "C:\\x.bak", messages);
    FAIL() << "signature accepted";
  } catch (const EArchiver& e) {
    EXPECT_EQ(e.Message(), "Bad signature: file \"C:\\x.bak\" is not a valid archive");
  }

  for (uint32_t blockSize : {0u, 1023u, MaxBlockSize + 1, 0xFFFFFFFFu}) {
    h.BlockSize = blockSize;
    EXPECT_THROW(CheckHeader(h, DefaultSignature, "x.bak", messages), EArchiver) << blockSize;
  }
}

TEST(RecordsHostile, LengthsBeyondTheFileFailWithoutAllocating) {
  // Comment length 0xFFFFFFF0 in a file that ends right after it.
  auto header = HeaderBytes("01 00 00 00");
  header.resize(273);
  std::memcpy(&header[269], "\xF0\xFF\xFF\xFF", 4);
  auto s1 = StreamOf(header);
  TArchiveHeader h;
  EXPECT_THROW(ReadHeaderFields(s1, h), rtl::EReadError);

  // Name length 2 GiB.
  auto entry = EntryBytes();
  std::memcpy(&entry[0], "\x00\x00\x00\x80", 4);
  auto s2 = StreamOf(entry);
  TFileEntry e;
  EXPECT_THROW(ReadEntryFields(s2, e), rtl::EReadError);

  // A record cut short.
  auto cut = EntryBytes();
  cut.resize(cut.size() - 1);
  auto s3 = StreamOf(cut);
  EXPECT_THROW(ReadEntryFields(s3, e), rtl::EReadError);

  // A negative data length is read as it stands: the component refuses it.
  auto s4 = StreamOf(EntryBytes("C9 FF FF FF"));
  ReadEntryFields(s4, e);
  EXPECT_EQ(e.SegmentCompressedSize, -55);
}

TEST(RecordsOptions, SetOperations) {
  TOptions o{oCompress, oCrypt};
  EXPECT_TRUE(o.Contains(oCompress));
  EXPECT_FALSE(o.Contains(oRestorePath));
  o.Include(oRestorePath).Exclude(oCrypt);
  EXPECT_EQ(o, (TOptions{oCompress, oRestorePath}));
  EXPECT_EQ(o.Bits(), 1u << 4 | 1u << 13);
  EXPECT_EQ(DefaultOptions.Bits(), 1u << 0 | 1u << 4 | 1u << 7 | 1u << 8 | 1u << 11 | 1u << 13 | 1u << 14 | 1u << 19);
  EXPECT_EQ((DefaultOptions - TOptions{oCompress} + TOptions{oCompress}), DefaultOptions);
  EXPECT_EQ((DefaultOptions * TOptions{oCompress, oCrypt}), TOptions{oCompress});
  EXPECT_TRUE(TOptions::FromBits(1u << oDoNotUpdateFirstSegment).Contains(oDoNotUpdateFirstSegment));
}

TEST(RecordsTempName, FirstFreeNameFromTickCount) {
  fake::TFakeApi api;
  rtl::TFixedClock clock(45000.5, 0x1000);
  rtl::SetClock(&clock);
  api.TempPath = AnsiString("C:\\WINDOWS\\TEMP");  // without trailing backslash
  EXPECT_EQ(BuildTempArchiveName("no name"), "C:\\WINDOWS\\TEMP\\~Archiv-1001.tmp");

  api.AddFile("C:\\WINDOWS\\TEMP\\~Archiv-1001.tmp");
  api.AddFolder("C:\\WINDOWS\\TEMP\\~Archiv-1002.tmp");
  EXPECT_EQ(BuildTempArchiveName("no name"), "C:\\WINDOWS\\TEMP\\~Archiv-1003.tmp");

  api.TempPath.reset();  // GetTempPath fails
  EXPECT_EQ(BuildTempArchiveName("no name"), "c:\\~Archiv-1001.tmp");

  clock.SetTick(0xFFFFFFFF);  // the number wraps like the tick count
  EXPECT_EQ(BuildTempArchiveName("no name"), "c:\\~Archiv-0.tmp");

  clock.SetTick(0);
  for (uint32_t n = 1; n <= 1001; ++n) api.AddFile("c:\\~Archiv-" + rtl::IntToHex(n, 1) + ".tmp");
  try {
    BuildTempArchiveName("Can not build a temporary FileName");
    FAIL() << "all names taken";
  } catch (const EArchiver&) {
    FAIL() << "a plain error expected";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "Can not build a temporary FileName");
  }
  api.DeleteFileA("c:\\~Archiv-3E9.tmp");  // the 1001st name
  EXPECT_EQ(BuildTempArchiveName("x"), "c:\\~Archiv-3E9.tmp");
  rtl::SetClock(nullptr);
}

TEST(RecordsShortenPath, Rules) {
  struct {
    const char* path;
    const char* shortened;
  } rows[] = {
      // shorter than the limit: whole
      {"C:\\Dest\\a.txt", "C:\\Dest\\a.txt"},
      // first and last folder kept
      {"C:\\Programs\\Long folder name\\Another level\\file-name.txt", "C:\\Programs\\...\\Another level\\file-name.txt"},
      // first folder too long to keep: last folder only
      {"C:\\A very very long first folder name\\x\\Last\\n.txt", "C:\\...\\Last\\n.txt"},
      // last folder too long to keep: first folder only
      {"C:\\First\\x\\A very very long last folder name here\\n.txt", "C:\\First\\...\\n.txt"},
      // neither fits
      {"C:\\First folder with a really long name 01\\Last folder with a really long name 02\\n.txt",
       "C:\\...\\n.txt"},
      // a folder without a backslash inside
      {"C:\\One single folder that is quite long\\name-of-file.txt", "C:\\...\\name-of-file.txt"},
      // a name longer than the limit alone
      {"C:\\d\\0123456789012345678901234567890123456789012345678901234.txt",
       "01234567890123456789012345678901234567890123456..."},
      // no drive
      {"docs\\A long folder name here\\and another one that is long\\f.txt", "docs\\...\\and another one that is long\\f.txt"},
  };
  for (size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(ShortenPath(rows[i].path, 50), rows[i].shortened) << "row " << i;
  EXPECT_EQ(ShortenPath("C:\\Programs\\Long folder name\\Another level\\file-name.txt", 50).size(), 43u);
}
