// Block work on several threads: the archive written is the same byte for
// byte, and the events, dialogs and errors come in the same order as with
// one thread, for every kind of archive and for damaged ones.

#include <atomic>
#include <chrono>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/archiver/component_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

constexpr const char* kKey = "0123456789";

// TArchiver whose block coders note the threads they ran on.
class TWatchedArchiver : public TArchiver {
 public:
  std::shared_ptr<std::atomic<int>> ForeignRuns = std::make_shared<std::atomic<int>>(0);

 protected:
  std::unique_ptr<TBlockCoder> NewBlockCoder() const override {
    class TWatched : public TBlockCoder {
     public:
      TWatched(std::unique_ptr<TBlockCoder> inner, std::shared_ptr<std::atomic<int>> runs)
          : FInner(std::move(inner)), FRuns(std::move(runs)), FCaller(std::this_thread::get_id()) {}
      bool Compress(void* d, int32_t& ds, const void* s, int32_t ss, int level) override {
        Note();
        return FInner->Compress(d, ds, s, ss, level);
      }
      bool Uncompress(void* d, int32_t& ds, const void* s, int32_t ss) override {
        Note();
        return FInner->Uncompress(d, ds, s, ss);
      }
      int32_t Encipher(const AnsiString& key, uint8_t* b, int32_t n) override { return FInner->Encipher(key, b, n); }
      int32_t Decipher(const AnsiString& key, uint8_t* b, int32_t n) override {
        Note();
        return FInner->Decipher(key, b, n);
      }

     private:
      // The caller dawdles over its blocks, so that the workers surely take
      // some of them even on a loaded machine.
      void Note() {
        if (std::this_thread::get_id() != FCaller)
          ++*FRuns;
        else
          std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      std::unique_ptr<TBlockCoder> FInner;
      std::shared_ptr<std::atomic<int>> FRuns;
      std::thread::id FCaller;
    };
    return std::make_unique<TWatched>(TArchiver::NewBlockCoder(), ForeignRuns);
  }
};

class ThreadedTest : public TMachineTest {
 protected:
  void SetUp() override {
    TMachineTest::SetUp();
    std::string text;
    for (int i = 0; text.size() < 700000; ++i) text += "line " + std::to_string(i * 7919 % 10007) + " of the text\n";
    MakeFile("C:\\src\\text.txt", text);
    MakeFile("C:\\src\\noise.bin", Noise(300000, 5));
    MakeFile("C:\\src\\zeros.dat", std::string(200000, '\0'));
    MakeFile("C:\\src\\small.txt", "a few bytes");
    MakeFile("C:\\src\\empty.txt", "");
    MakeFile("C:\\src\\mixed.bin", text.substr(0, 90000) + Noise(70000, 9) + text.substr(5000, 100000));
  }

  static std::vector<AnsiString> Sources() {
    return {"C:\\src\\text.txt", "C:\\src\\noise.bin", "C:\\src\\zeros.dat", "C:\\src\\small.txt",
            "C:\\src\\empty.txt", "C:\\src\\mixed.bin"};
  }

  // Every event and dialog of the component, in order.
  static void Watch(TArchiver& a, std::vector<std::string>& log) {
    a.OnStartOperation = [&](TArchiverRoot*) { log.push_back("start"); };
    a.OnFinishOperation = [&](TArchiverRoot*) { log.push_back("finish"); };
    a.OnFileProgress = [&](TArchiverRoot*, int percent) { log.push_back("progress " + std::to_string(percent)); };
    a.OnDisplayMessage = [&](TArchiverRoot*, const AnsiString& text) { log.push_back("message " + text); };
    a.OnAddToLog = [&](TArchiverRoot*, const AnsiString& text) { log.push_back("log " + text); };
    a.OnSegmentChanged = [&](TArchiverRoot* s) { log.push_back("segment " + std::to_string(s->Header().Segment)); };
    a.OnFileAdded = [&](TArchiverRoot*, const TFileEntry& e) { log.push_back("added " + e.Name); };
    a.OnFileExtracted = [&](TArchiverRoot*, const TFileEntry& e, const AnsiString&) {
      log.push_back("extracted " + e.Name);
    };
    a.OnError = [&](TArchiverRoot*, const rtl::Exception& e, const TFileEntry& entry, TErrorAction&) {
      log.push_back("error " + entry.Name + ": " + e.Message());
    };
    a.OnEnterCryptKey = [&](TArchiverRoot*, AnsiString& key) {
      log.push_back("enter key");
      key = kKey;
    };
    a.OnRequestCryptKey = [&](TArchiverRoot*, AnsiString& key) {
      log.push_back("request key");
      key = kKey;
    };
  }

