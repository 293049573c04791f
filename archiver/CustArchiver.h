#pragma once
// The writing side of the archive component: creating archives, adding files
// and folders block by block, the comment, read-only archives, rebuilding
// solid archives at Close and keeping the first segment's totals.

#include "archiver/CustExtractor.h"

namespace archiver {

using TAddFileEvent = std::function<void(TArchiverRoot* Sender, TFileEntry& FileEntry, bool& Accept)>;
using TFileAddedEvent = std::function<void(TArchiverRoot* Sender, const TFileEntry& FileEntry)>;
using TCompressBlockEvent = std::function<bool(TArchiverRoot* Sender, void* DestBlock, int32_t& DestSize,
                                               const void* SrcBlock, int32_t SrcSize, TCompressionLevel Level)>;
using TCryptBlockEvent = std::function<void(TArchiverRoot* Sender, void* DestBlock, const void* SrcBlock,
                                            int32_t& DestSize, int32_t SrcSize)>;
// A new disk is needed for segment n: Drive (in and out) is where it goes.
using TNeedNewDiskEvent = std::function<void(TArchiverRoot* Sender, int Segment, AnsiString& Drive)>;
// The drive is full: Path (in and out) is the folder that takes segment n.
using TNeedNewFolderEvent = std::function<void(TArchiverRoot* Sender, int Segment, AnsiString& Path)>;
using TClearDiskEvent = std::function<void(TArchiverRoot* Sender, const AnsiString& Drive)>;
using TDeleteFileEvent = std::function<void(TArchiverRoot* Sender, const TFileEntry& FileEntry, bool& Accept)>;
using TDeleteFileByIndexEvent = std::function<void(TArchiverRoot* Sender, int Index, bool& Accept)>;
using TWriteSFXCodeEvent = std::function<void(TArchiverRoot* Sender, rtl::TStream& Stream)>;

class TCustomArchiver : public TCustomExtractor {
 public:
  explicit TCustomArchiver(rtl::TComponent* owner = nullptr);
  ~TCustomArchiver() override;
  const char* ClassName() const override { return "TCustomArchiver"; }

  // ---- properties ----
  TAddMode AddMode() const { return FAddMode; }
  void SetAddMode(TAddMode value) { FAddMode = value; }
  TCompressionLevel CompressionLevel() const { return FCompressionLevel; }
  void SetCompressionLevel(TCompressionLevel value) { FCompressionLevel = value; }
  int32_t MaxSegmentSize() const { return FMaxSegmentSize; }
  // Above 0 and below three blocks: EArchiver MaxSegmentSizeTooSmall, not taken.
  void SetMaxSegmentSize(int32_t value);
  int32_t MinFreeSpace() const { return FMinFreeSpace; }
  void SetMinFreeSpace(int32_t value) { FMinFreeSpace = value; }
  TPathStorage PathStorage() const { return FPathStorage; }
  void SetPathStorage(TPathStorage value) { FPathStorage = value; }
  // The folder that psRelative names are relative to (empty: names are the bare file names).
  const AnsiString& StartingFolder() const { return FStartingFolder; }
  void SetStartingFolder(const AnsiString& value) { FStartingFolder = value; }
  // Off: the free space of drives is not consulted (only MaxSegmentSize cuts segments).
  bool CheckDiskSpace() const { return FCheckDiskSpace; }
  void SetCheckDiskSpace(bool value) { FCheckDiskSpace = value; }
  TArchMessages& ArchMessages() { return static_cast<TArchMessages&>(*FMessages); }

  // ---- operations ----
  // Adds one file, or one folder entry when the last component is "."; false
  // when the file was not found.
  bool AddFile(const AnsiString& fileName);
  // Sets the comment while the archive holds no entry.
  void SetComment(const AnsiString& text);
  // The name AddFile stores for a file, by PathStorage and the starting folder.
  AnsiString StoredName(const AnsiString& fileName) const;
  // Names files that the next AddFile calls add, in this order. With worker
  // threads, the blocks of the files after the one being written are read
  // and coded meanwhile, a few blocks a thread; every event, error and
  // decision still comes when its file is added, as without a plan. Adding
  // a file out of this order drops what was prepared; so does Close.
  void PlanFiles(const std::vector<AnsiString>& fileNames);

  // ---- events ----
  TAddFileEvent OnAddFile;
  TFileAddedEvent OnFileAdded;
  TCompressBlockEvent OnCompressBlock;
  TCryptBlockEvent OnCryptBlock;
  TWriteSFXCodeEvent OnWriteSFXCode;
  TNeedNewDiskEvent OnNeedNewDisk;
  TNeedNewFolderEvent OnNeedNewFolder;
  TClearDiskEvent OnClearDisk;
  // Kept for forms that set them; nothing deletes entries from an archive.
  TDeleteFileEvent OnDeleteFile;
  TDeleteFileByIndexEvent OnDeleteFileByIndex;

