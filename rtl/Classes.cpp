// The abstract stream's exact transfers and the memory stream.

#include "rtl/Classes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace rtl {

namespace {

// Chunk size of CopyFrom.
constexpr int32_t kCopyBufferSize = 0xF000;
// A memory stream holds at most what a 32-bit position can address.
constexpr int64_t kMaxMemoryStreamSize = std::numeric_limits<int32_t>::max();

}  // namespace

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) throw EReadError("Stream read error");
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> buffer(static_cast<std::size_t>(std::min<int64_t>(count, kCopyBufferSize)));
  for (int64_t left = count; left > 0;) {
    auto n = static_cast<int32_t>(std::min<int64_t>(left, kCopyBufferSize));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  int64_t available = Size() - FPosition;
  if (count <= 0 || available <= 0) return 0;
  auto n = static_cast<int32_t>(std::min<int64_t>(available, count));
  std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int64_t end = FPosition + count;
  if (end > kMaxMemoryStreamSize) return 0;
  if (end > Size()) {
    try {
      FData.resize(static_cast<std::size_t>(end));  // a gap after a seek past the end reads as zeros
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }
  std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
  FPosition = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? FPosition : Size();
  // A position before the start (or past what the stream can hold) is refused,
  // as the file system refuses it: -1, and the position stays.
  if ((offset < 0 && base + offset < 0) || (offset > 0 && offset > kMaxMemoryStreamSize - base)) return -1;
  FPosition = base + offset;
  return FPosition;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0 || newSize > kMaxMemoryStreamSize)
    throw EStreamError("Out of memory while expanding memory stream");
  try {
    FData.resize(static_cast<std::size_t>(newSize));
  } catch (const std::bad_alloc&) {
    throw EStreamError("Out of memory while expanding memory stream");
  }
  if (FPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPosition = 0;
}

}  // namespace rtl
