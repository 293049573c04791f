// The block codec: zlib one-shot compression against compress2, its room
// limits, the level mapping, and Blowfish blocks with their padding byte.

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "archiver/BlockCodec.h"
#include "archiver/Blowunit.h"

using namespace archiver;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  TBytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(gen());
  return b;
}

// Some text-like data that compresses, but not to nothing.
TBytes TextLike(size_t n) {
  TBytes b(n);
  std::mt19937 gen(7);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>("etaoin shrdlu\n"[gen() % 14]);
  return b;
}

TBytes Compress(const TBytes& src, int32_t room, int level, bool& ok) {
  TBytes dest(static_cast<size_t>(room) + 16, 0xCC);
  int32_t size = room;
  ok = ZlibCompressBlock(dest.data(), size, src.data(), static_cast<int32_t>(src.size()), level);
  EXPECT_EQ(dest[static_cast<size_t>(room)], 0xCC) << "wrote past the room";
  dest.resize(ok ? static_cast<size_t>(size) : 0);
  return dest;
}

TBytes Compress2(const TBytes& src, int level) {
  uLongf size = compressBound(static_cast<uLong>(src.size()));
  TBytes dest(size);
  EXPECT_EQ(compress2(dest.data(), &size, src.data(), static_cast<uLong>(src.size()), level), Z_OK);
  dest.resize(size);
  return dest;
}

}  // namespace

TEST(CodecZlib, LevelMapping) {
  EXPECT_EQ(ZlibLevel(clMaximum), 9);
  EXPECT_EQ(ZlibLevel(clNormal), -1);
  EXPECT_EQ(ZlibLevel(clFast), 5);
  EXPECT_EQ(ZlibLevel(clSuperFast), 1);
  EXPECT_EQ(ZlibLevel(clNone), 0);
  EXPECT_EQ(BlockBufferSize(65536), 66191u);
  EXPECT_EQ(BlockBufferSize(1024), 1034u);
}

TEST(CodecZlib, SameStreamAsCompress2AtEveryLevelAndBack) {
  const TBytes zeros(65536, 0);
  const TBytes text = TextLike(65536);
  for (TCompressionLevel level : {clMaximum, clNormal, clFast, clSuperFast, clNone}) {
    for (const TBytes* src : {&zeros, &text}) {
      bool ok = false;
      const TBytes z = Compress(*src, static_cast<int32_t>(BlockBufferSize(65536)), ZlibLevel(level), ok);
      ASSERT_TRUE(ok) << int(level);
      EXPECT_EQ(z, Compress2(*src, ZlibLevel(level))) << int(level);

      TBytes back(65536 + 16, 0xCC);
      int32_t size = 65536;
      ASSERT_TRUE(ZlibUncompressBlock(back.data(), size, z.data(), static_cast<int32_t>(z.size())));
      ASSERT_EQ(size, 65536);
      back.resize(65536);
      EXPECT_EQ(back, *src);
    }
  }
  bool ok = false;
  EXPECT_LT(Compress(zeros, 66191, ZlibLevel(clNormal), ok).size(), 200u);  // a short stream
}

