// Reading archives: the entry walk, extraction, enumeration, the block
// reader, segment lookup and solid archives.

#include "archiver/CustExtractor.h"

#include <algorithm>
#include <climits>

#include "platform/Drives.h"
#include "platform/FileStream.h"
#include "platform/Files.h"
#include "rtl/DateUtils.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace archiver {

namespace {

// What follows the last backslash of a stored name.
AnsiString NamePart(const AnsiString& name) {
  size_t slash = name.rfind('\\');
  return slash == AnsiString::npos ? name : name.substr(slash + 1);
}

// Up to and including the last backslash; empty without one.
AnsiString FolderPart(const AnsiString& name) {
  size_t slash = name.rfind('\\');
  return slash == AnsiString::npos ? AnsiString() : name.substr(0, slash + 1);
}

bool RootExists(const AnsiString& drive) { return platform::DirectoryExists(drive + "\\"); }

uint32_t ReadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The payload length of a block record from its stored length (negative for
// a block stored as it is; INT32_MIN gives 2^31, more than any buffer).
int64_t PayloadLength(int32_t stored) { return stored < 0 ? -static_cast<int64_t>(stored) : stored; }

// Size and date of an existing file, for the overwrite dialog and the update rules.
long double ExistingFileSize(const AnsiString& path) {
  platform::WIN32_FIND_DATAA data;
  platform::HANDLE h = platform::Api().FindFirstFileA(path, data);
  if (h == platform::INVALID_HANDLE_VALUE) return 0;
  platform::Api().FindClose(h);
  return static_cast<long double>(data.nFileSize);
}

rtl::TDateTime ExistingFileDate(const AnsiString& path) {
  rtl::TDateTime date = 0;
  int32_t age = platform::FileAge(path);
  if (age != -1) rtl::TryFileDateToDateTime(age, date);
  return date;
}

}  // namespace

// ---- construction ---------------------------------------------------------------

TCustomExtractor::TCustomExtractor(rtl::TComponent* owner)
    : TCustomExtractor(owner, std::make_unique<TExtrMessages>()) {}

TCustomExtractor::TCustomExtractor(rtl::TComponent* owner, std::unique_ptr<TMessages> messages)
    : TArchiverRoot(owner, std::move(messages)) {}

TCustomExtractor::~TCustomExtractor() {
  WaitAhead();
  CloseOnDestroy();
  SetSFXGenerator(nullptr);
}

void TCustomExtractor::SetThreads(int value) {
  value = std::clamp(value, 1, 64);
  if (value == FThreads || IsBusy()) return;
  DropPrepared();
  FThreads = value;
  FWorkers.reset();
}

TBlockWorkers* TCustomExtractor::Workers() {
  if (FThreads <= 1 || FNoCoder) return nullptr;
  if (!FWorkers) {
    if (!NewBlockCoder()) {
      FNoCoder = true;
      return nullptr;
    }
    FWorkers = std::make_unique<TBlockWorkers>(FThreads, [this] { return NewBlockCoder(); });
  }
  return FWorkers.get();
}

void TCustomExtractor::SetSFXGenerator(TCustomSFXGenerator* value) {
  if (value == FSFXGenerator) return;
  if (FSFXGenerator) RemoveFreeNotification(FSFXGenerator);
  FSFXGenerator = value;
  if (FSFXGenerator) FreeNotification(FSFXGenerator);
}

void TCustomExtractor::Notification(rtl::TComponent* component, rtl::TOperation operation) {
  TArchiverRoot::Notification(component, operation);
  if (operation == rtl::opRemove && component == FSFXGenerator) FSFXGenerator = nullptr;
}

// Damage found in the data speaks as a checksum failure does: the data
// stored in the archive is corrupted.
void TCustomExtractor::RaiseDamaged() const { throw EArchiverBadCRC(static_cast<const TExtrMessages&>(*FMessages).BadCRC()); }

// ---- open, close and the operation bracket -------------------------------------------

void TCustomExtractor::StartOperation() {
  if (!IsBusy()) {
    FOverwriteYesToAll = false;
    FLastFolder.clear();
  }
  TArchiverRoot::StartOperation();
}

// The workers are done with what was read ahead before its buffer goes.
void TCustomExtractor::FreeBuffers() {
  WaitAhead();
  for (TAheadWindow& window : FWindows) {
    window.Data.Free();
    window.Output.Free();
  }
  TArchiverRoot::FreeBuffers();
}

uint16_t TCustomExtractor::GetOpenMode() const { return platform::fmOpenRead | platform::fmShareDenyWrite; }

void TCustomExtractor::LoadTotals() {
  if (!Options().Contains(oOpenSingleSegment) &&
      (FHeader.Segment != 1 || !(FHeader.ArchiveInfo.CompressedSize > FHeader.SegmentInfo.CompressedSize)))
    MoveToLastSegment();
  FKnownTotal = Options().Contains(oOpenSingleSegment) ? 0 : FHeader.ArchiveInfo.CompressedSize;
}

void TCustomExtractor::AfterOpen() {
  if (!FHeader.Comment.empty() && OnShowComment) OnShowComment(this, FHeader.Comment);
  OpenSolid();
  if (OnAfterOpen) OnAfterOpen(this);
  if (Options().Contains(oEnumerateAfterOpen) || Options().Contains(oMaintainFileDirectory)) {
    TStateScope state(FStates, osEnumeratingAfterOpen);
    DoEnumerate();
  }
}

void TCustomExtractor::BeforeClose() {
  WaitAhead();
  if (OnBeforeClose) OnBeforeClose(this);
  CloseSolid();
}

// The archive starts after an executable prefix when a generator is attached
// and the file is an ".EXE": the sizes come from its version resource, or
// from the generator while the file does not exist.
void TCustomExtractor::CheckSFXPrefix(const AnsiString& fileName) {
  FArchiveStart = 0;
  if (!FSFXGenerator || rtl::UpperCase(rtl::ExtractFileExt(fileName)) != ".EXE") return;
  int64_t code, tag;
  if (platform::FileExists(fileName)) {
    code = rtl::StrToIntDef(platform::Api().GetFileVersionString(fileName, "SFXCodeSize"), 0);
    tag = rtl::StrToIntDef(platform::Api().GetFileVersionString(fileName, "TagInfoSize"), 0);
  } else {
    code = FSFXGenerator->DefaultSFXCodeSize();
    tag = FSFXGenerator->DefaultTagInfoSize();
  }
  FArchiveStart = std::max<int64_t>(code, 0) + std::max<int64_t>(tag, 0);
}

// ---- solid archives -----------------------------------------------------------------

void TCustomExtractor::OpenSolid() {
  if (!FHeader.Has(afSolid)) return;
  FSolid = true;
  FTempFileName = BuildTempArchiveName(FMessages->CanNotBuildTempFileName());
  const bool holdsInner = FHeader.SegmentInfo.FileCount >= 1;
  {
    TStateScope state(FStates, osUncompressingSolid);
    if (holdsInner) {
      try {
        RunOperation(opExtracting, [this] {
          FTotal = FKnownTotal;
          MoveToSegment(1);
          ReadHeader();
          ReadEntry(FCurrentEntry);
          ExtractEntry(FTempFileName, false);
        });
        FProcessed = 0;
        FElapsed = 0;
        FTempFileDate = ExistingFileDate(FTempFileName);
      } catch (...) {
        platform::DeleteFile(FTempFileName);
        throw;
      }
    }
  }
  CloseStream();
  SetOptions(Options() - TOptions{oCreateSolidArchives, oCompress, oCrypt, oWriteSFXCode});
  FMaxSegmentSize = 0;
  SetFileNameRaw(FTempFileName);
  if (platform::FileExists(FTempFileName)) {
    OpenArchiveStream(FTempFileName);
    CheckSFXPrefix(FTempFileName);
    ReadHeader();
    LoadTotals();
  } else if (!holdsInner) {
    CreateArchive();
    FTempFileDate = 1.0;
  } else {
    // The outer archive's entry gave no inner archive (a damaged archive, or
    // an error passed over): a new empty one would replace it at Close.
    RaiseArchiver(rtl::Format(FMessages->CannotOpenFile(), {FTempFileName}));
  }
}

void TCustomExtractor::CloseSolid() {
  if (!FSolid) return;
  CloseStream();
  SetFileNameInternal(FSavedFileName);
  SetOptions(FSavedOptions);
  platform::DeleteFile(FTempFileName);
  FSolid = false;
}

// ---- segments -----------------------------------------------------------------------

bool TCustomExtractor::ProbeSegment(const AnsiString& fileName, TArchiveHeader& header) {
  if (!platform::FileExists(fileName)) return false;
  try {
    platform::TFileStream stream(fileName, platform::fmOpenRead | platform::fmShareDenyWrite);
    int64_t savedStart = FArchiveStart;
    CheckSFXPrefix(fileName);
    int64_t start = FArchiveStart;
    FArchiveStart = savedStart;
    stream.Seek(start, rtl::soBeginning);
    ReadHeaderFields(stream, header);
  } catch (const rtl::Exception&) {
    return false;
  }
  return header.Signature == GetSignature() && header.RandomID == FHeader.RandomID;
}

bool TCustomExtractor::IsSegment(const AnsiString& fileName, int segment) {
  TArchiveHeader probe;
  return ProbeSegment(fileName, probe) && probe.Segment == segment;
}

bool TCustomExtractor::IsFinalSegment(const AnsiString& fileName) {
  TArchiveHeader probe;
  return ProbeSegment(fileName, probe) && probe.Has(afFinalSegment);
}

bool TCustomExtractor::OnRemovableDrive() const { return platform::IsRemovableDrive(FDrive); }

void TCustomExtractor::AskForDrive(const AnsiString& text, AnsiString& drive,
                                   const std::function<void(AnsiString&)>& event) {
  AnsiString reply = drive;
  if (event)
    event(reply);
  else if (!InputText(FMessages->SystemMessage(), text, reply))
    rtl::Abort();
  if (reply.size() >= 2 && reply[1] == ':') drive = reply;
}

void TCustomExtractor::TakeLocatedName(const AnsiString& fileName, int segment) {
  AnsiString extension = FExtension;
  SetFileNameInternal(fileName);
  if (segment != 1) FExtension = extension;
}

bool TCustomExtractor::CheckSegmentEnd() {
  if (!AtSegmentEnd() || FHeader.Has(afFinalSegment) || Options().Contains(oOpenSingleSegment)) return false;
  TStateScope state(FStates, osChangingSegment);
  MoveToSegment(FHeader.Segment + 1);
  return true;
}

void TCustomExtractor::MoveToSegment(int segment) {
  if (FHeader.Segment == segment) return;
  // What was read ahead lies in the segment left.
  for (TAheadWindow& window : FWindows) window.Stream = nullptr;
  TTimingPause pause(*this);
  // The segment left stays at hand until the new one is read: when that
  // fails, the component is back where the current entry was read, so that
  // passing over the entry reads the stream it came from.
  std::unique_ptr<rtl::TStream> previous = std::move(FStream);
  const TArchiveHeader header = FHeader;
  const TFileEntry kept = FCurrentEntry;
  const AnsiString name = FileName();
  const int64_t start = FArchiveStart, recordOffset = FRecordOffset, cutAt = FCutAt;
  try {
    SetFileNameRaw(GetSegmentFileName(segment));
    if (!IsSegment(FileName(), segment)) FindSegment(segment);
    OpenArchiveStream(FileName());
    CheckSFXPrefix(FileName());
    ReadHeader();
    if ((FOperation == opExtracting || FOperation == opEnumerating) &&
        FHeader.ArchiveInfo.CompressedSize > FKnownTotal) {
      if (FTotal == FKnownTotal) FTotal = FHeader.ArchiveInfo.CompressedSize;
      FKnownTotal = FHeader.ArchiveInfo.CompressedSize;
      ReportProgress();
    }
    if (OnSegmentChanged) OnSegmentChanged(this);
    if (InState(osExtractingData) || InState(osSkippingData)) {
      ReadEntry(FCurrentEntry);
      if (FCurrentEntry.Name != kept.Name || FCurrentEntry.Size != kept.Size || FCurrentEntry.Date != kept.Date)
        RaiseArchiver(ExtrMessages().WrongNextSegment());
    }
    if (previous && FWritable) FlushStream(*previous);
  } catch (...) {
    CloseStream();
    FStream = std::move(previous);
    FHeader = header;
    FCurrentEntry = kept;
    SetFileNameRaw(name);
    FArchiveStart = start;
    FRecordOffset = recordOffset;
    FCutAt = cutAt;
    throw;
  }
}

void TCustomExtractor::MoveToLastSegment() {
  if (FHeader.Has(afFinalSegment) || Options().Contains(oOpenSingleSegment)) return;
  TTimingPause pause(*this);
  int k = FHeader.Segment;
  CloseStream();
  bool found = false;
  while (k < 0xFFFF) {
    ++k;
    SetFileNameRaw(GetSegmentFileName(k));
    TArchiveHeader probe;
    if (!ProbeSegment(FileName(), probe)) break;
    if (probe.Has(afFinalSegment)) {
      found = true;
      break;
    }
  }
  if (!found) FindLastSegment(k);
  OpenArchiveStream(FileName());
  CheckSFXPrefix(FileName());
  ReadHeader();
}

void TCustomExtractor::FindSegment(int segment) {
  if (OnRemovableDrive()) {
    // The insert-disk loop: the same name on the disk the operator puts in.
    const AnsiString text = rtl::Format(ExtrMessages().InsertDisk(), {segment, FDrive});
    AnsiString drive = FDrive;
    for (;;) {
      AskForDrive(text, drive, OnInsertDisk ? [&](AnsiString& d) { OnInsertDisk(this, segment, d); }
                                            : std::function<void(AnsiString&)>());
      if (!drive.empty() && platform::ValidDrive(drive)) {
        FDrive = drive.substr(0, 2);
        if (IsSegment(GetSegmentFileName(segment), segment)) break;
      }
    }
    SetFileNameRaw(GetSegmentFileName(segment));
    return;
  }
  // The locate-segment loop: the operator names the file.
  AnsiString name;
  for (;;) {
    AnsiString text = rtl::Format(ExtrMessages().LocateSegment(), {segment, FBaseName});
    name = GetSegmentFileName(segment);
    if (OnLocateSegment)
      OnLocateSegment(this, segment, name);
    else if (!LocateFile(text, name))
      rtl::Abort();
    if (IsSegment(name, segment)) break;
    ShowMessageBox(rtl::Format(ExtrMessages().WrongSegment(), {segment, FBaseName}), mtWarning, mbOK);
  }
  TakeLocatedName(name, segment);
}

void TCustomExtractor::FindLastSegment(int firstMissing) {
  if (OnRemovableDrive()) {
    // The insert-last-disk loop: any segment file of this archive on the disk
    // that is the final one.
    const AnsiString text = rtl::Format(ExtrMessages().InsertLastSegment(), {FDrive});
    AnsiString drive = FDrive;
    for (;;) {
      AskForDrive(text, drive, OnInsertLastDisk ? [&](AnsiString& d) { OnInsertLastDisk(this, d); }
                                                : std::function<void(AnsiString&)>());
      if (!platform::ValidDrive(drive)) continue;
      AnsiString folder = drive.substr(0, 2) + FFolder;
      AnsiString found = FindFinalSegment(folder + FBaseName + "*.mmm", folder);
      if (!found.empty()) {
        FDrive = drive.substr(0, 2);
        SetFileNameRaw(found);
        return;
      }
    }
  }
  // The locate-last-segment loop.
  AnsiString name;
  for (;;) {
    AnsiString text = rtl::Format(ExtrMessages().LocateLastSegment(), {FBaseName});
    name = GetSegmentFileName(firstMissing);
    if (OnLocateLastSegment)
      OnLocateLastSegment(this, name);
    else if (!LocateFile(text, name))
      rtl::Abort();
    if (IsFinalSegment(name)) break;
    ShowMessageBox(ExtrMessages().WrongLastSegment(), mtWarning, mbOK);
  }
  TakeLocatedName(name, firstMissing);
}

AnsiString TCustomExtractor::FindFinalSegment(const AnsiString& pattern, const AnsiString& folder) {
  platform::WIN32_FIND_DATAA data;
  platform::HANDLE h = platform::Api().FindFirstFileA(pattern, data);
  if (h == platform::INVALID_HANDLE_VALUE) return {};
  AnsiString found;
  do {
    if (data.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) continue;
    AnsiString candidate = folder + data.cFileName;
    if (IsFinalSegment(candidate)) {
      found = candidate;
      break;
    }
  } while (platform::Api().FindNextFileA(h, data));
  platform::Api().FindClose(h);
  return found;
}

// ---- the entry walk --------------------------------------------------------------------

void TCustomExtractor::WalkEntries(const std::function<void()>& visit) {
  FEntriesWalked = 0;
  SeekArchive(GetHeaderSize());
  for (;;) {
    if (AtSegmentEnd()) {
      if (!CheckSegmentEnd()) break;
      continue;
    }
    ReadEntry(FCurrentEntry);
    ++FEntriesWalked;
    visit();
  }
}

void TCustomExtractor::ExtractFiles() {
  if (CheckBusy()) return;
  if (FExtractPath.empty()) RaiseArchiver(ExtrMessages().NeedExtractPath());
  RunOperation(opExtracting, [this] {
    EnsureOpen();
    FTotal = FKnownTotal;
    if (!Options().Contains(oOpenSingleSegment)) MoveToSegment(1);
    ReadHeader();
    int index = 0;
    WalkEntries([this, &index] {
      bool climbsOut;
      AnsiString computed = DestinationFolder(FCurrentEntry, climbsOut);
      AnsiString destPath = computed;
      bool accept = true;
      if (OnExtractFile) OnExtractFile(this, FCurrentEntry, destPath, accept);
      if (OnExtractFileByIndex) OnExtractFileByIndex(this, index, destPath, accept);
      ++index;
      if (accept)
        // A handler that redirected the entry took the choice of folder on itself.
        ExtractEntry(rtl::IncludeTrailingBackslash(destPath) + NamePart(FCurrentEntry.Name),
                     climbsOut && destPath == computed);
      else
        SkipEntry(FRecordOffset);
    });
  });
}

void TCustomExtractor::EnumerateFiles() {
  if (CheckBusy()) return;
  DoEnumerate();
}

void TCustomExtractor::DoEnumerate() {
  RunOperation(opEnumerating, [this] {
    EnsureOpen();
    FTotal = FKnownTotal;
    FProcessed = 0;
    if (!Options().Contains(oOpenSingleSegment)) MoveToSegment(1);
    ReadHeader();
    ClearFileList();
    DisplayMessage(ExtrMessages().LoadingArchiveContnent(), ExtrMessages().LoadingArchiveContnent());
    WalkEntries([this] {
      if (Options().Contains(oMaintainFileDirectory)) FFileList.emplace_back(FCurrentEntry);
      SkipEntry(FRecordOffset);
      if (OnEnumeration && (!FCurrentEntry.Has(ffFolder) || Options().Contains(oShowEmptyFolders)))
        OnEnumeration(this, FCurrentEntry);
    });
  });
}

void TCustomExtractor::TestFiles() {
  if (CheckBusy()) return;
  RunOperation(opExtracting, [this] {
    EnsureOpen();
    FTotal = FKnownTotal;
    if (!Options().Contains(oOpenSingleSegment)) MoveToSegment(1);
    ReadHeader();
    WalkEntries([this] {
      const AnsiString& name = FCurrentEntry.Name;
      DisplayMessage(rtl::Format(ExtrMessages().CheckingFile(), {NamePart(name), FCurrentEntry.Size}),
                     rtl::Format(ExtrMessages().CheckingFile(), {name, FCurrentEntry.Size}));
      if (FCurrentEntry.Has(ffFolder)) return;
      long double noted = FProcessed;
      try {
        ReadFileData(nullptr);
        ++FFilesDone;
        CheckSegmentEnd();
      } catch (const rtl::EAbort&) {
        throw;
      } catch (const rtl::Exception& e) {
        // A failed change of segment leaves no segment to go on in.
        if (!FStream || !ErrorPolicy(e, FCurrentEntry)) throw;
        FProcessed = noted;
        SkipEntry(FRecordOffset);
      }
    });
  });
}

// ---- destination folder ----------------------------------------------------------------

AnsiString TCustomExtractor::DestinationFolder(const TFileEntry& entry, bool& climbsOut) const {
  AnsiString name = NamePart(entry.Name);
  AnsiString base = rtl::IncludeTrailingBackslash(FExtractPath);
  if (!Options().Contains(oRestorePath)) {
    climbsOut = ClimbsOut(name);
    return FExtractPath;
  }
  AnsiString p = FolderPart(entry.Name);
  climbsOut = false;
  auto relative = [&](const AnsiString& r) {
    climbsOut = ClimbsOut(r + name);
    return base + r;
  };

  // Network path: \\server\share\...
  if (p.rfind("\\\\", 0) == 0) {
    AnsiString r = p.substr(2);
    size_t first = r.find('\\');
    if (first == AnsiString::npos || r.find('\\', first + 1) == AnsiString::npos) return relative(r);
    size_t second = r.find('\\', first + 1);
    if (platform::DirectoryExists(p.substr(0, 2 + second))) return p;  // \\server\share
    return relative(r);
  }
  // Drive path: X:\... goes back there, else to the same path on the
  // extraction folder's drive, else on drive C.
  size_t colon = p.find(':');
  if (colon != AnsiString::npos) {
    if (colon == 1 && RootExists(p.substr(0, 2))) return p;
    AnsiString sameFolder = p;
    if (FExtractPath.size() >= 2 && FExtractPath[1] == ':' && RootExists(FExtractPath.substr(0, 2)))
      sameFolder[0] = FExtractPath[0];
    else
      sameFolder[0] = 'C';
    return sameFolder;
  }
  return relative(p);
}

// ---- one entry -------------------------------------------------------------------------

bool TCustomExtractor::QueryOverwrite(const AnsiString& target) {
  if (FOverwriteYesToAll) return true;
  const TDialogTexts& texts = DialogTexts();
  platform::TOverwriteQuery query;
  query.Caption = texts.ConfirmFileOverwrite;
  query.ReplaceLabel = texts.ReplaceFile;
  query.ExistingName = ShortenPath(target, 50);
  query.ExistingInfo = SizeAndDate(ExistingFileSize(target), ExistingFileDate(target));
  query.WithLabel = texts.WithFile;
  query.EntryName = ShortenPath(FCurrentEntry.Name, 50);
  query.EntryInfo = SizeAndDate(FCurrentEntry.Size, FCurrentEntry.Date);
  query.YesText = texts.Yes;
  query.YesToAllText = texts.YesToAll;
  query.NoText = texts.No;
  query.CancelText = texts.Cancel;
  platform::TDialogAnswer answer;
  {
    TTimingPause pause(*this);
    answer = platform::Dialogs().QueryOverwrite(query);
  }
  switch (answer) {
    case platform::daYes:
      return true;
    case platform::daYesToAll:
      FOverwriteYesToAll = true;
      return true;
    case platform::daCancel:
      rtl::Abort();
    default:
      return false;
  }
}

void TCustomExtractor::ExtractEntry(const AnsiString& target, bool refuse) {
  const TFileEntry& entry = FCurrentEntry;
  int64_t recordOffset = FRecordOffset;

  // The restore rule against an existing file (a folder is not one).
  int32_t attr = platform::FileGetAttr(target);
  bool exists = attr != -1 && (attr & platform::FILE_ATTRIBUTE_DIRECTORY) == 0;
  bool skip = false;
  switch (FRestoreAction) {
    case raSkip:
      skip = exists;
      break;
    case raUpdate:
    case raUpdateExisting:
      skip = exists ? ExistingFileDate(target) >= entry.Date : FRestoreAction == raUpdateExisting;
      break;
    case raAsk:
      skip = exists && !QueryOverwrite(target);
      break;
    case raExistingOnly:
      skip = !exists;
      break;
    case raOverwrite:
      break;
  }
  if (skip) {
    SkipEntry(recordOffset);
    return;
  }

  if (InState(osUncompressingSolid))
    DisplayMessage(ExtrMessages().UncompressingSolidArchive(), ExtrMessages().UncompressingSolidArchive());
  else
    DisplayMessage(rtl::Format(ExtrMessages().ExtractingFile(), {NamePart(target), entry.Size}),
                   rtl::Format(ExtrMessages().ExtractingFile(), {target, entry.Size}));
  long double noted = FProcessed;

  try {
    if (refuse) RaiseArchiver(rtl::Format(FMessages->CannotCreateFile(), {target}));
    // Files of one folder follow each other: its folders are made once.
    AnsiString folder = rtl::ExtractFileDir(target);
    // A folder that could not be made is tried again for the next file.
    if (folder != FLastFolder) FLastFolder = platform::ForceDirectories(folder) ? folder : AnsiString();
    if (entry.Has(ffFolder)) return;

    if (attr != -1)
      platform::FileSetAttr(target, attr & (platform::FILE_ATTRIBUTE_DIRECTORY | platform::FILE_ATTRIBUTE_VOLUME));
    std::unique_ptr<platform::TFileStream> out;
    if (exists && (entry.StartOffset != 0 || Options().Contains(oOpenSingleSegment))) {
      try {
        out = std::make_unique<platform::TFileStream>(target, platform::fmOpenReadWrite | platform::fmShareDenyWrite);
      } catch (const rtl::EStreamError&) {
        RaiseArchiver(rtl::Format(FMessages->CannotOpenFile(), {target}));
      }
    } else {
      try {
        out = std::make_unique<platform::TFileStream>(target, platform::fmCreate);
      } catch (const rtl::EStreamError&) {
        RaiseArchiver(rtl::Format(FMessages->CannotCreateFile(), {target}));
      }
    }
    ReadFileData(out.get());
    ++FFilesDone;
    platform::FileSetDate(out->Handle(), rtl::DateTimeToFileDate(FCurrentEntry.Date));
    out.reset();
    platform::FileSetAttr(target, FCurrentEntry.Attr);
    if (OnFileExtracted) OnFileExtracted(this, FCurrentEntry, rtl::ExtractFilePath(target));
    CheckSegmentEnd();
  } catch (const rtl::EAbort&) {
    throw;
  } catch (const rtl::Exception& e) {
    if (!FStream || !ErrorPolicy(e, FCurrentEntry)) throw;  // no segment left to go on in
    FProcessed = noted;
    SkipEntry(FRecordOffset);
  }
}

// The file's bytes are written in order from its start: every part begins
// where the ones before it ended, and nothing is written past the entry's
// Size, whatever the records say (a damaged StartOffset must not make the
// target gigabytes long).
void TCustomExtractor::ReadFileData(rtl::TStream* out) {
  const int64_t size = FCurrentEntry.Size;
  if (size <= 0) {
    if (size < 0 || FCurrentEntry.SegmentCompressedSize != 0) RaiseDamaged();
    return;
  }
  TStateScope state(FStates, osExtractingData);
  const bool single = Options().Contains(oOpenSingleSegment);
  // Only a single segment read on its own may begin inside the file.
  int64_t at = FCurrentEntry.StartOffset;
  if (at > size || (at != 0 && !single)) RaiseDamaged();
  if (out) out->Seek(at, rtl::soBeginning);
  // What was read ahead for an earlier file and not taken is not this file's.
  FAheadNext = FAheadEnd;
  // Deciphering comes before the checksum: on the caller's thread it goes
  // block by block, so only plain entries are read ahead, unless workers decode.
  const bool ahead = !FCurrentEntry.Has(ffEncrypted) || DecodeWorkers();
  for (;;) {
    const int64_t stored = FCurrentEntry.SegmentCompressedSize;
    if (stored <= 0 || FCurrentEntry.SegmentSize < 0 || FCurrentEntry.SegmentSize > size - at) RaiseDamaged();
    const int64_t partEnd = at + FCurrentEntry.SegmentSize;
    int64_t sum = 0;
    do {
      // Records read ahead lie before the stream's position. A part's data
      // that runs past the segment's data is cut short or damaged.
      const bool readAhead = FAheadNext < FAheadEnd;
      if (!readAhead && AtSegmentEnd()) throw rtl::EReadError("Stream read error");
      if (ahead && !readAhead) ReadAhead(stored - sum);
      const uint8_t* data;
      int32_t length;
      int64_t recordSize = ReadBlock(data, length);
      if (length > partEnd - at) RaiseDamaged();
      if (out) out->WriteBuffer(data, length);
      at += length;
      FProcessed += recordSize;
      ReportProgress();
      sum += recordSize;
    } while (sum < stored);
    if (sum != stored || at != partEnd) RaiseDamaged();
    if (single) return;  // a part continued elsewhere leaves the file partial
    if (FCurrentEntry.Has(ffFinalPart)) {
      if (at != size) RaiseDamaged();
      return;
    }
    // The file goes on right after the next segment's header.
    if (!AtSegmentEnd()) RaiseDamaged();
    if (FHeader.Has(afFinalSegment)) throw rtl::EReadError("Stream read error");
    CheckSegmentEnd();
    if (FCurrentEntry.StartOffset != at) RaiseDamaged();
  }
}

int64_t TCustomExtractor::ReadBlock(const uint8_t*& data, int32_t& length) {
  int32_t stored;
  uint32_t checksum, sum = 0;
  uint8_t* payloadData;
  int32_t plain;
  const bool encrypted = FCurrentEntry.Has(ffEncrypted);
  const TAheadRecord* decoded = nullptr;  // decoded by a worker
  bool summed = false;
  if (FAheadNext < FAheadEnd) {
    TAheadWindow& window = Front();
    const size_t index = FAheadNext++;
    const TAheadRecord& record = window.Records[index];
    stored = record.Stored;
    checksum = record.Checksum;
    payloadData = record.Payload;
    plain = static_cast<int32_t>(PayloadLength(stored));
    if (!window.Tasks.empty()) {
      FWorkers->Wait(window.Tasks[index / window.Group]);
      decoded = &record;
    } else if (!encrypted) {
      sum = record.Sum;
      summed = true;
    }
  } else {
    const int64_t position = Position();
    if (position + static_cast<int64_t>(BlockRecordHeaderSize) > DataEnd()) throw rtl::EReadError("Stream read error");
    uint8_t record[BlockRecordHeaderSize];
    FStream->ReadBuffer(record, sizeof record);
    stored = static_cast<int32_t>(ReadLE32(record));
    checksum = ReadLE32(record + 4);
    const int64_t payload = PayloadLength(stored);

    // A length the block buffer cannot hold is damage, not a block; one that
    // runs past the used area is a cut archive.
    if (payload > GetBlockBufferSize() || payload > INT32_MAX) RaiseDamaged();
    if (position + static_cast<int64_t>(BlockRecordHeaderSize) + payload > DataEnd())
      throw rtl::EReadError("Stream read error");
    EnsureBuffers(payload, 0);
    FStream->ReadBuffer(FBuffer1.data(), static_cast<int32_t>(payload));
    payloadData = FBuffer1.data();
    plain = static_cast<int32_t>(payload);
  }
  if (decoded) {
    if (encrypted) {
      if (decoded->Plain < 0 || decoded->Plain > plain) throw EArchiverBadKey(ExtrMessages().BadKey());
      plain = decoded->Plain;
    }
    sum = decoded->Sum;
  } else {
    if (encrypted) {
      if (FKey.empty()) RequestCryptKey();
      int32_t size = plain;
      DecryptBlock(payloadData, payloadData, plain, size);
      if (size < 0 || size > plain) throw EArchiverBadKey(ExtrMessages().BadKey());
      plain = size;
    }
    if (!summed) sum = BlockChecksum(payloadData, static_cast<size_t>(plain));
  }
  if (static_cast<uint32_t>(~sum) != checksum) {
    if (encrypted) throw EArchiverBadKey(ExtrMessages().BadKey());
    throw EArchiverBadCRC(ExtrMessages().BadCRC());
  }

  const int64_t recordSize = BlockRecordHeaderSize + PayloadLength(stored);
  if (stored < 0) {
    data = payloadData;
    length = plain;
    return recordSize;
  }
  if (decoded) {
    if (decoded->Inflated < 0) throw EArchiverUncompress(ExtrMessages().CouldNotUncompressBlock());
    data = decoded->Output;
    length = decoded->Inflated;
    return recordSize;
  }
  int64_t room = InflateRoom(plain);
  EnsureBuffers(0, room);
  int32_t size = static_cast<int32_t>(room);
  if (!UncompressBlock(FBuffer2.data(), size, payloadData, plain) || size < 0 || size > room)
    throw EArchiverUncompress(ExtrMessages().CouldNotUncompressBlock());
  data = FBuffer2.data();
  length = size;
  return recordSize;
}

// A zlib stream yields at most 1032 bytes per input byte, so the room the
// header allows only needs to be allocated as far as that bound.
int64_t TCustomExtractor::InflateRoom(int32_t payload) const {
  int64_t room = std::min<int64_t>(FHeader.BlockSize, INT32_MAX);
  if (!OnUncompressBlock) room = std::min<int64_t>(room, int64_t{payload} * 1032 + 1024);
  return room;
}

namespace {

// How much a window reads ahead at most; with workers, the first window of a
// run reads less, so that they start at once.
constexpr int64_t kAheadBytes = 4 << 20;
constexpr int64_t kFirstAheadBytes = 1 << 20;

}  // namespace

// The checksum is a chain of dependent lookups; the checksums of several
// records computed side by side cost a third of computing them one by one.
// Reading ahead takes only records that the one-by-one path would accept
// and stops at anything else (a cut or damaged record), so that path meets
// it in its turn and the errors come where they always did. With workers,
// the window after the one being taken is read and decoded meanwhile, so
// that the workers do not wait for the caller between windows.
void TCustomExtractor::ReadAhead(int64_t bytes) {
  if (AdoptAhead(bytes)) return;
  TBlockWorkers* workers = DecodeWorkers();
  const bool encrypted = FCurrentEntry.Has(ffEncrypted);
  // Until the key is known, the blocks of an enciphered entry go one by one
  // on the caller's thread, which asks for it at the first of them.
  if (encrypted && (!workers || FKey.empty())) workers = nullptr;
  // Each record decoded by the workers has a block of its own. A window
  // holds a few dozen a thread, and two windows are under way (64 KiB
  // blocks, two threads: at most 8 MiB of output).
  const size_t most = workers ? 32 * static_cast<size_t>(workers->Threads()) : SIZE_MAX;
  if (workers && Back().Stream) {
    PromoteAhead();
    if (AdoptAhead(bytes)) {
      ReadNextWindow(*workers, most);
      return;
    }
  }
  WaitAhead();
  const int64_t record = int64_t{FHeader.BlockSize} + BlockRecordHeaderSize;
  // Two records must fit, or reading ahead only reads twice.
  if (2 * record > kAheadBytes) return;
  TAheadWindow& window = Front();
  const TAheadResume part{Position(), bytes, encrypted};
  if (workers) {
    // The records of the entries that follow are read too, so that they are
    // decoded while this file is written.
    const int64_t first = std::min(kAheadBytes, std::max(kFirstAheadBytes, 4 * record));
    FAheadEnd = FillWindow(window, part, first, most, true);
    if (window.Records.empty()) return;
    DecodeAhead(window, *workers);
    ReadNextWindow(*workers, most);
    return;
  }
  FAheadEnd = FillWindow(window, part, std::min(bytes, kAheadBytes), most, false);
  if (encrypted) return;  // summed once deciphered

  std::vector<const uint8_t*> payloads;
  std::vector<size_t> lengths;
  for (const TAheadRecord& r : window.Records) {
    payloads.push_back(r.Payload);
    lengths.push_back(static_cast<size_t>(PayloadLength(r.Stored)));
  }
  std::vector<uint32_t> sums(payloads.size());
  BlockChecksums(payloads.data(), lengths.data(), sums.data(), payloads.size());
  for (size_t i = 0; i < sums.size(); ++i) window.Records[i].Sum = sums[i];
}

size_t TCustomExtractor::FillWindow(TAheadWindow& window, const TAheadResume& from, int64_t bytes, size_t most,
                                    bool peek) {
  DropWindow(window);
  window.Stream = FStream.get();
  window.Segment = FHeader.Segment;
  window.Key = FKey;
  window.Base = from.At;
  bytes = std::min(bytes, DataEnd() - from.At);
  if (bytes <= static_cast<int64_t>(BlockRecordHeaderSize)) return 0;
  if (Position() != from.At) FStream->Seek(from.At, rtl::soBeginning);
  window.Data.Reserve(static_cast<size_t>(bytes));
  const size_t got = static_cast<size_t>(std::max(FStream->Read(window.Data.data(), static_cast<int32_t>(bytes)), 0));
  const size_t partEnd = static_cast<size_t>(std::min<int64_t>(from.Left, static_cast<int64_t>(got)));
  const size_t at = AheadRecords(window, 0, partEnd, most, from.Encrypted);
  const size_t part = window.Records.size();
  if (peek) {
    if (at == static_cast<size_t>(from.Left))
      PeekAhead(window, at, got, most);
    else if (GoesOn(window, at, got, most))
      window.Resume = {from.At + static_cast<int64_t>(at), from.Left - static_cast<int64_t>(at), from.Encrypted};
  }
  if (at != got) FStream->Seek(from.At + static_cast<int64_t>(at), rtl::soBeginning);
  return part;
}

size_t TCustomExtractor::AheadRecords(TAheadWindow& window, size_t at, size_t end, size_t most, bool encrypted) {
  const int64_t limit = GetBlockBufferSize();
  while (at + BlockRecordHeaderSize <= end && window.Records.size() < most) {
    const int32_t stored = static_cast<int32_t>(ReadLE32(window.Data.data() + at));
    const int64_t payload = PayloadLength(stored);
    if (payload > limit || at + BlockRecordHeaderSize + payload > end) break;
    TAheadRecord& record = window.Records.emplace_back();
    record.Stored = stored;
    record.Checksum = ReadLE32(window.Data.data() + at + 4);
    record.Head = window.Base + static_cast<int64_t>(at);
    record.Payload = window.Data.data() + at + BlockRecordHeaderSize;
    record.Encrypted = encrypted;
    at += BlockRecordHeaderSize + static_cast<size_t>(payload);
  }
  return at;
}

// Whether the records taken up to `at` stopped only because the window was
// full or its bytes ended inside the record at `at`, so that the next window
// may go on from there.
bool TCustomExtractor::GoesOn(const TAheadWindow& window, size_t at, size_t got, size_t most) const {
  if (window.Records.empty()) return false;
  if (window.Records.size() >= most || at + BlockRecordHeaderSize > got) return true;
  const int64_t payload = PayloadLength(static_cast<int32_t>(ReadLE32(window.Data.data() + at)));
  return payload <= GetBlockBufferSize() && at + BlockRecordHeaderSize + payload > got;
}

// The entry records after the part read lie in the window too: the block
// records of the entries they describe are taken as well, for when their
// turn comes. Anything unusual ends this; the one-by-one path meets it then.
void TCustomExtractor::PeekAhead(TAheadWindow& window, size_t at, size_t got, size_t most) {
  // Where FileFlags and SegmentCompressedSize lie after the name.
  constexpr size_t kFlags = 4 + 24, kStored = 4 + 37;
  const uint8_t* data = window.Data.data();
  for (;;) {
    // A full window, or an entry record that it cuts: the next one begins there.
    if (window.Records.size() >= most || at + EntryFixedSize > got ||
        ReadLE32(data + at) > got - at - EntryFixedSize) {
      if (!window.Records.empty()) window.Resume = {window.Base + static_cast<int64_t>(at), 0, false};
      return;
    }
    const uint32_t nameLength = ReadLE32(data + at);
    const uint8_t flags = data[at + nameLength + kFlags];
    const int32_t stored = static_cast<int32_t>(ReadLE32(data + at + nameLength + kStored));
    at += EntryFixedSize + nameLength;
    if (stored < 0) return;
    if (stored == 0) continue;
    const bool encrypted = (flags & ffEncrypted) != 0;
    if ((flags & ffFolder) || (encrypted && FKey.empty())) return;
    const size_t partEnd = at + static_cast<size_t>(stored);
    const size_t reached = AheadRecords(window, at, std::min(got, partEnd), most, encrypted);
    if (reached != partEnd) {
      if (GoesOn(window, reached, got, most))
        window.Resume = {window.Base + static_cast<int64_t>(reached), static_cast<int64_t>(partEnd - reached),
                         encrypted};
      return;
    }
    at = reached;
  }
}

// The records that the front window holds for the part that begins here.
bool TCustomExtractor::AdoptAhead(int64_t bytes) {
  TAheadWindow& window = Front();
  if (FAheadEnd >= window.Records.size() || window.Stream != FStream.get() || window.Segment != FHeader.Segment ||
      window.Key != FKey)
    return false;
  const bool encrypted = FCurrentEntry.Has(ffEncrypted);
  const int64_t start = Position();
  // The entries passed over in between leave their records untaken.
  size_t first = FAheadEnd;
  while (first < window.Records.size() && window.Records[first].Head < start) ++first;
  int64_t next = start;
  size_t end = first;
  for (; end < window.Records.size(); ++end) {
    const TAheadRecord& record = window.Records[end];
    const int64_t size = BlockRecordHeaderSize + PayloadLength(record.Stored);
    if (record.Head != next || record.Encrypted != encrypted || next + size - start > bytes) break;
    next += size;
  }
  if (end == first) return false;
  FAheadNext = first;
  FAheadEnd = end;
  FStream->Seek(next, rtl::soBeginning);
  return true;
}

void TCustomExtractor::PromoteAhead() {
  DropWindow(Front());
  FFront = 1 - FFront;
  FAheadNext = FAheadEnd = 0;
}

// The window after the front one, where the front one ended. A failure to
// read it only leaves it unread: the one-by-one path meets it in its turn.
void TCustomExtractor::ReadNextWindow(TBlockWorkers& workers, size_t most) {
  TAheadWindow& front = Front();
  TAheadWindow& next = Back();
  if (front.Resume.At < 0 || next.Stream || front.Stream != FStream.get() || front.Segment != FHeader.Segment)
    return;
  const int64_t here = Position();
  try {
    FillWindow(next, front.Resume, kAheadBytes, most, true);
  } catch (const std::exception&) {
    next.Records.clear();
  }
  FStream->Seek(here, rtl::soBeginning);
  if (next.Records.empty()) {
    next.Stream = nullptr;
    return;
  }
  DecodeAhead(next, workers);
}

TBlockWorkers* TCustomExtractor::DecodeWorkers() {
  return OnUncompressBlock || OnDecryptBlock ? nullptr : Workers();
}

// The records of a window go to the workers a few at a time: each task
// deciphers its records, sums them side by side and inflates those whose
// checksum holds, each into a block of its own. The caller takes them in
// order and raises what the one-by-one path would raise for each.
void TCustomExtractor::DecodeAhead(TAheadWindow& window, TBlockWorkers& workers) {
  constexpr size_t kGroup = 4;
  const size_t count = window.Records.size();
  const size_t threads = static_cast<size_t>(workers.Threads());
  // Two tasks a thread at least, so that the caller's writes overlap the workers' decoding.
  window.Group = std::clamp<size_t>((count + 2 * threads - 1) / (2 * threads), 1, kGroup);
  const size_t room = static_cast<size_t>(std::min<int64_t>(FHeader.BlockSize, INT32_MAX));
  window.Output.Reserve(count * room);
  uint8_t* const outputs = window.Output.data();
  TAheadRecord* const records = window.Records.data();
  for (size_t first = 0; first < count; first += window.Group) {
    const size_t n = std::min(window.Group, count - first);
    TBlockWorkers::TTask& task = window.Tasks.emplace_back();
    task.Work = [&workers, records, first, n, room, outputs, key = window.Key](int thread) {
      TBlockCoder& coder = workers.Coder(thread);
      const uint8_t* payloads[kGroup];
      size_t lengths[kGroup];
      uint32_t sums[kGroup];
      for (size_t i = 0; i < n; ++i) {
        TAheadRecord& record = records[first + i];
        record.Plain = static_cast<int32_t>(PayloadLength(record.Stored));
        if (record.Encrypted) {
          const int32_t length = record.Plain;
          record.Plain = coder.Decipher(key, record.Payload, length);
          if (record.Plain > length) record.Plain = -1;
        }
        payloads[i] = record.Payload;
        lengths[i] = static_cast<size_t>(std::max(record.Plain, 0));
      }
      BlockChecksums(payloads, lengths, sums, n);
      for (size_t i = 0; i < n; ++i) {
        TAheadRecord& record = records[first + i];
        record.Sum = sums[i];
        if (record.Stored < 0 || record.Plain < 0 || static_cast<uint32_t>(~sums[i]) != record.Checksum) continue;
        uint8_t* out = outputs + (first + i) * room;
        int32_t size = static_cast<int32_t>(std::min<int64_t>(room, int64_t{record.Plain} * 1032 + 1024));
        const int32_t limit = size;
        if (coder.Uncompress(out, size, payloads[i], record.Plain) && size >= 0 && size <= limit) {
          record.Output = out;
          record.Inflated = size;
        }
      }
    };
  }
  for (TBlockWorkers::TTask& task : window.Tasks) workers.Post(task);
}

void TCustomExtractor::DropWindow(TAheadWindow& window) {
  if (FWorkers) FWorkers->WaitAll(window.Tasks);
  window.Tasks.clear();
  window.Records.clear();
  window.Stream = nullptr;
  window.Resume = {};
}

void TCustomExtractor::WaitAhead() {
  for (TAheadWindow& window : FWindows) DropWindow(window);
  FAheadNext = FAheadEnd = 0;
}

bool TCustomExtractor::UncompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize) {
  if (OnUncompressBlock) return OnUncompressBlock(this, dest, destSize, src, srcSize);
  if (srcSize > destSize) return false;
  std::copy_n(static_cast<const uint8_t*>(src), srcSize, static_cast<uint8_t*>(dest));
  destSize = srcSize;
  return true;
}

