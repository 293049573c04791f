// The archive format's records, checksum and names.

#include "archiver/ArchiverMisc.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "archiver/Messages.h"
#include "platform/WinApi.h"
#include "rtl/Ext80.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace archiver {

namespace {

// ---- little-endian fields in a byte buffer ----

class TWriter {
 public:
  explicit TWriter(uint8_t* p) : FP(p) {}
  void U8(uint8_t v) { *FP++ = v; }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Ext(const rtl::TExtended80& v) { Bytes(v.Bytes, sizeof v.Bytes); }
  void Bytes(const void* p, size_t n) {
    std::memcpy(FP, p, n);
    FP += n;
  }

 private:
  uint8_t* FP;
};

class TReader {
 public:
  explicit TReader(const uint8_t* p) : FP(p) {}
  uint8_t U8() { return *FP++; }
  uint16_t U16() {
    uint16_t lo = U8();
    return static_cast<uint16_t>(lo | (U8() << 8));
  }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | (static_cast<uint32_t>(U16()) << 16);
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  rtl::TExtended80 Ext() {
    rtl::TExtended80 v;
    Bytes(v.Bytes, sizeof v.Bytes);
    return v;
  }
  void Bytes(void* p, size_t n) {
    std::memcpy(p, FP, n);
    FP += n;
  }

 private:
  const uint8_t* FP;
};

constexpr size_t kInfoSize = 24;
constexpr size_t kNameLengthSize = 4;
constexpr size_t kEntryFieldsSize = EntryFixedSize - kNameLengthSize;  // after the name

void WriteInfo(TWriter& w, const TArchiveInfo& info) {
  w.U32(info.FileCount);
  w.Ext(rtl::ToExt80(info.Size));
  w.Ext(rtl::ToExt80(info.CompressedSize));
}

TArchiveInfo ReadInfo(TReader& r) {
  TArchiveInfo info;
  info.FileCount = r.U32();
  info.Size = rtl::FromExt80(r.Ext());
  info.CompressedSize = rtl::FromExt80(r.Ext());
  return info;
}

// Reads a string of `length` bytes. A length that runs past the end of the
// stream is a truncated file; checking it first keeps a corrupt length from
// allocating more than the file holds. Short strings need no check: the read
// itself fails.
void ReadString(rtl::TStream& stream, uint32_t length, AnsiString& s) {
  constexpr uint32_t kAlwaysFine = 4096;
  if (length > kAlwaysFine && length > stream.Size() - stream.Position())
    throw rtl::EReadError("Stream read error");
  s.resize(length);
  if (length > 0) stream.ReadBuffer(s.data(), static_cast<int32_t>(length));
}

}  // namespace

// ---- serialisation ----

void ReadHeaderFields(rtl::TStream& stream, TArchiveHeader& header) {
  uint8_t buf[HeaderFixedSize];
  stream.ReadBuffer(buf, sizeof buf);
  TReader r(buf);
  header.Signature = r.U32();
  header.Version = r.I32();
  header.RandomID = r.U32();
  header.BlockSize = r.U32();
  header.EndOffset = r.U32();
  header.Segment = static_cast<uint16_t>(r.U32());  // only the low 16 bits count
  header.ArchiveFlags = r.U8();
  header.ArchiveInfo = ReadInfo(r);
  header.SegmentInfo = ReadInfo(r);
  r.Bytes(header.UserData.data(), header.UserData.size());
  r.Bytes(header.Reserved.data(), header.Reserved.size());
  ReadString(stream, r.U32(), header.Comment);
}

void WriteHeaderFields(rtl::TStream& stream, const TArchiveHeader& header) {
  uint8_t buf[HeaderFixedSize];
  TWriter w(buf);
  w.U32(header.Signature);
  w.I32(header.Version);
  w.U32(header.RandomID);
  w.U32(header.BlockSize);
  w.U32(header.EndOffset);
  w.U32(header.Segment);  // zero-extended
  w.U8(header.ArchiveFlags);
  WriteInfo(w, header.ArchiveInfo);
  WriteInfo(w, header.SegmentInfo);
  w.Bytes(header.UserData.data(), header.UserData.size());
  w.Bytes(header.Reserved.data(), header.Reserved.size());
  w.U32(static_cast<uint32_t>(header.Comment.size()));
  stream.WriteBuffer(buf, sizeof buf);
  if (!header.Comment.empty())
    stream.WriteBuffer(header.Comment.data(), static_cast<int32_t>(header.Comment.size()));
}

void ReadEntryFields(rtl::TStream& stream, TFileEntry& entry) {
  uint8_t buf[kEntryFieldsSize];
  stream.ReadBuffer(buf, kNameLengthSize);
  ReadString(stream, TReader(buf).U32(), entry.Name);
  stream.ReadBuffer(buf, sizeof buf);
  TReader r(buf);
  entry.Date = rtl::DoubleFromExt80(r.Ext());
  entry.Attr = r.U32();
  entry.Segment = r.U16();
  entry.Offset = r.U32();
  entry.StartOffset = r.U32();
  entry.FileFlags = r.U8();
  entry.Size = r.I32();
  entry.CompressedSize = r.I32();
  entry.SegmentSize = r.I32();
  entry.SegmentCompressedSize = r.I32();
}

