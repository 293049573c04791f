#pragma once
// The root of the archive component: properties and events, the header of the
// open segment, Open and Close, the operation bracket with its progress and
// timing, the error policy, keys and the built-in dialogs. Reading, writing
// and the block coding are added by the classes below it.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "archiver/ArchiverMisc.h"
#include "archiver/Messages.h"
#include "platform/Dialogs.h"
#include "rtl/Classes.h"
#include "rtl/Clock.h"
#include "rtl/Component.h"

namespace archiver {

class TArchiverRoot;

// One element of the file list: a copy of an entry record.
class TFileObject {
 public:
  explicit TFileObject(const TFileEntry& entry) : FileEntry(entry) {}
  TFileEntry FileEntry;
};

// Events. Sender is always the component; reference parameters are handed in
// with a value and read back.
using TNotifyEvent = std::function<void(TArchiverRoot* Sender)>;
using TAcceptArchiveEvent =
    std::function<void(TArchiverRoot* Sender, const TArchiveHeader& Header, bool& Accept)>;
using TShowCommentEvent = std::function<void(TArchiverRoot* Sender, const AnsiString& Comment)>;
using TFileProgressEvent = std::function<void(TArchiverRoot* Sender, int Percent)>;
using TShowTimingEvent =
    std::function<void(TArchiverRoot* Sender, rtl::TDateTime ElapsedTime, rtl::TDateTime RemainingTime)>;
using TDisplayMessageEvent = std::function<void(TArchiverRoot* Sender, const AnsiString& msg)>;
using TErrorEvent = std::function<void(TArchiverRoot* Sender, const rtl::Exception& E,
                                       const TFileEntry& FileEntry, TErrorAction& ErrorAction)>;
using TCryptKeyEvent = std::function<void(TArchiverRoot* Sender, AnsiString& Key)>;
using TGetSignatureEvent = std::function<void(TArchiverRoot* Sender, int32_t& Signature)>;
using TWriteUserDataEvent = std::function<void(TArchiverRoot* Sender, TUserData& UserData)>;

// Message box kinds and buttons of ShowMessageBox.
enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : uint8_t { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8, mbAbort = 16, mbRetry = 32, mbIgnore = 64 };
using TMsgDlgButtons = uint8_t;

// What the component is doing; the codes are those of the operations.
enum TArchiveOperation : uint8_t { opNone = 0, opAdding = 1, opExtracting = 2, opEnumerating = 3 };

enum TOperationState : uint8_t {
  osWritingData,
  osExtractingData,
  osSkippingData,
  osChangingSegment,
  osOpening,
  osClosing,
  osUncompressingSolid,
  osRecompressingSolid,
  osEnumeratingAfterOpen,
};

// Holds one operation state for its lifetime.
class TStateScope {
 public:
  TStateScope(uint32_t& states, TOperationState s) : FStates(states), FBit(1u << s) { FStates |= FBit; }
  ~TStateScope() { FStates &= ~FBit; }
  TStateScope(const TStateScope&) = delete;
  TStateScope& operator=(const TStateScope&) = delete;

 private:
  uint32_t& FStates;
  uint32_t FBit;
};

class TArchiverRoot : public rtl::TComponent {
 public:
  explicit TArchiverRoot(rtl::TComponent* owner = nullptr);
  virtual ~TArchiverRoot();
  TArchiverRoot(const TArchiverRoot&) = delete;
  TArchiverRoot& operator=(const TArchiverRoot&) = delete;

  // The class name shown in ArchiverBusy.
  virtual const char* ClassName() const { return "TArchiverRoot"; }

  // ---- properties ----
  int32_t BlockSize() const { return FBlockSize; }
  void SetBlockSize(int32_t value);  // values outside 1024 .. MaxBlockSize are ignored
  TErrorAction ErrorAction() const { return FErrorAction; }
  void SetErrorAction(TErrorAction value) { FErrorAction = value; }
  const AnsiString& FileName() const { return FFileName; }
  void SetFileName(const AnsiString& value);
  const AnsiString& Filter() const { return FFilter; }
  void SetFilter(const AnsiString& value) { FFilter = value; }
  TLanguage Language() const;
  void SetLanguage(TLanguage value);
  TMessages& Messages() { return *FMessages; }
  const TMessages& Messages() const { return *FMessages; }
  void SetMessages(const TMessages& value);
  TOptions Options() const { return FOptions; }
  void SetOptions(TOptions value) { FOptions = value; }

  // ---- public operations ----
  // With lgAutomatic the texts of the automatic language replace any stored
  // ones; otherwise the stored texts stay over those of their language.
  void Loaded() override;

  void Open();
  void Close();
  void RequestAbort();
  bool CanAbort() const;
  bool IsBusy() const { return FNesting > 0; }
  // The code of the running operation (opNone between operations).
  TArchiveOperation Operation() const { return FOperation; }

