// The built-in block codec: zlib one-shot compression and Blowfish blocks.

#include "archiver/BlockCodec.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "archiver/Blowunit.h"

namespace archiver {

int ZlibLevel(TCompressionLevel level) {
  switch (level) {
    case clMaximum: return 9;
    case clNormal: return Z_DEFAULT_COMPRESSION;
    case clFast: return 5;
    case clSuperFast: return 1;
    case clNone: return 0;
  }
  return Z_DEFAULT_COMPRESSION;
}

namespace {

// The zlib stream of each thread, kept from block to block: a reset codes
// exactly as a new stream does, without allocating its state again.
struct TThreadStream {
  z_stream Z{};
  bool Deflates = false, Inflates = false;
  int Level = 0;
  ~TThreadStream() { End(); }
  void End() {
    if (Deflates) deflateEnd(&Z);
    if (Inflates) inflateEnd(&Z);
    Deflates = Inflates = false;
    Z = z_stream{};
  }
  z_stream* Deflater(int level) {
    if (Deflates && Level == level) return deflateReset(&Z) == Z_OK ? &Z : nullptr;
    End();
    if (deflateInit(&Z, level) != Z_OK) return nullptr;
    Deflates = true;
    Level = level;
    return &Z;
  }
  z_stream* Inflater() {
    if (Inflates) return inflateReset(&Z) == Z_OK ? &Z : nullptr;
    End();
    if (inflateInit2(&Z, -MAX_WBITS) != Z_OK) return nullptr;
    Inflates = true;
    return &Z;
  }
};

thread_local TThreadStream tlDeflate, tlInflate;

}  // namespace

// Sixteen bytes at a time: for a run of blocks starting from (a, b), a gains
// the bytes' sum and b gains 16 a per block plus each byte weighted by 16
// down to 1 and the sums of the blocks before it. The lanes are folded and
// reduced every kMost bytes, before b's 32-bit lanes could overflow.
uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t length) {
#if defined(__SSE2__)
  constexpr uint32_t kBase = 65521;
  constexpr size_t kMost = 5552 / 16;  // blocks between reductions
  uint64_t a = adler & 0xFFFF, b = adler >> 16;
  const __m128i zero = _mm_setzero_si128();
  const __m128i weightsLow = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
  const __m128i weightsHigh = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
  while (length >= 16) {
    const size_t blocks = std::min(length / 16, kMost);
    length -= blocks * 16;
    __m128i sums = zero, before = zero, weighted = zero;
    for (size_t i = 0; i < blocks; ++i, data += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
      before = _mm_add_epi32(before, sums);
      sums = _mm_add_epi32(sums, _mm_sad_epu8(v, zero));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weightsLow));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weightsHigh));
    }
    uint32_t lanes[3][4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes[0]), sums);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes[1]), before);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes[2]), weighted);
    uint64_t folded[3] = {};
    for (int k = 0; k < 3; ++k)
      for (uint32_t lane : lanes[k]) folded[k] += lane;
    b += 16 * blocks * a + 16 * folded[1] + folded[2];
    a += folded[0];
    a %= kBase;
    b %= kBase;
  }
  for (; length > 0; --length) {
    a += *data++;
    b += a;
  }
  return static_cast<uint32_t>((b % kBase) << 16 | (a % kBase));
#else
  for (size_t done = 0; done < length;) {
    const uInt n = static_cast<uInt>(std::min<size_t>(length - done, 1u << 30));
    adler = static_cast<uint32_t>(adler32(adler, data + done, n));
    done += n;
  }
  return adler;
#endif
}

bool ZlibCompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize, int level) {
  if (destSize < 0 || srcSize < 0) return false;
  z_stream* z = tlDeflate.Deflater(level);
  if (!z) return false;
  z->next_in = static_cast<Bytef*>(const_cast<void*>(src));
  z->avail_in = static_cast<uInt>(srcSize);
  z->next_out = static_cast<Bytef*>(dest);
  z->avail_out = static_cast<uInt>(destSize);
  if (deflate(z, Z_FINISH) != Z_STREAM_END) return false;
  destSize = static_cast<int32_t>(z->total_out);
  return true;
}

bool ZlibUncompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize) {
  if (destSize < 0 || srcSize < 0) return false;
  // The stream's header and its trailing Adler-32 are read here, so that
  // the sum is taken by the faster routine above; zlib inflates the rest.
  const auto* in = static_cast<const uint8_t*>(src);
  if (srcSize < 2) return false;
  const unsigned method = in[0], flags = in[1];
  if ((method & 0x0F) != Z_DEFLATED || (method >> 4) > 7 || (method << 8 | flags) % 31 != 0) return false;
  if (flags & 0x20) return false;  // a preset dictionary, which no block has
  z_stream* z = tlInflate.Inflater();
  if (!z) return false;
  z->next_in = const_cast<Bytef*>(in + 2);
  z->avail_in = static_cast<uInt>(srcSize - 2);
  z->next_out = static_cast<Bytef*>(dest);
  z->avail_out = static_cast<uInt>(destSize);
  if (inflate(z, Z_FINISH) != Z_STREAM_END || z->avail_in < 4) return false;
  const uint8_t* trailer = z->next_in;
  const uint32_t stored = uint32_t{trailer[0]} << 24 | uint32_t{trailer[1]} << 16 | uint32_t{trailer[2]} << 8 | trailer[3];
  destSize = static_cast<int32_t>(z->total_out);
  return Adler32(1, static_cast<const uint8_t*>(dest), static_cast<size_t>(destSize)) == stored;
}

namespace {

// ECB over `length` bytes in place, in pieces the cipher takes at once; only
// the first piece builds the key schedule.
void RunEcb(TBlowFish& cipher, const AnsiString& key, uint8_t* data, int32_t length, bool encipher) {
  cipher.SetKey(key);
  cipher.SetInputType(SourceByteArray);
  cipher.SetCipherMode(ECBMode);
  for (int32_t pos = 0; pos < length; pos += TCrypto::MaxInputLength) {
    cipher.InputPointer = data + pos;
    cipher.OutputPointer = data + pos;
    cipher.SetInputLength(static_cast<uint16_t>(std::min<int32_t>(TCrypto::MaxInputLength, length - pos)));
    if (encipher)
      cipher.Encipher(pos > 0);
    else
      cipher.Decipher(pos > 0);
  }
}

}  // namespace

int32_t BlowfishEncipherBlock(TBlowFish& cipher, const AnsiString& key, uint8_t* block, int32_t n) {
  const int32_t padded = EncipheredLength(n) - 1;
  RunEcb(cipher, key, block, padded, true);
  block[padded] = static_cast<uint8_t>(padded - n);
  return padded + 1;
}

int32_t BlowfishDecipherBlock(TBlowFish& cipher, const AnsiString& key, uint8_t* block, int32_t length) {
  if (length < 1 || (length - 1) % 8 != 0) return -1;
  const int32_t padding = block[length - 1];
  if (padding > 7 || padding > length - 1) return -1;
  RunEcb(cipher, key, block, length - 1, false);
  return length - 1 - padding;
}

}  // namespace archiver