  // Every file of the archive's folder and its bytes.
  static std::vector<std::pair<AnsiString, std::string>> FilesIn(const AnsiString& folder) {
    std::vector<std::pair<AnsiString, std::string>> files;
    platform::WIN32_FIND_DATAA data;
    platform::HANDLE h = platform::Api().FindFirstFileA(folder + "\\*", data);
    if (h == platform::INVALID_HANDLE_VALUE) return files;
    do {
      if (data.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) continue;
      files.emplace_back(data.cFileName, ReadFile(folder + "\\" + data.cFileName));
    } while (platform::Api().FindNextFileA(h, data));
    platform::Api().FindClose(h);
    std::sort(files.begin(), files.end());
    return files;
  }

  struct TWritten {
    std::vector<std::pair<AnsiString, std::string>> Files;
    std::vector<std::string> Log;
    int ForeignRuns = 0;
  };

  // Writes the sources into a fresh folder with the given threads.
  TWritten Write(int threads, const std::function<void(TArchiver&)>& configure) {
    const AnsiString folder = rtl::Format("C:\\out%d", {threads});
    platform::ForceDirectories(folder);
    TWritten written;
    {
      TWatchedArchiver a;
      Watch(a, written.Log);
      a.SetFileName(folder + "\\a.arq");
      a.SetErrorAction(eaContinue);
      a.SetCheckDiskSpace(false);
      a.SetThreads(threads);
      configure(a);
      a.Open();
      // Told the files to come, the workers code their blocks ahead.
      a.PlanFiles(Sources());
      for (const AnsiString& f : Sources()) a.AddFile(f);
      a.Close();
      written.ForeignRuns = *a.ForeignRuns;
    }
    written.Files = FilesIn(folder);
    return written;
  }
};

TEST_F(ThreadedTest, TheSameBytesAndEventsWhateverTheThreads) {
  const struct {
    const char* Name;
    std::function<void(TArchiver&)> Configure;
  } rows[] = {
      {"normal", [](TArchiver&) {}},
      {"maximum", [](TArchiver& a) { a.SetCompressionLevel(clMaximum); }},
      {"fast", [](TArchiver& a) { a.SetCompressionLevel(clFast); }},
      {"superfast, small blocks", [](TArchiver& a) { a.SetCompressionLevel(clSuperFast); a.SetBlockSize(4096); }},
      {"level none", [](TArchiver& a) { a.SetCompressionLevel(clNone); }},
      {"no compression", [](TArchiver& a) { a.SetOptions(a.Options() - TOptions{oCompress}); }},
      {"enciphered", [](TArchiver& a) { a.SetOptions(a.Options() + TOptions{oCrypt}); }},
      // The key is asked for at the first block of the first file.
      {"files enciphered", [](TArchiver& a) { a.SetOptions(a.Options() + TOptions{oEncryptFiles}); }},
      {"solid", [](TArchiver& a) { a.SetOptions(a.Options() + TOptions{oCreateSolidArchives}); }},
      {"segmented", [](TArchiver& a) {
         a.SetBlockSize(16384);
         a.SetMaxSegmentSize(150000);
       }},
      {"segmented and enciphered", [](TArchiver& a) {
         a.SetOptions(a.Options() + TOptions{oCrypt});
         a.SetBlockSize(8192);
         a.SetMaxSegmentSize(100000);
       }},
      {"blocks above a mebibyte", [](TArchiver& a) { a.SetBlockSize(1 << 21); }},
      // A block of random bytes does not fit the compressor's room at this
      // size: the file fails at its first such block.
      {"a block that fails", [](TArchiver& a) { a.SetBlockSize(1024); }},
  };
  int foreignRuns = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    // The outer archive of a solid one holds the inner archive's file with
    // that file's date, which the host's clock gives: it is left out.
    const bool solid = std::string(row.Name) == "solid";
    auto written = [&](int threads) {
      TWritten w = Write(threads, row.Configure);
      if (solid && !w.Files.empty() && w.Files[0].second.size() > 300) {
        std::string& bytes = w.Files[0].second;
        uint32_t name;
        std::memcpy(&name, bytes.data() + HeaderFixedSize, 4);
        std::fill_n(bytes.begin() + HeaderFixedSize + 4 + name, 10, '\0');
      }
      return w;
    };
    TWritten one = written(1);
    ASSERT_FALSE(one.Files.empty());
    for (int threads : {2, 3}) {
      SCOPED_TRACE(threads);
      TWritten several = written(threads);
      EXPECT_EQ(several.Log, one.Log);
      ASSERT_EQ(several.Files.size(), one.Files.size());
      for (size_t i = 0; i < one.Files.size(); ++i) {
        EXPECT_EQ(several.Files[i].first, one.Files[i].first);
        EXPECT_TRUE(several.Files[i].second == one.Files[i].second) << several.Files[i].first;
      }
      foreignRuns += several.ForeignRuns;
      platform::DeleteFile(rtl::Format("C:\\out%d\\a.arq", {threads}));
      for (int n = 2; n < 40; ++n) platform::DeleteFile(rtl::Format("C:\\out%d\\a-%.3d.mmm", {threads, n}));
    }
    platform::DeleteFile("C:\\out1\\a.arq");
    for (int n = 2; n < 40; ++n) platform::DeleteFile(rtl::Format("C:\\out1\\a-%.3d.mmm", {n}));
  }
  EXPECT_GT(foreignRuns, 0) << "no block was coded on a worker";
}

