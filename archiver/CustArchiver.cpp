// Writing archives: creation, AddFile, SetComment, solid rebuild at Close.

#include "archiver/CustArchiver.h"

#include <algorithm>
#include <climits>
#include <exception>

#include "archiver/BlockCodec.h"
#include "platform/Drives.h"
#include "platform/FileStream.h"
#include "platform/Files.h"
#include "rtl/DateUtils.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace archiver {

namespace {

void WriteLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

bool IsFolderName(const AnsiString& fileName) { return rtl::ExtractFileName(fileName) == "."; }

bool IsExeName(const AnsiString& fileName) { return rtl::UpperCase(rtl::ExtractFileExt(fileName)) == ".EXE"; }

// A file's size, attributes and last-write date (as FileAge gives it) from
// one look-up; false when no file of that name is there.
bool SourceFileFacts(const AnsiString& fileName, int64_t& size, uint32_t& attr, rtl::TDateTime& date) {
  if (fileName.find_first_of("*?") != AnsiString::npos) return false;
  platform::WIN32_FIND_DATAA data;
  platform::HANDLE h = platform::Api().FindFirstFileA(fileName, data);
  if (h == platform::INVALID_HANDLE_VALUE) return false;
  platform::Api().FindClose(h);
  if (data.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) return false;
  size = static_cast<int64_t>(data.nFileSize);
  attr = data.dwFileAttributes;
  date = 0;
  platform::FILETIME local;
  platform::WORD dosDate, dosTime;
  if (platform::Api().FileTimeToLocalFileTime(data.ftLastWriteTime, local) &&
      platform::FileTimeToDosDateTime(local, dosDate, dosTime))
    rtl::TryFileDateToDateTime(static_cast<int32_t>((uint32_t{dosDate} << 16) | dosTime), date);
  return true;
}

// Bytes in the files of a folder (and of its subfolders when asked).
int64_t BytesInFolder(const AnsiString& folder, bool recurse) {
  int64_t total = 0;
  platform::WIN32_FIND_DATAA data;
  platform::HANDLE h = platform::Api().FindFirstFileA(folder + "*.*", data);
  if (h == platform::INVALID_HANDLE_VALUE) return 0;
  do {
    if (data.cFileName == "." || data.cFileName == "..") continue;
    if (data.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) {
      if (recurse) total += BytesInFolder(folder + data.cFileName + "\\", true);
    } else {
      total += data.nFileSize;
    }
  } while (platform::Api().FindNextFileA(h, data));
  platform::Api().FindClose(h);
  return total;
}

// Deletes everything inside a folder (read-only and hidden files too); stops
// at the first entry that cannot go and returns false.
bool EmptyFolder(const AnsiString& folder) {
  std::vector<std::pair<AnsiString, bool>> entries;
  platform::WIN32_FIND_DATAA data;
  platform::HANDLE h = platform::Api().FindFirstFileA(folder + "*.*", data);
  if (h != platform::INVALID_HANDLE_VALUE) {
    do {
      if (data.cFileName == "." || data.cFileName == "..") continue;
      entries.emplace_back(folder + data.cFileName, (data.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (platform::Api().FindNextFileA(h, data));
    platform::Api().FindClose(h);
  }
  for (const auto& [path, isFolder] : entries) {
    if (isFolder) {
      if (!EmptyFolder(path + "\\") || !platform::Api().RemoveDirectoryA(path)) return false;
    } else {
      int32_t attr = platform::FileGetAttr(path);
      if (attr != -1)
        platform::FileSetAttr(path, static_cast<platform::DWORD>(attr) &
                                        ~(platform::FILE_ATTRIBUTE_READONLY | platform::FILE_ATTRIBUTE_HIDDEN));
      if (!platform::DeleteFile(path)) return false;
    }
  }
  return true;
}

// Size and DOS date of a file (size -1 when it is not there): enough to
// tell a disk's segment file from another.
struct TFileMark {
  int64_t Size = -1;
  int32_t Date = -1;
  bool operator==(const TFileMark&) const = default;
};

TFileMark MarkOf(const AnsiString& path) {
  TFileMark mark;
  platform::WIN32_FIND_DATAA data;
  platform::HANDLE h = platform::Api().FindFirstFileA(path, data);
  if (h == platform::INVALID_HANDLE_VALUE) return mark;
  platform::Api().FindClose(h);
  mark.Size = data.nFileSize;
  mark.Date = platform::FileAge(path);
  return mark;
}

// Largest stored overhead of one block: its record header and the enciphering's
// padding and count byte.
constexpr int64_t kBlockOverhead = BlockRecordHeaderSize + 8;

}  // namespace

// How the blocks of a file are coded: what a batch needs on any thread.
struct TCustomArchiver::TCodeParams {
  int Batch = 1;           // blocks read and coded together
  int64_t Stride1 = 0;     // room of a block in each layout
  int64_t Stride2 = 0;
  int64_t Room = 0;        // the block buffer's room
  bool HandlerRoom = false;  // a handler compresses: it gets the whole room
  uint32_t BlockSize = 0;
  int Level = 0;
  bool Compressed = false;
  bool Encrypted = false;
  AnsiString Key;  // not empty: the coder enciphers
  AnsiString CompressFailed;
  // A compressor writes at most a little over its input; only that much of
  // the room has to exist.
  int64_t CompressRoom(int64_t n) const { return HandlerRoom ? Room : std::min<int64_t>(Room, n + n / 100 + 1024); }
};

// Blocks of a file are read, coded and written a few at a time.
struct TCustomArchiver::TWriteBatch {
  static constexpr int kMost = 4;
  struct TBlock {
    int64_t SourcePosition;
    int32_t N;
    uint8_t* Payload;
    int32_t Length;
    bool Stored;
  };
  TBlock Blocks[kMost];
  uint32_t Sums[kMost];
  int Count = 0;            // blocks read, then blocks coded
  bool Enciphered = false;  // by the coder that coded them
  std::exception_ptr Failure;  // what ended the batch after its Count blocks
  uint8_t* Plain = nullptr;    // Batch strides of each layout
  uint8_t* Packed = nullptr;
  TCodeParams Params;
  TBlockWorkers::TTask Task;
};

// A file named by PlanFiles. Its blocks go into the pipeline's ring in the
// files' order, so the oldest batch in the ring is always one of the first
// file that still has any.
struct TCustomArchiver::TPlannedFile {
  AnsiString Name;
  bool LookedUp = false;
  std::unique_ptr<platform::TFileStream> Owned;  // opened for reading ahead
  rtl::TStream* Source = nullptr;                // none: nothing is read ahead
  int64_t Size = 0;
  uint16_t Mode = 0;  // the mode it was opened with
  int64_t ReadAt = 0;
  bool Ended = false;  // a read failed; its last batch carries the failure
  size_t Batches = 0;  // in the ring
  TCodeParams Params;
  bool AllRead() const { return LookedUp && (!Source || Ended || ReadAt >= Size); }
};

struct TCustomArchiver::TPipeline {
  std::deque<TPlannedFile> Files;  // the first is the next to add
  std::vector<TWriteBatch> Ring;
  std::vector<std::vector<uint8_t>> Buffers;
  size_t Posted = 0, Taken = 0;
  int64_t Stride1 = 0, Stride2 = 0;
  int Batch = 0;
};

TCustomArchiver::TCustomArchiver(rtl::TComponent* owner)
    : TCustomArchiver(owner, std::make_unique<TArchMessages>()) {}

TCustomArchiver::TCustomArchiver(rtl::TComponent* owner, std::unique_ptr<TMessages> messages)
    : TCustomExtractor(owner, std::move(messages)) {}

TCustomArchiver::~TCustomArchiver() {
  CloseOnDestroy();
  DropPlan();
}

void TCustomArchiver::SetMaxSegmentSize(int32_t value) {
  if (value > 0 && static_cast<int64_t>(value) < 3 * static_cast<int64_t>(BlockSize()))
    RaiseArchiver(ArchMessages().MaxSegmentSizeTooSmall());
  FMaxSegmentSize = value;
}

uint16_t TCustomArchiver::GetOpenMode() const { return platform::fmOpenReadWrite | platform::fmShareDenyWrite; }

// ---- creating ---------------------------------------------------------------------

void TCustomArchiver::CreateArchive() {
  SetOptions(Options() - TOptions{oOpenSingleSegment});
  FHeader = TArchiveHeader{};
  if (OnRemovableDrive()) AskForNewDisk(1);
  FHeader.Segment = 1;
  FHeader.BlockSize = static_cast<uint32_t>(BlockSize());
  FHeader.Version = ArchiveVersion;
  FHeader.RandomID = rtl::Clock().TickCount();
  FHeader.ArchiveFlags = afFinalSegment;
  if (Options().Contains(oCompress)) FHeader.ArchiveFlags |= afCompressed;
  if (Options().Contains(oCreateSolidArchives)) FHeader.ArchiveFlags |= afSolid;
  if (Options().Contains(oCrypt)) {
    EnterCryptKey();
    FHeader.ArchiveFlags |= afEncrypted;
  }
  FHeader.EndOffset = GetHeaderSize();

  CloseStream();
  AnsiString folder = rtl::ExtractFileDir(FileName());
  if (folder.empty()) throw rtl::Exception(FMessages->CannotCreateDir());
  platform::ForceDirectories(folder);
  CheckSFXPrefix(FileName());
  try {
    FStream = std::make_unique<platform::TFileStream>(FileName(), platform::fmCreate);
  } catch (const rtl::EStreamError&) {
    RaiseArchiver(rtl::Format(FMessages->CannotCreateFile(), {FileName()}));
  }
  FReadOnly = false;
  FWritable = true;
  WriteHeader();
  if (Options().Contains(oWriteSFXCode) || IsExeName(FileName())) {
    WriteSFXCode();
    WriteHeader();
  }
}

void TCustomArchiver::WriteSFXCode() {
  FStream->Seek(0, rtl::soBeginning);
  if (SFXGenerator())
    SFXGenerator()->WriteCode(*FStream);
  else if (OnWriteSFXCode)
    OnWriteSFXCode(this, *FStream);
}

void TCustomArchiver::AfterHeaderUpdate() {
  if (SFXGenerator() && IsExeName(FileName())) SFXGenerator()->UpdateTag(*FStream);
  TArchiverRoot::AfterHeaderUpdate();
}

// ---- names -----------------------------------------------------------------------

AnsiString TCustomArchiver::StoredName(const AnsiString& fileName) const {
  AnsiString name = rtl::ExtractFileName(fileName);
  switch (FPathStorage) {
    case psNone:
      return name;
    case psWhole:
      return fileName;
    case psRelative:
      break;
  }
  if (FStartingFolder.empty()) return name;
  AnsiString base = FStartingFolder;
  if (Options().Contains(oIncludeStartingDirectory)) {
    base = rtl::ExcludeTrailingBackslash(base);
    size_t slash = base.rfind('\\');
    if (slash == AnsiString::npos) return base + "\\" + name;
    base.resize(slash + 1);
  }
  if (fileName.size() >= base.size() && rtl::AnsiSameText(std::string_view(fileName).substr(0, base.size()), base))
    return fileName.substr(base.size());
  return fileName;
}

// ---- adding ----------------------------------------------------------------------

bool TCustomArchiver::AddFile(const AnsiString& fileName) {
  bool found = true;
  RunOperation(opAdding, [&] {
    EnsureOpen();
    if (FReadOnly || FHeader.Has(afReadOnly)) RaiseArchiver(FMessages->ArchiveIsReadOnly());
    bool folder = IsFolderName(fileName);
    // A file added as planned takes what was read ahead of it; any other drops the plan.
    TPlannedFile* planned = nullptr;
    if (!folder) {
      if (PipelineWorkers())
        planned = TakePlanned(fileName);
      else
        DropPlan();
    }
    struct TPlannedScope {
      TCustomArchiver& Owner;
      TPlannedFile*& File;
      ~TPlannedScope() {
        if (File && Owner.FPipeline && !Owner.FPipeline->Files.empty() && &Owner.FPipeline->Files.front() == File)
          Owner.DropFirstPlanned();
      }
    } plannedScope{*this, planned};
    int64_t size = 0;
    uint32_t attr = 0;
    rtl::TDateTime date = 0;
    if (folder) {
      int32_t folderAttr = platform::FileGetAttr(fileName);
      attr = folderAttr == -1 ? 0 : static_cast<uint32_t>(folderAttr);
    } else if (!SourceFileFacts(fileName, size, attr, date)) {
      found = false;
      return;
    }
    MoveToLastSegment();
    // Appended to, an archive cut short would have a gap of nothing before the new entry.
    if (FCutAt != INT64_MAX) throw rtl::EReadError("Stream read error");

    TFileEntry& entry = FCurrentEntry;
    entry = TFileEntry{};
    entry.Name = StoredName(fileName);
    entry.Size = static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX));
    entry.Attr = attr;
    entry.Date = date;
    entry.Segment = FHeader.Segment;
    entry.FileFlags = folder ? ffFolder | ffFinalPart : ffFile;

    // A new segment must hold its header, this record and the first block.
    if (FMaxSegmentSize > 0 && !Options().Contains(oNoSpanning) &&
        int64_t{GetHeaderSize()} + entry.RecordSize() + std::min<int64_t>(FHeader.BlockSize, size) +
                (size > 0 ? kBlockOverhead : 0) >
            FMaxSegmentSize)
      RaiseArchiver(ArchMessages().MaxSegmentSizeTooSmall());

    if (folder) {
      SeekArchive(FHeader.EndOffset);
      WriteEntry(entry);
      FHeader.EndOffset = static_cast<uint32_t>(Position() - FArchiveStart);
      ++FHeader.ArchiveInfo.FileCount;
      ++FHeader.SegmentInfo.FileCount;
      WriteHeader();
      return;
    }

    if (FTotal == 0) FTotal = entry.Size;
    bool accept = true;
    if (!InState(osRecompressingSolid) && OnAddFile) OnAddFile(this, entry, accept);
    if (!accept) {
      FProcessed += entry.Size;
      ReportProgress();
      return;
    }
    if (!InState(osRecompressingSolid))
      DisplayMessage(rtl::Format(ArchMessages().AddingFile(), {rtl::ExtractFileName(fileName), (long double)entry.Size}),
                     rtl::Format(ArchMessages().AddingFile(), {fileName, (long double)entry.Size}));

    const uint16_t segment = FHeader.Segment;
    const TArchiveInfo segmentInfo = FHeader.SegmentInfo;
    const TArchiveEnd before{segment, FHeader.EndOffset, FHeader.ArchiveFlags, segmentInfo, FileName(), FDrive, FFolder};
    FSpanned = false;
    FStartedSegments.clear();
    // The file is left out: its record and blocks lie past EndOffset (in the
    // segment it began in), and the totals do not count them.
    auto leaveOut = [&] {
      if (FSpanned) {
        FSpanned = false;
        UndoSpanning(before);
      } else if (FHeader.Segment == segment) {
        FHeader.SegmentInfo = segmentInfo;
      }
    };
    try {
      // The sizes of a record are 32-bit: a file whose stored form could pass
      // 2 GiB cannot be described.
      int64_t blocks = size / FHeader.BlockSize + 1;
      if (FHeader.BlockSize == 0 || size + blocks * kBlockOverhead > INT32_MAX)
        RaiseArchiver(rtl::Format(FMessages->CannotOpenFile(), {fileName}));
      const uint16_t mode = platform::fmOpenRead |
                            (Options().Contains(oSecureAccess) ? platform::fmShareDenyWrite : platform::fmShareDenyNone);
      const bool encrypted = entry.Has(ffEncrypted) || FHeader.Has(afEncrypted) || Options().Contains(oEncryptFiles);
      rtl::TStream* src = nullptr;
      if (planned && entry.Size > 0 &&
          PlannedUsable(*planned, entry.Size, mode, CodeParams(encrypted, PipelineWorkers(), FHeader.BlockSize)))
        src = planned->Source;
      std::unique_ptr<platform::TFileStream> source;
      if (!src) {
        try {
          source = std::make_unique<platform::TFileStream>(fileName, mode);
        } catch (const rtl::EStreamError&) {
          RaiseArchiver(rtl::Format(FMessages->CannotOpenFile(), {fileName}));
        }
        src = source.get();
        if (planned && entry.Size > 0) {
          // What was read ahead of it cannot serve: its blocks must come
          // before those of the files after it.
          if (planned->Batches > 0 || FPipeline->Posted != FPipeline->Taken) {
            DropPlan();
            planned = nullptr;
          } else {
            planned->Owned.reset();
            planned->ReadAt = 0;
            planned->Ended = false;
          }
        }
      }
      SeekArchive(FHeader.EndOffset);
      WriteEntry(entry);
      WriteBlocks(*src, planned);
      FHeader.EndOffset = static_cast<uint32_t>(Position() - FArchiveStart);
      entry.FileFlags |= ffFinalPart;
      SeekArchive(entry.Offset);
      WriteEntry(entry);

      ++FFilesDone;
      ++FHeader.ArchiveInfo.FileCount;
      FHeader.ArchiveInfo.Size += entry.Size;
      FHeader.ArchiveInfo.CompressedSize += entry.CompressedSize;
      ++FHeader.SegmentInfo.FileCount;
      FKnownTotal += entry.CompressedSize;
      WriteHeader();
      FModified = true;
      if (Options().Contains(oMaintainFileDirectory)) FFileList.emplace_back(entry);
      if (OnFileAdded) OnFileAdded(this, entry);
    } catch (const rtl::EAbort&) {
      leaveOut();
      throw;
    } catch (const rtl::Exception& e) {
      try {
        leaveOut();
      } catch (const rtl::EAbort&) {
        throw;
      } catch (const rtl::Exception&) {
        CloseStream();  // the archive could not be taken back: no segment to go on in
      }
      if (!FStream || !ErrorPolicy(e, entry)) throw;
    }
  });
  return found;
}

TCustomArchiver::TCodeParams TCustomArchiver::CodeParams(bool encrypted, TBlockWorkers* workers, int64_t largest) {
  constexpr int64_t kBatchedBlockSize = 1 << 20;
  constexpr int64_t head = BlockRecordHeaderSize;
  TCodeParams p;
  const bool handlers = OnCompressBlock || OnCryptBlock;
  // Blocks are read and compressed a few at a time, so that their checksums
  // are computed side by side; a handler of the block events sees one block
  // at a time as ever, and large blocks go one at a time.
  p.Batch = handlers || FHeader.BlockSize > kBatchedBlockSize ? 1 : TWriteBatch::kMost;
  p.Room = std::min<int64_t>(GetBlockBufferSize(), INT32_MAX);
  p.HandlerRoom = static_cast<bool>(OnCompressBlock);
  p.BlockSize = FHeader.BlockSize;
  p.Level = GetCompressionLevel();
  p.Compressed = FHeader.Has(afCompressed);
  p.Encrypted = encrypted;
  if (workers && encrypted) p.Key = FKey;
  p.CompressFailed = ArchMessages().CouldNotCompressBlock();
  // Both buffers keep room for the record's length and checksum in front
  // of each block, so that a record goes out in one write.
  p.Stride1 = head + largest + 8;
  p.Stride2 = head + std::max<int64_t>(p.CompressRoom(largest), largest + 8);
  return p;
}

int64_t TCustomArchiver::ReadBatch(TWriteBatch& b, rtl::TStream& source, int64_t size, int64_t at) {
  const TCodeParams& p = b.Params;
  b.Count = 0;
  b.Enciphered = false;
  b.Failure = nullptr;
  try {
    for (; b.Count < p.Batch && at < size; ++b.Count) {
      TWriteBatch::TBlock& k = b.Blocks[b.Count];
      k.SourcePosition = at;
      k.N = static_cast<int32_t>(std::min<int64_t>(p.BlockSize, size - at));
      source.ReadBuffer(b.Plain + b.Count * p.Stride1 + BlockRecordHeaderSize, k.N);
      at += k.N;
    }
  } catch (...) {
    b.Failure = std::current_exception();
  }
  return at;
}

void TCustomArchiver::CodeBatch(TWriteBatch& b, TBlockCoder* coder) {
  const TCodeParams& p = b.Params;
  for (int i = 0; i < b.Count; ++i) {
    TWriteBatch::TBlock& k = b.Blocks[i];
    uint8_t* plain = b.Plain + i * p.Stride1 + BlockRecordHeaderSize;
    uint8_t* packed = b.Packed + i * p.Stride2 + BlockRecordHeaderSize;
    const int64_t limit = p.CompressRoom(k.N);
    int32_t compressed = static_cast<int32_t>(limit);
    bool done;
    try {
      done = coder ? coder->Compress(packed, compressed, plain, k.N, p.Level) : CompressBlock(packed, compressed, plain, k.N);
    } catch (...) {
      b.Count = i;
      b.Failure = std::current_exception();
      break;
    }
    if (!done || compressed < 0 || compressed > limit) {
      b.Count = i;
      b.Failure = std::make_exception_ptr(EArchiverCompress(p.CompressFailed));
      break;
    }
    k.Stored = !(p.Compressed && compressed < k.N);
    k.Payload = k.Stored ? plain : packed;
    k.Length = k.Stored ? k.N : compressed;
  }
  const uint8_t* payloads[TWriteBatch::kMost];
  size_t lengths[TWriteBatch::kMost];
  for (int i = 0; i < b.Count; ++i) {
    payloads[i] = b.Blocks[i].Payload;
    lengths[i] = static_cast<size_t>(b.Blocks[i].Length);
  }
  BlockChecksums(payloads, lengths, b.Sums, static_cast<size_t>(b.Count));
  // Enciphering pads a payload to whole pieces: with zeros, so that the
  // bytes stored never depend on what the buffer held before.
  if (p.Encrypted)
    for (int i = 0; i < b.Count; ++i)
      std::fill_n(b.Blocks[i].Payload + b.Blocks[i].Length, EncipheredLength(b.Blocks[i].Length) - 1 - b.Blocks[i].Length, 0);
  if (coder && !p.Key.empty()) {
    for (int i = 0; i < b.Count; ++i) b.Blocks[i].Length = coder->Encipher(p.Key, b.Blocks[i].Payload, b.Blocks[i].Length);
    b.Enciphered = true;
  }
}

void TCustomArchiver::TakeBatch(TWriteBatch& b) {
  TFileEntry& entry = FCurrentEntry;
  constexpr int64_t head = BlockRecordHeaderSize;
  for (int i = 0; i < b.Count; ++i) {
    TWriteBatch::TBlock& k = b.Blocks[i];
    int32_t length = k.Length;
    if (b.Params.Encrypted && !b.Enciphered) {
      if (FKey.empty()) EnterCryptKey();
      int32_t enciphered = length;
      EncryptBlock(k.Payload, k.Payload, length, enciphered);
      if (enciphered < 0 || enciphered > length + 8) throw EArchiverCompress(b.Params.CompressFailed);
      length = enciphered;
    }

    if (NeedSpace(int64_t{length} + head)) entry.StartOffset = static_cast<uint32_t>(k.SourcePosition);
    if (Position() - FArchiveStart + length + head > UINT32_MAX) throw rtl::EWriteError("Stream write error");
    uint8_t* record = k.Payload - head;
    WriteLE32(record, static_cast<uint32_t>(k.Stored ? -length : length));
    WriteLE32(record + 4, ~b.Sums[i]);
    FStream->WriteBuffer(record, length + static_cast<int32_t>(head));

    int32_t recordSize = length + static_cast<int32_t>(head);
    entry.SegmentSize += k.N;
    entry.SegmentCompressedSize += recordSize;
    entry.CompressedSize += recordSize;
    FHeader.SegmentInfo.Size += k.N;
    FHeader.SegmentInfo.CompressedSize += recordSize;
    FProcessed += k.N;
    ReportProgress();
  }
  if (b.Failure) std::rethrow_exception(b.Failure);
}

void TCustomArchiver::WriteBlocks(rtl::TStream& source, TPlannedFile*& planned) {
  TFileEntry& entry = FCurrentEntry;
  EnterState(osWritingData);
  try {
    if (FHeader.Has(afEncrypted) || Options().Contains(oEncryptFiles)) entry.FileFlags |= ffEncrypted;
    entry.CompressedSize = 0;
    TBlockWorkers* const workers = PipelineWorkers();
    if (!workers) {
      TWriteBatch b;
      b.Params = CodeParams(entry.Has(ffEncrypted), nullptr, std::min<int64_t>(FHeader.BlockSize, entry.Size));
      int64_t at = 0;
      while (at < entry.Size) {
        EnsureBuffers(b.Params.Batch * b.Params.Stride1, b.Params.Batch * b.Params.Stride2);
        b.Plain = FBuffer1.data();
        b.Packed = FBuffer2.data();
        at = ReadBatch(b, source, entry.Size, at);
        CodeBatch(b, nullptr);
        TakeBatch(b);
      }
    } else {
      // With workers the batches of this file, and those of the planned
      // files after it, are coded on their threads while this one reads the
      // next ones and writes the oldest in its turn.
      if (!FPipeline) FPipeline = std::make_unique<TPipeline>();
      TPipeline& pipe = *FPipeline;
      if (!planned) {
        DropPlan();
        planned = &pipe.Files.emplace_front();
      }
      TPlannedFile& file = *planned;
      if (file.Batches == 0) {
        file.LookedUp = true;
        file.Source = &source;
        file.Size = entry.Size;
        file.Params = CodeParams(entry.Has(ffEncrypted), workers, FHeader.BlockSize);
      }
      try {
        for (;;) {
          FillPipeline(*workers, file.Params);
          if (file.Batches == 0) break;  // FillPipeline reads this file first: it is all read
          TWriteBatch& b = pipe.Ring[pipe.Taken % pipe.Ring.size()];
          workers->Wait(b.Task);
          ++pipe.Taken;
          --file.Batches;
          TakeBatch(b);
        }
      } catch (...) {
        // What the workers still code of this file is not wanted.
        while (file.Batches > 0) {
          workers->Wait(pipe.Ring[pipe.Taken++ % pipe.Ring.size()].Task);
          --file.Batches;
        }
        file.Ended = true;
        throw;
      }
    }
  } catch (...) {
    LeaveState(osWritingData);
    throw;
  }
  LeaveState(osWritingData);
}

TBlockWorkers* TCustomArchiver::PipelineWorkers() { return OnCompressBlock || OnCryptBlock ? nullptr : Workers(); }

void TCustomArchiver::PlanFiles(const std::vector<AnsiString>& fileNames) {
  if (!PipelineWorkers()) return;
  if (!FPipeline) FPipeline = std::make_unique<TPipeline>();
  for (const AnsiString& name : fileNames) FPipeline->Files.emplace_back().Name = name;
}

TCustomArchiver::TPlannedFile* TCustomArchiver::TakePlanned(const AnsiString& fileName) {
  if (!FPipeline || FPipeline->Files.empty()) return nullptr;
  if (FPipeline->Files.front().Name == fileName) return &FPipeline->Files.front();
  DropPlan();
  return nullptr;
}

bool TCustomArchiver::PlannedUsable(const TPlannedFile& planned, int64_t size, uint16_t mode,
                                    const TCodeParams& now) const {
  if (!planned.Owned || planned.Size != size || planned.Mode != mode) return false;
  const TCodeParams& p = planned.Params;
  return p.Batch == now.Batch && p.Room == now.Room && p.HandlerRoom == now.HandlerRoom && p.BlockSize == now.BlockSize &&
         p.Level == now.Level && p.Compressed == now.Compressed && p.Encrypted == now.Encrypted &&
         (p.Key.empty() || p.Key == now.Key) && p.CompressFailed == now.CompressFailed;
}

void TCustomArchiver::FillPipeline(TBlockWorkers& workers, const TCodeParams& shape) {
  TPipeline& pipe = *FPipeline;
  // A few batches a thread in flight (bounded memory), and files looked up
  // only so far ahead.
  constexpr size_t kFilesAhead = 64;
  const size_t depth = static_cast<size_t>((shape.Batch > 1 ? 3 : 1) * workers.Threads());
  if (pipe.Ring.size() != depth || pipe.Stride1 < shape.Stride1 || pipe.Stride2 < shape.Stride2 || pipe.Batch < shape.Batch) {
    if (pipe.Posted != pipe.Taken) return;  // the ring changes only when empty
    pipe.Ring = std::vector<TWriteBatch>(depth);
    pipe.Buffers.resize(2 * depth);
    for (size_t j = 0; j < depth; ++j) {
      pipe.Buffers[2 * j].resize(static_cast<size_t>(shape.Batch * shape.Stride1));
      pipe.Buffers[2 * j + 1].resize(static_cast<size_t>(shape.Batch * shape.Stride2));
      pipe.Ring[j].Plain = pipe.Buffers[2 * j].data();
      pipe.Ring[j].Packed = pipe.Buffers[2 * j + 1].data();
    }
    pipe.Stride1 = shape.Stride1;
    pipe.Stride2 = shape.Stride2;
    pipe.Batch = shape.Batch;
    pipe.Posted = pipe.Taken = 0;
  }
  size_t first = 0;
  while (pipe.Posted - pipe.Taken < depth) {
    while (first < pipe.Files.size() && first < kFilesAhead && pipe.Files[first].AllRead()) ++first;
    if (first >= pipe.Files.size() || first >= kFilesAhead) return;
    TPlannedFile& file = pipe.Files[first];
    if (!file.LookedUp) {
      LookUpPlanned(file);
      continue;
    }
    TWriteBatch& b = pipe.Ring[pipe.Posted % depth];
    b.Params = file.Params;
    b.Params.Stride1 = pipe.Stride1;
    b.Params.Stride2 = pipe.Stride2;
    file.ReadAt = ReadBatch(b, *file.Source, file.Size, file.ReadAt);
    file.Ended = b.Failure != nullptr;
    ++file.Batches;
    ++pipe.Posted;
    b.Task.Work = [this, &b, &workers](int thread) { CodeBatch(b, &workers.Coder(thread)); };
    workers.Post(b.Task);
  }
}

// Only what AddFile would read is read ahead: a file it would open, whole.
void TCustomArchiver::LookUpPlanned(TPlannedFile& file) {
  file.LookedUp = true;
  int64_t size = 0;
  uint32_t attr;
  rtl::TDateTime date;
  if (!SourceFileFacts(file.Name, size, attr, date) || size <= 0 || FHeader.BlockSize == 0 ||
      size + (size / FHeader.BlockSize + 1) * kBlockOverhead > INT32_MAX)
    return;
  file.Mode = platform::fmOpenRead |
              (Options().Contains(oSecureAccess) ? platform::fmShareDenyWrite : platform::fmShareDenyNone);
  try {
    file.Owned = std::make_unique<platform::TFileStream>(file.Name, file.Mode);
  } catch (const rtl::EStreamError&) {
    return;  // AddFile meets the failure in its turn
  }
  file.Source = file.Owned.get();
  file.Size = size;
  const bool encrypted = FHeader.Has(afEncrypted) || Options().Contains(oEncryptFiles);
  file.Params = CodeParams(encrypted, PipelineWorkers(), FHeader.BlockSize);
}

void TCustomArchiver::DropFirstPlanned() {
  if (!FPipeline || FPipeline->Files.empty()) return;
  TPipeline& pipe = *FPipeline;
  TPlannedFile& file = pipe.Files.front();
  while (file.Batches > 0) {
    Workers()->Wait(pipe.Ring[pipe.Taken++ % pipe.Ring.size()].Task);
    --file.Batches;
  }
  pipe.Files.pop_front();
}

void TCustomArchiver::DropPlan() {
  if (!FPipeline) return;
  TPipeline& pipe = *FPipeline;
  while (pipe.Taken != pipe.Posted) Workers()->Wait(pipe.Ring[pipe.Taken++ % pipe.Ring.size()].Task);
  pipe.Files.clear();
}

bool TCustomArchiver::CompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize) {
  if (OnCompressBlock) return OnCompressBlock(this, dest, destSize, src, srcSize, FCompressionLevel);
  if (srcSize > destSize) return false;
  std::copy_n(static_cast<const uint8_t*>(src), srcSize, static_cast<uint8_t*>(dest));
  destSize = srcSize;
  return true;
}

