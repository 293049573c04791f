// The built-in block codec: zlib one-shot compression and Blowfish blocks.

#include "archiver/BlockCodec.h"

#include <zlib.h>

#include <algorithm>

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
    if (inflateInit(&Z) != Z_OK) return nullptr;
    Inflates = true;
    return &Z;
  }
};

thread_local TThreadStream tlDeflate, tlInflate;

}  // namespace

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
  z_stream* z = tlInflate.Inflater();
  if (!z) return false;
  z->next_in = static_cast<Bytef*>(const_cast<void*>(src));
  z->avail_in = static_cast<uInt>(srcSize);
  z->next_out = static_cast<Bytef*>(dest);
  z->avail_out = static_cast<uInt>(destSize);
  if (inflate(z, Z_FINISH) != Z_STREAM_END) return false;
  destSize = static_cast<int32_t>(z->total_out);
  return true;
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
