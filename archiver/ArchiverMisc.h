#pragma once
// The archive format's records and shared types: flags, options, the header and
// entry records with their byte-exact serialisation, the block checksum, the
// temporary archive name, path shortening for dialogs, and the EArchiver family.
//
// Layout on disk (little-endian; ext80 = 10-byte x87 extended):
//   header  = Signature u32, Version i32, RandomID u32, BlockSize u32, EndOffset u32,
//             Segment u32 (low 16 bits used), ArchiveFlags u8, ArchiveInfo 24,
//             SegmentInfo 24, UserData 132, Reserved 64, comment length u32, comment
//   entry   = name length u32, name, Date ext80, Attr u32, Segment u16, Offset u32,
//             StartOffset u32, FileFlags u8, Size i32, CompressedSize i32,
//             SegmentSize i32, SegmentCompressedSize i32
//   block   = length i32 (< 0: stored plain), ~BlockChecksum u32, |length| payload bytes
// Every offset is relative to the archive start (0, or the length of an
// executable prefix). The used area ends at EndOffset; nothing past it is read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "rtl/AnsiString.h"
#include "rtl/Classes.h"
#include "rtl/Clock.h"
#include "rtl/Exceptions.h"

namespace archiver {

using rtl::AnsiString;

class TMessages;

// ---- constants of the format ----------------------------------------------

inline constexpr uint32_t DefaultSignature = 4664;  // 0x00001238
inline constexpr int32_t ArchiveVersion = 1;        // written; readers accept up to this
inline constexpr uint32_t HeaderFixedSize = 273;    // header without the comment bytes
inline constexpr uint32_t EntryFixedSize = 45;      // entry record without the name bytes
inline constexpr uint32_t BlockRecordHeaderSize = 8;
inline constexpr uint32_t DefaultBlockSize = 65536;
inline constexpr uint32_t MinBlockSize = 1024;
// Largest block size a reader accepts: each of its two block buffers is a
// little larger than this, so a corrupt header must not ask for gigabytes.
inline constexpr uint32_t MaxBlockSize = 64u << 20;

// ArchiveFlags (bits 5..7 are zero).
inline constexpr uint8_t afEncrypted = 0x01;     // every file added is enciphered; key kept while open
inline constexpr uint8_t afCompressed = 0x02;    // blocks are stored compressed when that is shorter
inline constexpr uint8_t afSolid = 0x04;         // the only entry holds a complete inner archive
inline constexpr uint8_t afReadOnly = 0x08;      // writing is refused
inline constexpr uint8_t afFinalSegment = 0x10;  // last segment; set in every unsegmented archive

// FileFlags (bits 4..7 are zero).
inline constexpr uint8_t ffFile = 0x01;
inline constexpr uint8_t ffFolder = 0x02;     // no data
inline constexpr uint8_t ffFinalPart = 0x04;  // the file's data ends in this record's part
inline constexpr uint8_t ffEncrypted = 0x08;

// ---- enumerations of the component ------------------------------------------

enum TOption : uint8_t {
  oStoreEmptyFolders,
  oShowEmptyFolders,
  oCreateReadOnly,
  oCreateSolidArchives,
  oCompress,
  oCrypt,
  oEraseFirstDisk,
  oEraseNewDisk,
  oConfirmFileDeletion,
  oEnumerateAfterOpen,
  oIncludeStartingDirectory,
  oRecurseFolders,
  oOpenSingleSegment,
  oRestorePath,
  oSecureAccess,
  oWriteSFXCode,
  oEncryptFiles,
  oMaintainFileDirectory,
  oNoSpanning,
  oShowBusyMessage,
  oDoNotUpdateFirstSegment,
};

// A set of TOption, 32 bits wide: bit n is option n.
class TOptions {
 public:
  constexpr TOptions() = default;
  constexpr TOptions(std::initializer_list<TOption> options) {
    for (TOption o : options) Include(o);
  }
  static constexpr TOptions FromBits(uint32_t bits) {
    TOptions s;
    s.FBits = bits;
    return s;
  }