void TCustomArchiver::EncryptBlock(void* dest, const void* src, int32_t srcSize, int32_t& destSize) {
  destSize = srcSize;
  if (OnCryptBlock) OnCryptBlock(this, dest, src, destSize, srcSize);
}

// ---- spanning ---------------------------------------------------------------------

int64_t TCustomArchiver::FreeRoom(const AnsiString& drive) {
  constexpr int64_t kLargest = 2147483647;
  const int64_t reserve = FHeader.Segment <= 1 ? std::min<int64_t>(FSFXReserve, int64_t{FMaxSegmentSize} * 3 / 4) : 0;
  int64_t room = -1;
  if (FCheckDiskSpace && drive.size() >= 2) {
    uint64_t total = 0, free = 0;
    if (!platform::DiskSpace(rtl::IncludeTrailingBackslash(drive), total, free)) free = 0;
    room = free <= static_cast<uint64_t>(kLargest) ? static_cast<int64_t>(free) - reserve - 65536 : kLargest;
    if (room < -1) room = 0;
  }
  if (FMaxSegmentSize > 0) {
    const int64_t size = FStream ? FStream->Size() : 0;
    if (room < 0 || room >= FMaxSegmentSize - size) room = FMaxSegmentSize - size - reserve;
  }
  return std::max<int64_t>(room, -1);
}

