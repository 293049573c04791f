// The component's core: properties, Open and Close with their events, the
// busy guard, progress and timing, the error policy, keys and RequestAbort.

#include <string>
#include <vector>

#include "tests/archiver/component_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

// Reaches the progress and timing machinery directly.
class TProbe : public TArchiver {
 public:
  using TArchiver::EnterState;
  using TArchiver::FinishOperation;
  using TArchiver::GetSegmentFileName;
  using TArchiver::LeaveState;
  using TArchiver::ReportProgress;
  using TArchiver::StartOperation;
  void SetCounts(long double total, long double processed, int filesDone = 0, uint32_t segmentFiles = 0) {
    FTotal = total;
    FProcessed = processed;
    FFilesDone = filesDone;
    FHeader.SegmentInfo.FileCount = segmentFiles;
  }
};

class ComponentTest : public TMachineTest {};

TEST_F(ComponentTest, DefaultsAndBlockSizeSetter) {
  TArchiver a;
  EXPECT_EQ(a.BlockSize(), 65536);
  EXPECT_EQ(a.ErrorAction(), eaAsk);
  EXPECT_EQ(a.Filter(), "*.*");
  EXPECT_EQ(a.RestoreAction(), raAsk);
  EXPECT_EQ(a.CompressionLevel(), clNormal);
  EXPECT_EQ(a.PathStorage(), psRelative);
  EXPECT_EQ(a.MinFreeSpace(), 1048576);
  EXPECT_EQ(a.Options(), DefaultOptions);
  a.SetBlockSize(512);
  EXPECT_EQ(a.BlockSize(), 65536);
  a.SetBlockSize(1024);
  EXPECT_EQ(a.BlockSize(), 1024);
  EXPECT_THROW(a.SetMaxSegmentSize(3 * 1024 - 1), EArchiver);
  EXPECT_EQ(a.MaxSegmentSize(), 0);
  a.SetMaxSegmentSize(3 * 1024);
  EXPECT_EQ(a.MaxSegmentSize(), 3 * 1024);
}

TEST_F(ComponentTest, SegmentNamesFollowTheNameParts) {
  struct {
    const char* fileName;
    int segment;
    const char* expected;
  } rows[] = {
      {"C:\\Arq\\dados.bak", 1, "C:\\Arq\\dados.bak"},
      {"C:\\Arq\\dados.bak", 2, "C:\\Arq\\dados-002.mmm"},
      {"C:\\Arq\\dados-002.mmm", 2, "C:\\Arq\\dados-002.mmm"},
      {"C:\\Arq\\dados-002.mmm", 1, "C:\\Arq\\dados.mmm"},
      {"C:\\Arq\\backup-2003.bak", 1, "C:\\Arq\\backup.bak"},
      {"C:\\Arq\\x.bak", 1000, "C:\\Arq\\x-1000.mmm"},
      {"D:\\x-.bak", 15, "D:\\x-015.mmm"},
      {"\\\\server\\share\\pasta\\prog.bak", 3, "\\\\server\\share\\pasta\\prog-003.mmm"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fileName);
    TProbe a;
    a.SetFileName(row.fileName);
    EXPECT_EQ(a.GetSegmentFileName(row.segment), row.expected);
  }
}

TEST_F(ComponentTest, OpeningAMissingNameCreatesAnEmptyArchive) {
  TArchiver a;
  a.SetFileName("C:\\New\\empty.arq");
  a.Open();
  EXPECT_TRUE(a.IsOpen());
  a.Close();
  std::string bytes = ReadFile("C:\\New\\empty.arq");
  ASSERT_EQ(bytes.size(), 273u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[24]), afFinalSegment | afCompressed);

  a.SetExtractPath("C:\\Out");
  int extracted = 0;
  a.OnFileExtracted = [&](TArchiverRoot*, const TFileEntry&, const AnsiString&) { ++extracted; };
  a.ExtractFiles();
  EXPECT_EQ(extracted, 0);
}