void WriteEntryFields(rtl::TStream& stream, const TFileEntry& entry) {
  // The record goes out in one write: length, name, fields.
  std::vector<uint8_t> buf(kNameLengthSize + entry.Name.size() + kEntryFieldsSize);
  TWriter w(buf.data());
  w.U32(static_cast<uint32_t>(entry.Name.size()));
  w.Bytes(entry.Name.data(), entry.Name.size());
  w.Ext(rtl::ToExt80(entry.Date));
  w.U32(entry.Attr);
  w.U16(entry.Segment);
  w.U32(entry.Offset);
  w.U32(entry.StartOffset);
  w.U8(entry.FileFlags);
  w.I32(entry.Size);
  w.I32(entry.CompressedSize);
  w.I32(entry.SegmentSize);
  w.I32(entry.SegmentCompressedSize);
  stream.WriteBuffer(buf.data(), static_cast<int32_t>(buf.size()));
}

void CheckHeader(const TArchiveHeader& header, uint32_t signature, const AnsiString& fileName,
                 const TMessages& messages) {
  if (header.Signature != signature) throw EArchiver(rtl::Format(messages.BadSignature(), {fileName}));
  if (header.Version > ArchiveVersion) throw rtl::Exception(messages.UnknownVersion());
  if (header.BlockSize < MinBlockSize || header.BlockSize > MaxBlockSize)
    throw EArchiver(rtl::Format(messages.BadSignature(), {fileName}));
}

// ---- block checksum ----

namespace {

struct TChecksumTable {
  uint32_t Word[256];
};

// The reflected CRC-32 table, then for each i the little-endian word at byte
// offset i of its 1024-byte image: the lookup the format uses.
constexpr TChecksumTable MakeChecksumTable() {
  uint32_t crc[256] = {};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    crc[n] = c;
  }
  auto imageByte = [&crc](uint32_t offset) { return (crc[offset / 4] >> (8 * (offset % 4))) & 0xFF; };
  TChecksumTable t{};
  for (uint32_t i = 0; i < 256; ++i)
    t.Word[i] = imageByte(i) | imageByte(i + 1) << 8 | imageByte(i + 2) << 16 | imageByte(i + 3) << 24;
  return t;
}

constexpr TChecksumTable kChecksumTable = MakeChecksumTable();

// The table is not linear in its index (a word straddles two entries), so no
// several-bytes-at-once table exists: the checksum is a chain of dependent
// lookups, and its speed is the delay from one index to the next. Plainly
// that is a load, two XORs and a mask per byte. Here the index travels as the
// address of its entry: entry i holds the address of entry (low byte of
// Word[i]), and the next address is that load XOR the rest of the next index
// (input byte and register, ready beforehand) -- one load and one XOR per
// byte. The word itself is read from the same address, off the chain.
// One entry is a pointer wide. Entry i holds the address of entry
// (Word[i] & 0xFF) in [0, 256), and Word[i] itself in [256 + i]. The table
// starts on a multiple of 256 entries, so an entry's address is the table's
// address OR (index << kEntryShift), and XOR on it changes only the index.
constexpr unsigned kEntryShift = sizeof(uintptr_t) == 8 ? 3 : 2;
static_assert(sizeof(uintptr_t) == (size_t{1} << kEntryShift));

// Filled in place: the entries hold the table's own addresses. The alignment
// is made by hand inside a larger array: not every toolchain honours a large
// alignas on a static (PE images among them).
const uintptr_t* ChecksumChain() {
  static uintptr_t storage[512 + 256];
  static const uintptr_t* const entry = [] {
    constexpr uintptr_t align = uintptr_t{256} << kEntryShift;
    const uintptr_t raw = reinterpret_cast<uintptr_t>(storage);
    auto* e = reinterpret_cast<uintptr_t*>((raw + align - 1) & ~(align - 1));
    const uintptr_t base = reinterpret_cast<uintptr_t>(e);
    for (int i = 0; i < 256; ++i) {
      e[i] = base | uintptr_t{kChecksumTable.Word[i] & 0xFFu} << kEntryShift;
      e[256 + i] = kChecksumTable.Word[i];
    }
    return e;
  }();
  return entry;
}

// Advances N chains (N <= 4) by `steps` bytes each (steps >= 1): each lane's
// register and data pointer in and out. One chain leaves the processor
// waiting on each lookup; side by side, the chains fill those waits.
template <int N>
void AdvanceChains(uint32_t reg[], const uint8_t* p[], size_t steps) {
  const uintptr_t base = reinterpret_cast<uintptr_t>(ChecksumChain());
  // reg(k+1) = (reg(k) >> 8) ^ Word[index(k)], index(k) = (reg(k) ^ p[k]) & 0xFF.
  uintptr_t at[N];
#pragma GCC unroll 4
  for (int j = 0; j < N; ++j) at[j] = base | uintptr_t{(reg[j] ^ p[j][0]) & 0xFF} << kEntryShift;
  for (size_t i = 1; i < steps; ++i) {
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
      const auto* entry = reinterpret_cast<const uintptr_t*>(at[j]);
      const uintptr_t rest = uintptr_t{((reg[j] >> 8) ^ p[j][i]) & 0xFF} << kEntryShift;
      reg[j] = (reg[j] >> 8) ^ static_cast<uint32_t>(entry[256]);
      at[j] = entry[0] ^ rest;
    }
  }