bool TCustomArchiver::EnoughRoom(const AnsiString& drive) {
  int64_t room = FreeRoom(drive);
  return room == -1 || room >= FMinFreeSpace || (FMaxSegmentSize > 0 && room >= FMaxSegmentSize);
}

bool TCustomArchiver::NeedSpace(int64_t count) {
  if (InState(osChangingSegment) || Options().Contains(oNoSpanning)) return false;
  if (FStream->Size() >= Position() + count) return false;
  int64_t room = FreeRoom(FDrive);
  if (room < 0 || room >= count) return false;
  StartNewSegment();
  return true;
}

void TCustomArchiver::StartNewSegment() {
  TStateScope changing(FStates, osChangingSegment);
  TFileEntry& entry = FCurrentEntry;
  const bool writingData = InState(osWritingData);
  if (writingData && entry.SegmentCompressedSize > 0) {
    // The part written so far stays here under the file's record.
    FHeader.EndOffset = static_cast<uint32_t>(Position() - FArchiveStart);
    SeekArchive(entry.Offset);
    WriteEntry(entry);
  }
  FHeader.ArchiveFlags &= static_cast<uint8_t>(~afFinalSegment);
  // The file running on into the next segment counts in this one as well.
  if (writingData) ++FHeader.SegmentInfo.FileCount;
  FSpanned = true;
  WriteHeader();
  CloseStream();

  ++FHeader.Segment;
  FHeader.SegmentInfo = TArchiveInfo{};
  {
    TTimingPause pause(*this);
    if (OnRemovableDrive())
      AskForNewDisk(FHeader.Segment);
    else if (!EnoughRoom(FDrive))
      AskForNewPlace(FHeader.Segment);
  }

  SetFileNameRaw(GetSegmentFileName(FHeader.Segment));
  platform::DeleteFile(FileName());
  FHeader.ArchiveFlags |= afFinalSegment;
  FHeader.EndOffset = GetHeaderSize();
  FArchiveStart = 0;
  try {
    FStream = std::make_unique<platform::TFileStream>(FileName(), platform::fmCreate);
  } catch (const rtl::EStreamError&) {
    RaiseArchiver(rtl::Format(FMessages->CannotCreateFile(), {FileName()}));
  }
  FStartedSegments.push_back(FileName());
  WriteHeader();
  if (writingData) {
    // The continuation record; its sizes and StartOffset are written when
    // this part is complete.
    entry.SegmentSize = 0;
    entry.SegmentCompressedSize = 0;
    WriteEntry(entry);
  }
  if (OnSegmentChanged) OnSegmentChanged(this);
}

