// arq end to end on host folders: create, list, test and extract with each
// option, the restore choices, names with drives, and the exit status of
// wrong commands and damaged archives.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "tests/archiver/arq_host.h"

using namespace archiver_test;

namespace {

#ifdef VQM_ARQ_TOOL
class ArqTest : public THostTest {
 protected:
  TRun Arq(const std::string& args) { return RunCommand("cd " + Quote(Dir()) + " && " VQM_ARQ_TOOL " " + args); }
};

TEST_F(ArqTest, RoundTripsWithEachOption) {
  MakeSampleTree("sample");
  WriteHostFile(Dir() / "key", "a key of some length\n");
  const char* variants[] = {
      "",
      "--level maximum",
      "--level superfast --block-size 4096",
      "--level none",
      "--no-compress",
      "--key-file key",
      "--solid",
      "--solid --key-file key --comment 'solid and secret'",
      "--block-size 2048 --segment-size 6144",
  };
  for (const char* options : variants) {
    SCOPED_TRACE(options);
    fs::remove(Dir() / "a.arq");
    fs::remove_all(Dir() / "out");
    TRun c = Arq(std::string("c a.arq sample ") + options);
    ASSERT_EQ(c.Exit, 0) << c.Output;
    TRun l = Arq("l a.arq --key-file key");
    EXPECT_EQ(l.Exit, 0) << l.Output;
    EXPECT_NE(l.Output.find("sample\\configuração.ini"), std::string::npos) << l.Output;
    EXPECT_NE(l.Output.find("sample\\empty folder\\."), std::string::npos) << l.Output;
    TRun t = Arq("t a.arq --key-file key");
    EXPECT_EQ(t.Exit, 0) << t.Output;
    TRun x = Arq("x a.arq -d out --key-file key");
    EXPECT_EQ(x.Exit, 0) << x.Output;
    EXPECT_EQ(Tree(Dir() / "out" / "sample"), Tree(Dir() / "sample"));
  }
}

// Any -j writes the same archive, and reads it the same way.
TEST_F(ArqTest, TheSameArchiveWhateverTheThreads) {
  MakeSampleTree("sample");
  std::string big;
  for (int i = 0; big.size() < 600000; ++i) big += "row " + std::to_string(i * 31 % 977) + "\n";
  WriteHostFile(Dir() / "sample" / "big.txt", big);
  WriteHostFile(Dir() / "key", "a key of some length\n");
  const char* variants[] = {
      "--level maximum",        "--level superfast --block-size 4096", "--level none", "--no-compress",
      "--key-file key",         "--block-size 8192 --segment-size 100000",
  };
  // (A solid archive holds its inner archive's file with that file's date
  // from the host's clock; the engine's tests compare it without the date.)
  for (const char* options : variants) {
    SCOPED_TRACE(options);
    std::map<std::string, std::string> first;
    for (const char* threads : {"1", "2", "3"}) {
      SCOPED_TRACE(threads);
      fs::remove_all(Dir() / "arc");
      fs::create_directories(Dir() / "arc");
      TRun c = RunCommand("cd " + Quote(Dir()) + " && VQM_TICK_COUNT=4321 " VQM_ARQ_TOOL " c arc/a.arq sample -j " +
                          threads + " " + options);
      ASSERT_EQ(c.Exit, 0) << c.Output;
      std::map<std::string, std::string> archive = Tree(Dir() / "arc");
      if (first.empty()) first = archive;
      EXPECT_TRUE(archive == first);
      TRun t = Arq(std::string("t arc/a.arq --key-file key -j ") + threads);
      EXPECT_EQ(t.Exit, 0) << t.Output;
      fs::remove_all(Dir() / "out");
      TRun x = Arq(std::string("x arc/a.arq -d out --key-file key -j ") + threads);
      EXPECT_EQ(x.Exit, 0) << x.Output;
      EXPECT_EQ(Tree(Dir() / "out" / "sample"), Tree(Dir() / "sample"));
    }
  }
  EXPECT_EQ(Arq("t arc/a.arq -j 0").Exit, 2);
}

TEST_F(ArqTest, SegmentedArchives) {
  MakeSampleTree("sample");
  ASSERT_EQ(Arq("c a.arq sample --block-size 2048 --segment-size 6144").Exit, 0);
  EXPECT_TRUE(fs::exists(Dir() / "a-002.mmm"));
  EXPECT_LE(fs::file_size(Dir() / "a-002.mmm"), 6144u);
  // Appending goes on in the last segment.
  WriteHostFile(Dir() / "later.txt", "added later\n");
  ASSERT_EQ(Arq("c a.arq later.txt --block-size 2048 --segment-size 6144").Exit, 0);
  TRun x = Arq("x a.arq -d out");
  EXPECT_EQ(x.Exit, 0) << x.Output;
  EXPECT_EQ(Tree(Dir() / "out" / "sample"), Tree(Dir() / "sample"));
  EXPECT_EQ(ReadHostFile(Dir() / "out" / "later.txt"), "added later\n");

  // Without a terminal a missing segment cannot be asked for: a clear error.
  fs::rename(Dir() / "a-002.mmm", Dir() / "elsewhere.mmm");
  TRun missing = Arq("t a.arq");
  EXPECT_EQ(missing.Exit, 2);
  EXPECT_NE(missing.Output.find("segment 2 of the archive is missing"), std::string::npos) << missing.Output;

  TRun small = Arq("c b.arq sample --segment-size 1000");
  EXPECT_EQ(small.Exit, 2);
  EXPECT_NE(small.Output.find("too small"), std::string::npos) << small.Output;
}

TEST_F(ArqTest, ListShowsTheHeaderAndTheEntries) {
  WriteHostFile(Dir() / "a.txt", "abc");
  ASSERT_EQ(Arq("c a.arq a.txt --comment 'a note' --no-compress").Exit, 0);
  TRun l = Arq("l a.arq --verbose");
  EXPECT_EQ(l.Exit, 0);
  for (const char* line : {"Signature:      0x00001238", "BlockSize:      65536", "EndOffset:      340",
                           "Flags:          final segment", "Comment:        a note",
                           "           3           11  ", "....A f.p.  a.txt", "1 entries"})
    EXPECT_NE(l.Output.find(line), std::string::npos) << line << "\n" << l.Output;
}

TEST_F(ArqTest, PathsAndBase) {
  WriteHostFile(Dir() / "deep" / "er" / "f.txt", "f");
  struct {
    const char* options;
    const char* stored;
  } rows[] = {
      {"--paths none", "  f.txt"},
      {"--paths relative", "  deep\\er\\f.txt"},
      {"--paths relative --base deep", "  er\\f.txt"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.options);
    fs::remove(Dir() / "a.arq");
    ASSERT_EQ(Arq(std::string("c a.arq deep/er/f.txt ") + row.options).Exit, 0);
    TRun l = Arq("l a.arq");
    EXPECT_NE(l.Output.find(std::string(row.stored) + "\n"), std::string::npos) << l.Output;
  }
  // Whole paths carry the drive; extraction puts them below the target all the same.
  fs::remove(Dir() / "a.arq");
  ASSERT_EQ(Arq("c a.arq deep/er/f.txt --paths whole").Exit, 0);
  TRun x = Arq("x a.arq -d out");
  EXPECT_EQ(x.Exit, 0) << x.Output;
  fs::path expected = Dir() / "out" / fs::relative(Dir() / "deep" / "er" / "f.txt", "/");
  EXPECT_EQ(ReadHostFile(expected), "f");
}

TEST_F(ArqTest, ExistingFiles) {
  WriteHostFile(Dir() / "a.txt", "new");
  ASSERT_EQ(Arq("c a.arq a.txt").Exit, 0);
  struct {
    const char* option;
    const char* result;
  } rows[] = {
      {"", "old"},  // no terminal to ask: kept
      {"--skip", "old"},
      {"--overwrite", "new"},
      {"--update", "new"},  // the file there is an hour older
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.option);
    WriteHostFile(Dir() / "out" / "a.txt", "old");
    fs::last_write_time(Dir() / "out" / "a.txt", fs::last_write_time(Dir() / "a.txt") - std::chrono::hours(1));
    EXPECT_EQ(Arq(std::string("x a.arq -d out ") + row.option).Exit, 0);
    EXPECT_EQ(ReadHostFile(Dir() / "out" / "a.txt"), row.result);
  }
  fs::remove(Dir() / "out" / "a.txt");
  EXPECT_EQ(Arq("x a.arq -d out --existing-only").Exit, 0);
  EXPECT_FALSE(fs::exists(Dir() / "out" / "a.txt"));
}