  // ---- state that applications read ----
  bool IsOpen() const { return FOpen; }
  bool IsReadOnly() const { return FReadOnly; }
  const TArchiveHeader& Header() const { return FHeader; }
  const TFileEntry& CurrentEntry() const { return FCurrentEntry; }
  const std::vector<TFileObject>& FileList() const { return FFileList; }
  // A segment file found shorter than its header's used area (FileName
  // empty when none was met since Open): an archive cut short.
  struct TCutShort {
    AnsiString FileName;
    int Segment = 0;
    int64_t Size = 0;        // the bytes the file holds after the archive start
    uint32_t EndOffset = 0;  // the bytes its header says it uses
  };
  const TCutShort& CutShort() const { return FCutShort; }
  // The entry records met by the latest walk of the entry chain.
  int EntriesWalked() const { return FEntriesWalked; }
  // The name of segment n's file.
  AnsiString SegmentFileName(int segment) const { return GetSegmentFileName(segment); }
  int64_t ArchiveStart() const { return FArchiveStart; }
  // The byte counts of the running operation (progress total and processed).
  long double BytesToProcess() const { return FTotal; }
  long double BytesProcessed() const { return FProcessed; }
  int FilesProcessed() const { return FFilesDone; }
  rtl::TDateTime StartDate() const { return FStartDate; }
  rtl::TDateTime EndDate() const { return FEndDate; }

  // ---- events ----
  TNotifyEvent OnBeforeOpen;
  TAcceptArchiveEvent OnAcceptArchive;
  TShowCommentEvent OnShowComment;
  TNotifyEvent OnAfterOpen;
  TNotifyEvent OnBeforeClose;
  TNotifyEvent OnAfterClose;
  TNotifyEvent OnClearFileList;
  TNotifyEvent OnStartOperation;
  TNotifyEvent OnFinishOperation;
  TFileProgressEvent OnFileProgress;
  TShowTimingEvent OnShowTiming;
  TDisplayMessageEvent OnDisplayMessage;
  TDisplayMessageEvent OnAddToLog;
  TErrorEvent OnError;
  TCryptKeyEvent OnEnterCryptKey;
  TCryptKeyEvent OnRequestCryptKey;
  TGetSignatureEvent OnGetSignature;
  TWriteUserDataEvent OnWriteUserData;
  TNotifyEvent OnAfterHeaderUpdate;

 protected:
  // Each class level hands in the message set of its level.
  TArchiverRoot(rtl::TComponent* owner, std::unique_ptr<TMessages> messages);

  // ---- the virtual operations ----
  virtual uint32_t GetSignature();
  virtual uint32_t GetHeaderSize() const { return FHeader.HeaderSize(); }
  virtual void WriteHeader();
  virtual void ReadHeader();
  virtual void StartOperation();
  virtual void FinishOperation();
  virtual void EnterCryptKey();
  virtual void RequestCryptKey();
  virtual int GetMinKeyLength() const { return 10; }
  virtual int64_t GetBlockBufferSize() const { return FHeader.BlockSize; }
  virtual AnsiString GetSegmentFileName(int segment) const;
  virtual void BeforeOpen();
  virtual void AfterOpen();
  virtual void BeforeClose();
  virtual void AfterClose();
  virtual void AfterHeaderUpdate();
  virtual void LoadTotals() {}
  virtual void CreateArchive();
  virtual uint16_t GetOpenMode() const { return 0; }
  // Makes room for `count` bytes at the position; true when that began a new segment.
  virtual bool NeedSpace(int64_t count) { return false; }
  // Moves on to the next segment when the position reached the end of this one's data.
  virtual bool CheckSegmentEnd() { return false; }
  virtual bool SelectFolder(AnsiString& folder);
  virtual bool LocateFile(const AnsiString& caption, AnsiString& fileName);
  virtual int ShowMessageBox(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons);
  virtual bool InputText(const AnsiString& caption, const AnsiString& prompt, AnsiString& value);
  virtual bool InputKey(const AnsiString& caption, const AnsiString& prompt, AnsiString& value);
  virtual void CheckSFXPrefix(const AnsiString& fileName);
  virtual void OpenSolid() {}
  virtual void CloseSolid() {}

  // ---- helpers for the classes below ----
  // Open and Close without the busy check (for use inside operations).
  void DoOpen();
  void DoClose();
  // Every class level calls it first in its destructor: the first one closes.
  void CloseOnDestroy();
  // Shows ArchiverBusy when asked to; true when the call must be turned away.
  bool CheckBusy();
  // Opens the archive, or reopens its stream, when needed.
  void EnsureOpen();
  // Runs body inside the operation bracket with the given operation code.
  void RunOperation(TArchiveOperation operation, const std::function<void()>& body);

  bool InState(TOperationState s) const { return (FStates & (1u << s)) != 0; }
  void EnterState(TOperationState s) { FStates |= 1u << s; }
  void LeaveState(TOperationState s) { FStates &= ~(1u << s); }