  constexpr uint32_t Bits() const { return FBits; }
  constexpr bool Contains(TOption o) const { return (FBits & Bit(o)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TOptions& Include(TOption o) {
    FBits |= Bit(o);
    return *this;
  }
  constexpr TOptions& Exclude(TOption o) {
    FBits &= ~Bit(o);
    return *this;
  }

  // Union, difference and intersection, as for Pascal sets.
  friend constexpr TOptions operator+(TOptions a, TOptions b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TOptions operator-(TOptions a, TOptions b) { return FromBits(a.FBits & ~b.FBits); }
  friend constexpr TOptions operator*(TOptions a, TOptions b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr bool operator==(TOptions a, TOptions b) = default;

 private:
  static constexpr uint32_t Bit(TOption o) { return uint32_t{1} << static_cast<unsigned>(o); }
  uint32_t FBits = 0;
};

inline constexpr TOptions DefaultOptions{oStoreEmptyFolders, oCompress,      oEraseNewDisk,
                                         oConfirmFileDeletion, oRecurseFolders, oRestorePath,
                                         oSecureAccess,      oShowBusyMessage};

enum TErrorAction : uint8_t { eaContinue, eaAbort, eaAsk };
enum TRestoreAction : uint8_t { raOverwrite, raSkip, raUpdate, raAsk, raExistingOnly, raUpdateExisting };
enum TPathStorage : uint8_t { psNone, psWhole, psRelative };
enum TCompressionLevel : uint8_t { clMaximum, clNormal, clFast, clSuperFast, clNone };
enum TAddMode : uint8_t { amAdd, amAddAndReplace, amUpdate, amFreshen };
enum TLanguage : uint8_t {
  lgAutomatic,
  lgEnglish,
  lgFrench,
  lgChinese,    // traditional, code page 950
  lgChineseGB,  // simplified, code page 936
  lgPortuguese,
  lgGerman,
  lgItalian,
  lgRussian,  // code page 1251
  lgSpanish,
  lgDanish,
  lgDutch,
  lgCzech,  // code page 1250
};
inline constexpr int LanguageCount = lgCzech + 1;

// ---- records -----------------------------------------------------------------

// Totals of an archive or of one segment. On disk the two sizes are ext80; in
// memory they are long double, which holds every ext80 value exactly on x87
// hosts (and on hosts with a wider long double).
struct TArchiveInfo {
  uint32_t FileCount = 0;
  long double Size = 0;            // uncompressed bytes
  long double CompressedSize = 0;  // stored bytes, block headers included
};

// Application data kept in every header; the system writes zeros.
using TUserData = std::array<uint8_t, 132>;

struct TArchiveHeader {
  uint32_t Signature = 0;
  int32_t Version = 0;
  uint32_t RandomID = 0;  // tick count at creation; the same in every segment
  uint32_t BlockSize = 0;
  uint32_t EndOffset = 0;  // just past this segment's entry chain
  uint16_t Segment = 0;    // 1 for the first segment
  uint8_t ArchiveFlags = 0;
  TArchiveInfo ArchiveInfo;  // totals of the whole archive
  TArchiveInfo SegmentInfo;  // totals of this segment
  TUserData UserData{};
  std::array<uint8_t, 64> Reserved{};
  AnsiString Comment;

  uint32_t HeaderSize() const { return HeaderFixedSize + static_cast<uint32_t>(Comment.size()); }
  bool Has(uint8_t flag) const { return (ArchiveFlags & flag) != 0; }
};

struct TFileEntry {
  AnsiString Name;      // folder entries end in "\."
  rtl::TDateTime Date = 0;  // last write, local time
  uint32_t Attr = 0;
  uint16_t Segment = 0;       // segment current when the entry was added
  uint32_t Offset = 0;        // of this very record, relative to the archive start
  uint32_t StartOffset = 0;   // position in the file's content where this part begins
  uint8_t FileFlags = 0;
  int32_t Size = 0;
  int32_t CompressedSize = 0;         // over all parts written so far
  int32_t SegmentSize = 0;            // uncompressed bytes of this part
  int32_t SegmentCompressedSize = 0;  // length of the block records after this record

  uint32_t RecordSize() const { return EntryFixedSize + static_cast<uint32_t>(Name.size()); }
  bool Has(uint8_t flag) const { return (FileFlags & flag) != 0; }
};

// ---- serialisation -----------------------------------------------------------

// Reads and writes the records field by field at the stream's position.
// Short reads raise EReadError ("Stream read error"), as does a comment or
// name length that runs past the end of the stream (so a corrupt length never
// allocates more than the file holds). Neither checks the values read: see
// CheckHeader, and the component's own checks of records.
void ReadHeaderFields(rtl::TStream& stream, TArchiveHeader& header);
void WriteHeaderFields(rtl::TStream& stream, const TArchiveHeader& header);
void ReadEntryFields(rtl::TStream& stream, TFileEntry& entry);
void WriteEntryFields(rtl::TStream& stream, const TFileEntry& entry);

// The reader's checks of a header just read: a signature other than `signature`
// raises EArchiver with messages.BadSignature formatted with fileName; a Version
// above ArchiveVersion raises a plain rtl::Exception with messages.UnknownVersion;
// a BlockSize outside MinBlockSize..MaxBlockSize, which no writer produces,
// raises EArchiver with messages.BadSignature as well (the file is no archive of ours).
void CheckHeader(const TArchiveHeader& header, uint32_t signature, const AnsiString& fileName,
                 const TMessages& messages);

// A block buffer: grows to the largest size asked of it and is never filled
// in advance. Every byte of it is written before it is read, and the pages of
// a large buffer that a small archive never reaches cost nothing.
class TBlockBuffer {
 public:
  uint8_t* data() { return FData.get(); }
  const uint8_t* data() const { return FData.get(); }
  size_t size() const { return FSize; }
  uint8_t& operator[](size_t i) { return FData[i]; }
  uint8_t operator[](size_t i) const { return FData[i]; }
  // At least `size` bytes; what the buffer held is gone when it grows.
  void Reserve(size_t size) {
    if (size <= FSize) return;
    FData.reset();
    FData = std::make_unique_for_overwrite<uint8_t[]>(size);
    FSize = size;
  }
  void Free() {
    FData.reset();
    FSize = 0;
  }

 private:
  std::unique_ptr<uint8_t[]> FData;
  size_t FSize = 0;
};

// ---- block checksum ------------------------------------------------------------

// The checksum register over a block payload (start 0xFFFFFFFF), before the final
// complement. A block record stores ~BlockChecksum(payload): "abc" is stored as
// 0x932BC606, an empty payload as 0. It uses the reflected CRC-32 table
// (polynomial 0xEDB88320) but looks it up by byte offset into the table's
// little-endian image, not by entry, so it is not the standard CRC-32.
uint32_t BlockChecksum(const void* data, size_t length);
// The same for `count` payloads at once, faster than one by one: sums[i] =
// BlockChecksum(data[i], lengths[i]).
void BlockChecksums(const uint8_t* const data[], const size_t lengths[], uint32_t sums[], size_t count);

// ---- names ---------------------------------------------------------------------

// The first free name "<temp folder>~Archiv-<hex>.tmp" for a temporary archive
// (hex = tick count + attempt + 1, upper case). The temp folder is GetTempPath
// with a trailing backslash ("c:\" when the call fails). Raises rtl::Exception
// with `errorText` (CanNotBuildTempFileName) after 1001 names that all exist.
AnsiString BuildTempArchiveName(const AnsiString& errorText);

// A path shortened for a dialog line of about `maxLength` characters: whole when
// shorter, else with the middle folders replaced by "...\".
AnsiString ShortenPath(const AnsiString& path, int maxLength);

// A relative path whose ".." components lead above its starting folder
// (Windows takes "/" as a separator too).
bool ClimbsOut(const AnsiString& relative);

// ---- errors ----------------------------------------------------------------------

class EArchiver : public rtl::Exception {
 public:
  using Exception::Exception;
};
RTL_EXCEPTION(EArchiverUncompress, EArchiver);  // reading: a block does not decompress
RTL_EXCEPTION(EArchiverBadCRC, EArchiver);      // reading: checksum mismatch
RTL_EXCEPTION(EArchiverBadKey, EArchiver);      // reading: checksum mismatch of an enciphered block
RTL_EXCEPTION(EArchiverCompress, EArchiver);    // writing: a block does not compress

}  // namespace archiver
