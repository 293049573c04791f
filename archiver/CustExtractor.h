#pragma once
// The reading side of the archive component: extraction and enumeration by a
// walk of the entry chain, the block reader (decipher, check, decompress),
// the restore rules and the overwrite dialog, segment lookup and solid
// archives.

#include "archiver/ArchiverRoot.h"
#include "archiver/BlockWorkers.h"
#include "archiver/CustSFXGenerator.h"

namespace archiver {

using TEnumerationEvent = std::function<void(TArchiverRoot* Sender, const TFileEntry& FileEntry)>;
using TExtractFileEvent = std::function<void(TArchiverRoot* Sender, const TFileEntry& FileEntry,
                                             AnsiString& DestPath, bool& Accept)>;
using TExtractFileByIndexEvent =
    std::function<void(TArchiverRoot* Sender, int Index, AnsiString& DestPath, bool& Accept)>;
using TFileExtractedEvent =
    std::function<void(TArchiverRoot* Sender, const TFileEntry& FileEntry, const AnsiString& DestPath)>;
using TUncompressBlockEvent = std::function<bool(TArchiverRoot* Sender, void* DestBlock, int32_t& DestSize,
                                                 const void* SrcBlock, int32_t SrcSize)>;
// Segment n is missing: Drive (in and out) is where to look for it.
using TInsertDiskEvent = std::function<void(TArchiverRoot* Sender, int Segment, AnsiString& Drive)>;
// Segment n is missing: FileName (in and out) is where to look for it.
using TLocateSegmentEvent = std::function<void(TArchiverRoot* Sender, int Segment, AnsiString& FileName)>;
using TInsertLastDiskEvent = std::function<void(TArchiverRoot* Sender, AnsiString& Drive)>;
using TLocateLastSegmentEvent = std::function<void(TArchiverRoot* Sender, AnsiString& Path)>;
using TDecryptBlockEvent = std::function<void(TArchiverRoot* Sender, void* DestBlock, const void* SrcBlock,
                                              int32_t& DestSize, int32_t SrcSize)>;

class TCustomExtractor : public TArchiverRoot {
 public:
  explicit TCustomExtractor(rtl::TComponent* owner = nullptr);
  ~TCustomExtractor() override;
  const char* ClassName() const override { return "TCustomExtractor"; }

  // ---- properties ----
  const AnsiString& ExtractPath() const { return FExtractPath; }
  void SetExtractPath(const AnsiString& value) { FExtractPath = value; }
  TRestoreAction RestoreAction() const { return FRestoreAction; }
  void SetRestoreAction(TRestoreAction value) { FRestoreAction = value; }
  TCustomSFXGenerator* SFXGenerator() const { return FSFXGenerator; }
  void SetSFXGenerator(TCustomSFXGenerator* value);
  TExtrMessages& ExtrMessages() { return static_cast<TExtrMessages&>(*FMessages); }
  // Threads that code blocks (1 to 64; default 1: everything on the caller's
  // thread). Events, dialogs, errors and the bytes written are the same
  // whatever the number; a handler of a block event makes the blocks go one
  // at a time. Not changed while the component is busy.
  int Threads() const { return FThreads; }
  void SetThreads(int value);

  // ---- operations ----
  void ExtractFiles();
  void EnumerateFiles();
  // Reads and checks every block of every file, writing nothing; errors go
  // through the error policy like those of an extraction.
  void TestFiles();

  // ---- events ----
  TEnumerationEvent OnEnumeration;
  TExtractFileEvent OnExtractFile;
  TExtractFileByIndexEvent OnExtractFileByIndex;
  TFileExtractedEvent OnFileExtracted;
  TUncompressBlockEvent OnUncompressBlock;
  TDecryptBlockEvent OnDecryptBlock;
  TNotifyEvent OnSegmentChanged;
  TInsertDiskEvent OnInsertDisk;
  TLocateSegmentEvent OnLocateSegment;
  TInsertLastDiskEvent OnInsertLastDisk;
  TLocateLastSegmentEvent OnLocateLastSegment;