TEST_F(ArqTest, ExitStatus) {
  WriteHostFile(Dir() / "a.txt", std::string(100, 'a') + "distinct bytes");
  WriteHostFile(Dir() / "b.txt", "bbb");
  ASSERT_EQ(Arq("c a.arq a.txt b.txt --no-compress").Exit, 0);
  std::string archive = ReadHostFile(Dir() / "a.arq");
  std::string damaged = archive;
  damaged[damaged.find("distinct")] ^= 1;
  WriteHostFile(Dir() / "damaged.arq", damaged);
  WriteHostFile(Dir() / "short.arq", archive.substr(0, archive.size() - 1));
  WriteHostFile(Dir() / "text.arq", std::string(1000, 'x'));

  struct {
    const char* args;
    int exit;
    const char* says;
  } rows[] = {
      {"--help", 0, "Usage: arq COMMAND"},
      {"", 2, "no command given"},
      {"q a.arq", 2, "unknown command"},
      {"x", 2, "no archive given"},
      {"c a.arq", 2, "nothing to add"},
      {"x a.arq --bogus", 2, "unknown option --bogus"},
      {"c a.arq a.txt --block-size 100", 2, "--block-size must lie"},
      {"x missing.arq", 2, "not found"},
      {"l text.arq", 2, "is not a valid archive"},
      {"t short.arq", 1, "is cut short: it ends at byte"},
      {"t damaged.arq", 1, "a.txt: Bad CRC"},
      {"x damaged.arq -d out", 1, "a.txt: Bad CRC"},
      {"c more.arq a.txt nothing.txt", 1, "nothing.txt: not found"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    TRun run = Arq(row.args);
    EXPECT_EQ(run.Exit, row.exit) << run.Output;
    EXPECT_NE(run.Output.find(row.says), std::string::npos) << run.Output;
  }
  EXPECT_EQ(ReadHostFile(Dir() / "out" / "b.txt"), "bbb");  // the sound entry came out
  EXPECT_FALSE(fs::exists(Dir() / "missing.arq"));        // nothing is made by reading
}

TEST_F(ArqTest, AppendingKeepsWhatIsThere) {
  WriteHostFile(Dir() / "a.txt", "a");
  WriteHostFile(Dir() / "b.txt", "b");
  ASSERT_EQ(Arq("c a.arq a.txt").Exit, 0);
  ASSERT_EQ(Arq("c a.arq b.txt").Exit, 0);
  ASSERT_EQ(Arq("x a.arq -d out").Exit, 0);
  EXPECT_EQ(ReadHostFile(Dir() / "out" / "a.txt"), "a");
  EXPECT_EQ(ReadHostFile(Dir() / "out" / "b.txt"), "b");
  // The archive itself is never added to itself.
  ASSERT_EQ(Arq("c a.arq .").Exit, 0);
  TRun l = Arq("l a.arq");
  EXPECT_EQ(l.Output.find("a.arq"), std::string::npos) << l.Output;
  // Nor are the segment files it writes beside it, even inside the folder added.
  MakeSampleTree("tree");
  ASSERT_EQ(Arq("c tree/s.arq tree --block-size 2048 --segment-size 6144").Exit, 0);
  ASSERT_TRUE(fs::exists(Dir() / "tree" / "s-002.mmm"));
  l = Arq("l tree/s.arq");
  EXPECT_EQ(l.Exit, 0) << l.Output;
  EXPECT_EQ(l.Output.find("s.arq"), std::string::npos) << l.Output;
  EXPECT_EQ(l.Output.find(".mmm"), std::string::npos) << l.Output;
}

// An archive cut short: each command says where it ends and what is lost;
// extraction writes what lies before the cut.
TEST_F(ArqTest, ACutArchiveSaysWhatIsMissing) {
  WriteHostFile(Dir() / "a.txt", std::string(3000, 'a'));
  WriteHostFile(Dir() / "b.txt", std::string(3000, 'b'));
  WriteHostFile(Dir() / "c.txt", std::string(3000, 'c'));
  ASSERT_EQ(Arq("c a.arq a.txt b.txt c.txt --no-compress").Exit, 0);
  const std::string archive = ReadHostFile(Dir() / "a.arq");
  WriteHostFile(Dir() / "cut.arq", archive.substr(0, archive.find("c.txt") - 1000));
  TRun l = Arq("l cut.arq");
  EXPECT_EQ(l.Exit, 1) << l.Output;
  EXPECT_NE(l.Output.find("cut.arq is cut short: it ends at byte"), std::string::npos) << l.Output;
  EXPECT_NE(l.Output.find("b.txt: incomplete, its data runs past the cut"), std::string::npos) << l.Output;
  EXPECT_NE(l.Output.find("1 of the 3 entries the archive counts are lost after the cut"), std::string::npos)
      << l.Output;
  TRun t = Arq("t cut.arq");
  EXPECT_EQ(t.Exit, 1) << t.Output;
  EXPECT_NE(t.Output.find("b.txt: Stream read error"), std::string::npos) << t.Output;
  EXPECT_NE(t.Output.find("is cut short"), std::string::npos) << t.Output;
  TRun x = Arq("x cut.arq -d out");
  EXPECT_EQ(x.Exit, 1) << x.Output;
  EXPECT_NE(x.Output.find("b.txt: Stream read error"), std::string::npos) << x.Output;
  EXPECT_NE(x.Output.find("lost after the cut"), std::string::npos) << x.Output;
  EXPECT_EQ(ReadHostFile(Dir() / "out" / "a.txt"), std::string(3000, 'a'));
  EXPECT_FALSE(fs::exists(Dir() / "out" / "c.txt"));
}
// arq c killed at any moment, plain and segmented: what the archive then
// lists extracts whole.
TEST_F(ArqTest, KilledWhileWritingLosesNoListedEntry) {
  std::mt19937 gen(11);
  for (int i = 0; i < 10; ++i) {
    std::string noise(30000, '\0');
    for (char& c : noise) c = static_cast<char>(gen());
    WriteHostFile(Dir() / "in" / ("f" + std::to_string(i) + ".bin"), noise);
  }
  for (const char* options : {"--block-size 4096", "--block-size 4096 --segment-size 40000"}) {
    SCOPED_TRACE(options);
    const std::string command = "cd " + Quote(Dir()) + " && exec " VQM_ARQ_TOOL " c k.arq in " + std::string(options);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCommand(command).Exit, 0);
    const auto whole = std::chrono::steady_clock::now() - start;
    for (int round = 1; round <= 8; ++round) {
      for (const auto& e : fs::directory_iterator(Dir()))
        if (e.path().filename().string().rfind("k", 0) == 0) fs::remove(e.path());
      fs::remove_all(Dir() / "out");
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
      }
      std::this_thread::sleep_for(whole * round / 9);
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      if (!fs::exists(Dir() / "k.arq")) continue;
      // The names listed (the name column starts at 60).
      std::set<std::string> listed;
      TRun l = Arq("l k.arq");
      size_t at = 0;
      while ((at = l.Output.find("in\\f", at)) != std::string::npos) {
        size_t end = l.Output.find('\n', at);
        listed.insert(l.Output.substr(at + 3, end - at - 3));
        at = end;
      }
      Arq("x k.arq -d out");
      for (const std::string& name : listed) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadHostFile(Dir() / "out" / "in" / name), ReadHostFile(Dir() / "in" / name));
      }
    }
  }
}
#endif

}  // namespace