void TCustomExtractor::DecryptBlock(void* dest, const void* src, int32_t srcSize, int32_t& destSize) {
  destSize = srcSize;
  if (OnDecryptBlock) OnDecryptBlock(this, dest, src, destSize, srcSize);
}

// The record is read again from where it lies (not from its stored Offset, which
// a damaged archive could point backwards and so loop the walk).
void TCustomExtractor::SkipEntry(int64_t offset) {
  {
    TStateScope state(FStates, osSkippingData);
    SeekArchive(offset);
    ReadEntry(FCurrentEntry);
    for (;;) {
      FStream->Seek(FCurrentEntry.SegmentCompressedSize, rtl::soCurrent);
      FProcessed += FCurrentEntry.SegmentCompressedSize;
      ReportProgress();
      if (FCurrentEntry.Has(ffFinalPart) || Options().Contains(oOpenSingleSegment)) break;
      uint16_t segment = FCurrentEntry.Segment;
      uint32_t first = FCurrentEntry.Offset;
      {
        TStateScope changing(FStates, osChangingSegment);
        MoveToSegment(FHeader.Segment + 1);
      }
      FCurrentEntry.Segment = segment;
      FCurrentEntry.Offset = first;
    }
    ++FFilesDone;
  }
  CheckSegmentEnd();
}

}  // namespace archiver