 protected:
  TCustomExtractor(rtl::TComponent* owner, std::unique_ptr<TMessages> messages);

  void StartOperation() override;
  void FreeBuffers() override;
  void AfterOpen() override;
  void BeforeClose() override;
  void LoadTotals() override;
  uint16_t GetOpenMode() const override;
  bool CheckSegmentEnd() override;
  void CheckSFXPrefix(const AnsiString& fileName) override;
  void OpenSolid() override;
  void CloseSolid() override;
  void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
  [[noreturn]] void RaiseDamaged() const override;

  // Block decoding steps; the built-in ones copy and leave the bytes as they are.
  virtual bool UncompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize);
  virtual void DecryptBlock(void* dest, const void* src, int32_t srcSize, int32_t& destSize);
  // The built-in block steps for a worker thread; none (the default) keeps
  // all block work on the caller's thread. A class that replaces a step
  // replaces this too.
  virtual std::unique_ptr<TBlockCoder> NewBlockCoder() const { return nullptr; }
  // The workers, when Threads is above 1 and the class has a coder.
  TBlockWorkers* Workers();
  // Whatever was prepared on the workers is given up (they are about to go).
  virtual void DropPrepared() { WaitAhead(); }

  // Segments. MoveToSegment reads the continuation record while a file's data
  // is read or passed over.
  virtual void MoveToSegment(int segment);
  virtual void MoveToLastSegment();
  // Segment n is not where its name says: asks for its disk (a removable
  // drive) or its file until it is found, and leaves its name in FileName.
  // Cancel raises the silent abort.
  void FindSegment(int segment);
  // The same for the last segment; `firstMissing` is the first number whose
  // file was not a segment of this archive.
  void FindLastSegment(int firstMissing);
  // The candidate file holds a segment of this archive (signature and
  // RandomID); its header is returned.
  bool ProbeSegment(const AnsiString& fileName, TArchiveHeader& header);
  // The first file matching `pattern` (in `folder`) that is this archive's final segment; "" when none.
  AnsiString FindFinalSegment(const AnsiString& pattern, const AnsiString& folder);
  // The file is segment n of this archive / its final segment.
  bool IsSegment(const AnsiString& fileName, int segment);
  bool IsFinalSegment(const AnsiString& fileName);
  // The archive's file lies on a removable drive.
  bool OnRemovableDrive() const;
  // Asks for a drive (in and out) through `event` when one is attached, else
  // with the input box showing `text`; Cancel raises the silent abort. A
  // reply without "X:" at its start stands for the drive asked with.
  void AskForDrive(const AnsiString& text, AnsiString& drive, const std::function<void(AnsiString&)>& event);
  // Takes a located file name as FileName, its parts recomputed. A segment
  // after the first always ends in ".mmm", so it cannot tell the first
  // segment's extension: that one is kept.
  void TakeLocatedName(const AnsiString& fileName, int segment);

  // The walk of the entry chain from the first record of the current
  // segment (its header read); `visit` handles each record just read into
  // FCurrentEntry and leaves the position after its data.
  void WalkEntries(const std::function<void()>& visit);
  // Extracts the current entry to `target`; `refuse` gives it the error of a
  // name that climbs out of the extraction folder.
  void ExtractEntry(const AnsiString& target, bool refuse);
  // The blocks of the current entry to `out` (nothing is written when null).
  void ReadFileData(rtl::TStream* out);
  // Reads, deciphers, checks and decodes one block record (the next one read
  // ahead, when there is one): data and length of its bytes; returns the
  // record's stored size.
  int64_t ReadBlock(const uint8_t*& data, int32_t& length);
  // Reads the whole block records that lie in the next `bytes` of the
  // segment (within a bound) into a window and computes their checksums
  // together; what follows the last whole record is left unread.
  void ReadAhead(int64_t bytes);
  // Passes over the current entry's data from its record at `offset`.
  void SkipEntry(int64_t offset);
  AnsiString DestinationFolder(const TFileEntry& entry, bool& climbsOut) const;
  bool QueryOverwrite(const AnsiString& target);
  void DoEnumerate();

