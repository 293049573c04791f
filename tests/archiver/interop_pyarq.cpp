// Interoperation with the independent implementation of the format
// (tools/pyarq): its archives extract with arq, and arq's extract with it,
// plain, at every level, enciphered, solid, segmented, with folders, empty
// files and a comment.

#include <string>

#include "tests/archiver/arq_host.h"

using namespace archiver_test;

namespace {

#ifdef VQM_ARQ_TOOL
class InteropTest : public THostTest {
 protected:
  void SetUp() override {
    THostTest::SetUp();
    const char* root = std::getenv("VQM_SOURCE_DIR");
    if (!root || !fs::exists(fs::path(root) / "tools" / "pyarq" / "pyarq.py") ||
        RunCommand("python3 -c pass").Exit != 0)
      GTEST_SKIP() << "pyarq is not there";
    FPyarq = "python3 " + Quote(fs::path(root) / "tools" / "pyarq" / "pyarq.py");
    MakeSampleTree("sample");
  }

  TRun In(const std::string& command) { return RunCommand("cd " + Quote(Dir()) + " && " + command); }
  TRun Arq(const std::string& args) { return In(VQM_ARQ_TOOL " " + args); }
  TRun Pyarq(const std::string& args) { return In(FPyarq + " " + args); }

  std::string FPyarq;
};

TEST_F(InteropTest, PyarqArchivesExtractWithArq) {
  struct {
    const char* pyarq;
    const char* arq;
  } rows[] = {
      {"--store", ""},
      {"-l max", ""},
      {"-l normal -m 'a comment'", ""},
      {"-l fast -b 2048", ""},
      {"-l superfast", ""},
      {"-l none", ""},
      {"-k 'the key text'", "--key-file key"},
      {"-k 'the key text' --encrypt-files", "--key-file key"},
      {"--solid", ""},
      {"--solid -k 'the key text'", "--key-file key"},
      {"-b 2048 -s 6144", ""},
  };
  WriteHostFile(Dir() / "key", "the key text\n");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pyarq);
    fs::remove(Dir() / "p.arq");
    fs::remove_all(Dir() / "out");
    TRun made = Pyarq(std::string("c p.arq sample ") + row.pyarq);
    ASSERT_EQ(made.Exit, 0) << made.Output;
    TRun t = Arq(std::string("t p.arq ") + row.arq);
    EXPECT_EQ(t.Exit, 0) << t.Output;
    TRun x = Arq(std::string("x p.arq -d out ") + row.arq);
    EXPECT_EQ(x.Exit, 0) << x.Output;
    EXPECT_EQ(Tree(Dir() / "out" / "sample"), Tree(Dir() / "sample"));
  }
}

TEST_F(InteropTest, ArqArchivesExtractWithPyarq) {
  struct {
    const char* arq;
    const char* pyarq;
  } rows[] = {
      {"--no-compress", ""},
      {"--level maximum --comment 'a comment'", ""},
      {"--level fast --block-size 2048", ""},
      {"--level none", ""},
      {"--key-file key", "-k 'the key text'"},
      {"--solid", ""},
      {"--solid --key-file key", "-k 'the key text'"},
      {"--block-size 2048 --segment-size 6144", ""},
  };
  WriteHostFile(Dir() / "key", "the key text\n");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arq);
    fs::remove(Dir() / "a.arq");
    fs::remove_all(Dir() / "out");
    TRun made = Arq(std::string("c a.arq sample ") + row.arq);
    ASSERT_EQ(made.Exit, 0) << made.Output;
    TRun x = Pyarq(std::string("x a.arq out ") + row.pyarq);
    EXPECT_EQ(x.Exit, 0) << x.Output;
    EXPECT_EQ(Tree(Dir() / "out" / "sample"), Tree(Dir() / "sample"));
  }
}
#endif

}  // namespace