void TCustomArchiver::UndoSpanning(const TArchiveEnd& before) {
  TStateScope changing(FStates, osChangingSegment);
  TTimingPause pause(*this);
  CloseStream();
  std::vector<AnsiString> started = std::move(FStartedSegments);
  FStartedSegments.clear();
  if (OnRemovableDrive()) {
    // Only the disk in the drive can lose its segment file now; one begun on
    // a disk in between stays there, a segment this archive never reaches.
    if (!started.empty()) platform::DeleteFile(started.back());
    started.clear();
  }
  FDrive = before.Drive;
  FFolder = before.Folder;
  SetFileNameRaw(before.FileName);
  if (!IsSegment(FileName(), before.Segment)) FindSegment(before.Segment);
  OpenArchiveStream(FileName());
  CheckSFXPrefix(FileName());
  ReadHeader();
  FHeader.EndOffset = before.EndOffset;
  FHeader.ArchiveFlags = before.ArchiveFlags;
  FHeader.SegmentInfo = before.SegmentInfo;
  WriteHeader();
  FStream->SetSize(FArchiveStart + before.EndOffset);
  for (const AnsiString& name : started) platform::DeleteFile(name);
  if (OnSegmentChanged) OnSegmentChanged(this);
}

void TCustomArchiver::AskForNewDisk(int segment) {
  const AnsiString text = rtl::Format(ArchMessages().InsertNewDisk(), {segment, FDrive});
  // What the disk just filled looks like, to tell it from a fresh one.
  const platform::DWORD oldSerial = platform::VolumeLabelAndSerial(FDrive).SerialNumber;
  AnsiString closedPath;  // the closed segment's path without its drive
  TFileMark closed;
  if (segment > 1) {
    AnsiString name = GetSegmentFileName(segment - 1);
    closedPath = name.substr(std::min(FDrive.size(), name.size()));
    closed = MarkOf(name);
  }
  auto isClosedSegment = [&](const AnsiString& drive) {
    if (closedPath.empty()) return false;
    const TFileMark mark = MarkOf(drive.substr(0, 2) + closedPath);
    return mark.Size != -1 && mark == closed;
  };

  AnsiString drive = FDrive;
  bool ask = segment != 1 || Options().Contains(oEraseFirstDisk);
  for (bool firstRound = true;; firstRound = false) {
    if (!firstRound) {
      ask = true;
      platform::Api().MessageBeep(0);
    }
    if (ask)
      AskForDrive(text, drive, OnNeedNewDisk ? [&](AnsiString& d) { OnNeedNewDisk(this, segment, d); }
                                             : std::function<void(AnsiString&)>());
    platform::TVolumeInfo volume;
    if (drive.size() < 2 || !platform::VolumeInformation(rtl::IncludeTrailingBackslash(drive.substr(0, 2)), volume))
      continue;
    bool fresh = volume.SerialNumber != 0 ? (segment == 1 || volume.SerialNumber != oldSerial)
                                          : !isClosedSegment(drive);
    if (!fresh) continue;
    FDrive = drive.substr(0, 2);
    if (PrepareDisk(FDrive, segment)) return;
  }
}