  void ReportProgress();
  void PauseTiming();
  void ResumeTiming();
  // The error policy for one failed file: true when the operation goes on
  // without it. When it must stop: raises the silent abort, or returns false
  // and the caller lets the error itself propagate.
  bool ErrorPolicy(const rtl::Exception& error, const TFileEntry& entry);
  platform::TDialogAnswer QueryContinue(const rtl::Exception& error, const TFileEntry& entry);
  // "%.0n bytes  %s": the line under a file name in the dialogs.
  static AnsiString SizeAndDate(long double size, rtl::TDateTime date);

  // Pauses the timing for its lifetime (around dialogs and segment changes).
  class TTimingPause {
   public:
    explicit TTimingPause(TArchiverRoot& owner) : FOwner(owner) { FOwner.PauseTiming(); }
    ~TTimingPause() { FOwner.ResumeTiming(); }
    TTimingPause(const TTimingPause&) = delete;
    TTimingPause& operator=(const TTimingPause&) = delete;

   private:
    TArchiverRoot& FOwner;
  };

  void DisplayMessage(const AnsiString& display, const AnsiString& log);
  void ClearFileList(bool notify = true);
  void SetFileNameInternal(const AnsiString& value);  // no Close; name parts recomputed
  void SetFileNameRaw(const AnsiString& value) { FFileName = value; }  // name parts kept
  void SplitFileName();
  void OpenArchiveStream(const AnsiString& fileName);
  void OpenReadOnly(const AnsiString& fileName);
  // Flushes a stream that may have been written, then closes it.
  void CloseStream();
  static void FlushStream(rtl::TStream& stream);
  // Block buffers of at least `size` bytes (the first holds the record's
  // payload, the second the result of decoding it).
  void EnsureBuffers(int64_t size1, int64_t size2);
  virtual void FreeBuffers();

  // Entry records at the stream position.
  void ReadEntry(TFileEntry& entry);
  void WriteEntry(TFileEntry& entry);
  int64_t Position() { return FStream->Position(); }
  void SeekArchive(int64_t offset) { FStream->Seek(FArchiveStart + offset, rtl::soBeginning); }
  // Where this segment's data ends: at EndOffset, or where its file is cut short.
  int64_t DataEnd() const { return std::min(FArchiveStart + static_cast<int64_t>(FHeader.EndOffset), FCutAt); }
  // The position has reached the end of this segment's data.
  bool AtSegmentEnd() { return Position() >= DataEnd(); }

  [[noreturn]] void RaiseArchiver(const AnsiString& message) const;
  // A record or block whose fields contradict each other or the archive.
  [[noreturn]] virtual void RaiseDamaged() const;

  // ---- state ----
  std::unique_ptr<TMessages> FMessages;
  TArchiveHeader FHeader;
  TFileEntry FCurrentEntry;
  int64_t FRecordOffset = 0;  // where the last record was read, relative to the archive start
  int64_t FCutAt = INT64_MAX;  // the end of the segment's file when it is cut short
  TCutShort FCutShort;
  int FEntriesWalked = 0;
  std::unique_ptr<rtl::TStream> FStream;
  bool FOpen = false;
  bool FReadOnly = false;  // opened for reading only
  bool FWritable = false;  // the stream may be written
  bool FModified = false;
  bool FDestroying = false;
  int64_t FArchiveStart = 0;
  AnsiString FKey;
  TArchiveOperation FOperation = opNone;
  uint32_t FStates = 0;
  int FNesting = 0;
  long double FTotal = 0;
  long double FProcessed = 0;
  long double FKnownTotal = 0;  // the archive's total of stored bytes, from Open
  int FFilesDone = 0;
  int64_t FElapsed = 0;  // milliseconds spent in operations
  uint32_t FLastResume = 0;
  int FPauseDepth = 0;
  long double FSpeed = 0;  // bytes per millisecond
  rtl::TDateTime FStartDate = 0;
  rtl::TDateTime FEndDate = 0;
  bool FAbort = false;
  bool FContinueYesToAll = false;
  std::vector<TFileObject> FFileList;
  AnsiString FSavedFileName;
  TOptions FSavedOptions;
  int32_t FSavedMaxSegmentSize = 0;
  int32_t FMaxSegmentSize = 0;
  // Name parts of FileName: drive, folder with trailing backslash, base name, extension.
  AnsiString FDrive, FFolder, FBaseName, FExtension;
  bool FSolid = false;
  rtl::TDateTime FTempFileDate = 0;
  TBlockBuffer FBuffer1, FBuffer2;

 private:
  int32_t FBlockSize = DefaultBlockSize;
  TErrorAction FErrorAction = eaAsk;
  AnsiString FFileName;
  AnsiString FFilter = "*.*";
  TOptions FOptions = DefaultOptions;
};

}  // namespace archiver