TEST(CodecZlib, OutputRoomTooSmallFails) {
  // A full random block of 1024 bytes needs 1035 bytes (2 header + 5 stored-block
  // header + 1024 + 4 Adler-32); the buffer room of BlockSize 1024 is 1034.
  const TBytes random = RandomBytes(1024, 1);
  bool ok = true;
  Compress(random, 1034, ZlibLevel(clNormal), ok);
  EXPECT_FALSE(ok);
  const TBytes z = Compress(random, 1035, ZlibLevel(clNormal), ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(z.size(), 1035u);
  // From BlockSize 1100 up the room always holds a stored block.
  Compress(RandomBytes(1100, 2), static_cast<int32_t>(BlockBufferSize(1100)), ZlibLevel(clNormal), ok);
  EXPECT_TRUE(ok);
}

TEST(CodecZlib, BadStreamsFailToUncompress) {
  const TBytes zeros(65536, 0);
  const TBytes z = Compress2(zeros, 6);
  TBytes out(65536);
  auto uncompress = [&out](const TBytes& src, int32_t room) {
    int32_t size = room;
    return ZlibUncompressBlock(out.data(), size, src.data(), static_cast<int32_t>(src.size()));
  };
  EXPECT_TRUE(uncompress(z, 65536));
  EXPECT_FALSE(uncompress(z, 65535)) << "more than the block size";
  TBytes badAdler = z;
  badAdler.back() ^= 1;
  EXPECT_FALSE(uncompress(badAdler, 65536)) << "Adler-32 mismatch";
  EXPECT_FALSE(uncompress(TBytes(z.begin(), z.end() - 5), 65536)) << "truncated";
  EXPECT_FALSE(uncompress(TBytes(), 65536)) << "empty";
  TBytes raw(z.begin() + 2, z.end());
  EXPECT_FALSE(uncompress(raw, 65536)) << "no zlib header";
  EXPECT_FALSE(uncompress(RandomBytes(100, 3), 65536)) << "noise";
}

// The stream's header and trailer are read apart from zlib: every change to
// them is judged as zlib's own uncompress judges it.
TEST(CodecZlib, HeaderAndTrailerJudgedAsUncompressDoes) {
  const TBytes text = TextLike(5000);
  const TBytes z = Compress2(text, 6);
  TBytes out(text.size());
  auto ours = [&out](const TBytes& src) {
    int32_t size = static_cast<int32_t>(out.size());
    return ZlibUncompressBlock(out.data(), size, src.data(), static_cast<int32_t>(src.size()));
  };
  auto zlibs = [&out](const TBytes& src) {
    uLongf size = out.size();
    return uncompress(out.data(), &size, src.data(), static_cast<uLong>(src.size())) == Z_OK;
  };
  std::vector<TBytes> cases;
  for (int first = 0; first < 256; ++first)
    for (int second : {0x01, 0x5E, 0x9C, 0xDA, 0x20 | 0x1D, first ^ 0xFF}) {
      TBytes c = z;
      c[0] = static_cast<uint8_t>(first);
      c[1] = static_cast<uint8_t>(second);
      cases.push_back(c);
    }
  for (size_t cut = 1; cut <= 4; ++cut) cases.emplace_back(z.begin(), z.end() - static_cast<ptrdiff_t>(cut));
  for (int bit = 0; bit < 32; ++bit) {
    TBytes c = z;
    c[c.size() - 1 - static_cast<size_t>(bit / 8)] ^= static_cast<uint8_t>(1 << (bit % 8));
    cases.push_back(c);
  }
  TBytes longer = z;
  longer.push_back(0);
  cases.push_back(longer);
  for (const TBytes& c : cases) EXPECT_EQ(ours(c), zlibs(c)) << "header " << int{c[0]} << " " << int{c[1]};
}

TEST(CodecZlib, Adler32AsZlibAtEveryLengthAndAlignment) {
  const TBytes data = RandomBytes(70000, 9);
  const TBytes ones(70000, 0xFF);  // the largest sums, for the reductions
  for (const TBytes* source : {&data, &ones})
    for (size_t length : {0, 1, 15, 16, 17, 255, 5551, 5552, 5553, 5568, 65536, 69990})
      for (size_t offset : {0, 1, 7}) {
        const uint8_t* p = source->data() + offset;
        EXPECT_EQ(Adler32(1, p, length), adler32(1, p, static_cast<uInt>(length))) << length << "+" << offset;
        EXPECT_EQ(Adler32(0xFFF0FFF0u, p, length), adler32(0xFFF0FFF0u, p, static_cast<uInt>(length)));
      }
}

TEST(CodecBlowfish, PaddingByteAndLengths) {
  TBlowFish cipher;
  struct {
    int32_t n, length, padding;
  } rows[] = {{13, 17, 3}, {16, 17, 0}, {1, 9, 7}, {0, 1, 0}, {65536, 65537, 0}, {65535, 65537, 1}};
  for (const auto& row : rows) {
    TBytes block = RandomBytes(static_cast<size_t>(row.n) + 8, static_cast<unsigned>(row.n));
    const TBytes plain(block.begin(), block.begin() + row.n);
    ASSERT_EQ(EncipheredLength(row.n), row.length);
    ASSERT_EQ(BlowfishEncipherBlock(cipher, "the archive key", block.data(), row.n), row.length) << row.n;
    EXPECT_EQ(block[static_cast<size_t>(row.length) - 1], row.padding) << row.n;
    ASSERT_EQ(BlowfishDecipherBlock(cipher, "the archive key", block.data(), row.length), row.n) << row.n;
    EXPECT_EQ(TBytes(block.begin(), block.begin() + row.n), plain) << row.n;
  }
}

TEST(CodecBlowfish, EveryPieceIsEcbUnderTheKey) {
  // A payload longer than the cipher's working buffer: each 8-byte piece is
  // Blowfish ECB of that piece alone under the key.
  TBlowFish cipher;
  TBytes block = RandomBytes(66191, 9);
  const TBytes plain = block;
  const int32_t length = BlowfishEncipherBlock(cipher, "the archive key", block.data(), 66180);
  ASSERT_EQ(length, 66185);
  for (size_t pos : {size_t{0}, size_t{4096}, size_t{8192}, size_t{66176}}) {
    TBlowFish single;
    single.SetKey("the archive key");
    single.SetInputType(SourceByteArray);
    TBytes piece(plain.begin() + pos, plain.begin() + pos + 8), out(8);
    single.InputPointer = piece.data();
    single.OutputPointer = out.data();
    single.SetInputLength(8);
    single.Encipher(false);
    EXPECT_EQ(TBytes(block.begin() + pos, block.begin() + pos + 8), out) << pos;
  }
}

TEST(CodecBlowfish, WrongKeyAndImpossibleLayouts) {
  TBlowFish cipher;
  TBytes block = RandomBytes(24, 4);
  const TBytes plain(block.begin(), block.begin() + 13);
  BlowfishEncipherBlock(cipher, "the archive key", block.data(), 13);
  TBytes copy = block;
  // A wrong key deciphers to other bytes; only the checksum can tell.
  ASSERT_EQ(BlowfishDecipherBlock(cipher, "another key!", copy.data(), 17), 13);
  EXPECT_NE(TBytes(copy.begin(), copy.begin() + 13), plain);
  // A key the cipher cannot take enciphers with the unkeyed tables; any
  // other key reads garbage.
  TBytes unkeyed = plain;
  unkeyed.resize(24);
  BlowfishEncipherBlock(cipher, "short", unkeyed.data(), 13);
  TBytes byEmpty = plain;
  byEmpty.resize(24);
  BlowfishEncipherBlock(cipher, "", byEmpty.data(), 13);
  EXPECT_EQ(unkeyed, byEmpty);

  for (int32_t length : {0, 16, 18}) {
    TBytes b = block;
    EXPECT_EQ(BlowfishDecipherBlock(cipher, "the archive key", b.data(), length), -1) << length;
    EXPECT_EQ(b, block) << "left as it was";
  }
  TBytes badPadding = block;
  badPadding[16] = 8;
  EXPECT_EQ(BlowfishDecipherBlock(cipher, "the archive key", badPadding.data(), 17), -1);
  TBytes onlyPadding = {0, 0, 0, 0, 0, 0, 0, 0, 1};  // 1 byte of padding in 8 is fine
  EXPECT_EQ(BlowfishDecipherBlock(cipher, "the archive key", onlyPadding.data(), 9), 7);
}