bool TCustomArchiver::PrepareDisk(const AnsiString& drive, int segment) {
  try {
    if (platform::IsRemovableDrive(drive) && Options().Contains(oEraseNewDisk) &&
        (segment != 1 || Options().Contains(oEraseFirstDisk)))
      ClearDisk(drive);
    if (EnoughRoom(drive)) return true;
    if (ShowMessageBox(rtl::Format(ArchMessages().NotEnoughFreeSpaceOn(), {drive}), mtWarning, mbOK | mbCancel) ==
        platform::IDCANCEL)
      rtl::Abort();
  } catch (const rtl::EAbort&) {
    throw;
  } catch (const std::exception&) {
    // a disk that cannot be prepared is not taken
  }
  return false;
}

void TCustomArchiver::ClearDisk(const AnsiString& drive) {
  if (!platform::IsRemovableDrive(drive)) return;
  const AnsiString root = drive.substr(0, 2) + "\\";
  if (BytesInFolder(root, Options().Contains(oRecurseFolders)) <= 0) return;
  if (Options().Contains(oConfirmFileDeletion)) {
    int answer = ShowMessageBox(rtl::Format(ArchMessages().ConfirmFileDeletion(), {drive}), mtConfirmation,
                                mbYes | mbNo | mbCancel);
    if (answer == platform::IDCANCEL) rtl::Abort();
    if (answer == platform::IDNO) return;
  }
  if (OnClearDisk)
    OnClearDisk(this, drive);
  else
    EmptyFolder(root);
}