  // A block record read ahead: its length and stored checksum, the checksum
  // computed over its payload, where its header lies in the stream and its
  // payload in the window. Decoded by workers: the deciphered length (below
  // 0 for a payload no enciphering gives), and where its inflated bytes lie
  // (Inflated below 0 when inflating failed or did not run).
  struct TAheadRecord {
    int32_t Stored;
    uint32_t Checksum;
    uint32_t Sum;
    int64_t Head;
    uint8_t* Payload;
    int32_t Plain = 0;
    const uint8_t* Output = nullptr;
    int32_t Inflated = -1;
    bool Encrypted = false;  // of an enciphered entry
  };
  // Where reading ahead goes on after a window: inside a part, with `Left`
  // bytes of its records to come, or at an entry record (Left 0); nowhere
  // (At below 0) when the window ended at anything unusual.
  struct TAheadResume {
    int64_t At = -1;
    int64_t Left = 0;
    bool Encrypted = false;
  };
  // A stretch of the segment read ahead: its bytes, the block records found
  // in it, and, with workers, their tasks (each for Group records) and the
  // room they inflate into. Where it was read from, and with what key.
  struct TAheadWindow {
    TBlockBuffer Data, Output;
    std::vector<TAheadRecord> Records;
    std::deque<TBlockWorkers::TTask> Tasks;
    size_t Group = 0;
    int64_t Base = 0;  // where Data begins in the stream
    const rtl::TStream* Stream = nullptr;
    int Segment = 0;
    AnsiString Key;
    TAheadResume Resume;
  };
  // With workers, two windows: the front one, whose records are being taken,
  // and the next, decoded meanwhile. The front's records from FAheadNext up
  // to FAheadEnd are of the part being read, those after it of the entries
  // that follow.
  TAheadWindow FWindows[2];
  int FFront = 0;
  TAheadWindow& Front() { return FWindows[FFront]; }
  TAheadWindow& Back() { return FWindows[1 - FFront]; }
  size_t FAheadNext = 0;  // the first record not yet taken
  size_t FAheadEnd = 0;
  // Takes the block records that lie whole between `at` and `end` of the
  // window's bytes (at most `most` in all); returns where they end.
  size_t AheadRecords(TAheadWindow& window, size_t at, size_t end, size_t most, bool encrypted);
  // Reads a window at `from` of at most `bytes` and takes its records: those
  // of the part under way, then those of the entries that follow when `peek`.
  // Returns the number of the part's records; the stream is left after them.
  size_t FillWindow(TAheadWindow& window, const TAheadResume& from, int64_t bytes, size_t most, bool peek);
  bool GoesOn(const TAheadWindow& window, size_t at, size_t got, size_t most) const;
  // Takes the records of the entries that follow in the window from `at`.
  void PeekAhead(TAheadWindow& window, size_t at, size_t got, size_t most);
  // Takes, for the part that begins at the position, what was read ahead of it.
  bool AdoptAhead(int64_t bytes);
  // The next window becomes the front one.
  void PromoteAhead();
  // Reads and posts the window after the front one.
  void ReadNextWindow(TBlockWorkers& workers, size_t most);
  // Decodes the window's records on the workers.
  void DecodeAhead(TAheadWindow& window, TBlockWorkers& workers);
  void DropWindow(TAheadWindow& window);
  void WaitAhead();
  // The workers for decoding, when no handler replaces a decoding step.
  TBlockWorkers* DecodeWorkers();
  // The room for inflating a payload of the given length.
  int64_t InflateRoom(int32_t payload) const;

  bool FOverwriteYesToAll = false;
  AnsiString FTempFileName;    // the inner archive of a solid archive
  AnsiString FLastFolder;      // made for the previous file of this operation

 private:
  AnsiString FExtractPath;
  TRestoreAction FRestoreAction = raAsk;
  TCustomSFXGenerator* FSFXGenerator = nullptr;
  int FThreads = 1;
  std::unique_ptr<TBlockWorkers> FWorkers;
  bool FNoCoder = false;  // the class has none: no workers are made
};

}  // namespace archiver
