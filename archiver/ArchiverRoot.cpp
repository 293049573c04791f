// The archive component's root: open/close, the operation bracket, progress,
// timing, error policy, keys and the built-in dialogs.

#include "archiver/ArchiverRoot.h"

#include <cfenv>
#include <climits>
#include <cmath>

#include "platform/Dialogs.h"
#include "platform/FileStream.h"
#include "platform/Files.h"
#include "rtl/DateUtils.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace archiver {

namespace {

// Buffers are made this big up front; a header asking for more gets it block
// by block, only as far as the data really needs (so a damaged BlockSize
// cannot make Open allocate gigabytes).
constexpr int64_t kPreallocatedBuffer = int64_t{4} << 20;

// Round to nearest, ties to even, clamped to the int range (a damaged total
// can make the ratio enormous).
int RoundPercent(long double value) {
  if (std::isnan(value)) return 0;
  long double r = std::nearbyint(value);
  if (r >= static_cast<long double>(INT_MAX)) return INT_MAX;
  if (r <= static_cast<long double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(r);
}

}  // namespace

// ---- construction ------------------------------------------------------------

TArchiverRoot::TArchiverRoot(rtl::TComponent* owner)
    : TArchiverRoot(owner, std::make_unique<TMessages>()) {}

TArchiverRoot::TArchiverRoot(rtl::TComponent* owner, std::unique_ptr<TMessages> messages)
    : rtl::TComponent(owner), FMessages(std::move(messages)) {}

TArchiverRoot::~TArchiverRoot() { CloseOnDestroy(); }

void TArchiverRoot::CloseOnDestroy() {
  BeginDestroy();
  if (!IsBusy()) {
    try {
      DoClose();
    } catch (...) {
      // a destructor cannot report; the stream is closed by now
    }
  }
  ClearFileList(false);
}

// ---- properties ----------------------------------------------------------------

// Sizes a reader refuses are not taken either.
void TArchiverRoot::SetBlockSize(int32_t value) {
  if (value >= static_cast<int32_t>(MinBlockSize) && value <= static_cast<int32_t>(MaxBlockSize)) FBlockSize = value;
}

void TArchiverRoot::SetFileName(const AnsiString& value) {
  if (value == FFileName) return;
  Close();
  FFileName = value;
  SplitFileName();
}

void TArchiverRoot::SetFileNameInternal(const AnsiString& value) {
  FFileName = value;
  SplitFileName();
}

TLanguage TArchiverRoot::Language() const { return FMessages->Language(); }
void TArchiverRoot::SetLanguage(TLanguage value) { FMessages->SetLanguage(value); }
void TArchiverRoot::SetMessages(const TMessages& value) { FMessages->Assign(value); }

void TArchiverRoot::Loaded() {
  if (Language() != lgAutomatic) return;
  SetLanguage(lgEnglish);
  SetLanguage(lgAutomatic);
}

// Drive, folder (without the drive, with trailing backslash), base name (without
// a "-NNN" or lone "-" suffix) and extension.
void TArchiverRoot::SplitFileName() {
  FDrive = rtl::ExtractFileDrive(FFileName);
  AnsiString path = rtl::ExtractFilePath(FFileName);
  FFolder = path.substr(std::min(FDrive.size(), path.size()));
  FExtension = rtl::ExtractFileExt(FFileName);
  AnsiString name = rtl::ExtractFileName(FFileName);
  AnsiString base = name.substr(0, name.size() - FExtension.size());
  size_t digits = base.size();
  while (digits > 0 && base[digits - 1] >= '0' && base[digits - 1] <= '9') --digits;
  if (digits > 0 && base[digits - 1] == '-') base.resize(digits - 1);
  FBaseName = base;
}

AnsiString TArchiverRoot::GetSegmentFileName(int segment) const {
  if (segment <= 1) return rtl::Format("%s%s%s%s", {FDrive, FFolder, FBaseName, FExtension});
  return rtl::Format("%s%s%s-%s%s", {FDrive, FFolder, FBaseName, rtl::Format("%.3d", {segment}), ".mmm"});
}

// ---- busy guard ----------------------------------------------------------------

bool TArchiverRoot::CheckBusy() {
  if (!IsBusy()) return false;
  if (FOptions.Contains(oShowBusyMessage))
    ShowMessageBox(rtl::Format(FMessages->ArchiverBusy(), {ClassName()}), mtWarning, mbOK);
  return true;
}

void TArchiverRoot::RequestAbort() {
  if (CanAbort()) FAbort = true;
}

bool TArchiverRoot::CanAbort() const { return !InState(osRecompressingSolid); }

void TArchiverRoot::RaiseArchiver(const AnsiString& message) const { throw EArchiver(message); }

void TArchiverRoot::RaiseDamaged() const { RaiseArchiver(rtl::Format(FMessages->BadSignature(), {FFileName})); }

// ---- open and close ------------------------------------------------------------

void TArchiverRoot::Open() {
  if (CheckBusy()) return;
  DoOpen();
}

void TArchiverRoot::Close() {
  if (CheckBusy()) return;
  DoClose();
}

void TArchiverRoot::EnsureOpen() { DoOpen(); }

void TArchiverRoot::OpenArchiveStream(const AnsiString& fileName) {
  CloseStream();
  int32_t attr = platform::FileGetAttr(fileName);
  if (attr != -1 && (attr & platform::FILE_ATTRIBUTE_READONLY) != 0) {
    OpenReadOnly(fileName);
    return;
  }
  try {
    FStream = std::make_unique<platform::TFileStream>(fileName, GetOpenMode());
    FReadOnly = false;
    FWritable = (GetOpenMode() & 3) != platform::fmOpenRead;
  } catch (const rtl::EStreamError&) {
    OpenReadOnly(fileName);
  }
}

void TArchiverRoot::OpenReadOnly(const AnsiString& fileName) {
  try {
    FStream = std::make_unique<platform::TFileStream>(fileName, platform::fmOpenRead | platform::fmShareDenyWrite);
  } catch (const rtl::EStreamError&) {
    RaiseArchiver(rtl::Format(FMessages->CannotOpenFile(), {fileName}));
  }
  FReadOnly = true;
  FWritable = false;
}

// What was written reaches the disk before the archive is reported closed:
// a power cut afterwards loses nothing.
void TArchiverRoot::CloseStream() {
  std::unique_ptr<rtl::TStream> stream = std::move(FStream);
  if (stream && FWritable) FlushStream(*stream);
}

void TArchiverRoot::FlushStream(rtl::TStream& stream) {
  if (auto* file = dynamic_cast<platform::TFileStream*>(&stream)) file->Flush();
}

void TArchiverRoot::DoOpen() {
  if (FOpen) {
    if (FStream) return;
    // The stream was closed while the archive stayed open: reopen its segment.
    SetFileNameRaw(GetSegmentFileName(FHeader.Segment));
    OpenArchiveStream(FFileName);
    return;
  }

  EnterState(osOpening);
  try {
    FModified = false;
    FCutShort = TCutShort{};
    FCutAt = INT64_MAX;
    FHeader.Segment = 1;
    BeforeOpen();
    if (FFileName.empty()) RaiseArchiver(FMessages->FileNameNeeded());
    try {
      if (!platform::FileExists(FFileName)) {
        CreateArchive();
      } else {
        OpenArchiveStream(FFileName);
        CheckSFXPrefix(FFileName);
        ReadHeader();
      }
    } catch (...) {
      CloseStream();
      throw;
    }
  } catch (...) {
    LeaveState(osOpening);
    throw;
  }

  try {
    bool accept = true;
    if (OnAcceptArchive) OnAcceptArchive(this, FHeader, accept);
    if (!accept) RaiseArchiver(FMessages->AcceptArchiveFailed());
    LoadTotals();
    FOpen = true;
    EnsureBuffers(std::min(GetBlockBufferSize(), kPreallocatedBuffer),
                  std::min(GetBlockBufferSize(), kPreallocatedBuffer));
    AfterOpen();
  } catch (...) {
    LeaveState(osOpening);
    try {
      DoClose();
    } catch (...) {
      // the first error is the one to report
    }
    throw;
  }
  LeaveState(osOpening);
}

void TArchiverRoot::BeforeOpen() {
  ClearFileList();
  FSavedFileName = FFileName;
  FSavedOptions = FOptions;
  FSavedMaxSegmentSize = FMaxSegmentSize;
  if (OnBeforeOpen) OnBeforeOpen(this);
}

void TArchiverRoot::AfterOpen() {
  if (OnAfterOpen) OnAfterOpen(this);
}

void TArchiverRoot::DoClose() {
  EnterState(osClosing);
  try {
    if (FOpen) {
      try {
        BeforeClose();
        if (FStream && FWritable && FOptions.Contains(oCreateReadOnly) && !FHeader.Has(afReadOnly)) {
          FHeader.ArchiveFlags |= afReadOnly;
          WriteHeader();
        }
      } catch (...) {
        // whatever failed, the archive ends up closed
        CloseStream();
        FKey.clear();
        FOpen = false;
        throw;
      }
      CloseStream();
      FKey.clear();
      FOpen = false;
      AfterClose();
    } else {
      CloseStream();
    }
  } catch (...) {
    LeaveState(osClosing);
    throw;
  }
  LeaveState(osClosing);
}

void TArchiverRoot::BeforeClose() {
  if (OnBeforeClose) OnBeforeClose(this);
}

void TArchiverRoot::AfterClose() {
  if (FSavedOptions.Contains(oCreateSolidArchives)) {
    FOptions = FSavedOptions;
    SetFileNameInternal(FSavedFileName);
    FMaxSegmentSize = FSavedMaxSegmentSize;
  }
  ClearFileList(!Destroying());
  if (OnAfterClose && !Destroying()) OnAfterClose(this);
}

void TArchiverRoot::ClearFileList(bool notify) {
  FFileList.clear();
  if (notify && OnClearFileList) OnClearFileList(this);
}

void TArchiverRoot::CreateArchive() { RaiseArchiver(FMessages->CanNotCreateArchive()); }

void TArchiverRoot::CheckSFXPrefix(const AnsiString&) { FArchiveStart = 0; }

// ---- header --------------------------------------------------------------------

uint32_t TArchiverRoot::GetSignature() {
  int32_t signature = static_cast<int32_t>(DefaultSignature);
  if (OnGetSignature) OnGetSignature(this, signature);
  return static_cast<uint32_t>(signature);
}

void TArchiverRoot::ReadHeader() {
  // The signature first: a file of another kind is reported as one, not as
  // whatever its bytes would make of the later fields.
  const uint32_t expected = GetSignature();
  SeekArchive(0);
  uint8_t signature[4] = {};
  if (FStream->Read(signature, 4) != 4 ||
      (uint32_t{signature[0]} | uint32_t{signature[1]} << 8 | uint32_t{signature[2]} << 16 |
       uint32_t{signature[3]} << 24) != expected)
    RaiseArchiver(rtl::Format(FMessages->BadSignature(), {FFileName}));
  SeekArchive(0);
  ReadHeaderFields(*FStream, FHeader);
  CheckHeader(FHeader, expected, FFileName, *FMessages);
  // A used area that begins inside the header would have the writer overwrite
  // it. One that runs past the end of the file is an archive cut short: what
  // lies before the cut is still read.
  if (FHeader.EndOffset < GetHeaderSize())
    RaiseArchiver(rtl::Format(FMessages->BadSignature(), {FFileName}));
  const int64_t size = FStream->Size();
  FCutAt = INT64_MAX;
  if (FArchiveStart + static_cast<int64_t>(FHeader.EndOffset) > size) {
    FCutAt = size;
    if (FCutShort.FileName.empty())
      FCutShort = TCutShort{FFileName, FHeader.Segment, std::max<int64_t>(size - FArchiveStart, 0), FHeader.EndOffset};
  }
}

void TArchiverRoot::WriteHeader() {
  SeekArchive(0);
  TUserData userData{};
  if (OnWriteUserData) OnWriteUserData(this, userData);
  FHeader.UserData = userData;
  FHeader.Signature = GetSignature();
  WriteHeaderFields(*FStream, FHeader);
  AfterHeaderUpdate();
}

void TArchiverRoot::AfterHeaderUpdate() {
  if (OnAfterHeaderUpdate) OnAfterHeaderUpdate(this);
}

void TArchiverRoot::ReadEntry(TFileEntry& entry) {
  const int64_t position = Position();
  FRecordOffset = position - FArchiveStart;
  // A record lies whole within the segment's data; nothing past it is read.
  const int64_t left = DataEnd() - position;
  constexpr int64_t kFixed = EntryFixedSize;
  uint8_t length[4];
  if (left < kFixed) throw rtl::EReadError("Stream read error");
  FStream->ReadBuffer(length, 4);
  const uint32_t nameLength =
      uint32_t{length[0]} | uint32_t{length[1]} << 8 | uint32_t{length[2]} << 16 | uint32_t{length[3]} << 24;
  if (static_cast<int64_t>(nameLength) > left - kFixed) throw rtl::EReadError("Stream read error");
  FStream->Seek(position, rtl::soBeginning);
  ReadEntryFields(*FStream, entry);
  // A negative data length would walk the chain backwards.
  if (entry.SegmentCompressedSize < 0) RaiseDamaged();
}

void TArchiverRoot::WriteEntry(TFileEntry& entry) {
  NeedSpace(entry.RecordSize());
  int64_t offset = Position() - FArchiveStart;
  // Offsets are 32-bit: the format cannot describe anything past 4 GiB.
  if (offset + entry.RecordSize() > UINT32_MAX) throw rtl::EWriteError("Stream write error");
  entry.Offset = static_cast<uint32_t>(offset);
  WriteEntryFields(*FStream, entry);
}

// ---- block buffers ---------------------------------------------------------------

void TArchiverRoot::EnsureBuffers(int64_t size1, int64_t size2) {
  FBuffer1.Reserve(static_cast<size_t>(std::max<int64_t>(size1, 0)));
  FBuffer2.Reserve(static_cast<size_t>(std::max<int64_t>(size2, 0)));
}

void TArchiverRoot::FreeBuffers() {
  FBuffer1.Free();
  FBuffer2.Free();
}

// ---- operation bracket -------------------------------------------------------------

void TArchiverRoot::RunOperation(TArchiveOperation operation, const std::function<void()>& body) {
  FOperation = operation;
  StartOperation();
  try {
    body();
  } catch (...) {
    FinishOperation();
    throw;
  }
  FinishOperation();
}

void TArchiverRoot::StartOperation() {
  if (FNesting++ > 0) return;
  try {
    FAbort = false;
    FContinueYesToAll = false;
    FTotal = 0;
    FProcessed = 0;
    FFilesDone = 0;
    FStartDate = rtl::Now();
    FElapsed = 0;
    FPauseDepth = 1;
    ResumeTiming();
    EnsureBuffers(std::min(GetBlockBufferSize(), kPreallocatedBuffer),
                  std::min(GetBlockBufferSize(), kPreallocatedBuffer));
    if (OnStartOperation) OnStartOperation(this);
    ReportProgress();
  } catch (...) {
    FinishOperation();
    throw;
  }
}

void TArchiverRoot::FinishOperation() {
  if (FNesting == 0 || --FNesting > 0) return;
  FreeBuffers();
  FEndDate = rtl::Now();
  PauseTiming();
  try {
    if (OnFinishOperation) OnFinishOperation(this);
  } catch (...) {
    FTotal = 0;
    FOperation = opNone;
    if (!FHeader.Has(afEncrypted)) FKey.clear();
    throw;
  }
  FTotal = 0;
  FOperation = opNone;
  if (!FHeader.Has(afEncrypted)) FKey.clear();
}

// ---- progress and timing -------------------------------------------------------------

void TArchiverRoot::ReportProgress() {
  if (FAbort) rtl::Abort();
  int percent = 0;
  if (FOptions.Contains(oOpenSingleSegment)) {
    uint32_t count = FHeader.SegmentInfo.FileCount;
    if (count > 0) percent = RoundPercent(static_cast<long double>(FFilesDone) / count * 100);
  } else if (FTotal > 0) {
    percent = RoundPercent(FProcessed / FTotal * 100);
  }
  if (InState(osUncompressingSolid))
    percent /= 2;
  else if (InState(osEnumeratingAfterOpen))
    percent = percent / 2 + 50;
  if (OnFileProgress) OnFileProgress(this, percent);

  TTimingPause pause(*this);
  long double remaining = 0;
  if (FSpeed != 0 && FProcessed < FTotal) remaining = std::nearbyint((FTotal - FProcessed) / FSpeed);
  if (OnShowTiming)
    OnShowTiming(this, static_cast<double>(FElapsed) / 86400000.0, static_cast<double>(remaining / 86400000.0L));
}

// Pauses nest: only the outermost pause and resume count time.
void TArchiverRoot::PauseTiming() {
  if (FPauseDepth++ > 0) return;
  uint32_t now = rtl::Clock().TickCount();
  FElapsed += static_cast<uint32_t>(now - FLastResume);
  FSpeed = FElapsed > 0 ? FProcessed / FElapsed : FProcessed;
}

void TArchiverRoot::ResumeTiming() {
  if (FPauseDepth == 0 || --FPauseDepth > 0) return;
  FLastResume = rtl::Clock().TickCount();
}

// ---- error policy -------------------------------------------------------------------

bool TArchiverRoot::ErrorPolicy(const rtl::Exception& error, const TFileEntry& entry) {
  TErrorAction action = FErrorAction;
  if (OnError) OnError(this, error, entry, action);
  if (action == eaContinue) return true;
  if (action == eaAsk) {
    if (FContinueYesToAll) return true;
    switch (QueryContinue(error, entry)) {
      case platform::daYes:
        return true;
      case platform::daYesToAll:
        FContinueYesToAll = true;
        return true;
      default:
        break;
    }
  }
  if (FErrorAction == eaAsk || OnError) rtl::Abort();
  return false;
}

platform::TDialogAnswer TArchiverRoot::QueryContinue(const rtl::Exception& error, const TFileEntry& entry) {
  const TDialogTexts& texts = DialogTexts();
  platform::TContinueQuery query;
  query.Caption = texts.Confirmation;
  query.ErrorLabel = texts.Error + " :";
  query.ErrorText = error.Message();
  query.FileLabel = texts.AFile + " :";
  query.EntryName = ShortenPath(entry.Name, 50);
  query.EntryInfo = SizeAndDate(entry.Size, entry.Date);
  query.Question = texts.CanContinue;
  query.YesText = texts.Yes;
  query.YesToAllText = texts.YesToAll;
  query.NoText = texts.No;
  TTimingPause pause(*this);
  return platform::Dialogs().QueryContinue(query);
}

AnsiString TArchiverRoot::SizeAndDate(long double size, rtl::TDateTime date) {
  return rtl::Format("%.0n bytes  %s", {size, rtl::DateTimeToStr(date)});
}

// ---- keys -------------------------------------------------------------------------------

void TArchiverRoot::EnterCryptKey() {
  TTimingPause pause(*this);
  FKey.clear();
  if (OnEnterCryptKey) {
    OnEnterCryptKey(this, FKey);
    return;
  }
  for (;;) {
    AnsiString key;
    if (!InputKey(FMessages->SystemMessage(), FMessages->EnterCryptKey(), key)) rtl::Abort();
    if (static_cast<int>(key.size()) < GetMinKeyLength()) {
      ShowMessageBox(rtl::Format(FMessages->KeyTooShort(), {GetMinKeyLength()}), mtWarning, mbOK);
      continue;
    }
    AnsiString confirmation;
    if (!InputKey(FMessages->SystemMessage(), FMessages->ConfirmCryptKey(), confirmation)) rtl::Abort();
    if (confirmation != key) {
      ShowMessageBox(FMessages->KeyNotConfirmed(), mtWarning, mbOK);
      FKey.clear();
      continue;
    }
    FKey = key;
    return;
  }
}

void TArchiverRoot::RequestCryptKey() {
  TTimingPause pause(*this);
  FKey.clear();
  if (OnRequestCryptKey) {
    OnRequestCryptKey(this, FKey);
    return;
  }
  AnsiString key;
  if (!InputKey(FMessages->SystemMessage(), FMessages->EnterDecryptKey(), key)) rtl::Abort();
  FKey = key;
}

// ---- built-in dialogs ------------------------------------------------------------------

int TArchiverRoot::ShowMessageBox(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  const TDialogTexts& texts = DialogTexts();
  AnsiString caption;
  platform::UINT flags = platform::MB_TASKMODAL;
  switch (type) {
    case mtWarning:
      caption = texts.Warning;
      flags |= platform::MB_ICONEXCLAMATION;
      break;
    case mtError:
      caption = texts.Error;
      flags |= platform::MB_ICONHAND;
      break;
    case mtConfirmation:
      caption = texts.Confirmation;
      flags |= platform::MB_ICONQUESTION;
      break;
    default:
      caption = texts.Information;
      flags |= platform::MB_ICONASTERISK;
      break;
  }
  auto has = [buttons](TMsgDlgButtons set) { return (buttons & set) == set; };
  if (has(mbAbort | mbRetry | mbIgnore))
    flags |= platform::MB_ABORTRETRYIGNORE;
  else if (has(mbYes | mbNo | mbCancel))
    flags |= platform::MB_YESNOCANCEL;
  else if (has(mbYes | mbNo))
    flags |= platform::MB_YESNO;
  else if (has(mbRetry | mbCancel))
    flags |= platform::MB_RETRYCANCEL;
  else if (has(mbOK | mbCancel))
    flags |= platform::MB_OKCANCEL;
  else
    flags |= platform::MB_OK;
  TTimingPause pause(*this);
  return platform::Dialogs().MessageBox(text, caption, flags);
}

bool TArchiverRoot::InputText(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) {
  platform::TInputQuery query;
  query.Caption = caption;
  query.Prompt = prompt;
  query.OkText = DialogTexts().Ok;
  query.CancelText = DialogTexts().Cancel;
  TTimingPause pause(*this);
  return platform::Dialogs().InputQuery(query, value);
}

bool TArchiverRoot::InputKey(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) {
  platform::TInputQuery query;
  query.Caption = caption;
  query.Prompt = prompt;
  query.OkText = DialogTexts().Ok;
  query.CancelText = DialogTexts().Cancel;
  query.Masked = true;
  TTimingPause pause(*this);
  return platform::Dialogs().InputQuery(query, value);
}

bool TArchiverRoot::SelectFolder(AnsiString& folder) {
  return InputText(FMessages->SystemMessage(), FMessages->SelectADirectory(), folder);
}

bool TArchiverRoot::LocateFile(const AnsiString& caption, AnsiString& fileName) {
  return InputText(FMessages->SystemMessage(), caption, fileName);
}

void TArchiverRoot::DisplayMessage(const AnsiString& display, const AnsiString& log) {
  if (OnDisplayMessage) OnDisplayMessage(this, display);
  if (OnAddToLog) OnAddToLog(this, log);
}

}  // namespace archiver