TEST_F(ComponentTest, OpenFailuresLeaveTheArchiveClosed) {
  TArchiver a;
  EXPECT_THROW(a.Open(), EArchiver);  // no FileName
  a.SetFileName("nofolder.arq");
  try {
    a.Open();
    FAIL() << "opened";
  } catch (const EArchiver&) {
    FAIL() << "an EArchiver";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), a.Messages().CannotCreateDir());
  }
  EXPECT_FALSE(a.IsOpen());

  WriteBytes("C:\\bad.arq", std::string(300, 'x'));
  a.SetFileName("C:\\bad.arq");
  try {
    a.Open();
    FAIL() << "opened";
  } catch (const EArchiver& e) {
    EXPECT_EQ(e.Message(), rtl::Format(a.Messages().BadSignature(), {"C:\\bad.arq"}));
  }
  EXPECT_FALSE(a.IsOpen());
}

TEST_F(ComponentTest, OpenAndCloseEventsInOrder) {
  MakeArchive("C:\\a.arq", {}, [](TArchiver& a) {
    a.Open();
    a.SetComment("note");
  });
  TArchiver a;
  std::vector<std::string> events;
  a.OnBeforeOpen = [&](TArchiverRoot*) { events.push_back("BeforeOpen"); };
  a.OnClearFileList = [&](TArchiverRoot*) { events.push_back("ClearFileList"); };
  a.OnAcceptArchive = [&](TArchiverRoot*, const TArchiveHeader& h, bool&) {
    events.push_back("AcceptArchive " + std::to_string(h.HeaderSize()));
  };
  a.OnShowComment = [&](TArchiverRoot*, const AnsiString& c) { events.push_back("ShowComment " + c); };
  a.OnAfterOpen = [&](TArchiverRoot*) { events.push_back("AfterOpen"); };
  a.OnBeforeClose = [&](TArchiverRoot*) { events.push_back("BeforeClose"); };
  a.OnAfterClose = [&](TArchiverRoot*) { events.push_back("AfterClose"); };
  a.SetFileName("C:\\a.arq");
  a.Open();
  a.Open();  // already open: nothing happens
  a.Close();
  EXPECT_EQ(events, (std::vector<std::string>{"ClearFileList", "BeforeOpen", "AcceptArchive 277", "ShowComment note",
                                              "AfterOpen", "BeforeClose", "ClearFileList", "AfterClose"}));

  a.OnAcceptArchive = [](TArchiverRoot*, const TArchiveHeader&, bool& accept) { accept = false; };
  EXPECT_THROW(a.Open(), EArchiver);
  EXPECT_FALSE(a.IsOpen());
}

TEST_F(ComponentTest, BusyComponentTurnsCallsAway) {
  MakeFile("C:\\src\\a.txt", "hello");
  MakeArchive("C:\\a.arq", {"C:\\src\\a.txt"});
  TArchiver a;
  a.SetFileName("C:\\a.arq");
  a.SetExtractPath("C:\\out");
  a.SetRestoreAction(raOverwrite);
  int nested = 0;
  a.OnFileProgress = [&](TArchiverRoot*, int percent) {
    if (percent != 100 || nested++) return;
    EXPECT_TRUE(a.IsBusy());
    a.ExtractFiles();  // returns at once
    a.Close();
  };
  a.ExtractFiles();
  EXPECT_FALSE(a.IsBusy());
  EXPECT_TRUE(a.IsOpen());
  ASSERT_EQ(Dialogs().Asked().size(), 2u);
  EXPECT_EQ(Dialogs().Asked()[0].Text, "Component TArchiver is busy. Abort current operation and try again");
  EXPECT_EQ(Dialogs().Asked()[0].Type, platform::MB_TASKMODAL | platform::MB_ICONEXCLAMATION | platform::MB_OK);

  // Without oShowBusyMessage nothing is shown.
  Dialogs().Clear();
  nested = 0;
  a.SetOptions(a.Options() - TOptions{oShowBusyMessage});
  a.ExtractFiles();
  EXPECT_TRUE(Dialogs().Asked().empty());
}