TEST_F(ThreadedTest, BlockHandlersSeeOneBlockAtATimeOnTheCallersThread) {
  const std::thread::id caller = std::this_thread::get_id();
  std::vector<std::string> calls;
  bool elsewhere = false;
  TWatchedArchiver a;
  a.SetFileName("C:\\h.arq");
  a.SetErrorAction(eaAbort);
  a.SetThreads(4);
  a.OnCompressBlock = [&](TArchiverRoot*, void* dest, int32_t& destSize, const void* src, int32_t srcSize,
                          TCompressionLevel) {
    elsewhere |= std::this_thread::get_id() != caller;
    calls.push_back("compress " + std::to_string(srcSize));
    std::memcpy(dest, src, static_cast<size_t>(srcSize));
    destSize = srcSize;
    return true;
  };
  a.OnFileProgress = [&](TArchiverRoot*, int) { calls.push_back("progress"); };
  a.Open();
  a.AddFile("C:\\src\\mixed.bin");
  a.Close();
  EXPECT_FALSE(elsewhere);
  EXPECT_EQ(*a.ForeignRuns, 0);
  // Compressing and writing alternate block by block: 260000 bytes are four blocks.
  int compressed = 0;
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].rfind("compress", 0) != 0) continue;
    ++compressed;
    ASSERT_LT(i + 1, calls.size());
    EXPECT_EQ(calls[i + 1], "progress");
  }
  EXPECT_EQ(compressed, 4);
}