#pragma GCC unroll 4
  for (int j = 0; j < N; ++j) {
    reg[j] = (reg[j] >> 8) ^ static_cast<uint32_t>(reinterpret_cast<const uintptr_t*>(at[j])[256]);
    p[j] += steps;
  }
}

}  // namespace

uint32_t BlockChecksum(const void* data, size_t length) {
  uint32_t reg[1] = {0xFFFFFFFFu};
  const uint8_t* p[1] = {static_cast<const uint8_t*>(data)};
  if (length > 0) AdvanceChains<1>(reg, p, length);
  return reg[0];
}

void BlockChecksums(const uint8_t* const data[], const size_t lengths[], uint32_t sums[], size_t count) {
  constexpr int kLanes = 4;
  size_t job[kLanes], left[kLanes];
  uint32_t reg[kLanes];
  const uint8_t* p[kLanes];
  int active = 0;
  size_t next = 0;
  for (;;) {
    while (active < kLanes && next < count) {
      if (lengths[next] == 0) {
        sums[next++] = 0xFFFFFFFFu;
        continue;
      }
      job[active] = next;
      p[active] = data[next];
      left[active] = lengths[next];
      reg[active] = 0xFFFFFFFFu;
      ++active;
      ++next;
    }
    if (active == 0) return;
    // All lanes run to the end of the shortest; a finished lane takes the next payload.
    size_t steps = left[0];
    for (int j = 1; j < active; ++j) steps = std::min(steps, left[j]);
    switch (active) {
      case 4: AdvanceChains<4>(reg, p, steps); break;
      case 3: AdvanceChains<3>(reg, p, steps); break;
      case 2: AdvanceChains<2>(reg, p, steps); break;
      default: AdvanceChains<1>(reg, p, steps); break;
    }
    for (int j = active - 1; j >= 0; --j) {
      left[j] -= steps;
      if (left[j] > 0) continue;
      sums[job[j]] = reg[j];
      --active;
      job[j] = job[active];
      left[j] = left[active];
      reg[j] = reg[active];
      p[j] = p[active];
    }
  }
}

// ---- names ----

AnsiString BuildTempArchiveName(const AnsiString& errorText) {
  constexpr platform::DWORD kMaxPath = 260;
  auto& api = platform::Api();
  AnsiString folder;
  const platform::DWORD n = api.GetTempPathA(kMaxPath, folder);
  folder = (n == 0 || n > kMaxPath) ? AnsiString("c:\\") : rtl::IncludeTrailingBackslash(folder);
  const uint32_t tick = rtl::Clock().TickCount();
  for (uint32_t i = 0; i <= 1000; ++i) {
    AnsiString name = folder + "~Archiv-" + rtl::IntToHex(static_cast<uint32_t>(tick + i + 1), 1) + ".tmp";
    // A folder of that name is as much in the way as a file.
    if (api.GetFileAttributesA(name) == platform::INVALID_FILE_ATTRIBUTES) return name;
  }
  throw rtl::Exception(errorText);
}

bool ClimbsOut(const AnsiString& relative) {
  int depth = 0;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find_first_of("\\/", start);
    if (end == AnsiString::npos) end = relative.size();
    std::string_view part(relative.data() + start, end - start);
    if (part == "..") {
      if (--depth < 0) return true;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return false;
}

AnsiString ShortenPath(const AnsiString& path, int maxLength) {
  const size_t limit = static_cast<size_t>(maxLength);
  if (path.size() < limit) return path;

  AnsiString drive = rtl::ExtractFileDrive(path);
  const AnsiString name = rtl::ExtractFileName(path);
  const AnsiString dir = rtl::ExtractFilePath(path);
  AnsiString folder = dir.substr(std::min(drive.size(), dir.size()));
  if (!drive.empty()) drive = rtl::IncludeTrailingBackslash(drive);
  while (!folder.empty() && folder.front() == '\\') folder.erase(0, 1);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();

  if (name.size() > limit) return name.substr(0, limit >= 3 ? limit - 3 : 0) + "...";

  AnsiString first, last;
  const size_t firstSlash = folder.find('\\');
  if (firstSlash != AnsiString::npos) {
    first = folder.substr(0, firstSlash + 1);
    last = folder.substr(folder.rfind('\\') + 1) + "\\";
  }
  const AnsiString dots = "...\\";
  for (const AnsiString& candidate : {drive + first + dots + last + name, drive + dots + last + name,
                                      drive + first + dots + name})
    if (candidate.size() < limit) return candidate;
  return drive + dots + name;
}

}  // namespace archiver