TEST_F(ComponentTest, ProgressRoundsHalvesToEven) {
  struct {
    long double total, processed;
    TOptions options;
    int filesDone;
    uint32_t segmentFiles;
    int state;  // -1 none, else an operation state
    int expected;
  } rows[] = {
      {200, 25, {}, 0, 0, -1, 12},   // 12.5
      {200, 75, {}, 0, 0, -1, 38},   // 37.5
      {200, 1, {}, 0, 0, -1, 0},     // 0.5
      {200, 3, {}, 0, 0, -1, 2},     // 1.5
      {0, 10, {}, 0, 0, -1, 0},      // no total
      {100, 150, {}, 0, 0, -1, 150}, // not capped
      {200, 75, {}, 0, 0, osUncompressingSolid, 19},
      {200, 75, {}, 0, 0, osEnumeratingAfterOpen, 69},
      {0, 0, {oOpenSingleSegment}, 1, 8, -1, 12},  // files done / segment's files
      {0, 0, {oOpenSingleSegment}, 3, 0, -1, 0},
  };
  int row = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(row++);
    TProbe a;
    a.SetOptions(r.options);
    int percent = -1;
    a.OnFileProgress = [&](TArchiverRoot*, int p) { percent = p; };
    a.SetCounts(r.total, r.processed, r.filesDone, r.segmentFiles);
    if (r.state >= 0) a.EnterState(static_cast<TOperationState>(r.state));
    a.ReportProgress();
    EXPECT_EQ(percent, r.expected);
  }
}

TEST_F(ComponentTest, TimingCountsOnlyOperationTimeAsDayFractions) {
  TProbe a;
  double elapsed = -1, remaining = -1;
  a.OnShowTiming = [&](TArchiverRoot*, rtl::TDateTime e, rtl::TDateTime r) {
    elapsed = e;
    remaining = r;
  };
  a.StartOperation();
  EXPECT_EQ(elapsed, 0);
  Clock.Advance(8640);  // a ten-thousandth of a day
  a.SetCounts(1000, 250);
  a.ReportProgress();
  EXPECT_DOUBLE_EQ(elapsed, 0.0001);
  EXPECT_DOUBLE_EQ(remaining, 0.0003);  // three times as much still to go

  a.FinishOperation();
}

TEST_F(ComponentTest, DialogsDoNotCountAsElapsedTime) {
  MakeFile("C:\\src\\a.txt", std::string(3000, 'a'));
  MakeArchive("C:\\a.arq", {"C:\\src\\a.txt"}, [](TArchiver& a) {
    a.SetBlockSize(1024);
    a.SetOptions(a.Options() + TOptions{oEncryptFiles});
    a.OnEnterCryptKey = [](TArchiverRoot*, AnsiString& key) { key = "0123456789"; };
  });
  TArchiver a;
  a.SetFileName("C:\\a.arq");
  a.SetExtractPath("C:\\out");
  a.OnRequestCryptKey = [&](TArchiverRoot*, AnsiString& key) {
    Clock.Advance(100000);
    key = "0123456789";
  };
  std::vector<double> elapsed;
  a.OnShowTiming = [&](TArchiverRoot*, rtl::TDateTime e, rtl::TDateTime) { elapsed.push_back(e); };
  a.ExtractFiles();
  EXPECT_EQ(elapsed, std::vector<double>(elapsed.size(), 0.0));
  EXPECT_EQ(elapsed.size(), 4u);  // the start and three blocks
  EXPECT_EQ(ReadFile("C:\\out\\a.txt"), std::string(3000, 'a'));
}

TEST_F(ComponentTest, RequestAbortEndsTheExtractionAtTheNextBlock) {
  MakeFile("C:\\src\\big.bin", Noise(10000));
  MakeArchive("C:\\a.arq", {"C:\\src\\big.bin"}, [](TArchiver& a) { a.SetBlockSize(2048); });
  TArchiver a;
  a.SetFileName("C:\\a.arq");
  a.SetExtractPath("C:\\out");
  int blocks = 0;
  bool finished = false;
  a.OnFileProgress = [&](TArchiverRoot*, int percent) {
    if (percent > 0 && ++blocks == 2) a.RequestAbort();
  };
  a.OnFinishOperation = [&](TArchiverRoot*) { finished = true; };
  EXPECT_THROW(a.ExtractFiles(), rtl::EAbort);
  EXPECT_TRUE(finished);
  EXPECT_EQ(blocks, 2);
  EXPECT_EQ(ReadFile("C:\\out\\big.bin").size(), 6144u);  // the block after the request, then the stop
  EXPECT_TRUE(a.CanAbort());
}

}  // namespace