// Files planned ahead that fail, are refused, are missing, change how they
// are coded or come out of order: the events and errors are those of one
// thread, the archive is the same and whole, and what was added extracts.
TEST_F(ThreadedTest, PlannedFilesThatFailMidwayAsWithOneThread) {
  const std::vector<AnsiString> plan = {"C:\\src\\text.txt", "C:\\src\\mixed.bin", "C:\\src\\gone.txt",
                                        "C:\\src\\noise.bin", "C:\\src\\small.txt", "C:\\src\\zeros.dat"};
  enum TTwist { twReadFails, twAbort, twRefused, twLevel, twOutOfOrder };
  for (TTwist twist : {twReadFails, twAbort, twRefused, twLevel, twOutOfOrder}) {
    SCOPED_TRACE(twist);
    auto run = [&](int threads) {
      TWritten w;
      platform::ForceDirectories("C:\\p");
      platform::DeleteFile("C:\\p\\a.arq");
      {
        TWatchedArchiver a;
        Watch(a, w.Log);
        a.SetFileName("C:\\p\\a.arq");
        a.SetErrorAction(eaContinue);
        a.SetBlockSize(8192);
        a.SetThreads(threads);
        bool armed = false;
        a.OnFileProgress = [&](TArchiverRoot* s, int percent) {
          w.Log.push_back("progress " + std::to_string(percent));
          // Midway through mixed.bin.
          if (!armed || s->BytesProcessed() < 100000) return;
          armed = false;
          if (twist == twAbort) s->RequestAbort();
          if (twist == twReadFails) throw rtl::EReadError("the source could not be read");
        };
        a.OnAddFile = [&](TArchiverRoot*, TFileEntry& e, bool& accept) {
          w.Log.push_back("add " + e.Name);
          armed = e.Name == "mixed.bin";
          if (twist == twRefused && e.Name == "mixed.bin") accept = false;
          if (twist == twLevel && e.Name == "noise.bin") a.SetCompressionLevel(clMaximum);
        };
        a.Open();
        a.PlanFiles(plan);
        for (size_t i = 0; i < plan.size(); ++i) {
          const AnsiString& f = twist == twOutOfOrder && i == 3 ? plan[4] : twist == twOutOfOrder && i == 4 ? plan[3] : plan[i];
          try {
            w.Log.push_back(std::string("found ") + (a.AddFile(f) ? "yes" : "no"));
          } catch (const rtl::EAbort&) {
            w.Log.push_back("aborted");
          }
        }
        a.Close();
        w.ForeignRuns = *a.ForeignRuns;
      }
      w.Files = FilesIn("C:\\p");
      // What the archive holds extracts whole.
      TArchiver x;
      x.SetFileName("C:\\p\\a.arq");
      x.SetExtractPath(rtl::Format("C:\\px%d", {threads}));
      x.SetErrorAction(eaAbort);
      x.SetRestoreAction(raOverwrite);
      x.OnFileExtracted = [&](TArchiverRoot*, const TFileEntry& e, const AnsiString& dest) {
        w.Log.push_back("extracted " + e.Name + (ReadFile(dest + e.Name) == ReadFile("C:\\src\\" + e.Name) ? "" : " wrong"));
      };
      x.ExtractFiles();
      x.Close();
      return w;
    };
    TWritten one = run(1);
    auto logged = [&](const std::string& line) { return std::find(one.Log.begin(), one.Log.end(), line) != one.Log.end(); };
    EXPECT_TRUE(logged("extracted zeros.dat") && logged("extracted noise.bin") && logged("found no"));
    EXPECT_EQ(logged("error mixed.bin: the source could not be read"), twist == twReadFails);
    EXPECT_EQ(logged("aborted"), twist == twAbort);
    EXPECT_EQ(logged("extracted mixed.bin"), twist != twReadFails && twist != twAbort && twist != twRefused);
    for (int threads : {2, 4}) {
      SCOPED_TRACE(threads);
      TWritten several = run(threads);
      EXPECT_EQ(several.Log, one.Log);
      EXPECT_TRUE(several.Files == one.Files);
      EXPECT_GT(several.ForeignRuns, 0);
    }
  }
}

class ThreadedDamageTest : public ThreadedTest {
 protected:
  // The sources in an archive of small blocks (many to a file), with blocks
  // of the first file damaged in the middle: a changed payload byte (a bad
  // checksum) and a broken stream whose checksum is made to match.
  std::string DamagedArchive(bool enciphered) {
    MakeArchive("C:\\d.arq", Sources(), [&](TArchiver& a) {
      a.SetBlockSize(4096);
      a.OnEnterCryptKey = [](TArchiverRoot*, AnsiString& key) { key = kKey; };
      if (enciphered) a.SetOptions(a.Options() + TOptions{oCrypt});
    });
    std::string bytes = ReadFile("C:\\d.arq");
    TSegmentFile segment = ReadSegment("C:\\d.arq");
    auto damage = [&](const TFileEntry& entry, int which, bool stream) {
      size_t at = entry.Offset + entry.RecordSize();
      for (int block = 0;; ++block) {
        int32_t stored;
        std::memcpy(&stored, bytes.data() + at, 4);
        const size_t payload = static_cast<size_t>(stored < 0 ? -stored : stored);
        if (block >= which && (!stream || stored > 0)) {
          if (!stream) {
            bytes[at + 8 + payload / 2] ^= 0x40;
          } else {
            // A zlib stream broken inside, its checksum made to match.
            bytes[at + 8 + payload - 5] ^= 0x11;
            uint32_t sum = ~BlockChecksum(bytes.data() + at + 8, payload);
            std::memcpy(bytes.data() + at + 4, &sum, 4);
          }
          return;
        }
        at += 8 + payload;
      }
    };
    damage(segment.Records.at(0), 20, false);
    if (!enciphered) damage(segment.Records.at(5), 50, true);
    return bytes;
  }

  struct TRead {
    std::vector<std::string> Log;
    std::vector<std::pair<AnsiString, std::string>> Files;
    std::string Raised;
    int ForeignRuns = 0;
  };