void TCustomArchiver::AskForNewPlace(int segment) {
  for (;;) {
    AnsiString path = FDrive + FFolder;
    if (OnNeedNewFolder) {
      OnNeedNewFolder(this, segment, path);
    } else {
      ShowMessageBox(rtl::Format(ArchMessages().SelectNewPlace(), {segment, FBaseName}), mtInformation, mbOK);
      if (!SelectFolder(path)) rtl::Abort();
    }
    path = rtl::IncludeTrailingBackslash(path);
    FDrive = rtl::ExtractFileDrive(path);
    FFolder = path.substr(std::min(FDrive.size(), path.size()));
    if (EnoughRoom(FDrive)) return;
    ShowMessageBox(rtl::Format(ArchMessages().NotEnoughFreeSpaceOn(), {FDrive}), mtWarning, mbOK);
  }
}

// ---- comment ----------------------------------------------------------------------

void TCustomArchiver::SetComment(const AnsiString& text) {
  if (CheckBusy()) return;
  EnsureOpen();
  DoSetComment(text);
}

void TCustomArchiver::DoSetComment(const AnsiString& text) {
  if (FHeader.ArchiveInfo.FileCount + FHeader.SegmentInfo.FileCount != 0) return;
  if (FReadOnly || FHeader.Has(afReadOnly)) RaiseArchiver(FMessages->ArchiveIsReadOnly());
  // Every segment repeats the comment: each must still hold a record and a whole block.
  if (FMaxSegmentSize > 0 && HeaderFixedSize + static_cast<int64_t>(text.size()) + EntryFixedSize +
                                     FHeader.BlockSize + kBlockOverhead >
                                 FMaxSegmentSize)
    RaiseArchiver(ArchMessages().MaxSegmentSizeTooSmall());
  FHeader.Comment = text;
  FHeader.EndOffset = GetHeaderSize();
  WriteHeader();
}

