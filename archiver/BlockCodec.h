#pragma once
// The built-in block codec of TArchiver: one-shot zlib compression and
// decompression of a block, and Blowfish enciphering of a block payload with
// its padding-count byte. The component decides what to call; these only code.

#include <cstdint>

#include "archiver/ArchiverMisc.h"

namespace archiver {

class TBlowFish;

// Room of each of the two block buffers for a header's BlockSize: BlockSize +
// BlockSize div 100 (65536 gives 66191). It holds a stored block of up to
// BlockSize + 7 bytes once enciphered, since BlockSize is at least 1024.
constexpr uint32_t BlockBufferSize(uint32_t blockSize) { return blockSize + blockSize / 100; }

// The zlib level of a compression level: 9, -1 (zlib's default, 6), 5, 1, 0.
int ZlibLevel(TCompressionLevel level);

// The whole source as one zlib stream (RFC 1950), like compress2: deflateInit
// with `level` (15-bit window, memory level 8, default strategy), one deflate
// with Z_FINISH into destSize bytes of room. True only when the stream ended;
// destSize is then its length. Too little room is a failure.
bool ZlibCompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize, int level);
// One zlib stream back, like uncompress: one inflate with Z_FINISH into destSize
// bytes of room, the Adler-32 trailer checked. True only when the stream ended
// within the room; destSize is then the decompressed length.
bool ZlibUncompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize);

// zlib's adler32(adler, data, length), the same value, faster where the
// processor has vector instructions.
uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t length);

// Length of an n-byte payload once enciphered: n padded to a multiple of 8,
// plus one byte holding the padding count.
constexpr int32_t EncipheredLength(int32_t n) { return n + (8 - n % 8) % 8 + 1; }

// Enciphers the n-byte payload at `block` in place with Blowfish in ECB mode
// under `key` (the key schedule is built once for the block), and appends the
// padding count. `block` needs EncipheredLength(n) bytes of room; the padding
// bytes are enciphered as they lie. Returns EncipheredLength(n).
int32_t BlowfishEncipherBlock(TBlowFish& cipher, const AnsiString& key, uint8_t* block, int32_t n);
// The inverse: deciphers the first length - 1 bytes in place and returns the
// plain length (length - 1 - padding count). A wrong key is not noticed here
// (the checksum shows it); a length that no enciphering gives (below 1, not
// 8k + 1, or a padding count above 7) returns -1 and leaves the bytes as they are.
int32_t BlowfishDecipherBlock(TBlowFish& cipher, const AnsiString& key, uint8_t* block, int32_t length);

}  // namespace archiver