  TRead Read(const std::string& archive, int threads, TErrorAction action, bool test) {
    WriteBytes("C:\\d.arq", archive);
    TRead read;
    {
      TWatchedArchiver a;
      Watch(a, read.Log);
      a.SetFileName("C:\\d.arq");
      a.SetExtractPath("C:\\x");
      a.SetRestoreAction(raOverwrite);
      a.SetErrorAction(action);
      a.SetLanguage(lgEnglish);
      a.SetThreads(threads);
      try {
        if (test)
          a.TestFiles();
        else
          a.ExtractFiles();
      } catch (const rtl::Exception& e) {
        read.Raised = e.Message();
      }
      read.ForeignRuns = *a.ForeignRuns;
    }
    read.Files = FilesIn("C:\\x");
    for (const auto& file : read.Files) platform::DeleteFile("C:\\x\\" + file.first);
    return read;
  }

  // Extracts and tests the archive's bytes with one thread and with several,
  // the restore rule passing over `kept` (there already) and `refused`
  // refused: the same events and files each time, the error of `damaged`
  // once. Returns the blocks decoded on workers.
  int ExpectAcrossEntriesAsWithOneThread(const std::string& bytes, const AnsiString& kept, const AnsiString& refused,
                                         const AnsiString& damaged, std::initializer_list<int> threadCounts) {
    int foreignRuns = 0;
    for (bool test : {false, true}) {
      SCOPED_TRACE(test ? "test" : "extract");
      auto run = [&](int threads) {
        WriteBytes("C:\\a.arq", bytes);
        TRead read;
        platform::ForceDirectories("C:\\x");
        WriteBytes("C:\\x\\" + kept, "kept");
        {
          TWatchedArchiver a;
          Watch(a, read.Log);
          a.SetFileName("C:\\a.arq");
          a.SetExtractPath("C:\\x");
          a.SetRestoreAction(raSkip);
          a.SetErrorAction(eaContinue);
          a.SetThreads(threads);
          a.OnExtractFile = [&](TArchiverRoot*, const TFileEntry& e, AnsiString&, bool& accept) {
            accept = e.Name != refused;
          };
          if (test)
            a.TestFiles();
          else
            a.ExtractFiles();
          read.ForeignRuns = *a.ForeignRuns;
        }
        read.Files = FilesIn("C:\\x");
        for (const auto& file : read.Files) platform::DeleteFile("C:\\x\\" + file.first);
        return read;
      };
      TRead one = run(1);
      const std::string error = "error " + damaged + ": ";
      EXPECT_EQ(std::count_if(one.Log.begin(), one.Log.end(),
                              [&](const std::string& line) { return line.rfind(error, 0) == 0; }),
                1);
      for (int threads : threadCounts) {
        SCOPED_TRACE(threads);
        TRead several = run(threads);
        EXPECT_EQ(several.Log, one.Log);
        EXPECT_EQ(several.Files, one.Files);
        foreignRuns += several.ForeignRuns;
      }
    }
    return foreignRuns;
  }
};

TEST_F(ThreadedDamageTest, ErrorsComeInTheirTurnWhateverTheThreads) {
  int foreignRuns = 0;
  for (bool enciphered : {false, true}) {
    const std::string archive = DamagedArchive(enciphered);
    for (TErrorAction action : {eaContinue, eaAbort}) {
      for (bool test : {false, true}) {
        SCOPED_TRACE(std::string(enciphered ? "enciphered " : "plain ") + (action == eaAbort ? "abort " : "continue ") +
                     (test ? "test" : "extract"));
        TRead one = Read(archive, 1, action, test);
        const bool failed = !one.Raised.empty() || std::any_of(one.Log.begin(), one.Log.end(), [](const std::string& line) {
          return line.rfind("error", 0) == 0;
        });
        EXPECT_TRUE(failed);
        for (int threads : {2, 4}) {
          SCOPED_TRACE(threads);
          TRead several = Read(archive, threads, action, test);
          EXPECT_EQ(several.Log, one.Log);
          EXPECT_EQ(several.Raised, one.Raised);
          EXPECT_EQ(several.Files, one.Files);  // partly written files too
          foreignRuns += several.ForeignRuns;
        }
      }
    }
  }
  EXPECT_GT(foreignRuns, 0) << "no block was decoded on a worker";
}