 protected:
  TCustomArchiver(rtl::TComponent* owner, std::unique_ptr<TMessages> messages);

  void CreateArchive() override;
  uint16_t GetOpenMode() const override;
  void BeforeClose() override;
  void AfterHeaderUpdate() override;
  void CloseSolid() override;

  // Block coding steps; the built-in ones copy and leave the bytes as they are.
  virtual bool CompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize);
  virtual void EncryptBlock(void* dest, const void* src, int32_t srcSize, int32_t& destSize);
  virtual int GetCompressionLevel() const { return FCompressionLevel; }
  virtual void WriteSFXCode();
  // Puts the totals of the whole archive into segment 1 at Close.
  virtual void UpdateFirstSegment();

  // ---- spanning ----
  // Bytes that may still be written on the drive (and into this segment),
  // -1 when nothing limits them.
  int64_t FreeRoom(const AnsiString& drive);
  bool EnoughRoom(const AnsiString& drive);
  bool NeedSpace(int64_t count) override;
  // Closes this segment and goes on in the next one (on a new disk or in a
  // new place when needed), carrying the file being written over.
  void StartNewSegment();
  // Asks until a fresh disk for segment n is in the drive, and prepares it.
  void AskForNewDisk(int segment);
  // Clears the disk when asked to; false when it has not enough room.
  bool PrepareDisk(const AnsiString& drive, int segment);
  void ClearDisk(const AnsiString& drive);
  // Asks for another folder for segment n until its drive has room.
  void AskForNewPlace(int segment);

  struct TWriteBatch;
  struct TCodeParams;
  struct TPlannedFile;
  struct TPipeline;
  // The blocks of `source` after the current entry's record; `planned` is
  // the pipeline's file for it (its first blocks maybe coded already).
  void WriteBlocks(rtl::TStream& source, TPlannedFile*& planned);
  // How the blocks of a file are coded now; `largest` bounds its blocks.
  TCodeParams CodeParams(bool encrypted, TBlockWorkers* workers, int64_t largest);
  // Reads the next blocks from `at` (a failure ends the batch); returns where reading stopped.
  int64_t ReadBatch(TWriteBatch& b, rtl::TStream& source, int64_t size, int64_t at);
  // Compresses the blocks read, chooses their stored form and sums them; a
  // coder (on any thread) also enciphers them when it has the key. Without
  // one, the component's own steps run on this thread.
  void CodeBatch(TWriteBatch& b, TBlockCoder* coder);
  // Writes the coded blocks in order, each with its progress, then raises what ended the batch.
  void TakeBatch(TWriteBatch& b);
  // The workers that may code blocks ahead (none while a handler codes them).
  TBlockWorkers* PipelineWorkers();
  // The planned file `fileName` when it is the next one; otherwise the plan is dropped.
  TPlannedFile* TakePlanned(const AnsiString& fileName);
  // The planned file can give the blocks of the file being added.
  bool PlannedUsable(const TPlannedFile& planned, int64_t size, uint16_t mode, const TCodeParams& now) const;
  // Reads and posts batches of the planned files, in their order, while the ring has room.
  void FillPipeline(TBlockWorkers& workers, const TCodeParams& shape);
  // Looks a planned file up and opens it for reading ahead.
  void LookUpPlanned(TPlannedFile& file);
  // The first planned file leaves, its batches done with.
  void DropFirstPlanned();
  // Every planned file leaves.
  void DropPlan();
  void DropPrepared() override {
    DropPlan();
    TCustomExtractor::DropPrepared();
  }
  // Where the archive ended before an addition.
  struct TArchiveEnd {
    uint16_t Segment;
    uint32_t EndOffset;
    uint8_t ArchiveFlags;
    TArchiveInfo SegmentInfo;
    AnsiString FileName, Drive, Folder;
  };
  // Takes the archive back to where it ended before an addition whose file
  // ran on into new segments: the segment it began in is final again, with
  // its earlier end and totals, and the segment files begun since are deleted.
  void UndoSpanning(const TArchiveEnd& before);
  void DoSetComment(const AnsiString& text);

 private:
  TAddMode FAddMode = amAdd;
  TCompressionLevel FCompressionLevel = clNormal;
  int32_t FMinFreeSpace = 1048576;
  TPathStorage FPathStorage = psRelative;
  AnsiString FStartingFolder;
  bool FCheckDiskSpace = true;
  // Room kept free in the first segment for a self-extracting prefix (none here).
  int64_t FSFXReserve = 0;
  // Since the addition began: a segment was closed to go on in a new one,
  // and the segment files made.
  bool FSpanned = false;
  std::vector<AnsiString> FStartedSegments;
  std::unique_ptr<TPipeline> FPipeline;
};

}  // namespace archiver
