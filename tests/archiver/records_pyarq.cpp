// The record, checksum, cipher and codec pieces against the independent Python
// implementation of the format (tools/pyarq): archives it makes decode here
// block by block, and archives laid out here extract there.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "archiver/ArchiverMisc.h"
#include "archiver/BlockCodec.h"
#include "archiver/Blowunit.h"

using namespace archiver;
namespace fs = std::filesystem;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteHostFile(const fs::path& path, const TBytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

class RecordsPyarq : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* root = std::getenv("VQM_SOURCE_DIR");
    if (!root || std::system("python3 -c pass") != 0) GTEST_SKIP() << "needs python3 and VQM_SOURCE_DIR";
    FPyarq = fs::path(root) / "tools" / "pyarq" / "pyarq.py";
    FDir = fs::temp_directory_path() / ("vqm-pyarq-" + std::to_string(std::random_device{}()));
    fs::create_directories(FDir / "src");
    std::mt19937 gen(5);
    TBytes noise(20000);
    for (auto& b : noise) b = static_cast<uint8_t>(gen());
    TBytes text;
    for (int i = 0; i < 9000; ++i) text.push_back(static_cast<uint8_t>("line of text\n"[i % 13]));
    FFiles = {{"noise.bin", noise}, {"text.txt", text}, {"empty.dat", {}}};
    for (const auto& [name, data] : FFiles) WriteHostFile(FDir / "src" / name, data);
  }
  void TearDown() override {
    if (!FDir.empty()) fs::remove_all(FDir);
  }

  int Pyarq(const std::string& args) {
    const std::string command = "python3 \"" + FPyarq.string() + "\" " + args + " >/dev/null 2>&1";
    return std::system(command.c_str());
  }

  // Decodes every entry of an unsegmented, non-solid archive with the C++ pieces.
  std::map<std::string, TBytes> Decode(const fs::path& archive, const AnsiString& key) {
    rtl::TMemoryStream stream;
    stream.Data() = ReadHostFile(archive);
    TArchiveHeader header;
    ReadHeaderFields(stream, header);
    EXPECT_EQ(header.Signature, DefaultSignature);
    EXPECT_EQ(header.Version, 1);
    EXPECT_TRUE(header.Has(afFinalSegment));
    TBlowFish cipher;
    std::map<std::string, TBytes> files;
    TBytes buffer(BlockBufferSize(header.BlockSize)), out(header.BlockSize);
    while (stream.Position() < header.EndOffset) {
      TFileEntry entry;
      const int64_t at = stream.Position();
      ReadEntryFields(stream, entry);
      EXPECT_EQ(entry.Offset, at) << entry.Name;
      EXPECT_TRUE(entry.Has(ffFinalPart)) << entry.Name;
      TBytes& content = files[entry.Name];
      for (int32_t done = 0; done < entry.SegmentCompressedSize;) {
        int32_t length = 0;
        uint32_t stored = 0;
        stream.ReadBuffer(&length, 4);
        stream.ReadBuffer(&stored, 4);
        int32_t n = length < 0 ? -length : length;
        EXPECT_LE(static_cast<uint32_t>(n), buffer.size());
        stream.ReadBuffer(buffer.data(), n);
        done += n + 8;
        if (entry.Has(ffEncrypted)) n = BlowfishDecipherBlock(cipher, key, buffer.data(), n);
        EXPECT_EQ(~BlockChecksum(buffer.data(), static_cast<size_t>(n)), stored) << entry.Name;
        if (length >= 0) {
          int32_t size = static_cast<int32_t>(header.BlockSize);
          EXPECT_TRUE(ZlibUncompressBlock(out.data(), size, buffer.data(), n)) << entry.Name;
          content.insert(content.end(), out.begin(), out.begin() + size);
        } else {
          content.insert(content.end(), buffer.begin(), buffer.begin() + n);
        }
      }
      EXPECT_EQ(static_cast<int32_t>(content.size()), entry.Size) << entry.Name;
    }
    return files;
  }

  fs::path FPyarq, FDir;
  std::map<std::string, TBytes> FFiles;
};

}  // namespace