TEST_F(ThreadedDamageTest, AWrongKeyAndAnAbortMidwayAsWithOneThread) {
  MakeArchive("C:\\k.arq", Sources(), [](TArchiver& a) {
    a.SetBlockSize(8192);
    a.SetOptions(a.Options() + TOptions{oCrypt});
    a.OnEnterCryptKey = [](TArchiverRoot*, AnsiString& key) { key = kKey; };
  });
  const std::string archive = ReadFile("C:\\k.arq");
  auto run = [&](int threads, bool wrongKey) {
    WriteBytes("C:\\k.arq", archive);
    std::vector<std::string> log;
    TArchiver a;
    Watch(a, log);
    a.SetFileName("C:\\k.arq");
    a.SetExtractPath("C:\\xk");
    a.SetRestoreAction(raOverwrite);
    a.SetErrorAction(eaContinue);
    a.SetThreads(threads);
    a.OnRequestCryptKey = [&](TArchiverRoot*, AnsiString& key) {
      log.push_back("request key");
      key = wrongKey ? "9876543210" : kKey;
    };
    int blocks = 0;
    a.OnFileProgress = [&](TArchiverRoot* s, int percent) {
      log.push_back("progress " + std::to_string(percent));
      if (!wrongKey && ++blocks == 50) s->RequestAbort();
    };
    try {
      a.ExtractFiles();
    } catch (const rtl::EAbort&) {
      log.push_back("aborted");
    }
    log.push_back(ReadFile("C:\\xk\\text.txt").substr(0, 1) + std::to_string(platform::FileExists("C:\\xk\\mixed.bin")));
    return log;
  };
  for (bool wrongKey : {true, false}) {
    SCOPED_TRACE(wrongKey ? "wrong key" : "abort");
    std::vector<std::string> one = run(1, wrongKey);
    EXPECT_EQ(run(3, wrongKey), one);
  }
}

}  // namespace

namespace {

// Many small files read ahead across their entries: a damaged block in one
// of them, an entry refused before it and one passed over by the restore
// rule come in their turn, as with one thread.
TEST_F(ThreadedDamageTest, ReadAheadAcrossEntriesAsWithOneThread) {
  std::vector<AnsiString> names;
  for (int i = 0; i < 40; ++i) {
    names.push_back(rtl::Format("C:\\src\\m%.2d.txt", {i}));
    MakeFile(names.back(), i % 3 == 0 ? Noise(9000, i) : std::string(5000 + 300 * i, static_cast<char>('a' + i % 26)));
  }
  MakeArchive("C:\\m.arq", names, [](TArchiver& a) { a.SetBlockSize(4096); });
  std::string bytes = ReadFile("C:\\m.arq");
  const TFileEntry victim = ReadSegment("C:\\m.arq").Records.at(18);  // of random bytes: stored blocks
  bytes[victim.Offset + victim.RecordSize() + 8 + 100] ^= 0x20;  // its first block's payload
  const int foreignRuns = ExpectAcrossEntriesAsWithOneThread(bytes, "m21.txt", "m09.txt", "m18.txt", {2, 4});
  EXPECT_GT(foreignRuns, 0) << "no block was decoded on a worker";
}

// Read ahead in many windows (2 KiB blocks, a few hundred to a window),
// plain and enciphered: files that straddle two windows, a damaged block
// late in the archive, an entry refused and one passed over by the restore
// rule come in their turn, as with one thread.
TEST_F(ThreadedDamageTest, ManyWindowsAsWithOneThread) {
  std::vector<AnsiString> names;
  for (int i = 0; i < 30; ++i) {
    names.push_back(rtl::Format("C:\\src\\w%.2d.dat", {i}));
    std::string text;
    while (text.size() < static_cast<size_t>(20000 + 1500 * i)) text += "word " + std::to_string(text.size() * 31 % 977);
    MakeFile(names.back(), i % 4 == 1 ? Noise(30000, i) : text);
  }
  for (bool enciphered : {false, true}) {
    SCOPED_TRACE(enciphered ? "enciphered" : "plain");
    platform::DeleteFile("C:\\w.arq");
    MakeArchive("C:\\w.arq", names, [&](TArchiver& a) {
      a.SetBlockSize(2048);
      a.OnEnterCryptKey = [](TArchiverRoot*, AnsiString& key) { key = kKey; };
      if (enciphered) a.SetOptions(a.Options() + TOptions{oCrypt});
    });
    std::string bytes = ReadFile("C:\\w.arq");
    const TFileEntry victim = ReadSegment("C:\\w.arq").Records.at(25);
    bytes[victim.Offset + victim.RecordSize() + 8 + 3 * 2048] ^= 0x08;  // inside one of its first blocks
    ExpectAcrossEntriesAsWithOneThread(bytes, "w17.dat", "w06.dat", "w25.dat", {2, 3});
  }
}

}  // namespace