// ---- closing ------------------------------------------------------------------------

void TCustomArchiver::BeforeClose() {
  DropPlan();
  UpdateFirstSegment();
  TCustomExtractor::BeforeClose();
}

void TCustomArchiver::UpdateFirstSegment() {
  if ((FHeader.Has(afFinalSegment) && FHeader.Segment <= 1) || !FModified ||
      Options().Contains(oDoNotUpdateFirstSegment))
    return;
  try {
    TArchiveInfo info = FHeader.ArchiveInfo;
    if (!Options().Contains(oOpenSingleSegment)) MoveToSegment(1);
    FHeader.ArchiveInfo = info;
    WriteHeader();
  } catch (const std::exception&) {
    // the first segment keeps its older totals
  }
}

// The component worked on the inner archive in a temporary file: when that
// changed, the outer archive is made anew around it.
void TCustomArchiver::CloseSolid() {
  if (!FSolid) return;
  AnsiString comment = FHeader.Comment;
  CloseStream();
  FMaxSegmentSize = FSavedMaxSegmentSize;
  SetOptions(FSavedOptions);
  AnsiString temp = FTempFileName;
  FSolid = false;
  if (FileName() == FSavedFileName) {
    platform::DeleteFile(temp);
    return;
  }
  SetFileNameInternal(FSavedFileName);
  EnterState(osRecompressingSolid);
  try {
    rtl::TDateTime current = 0;
    int32_t age = platform::FileAge(temp);
    if (age != -1) rtl::TryFileDateToDateTime(age, current);
    // A file added within the date's two seconds leaves the date as it was:
    // what was added counts as a change too.
    if (FTempFileDate != 0 && (FTempFileDate != current || FModified)) {
      platform::DeleteFile(GetSegmentFileName(1));
      CreateArchive();
      FHeader.ArchiveFlags |= afSolid;
      DoSetComment(comment);
      RunOperation(opAdding, [&] {
        DisplayMessage(ArchMessages().CompressingSolidArchive(), ArchMessages().CompressingSolidArchive());
        AddFile(temp);
        UpdateFirstSegment();
      });
      // Without its one entry the outer archive would silently lose every
      // file: keep the inner archive then.
      if (FHeader.ArchiveInfo.FileCount != 1)
        RaiseArchiver(rtl::Format("%s (%s)", {ArchMessages().CouldNotCopyArchive(), temp}));
    }
  } catch (...) {
    LeaveState(osRecompressingSolid);
    throw;
  }
  LeaveState(osRecompressingSolid);
  platform::DeleteFile(temp);
}

}  // namespace archiver