TEST_F(RecordsPyarq, ArchivesMadeThereDecodeHere) {
  const std::string sources = "\"" + (FDir / "src" / "noise.bin").string() + "\" \"" +
                              (FDir / "src" / "text.txt").string() + "\" \"" +
                              (FDir / "src" / "empty.dat").string() + "\"";
  struct {
    const char* options;
    const char* key;
  } rows[] = {
      {"", ""},
      {"--store -l max", ""},
      {"-b 4096 -l superfast", ""},  // several blocks per file
      {"-k \"the archive key\"", "the archive key"},
      {"--encrypt-files -k \"a key of 65 characters.........................................!\"",
       "a key of 65 characters.........................................!"},
      {"-k short", "short"},  // a key the cipher cannot take: the unkeyed tables
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    const fs::path archive = FDir / ("a" + std::to_string(i) + ".bak");
    ASSERT_EQ(Pyarq("c \"" + archive.string() + "\" " + sources + " " + rows[i].options), 0) << "row " << i;
    const auto files = Decode(archive, rows[i].key);
    for (const auto& [name, data] : FFiles) EXPECT_EQ(files.at(name), data) << "row " << i << " " << name;
  }
}

TEST_F(RecordsPyarq, ArchivesLaidOutHereExtractThere) {
  for (bool encipher : {false, true}) {
    const AnsiString key = encipher ? "the archive key" : "";
    rtl::TMemoryStream stream;
    TArchiveHeader header;
    header.Signature = DefaultSignature;
    header.Version = ArchiveVersion;
    header.RandomID = 1234;
    header.BlockSize = 16384;
    header.Segment = 1;
    header.ArchiveFlags = afCompressed | afFinalSegment | (encipher ? afEncrypted : 0);
    header.Comment = "Instalação"_a;
    header.EndOffset = header.HeaderSize();
    WriteHeaderFields(stream, header);
    TBlowFish cipher;
    TBytes packed(BlockBufferSize(header.BlockSize));
    for (const auto& [name, data] : FFiles) {
      TFileEntry entry;
      entry.Name = "dir\\" + name;
      entry.Date = 36526.5;
      entry.Attr = 0x20;
      entry.Segment = 1;
      entry.Offset = static_cast<uint32_t>(stream.Position());
      entry.FileFlags = ffFile | ffFinalPart | (encipher ? ffEncrypted : 0);
      entry.Size = static_cast<int32_t>(data.size());
      rtl::TMemoryStream blocks;
      for (size_t pos = 0; pos < data.size(); pos += header.BlockSize) {
        const int32_t n = static_cast<int32_t>(std::min<size_t>(header.BlockSize, data.size() - pos));
        int32_t m = static_cast<int32_t>(packed.size());
        const bool compressed = ZlibCompressBlock(packed.data(), m, data.data() + pos, n, ZlibLevel(clNormal)) && m < n;
        if (!compressed) {
          std::copy(data.begin() + pos, data.begin() + pos + n, packed.begin());
          m = n;
        }
        const uint32_t checksum = ~BlockChecksum(packed.data(), static_cast<size_t>(m));
        if (encipher) m = BlowfishEncipherBlock(cipher, key, packed.data(), m);
        const int32_t length = compressed ? m : -m;
        blocks.WriteBuffer(&length, 4);
        blocks.WriteBuffer(&checksum, 4);
        blocks.WriteBuffer(packed.data(), m);
        entry.SegmentSize += n;
      }
      entry.SegmentCompressedSize = entry.CompressedSize = static_cast<int32_t>(blocks.Size());
      WriteEntryFields(stream, entry);
      stream.WriteBuffer(blocks.Memory(), static_cast<int32_t>(blocks.Size()));
      header.ArchiveInfo.FileCount++;
      header.ArchiveInfo.Size += entry.Size;
      header.ArchiveInfo.CompressedSize += entry.CompressedSize;
    }
    header.SegmentInfo = header.ArchiveInfo;
    header.EndOffset = static_cast<uint32_t>(stream.Position());
    stream.SetPosition(0);
    WriteHeaderFields(stream, header);

    const fs::path archive = FDir / (encipher ? "here-key.bak" : "here.bak");
    WriteHostFile(archive, stream.Data());
    const fs::path out = FDir / (encipher ? "out-key" : "out");
    ASSERT_EQ(Pyarq("x \"" + archive.string() + "\" \"" + out.string() + "\"" + (encipher ? " -k \"" + key + "\"" : "")), 0);
    for (const auto& [name, data] : FFiles) EXPECT_EQ(ReadHostFile(out / "dir" / name), data) << name;
    if (encipher) {
      EXPECT_NE(Pyarq("x \"" + archive.string() + "\" \"" + (FDir / "bad").string() + "\" -k wrongkey1"), 0);
    }
  }
}
