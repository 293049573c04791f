// Windows path rules of the simulated machine: parsing, refused names,
// pattern matching, case-insensitive lookup and staying inside a drive.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "platform/sim/WinPath.h"
#include "tests/platform/sim_fixture.h"

namespace simtest {
namespace {

TCurrentDirs CurrentDirs() {
  TCurrentDirs dirs;
  dirs.Drive = 'C';
  dirs.Dirs['C' - 'A'] = {"WINDOWS", "TEMP"};
  dirs.Dirs['D' - 'A'] = {"Setup"};
  return dirs;
}

TEST(SimPath, ParsesAsWindowsDoes) {
  struct {
    const char* in;
    const char* out;
  } const cases[] = {
      {"C:\\a\\b", "C:\\a\\b"},
      {"c:/a//b\\", "C:\\a\\b"},
      {"x.txt", "C:\\WINDOWS\\TEMP\\x.txt"},
      {"..\\x", "C:\\WINDOWS\\x"},
      {"\\x", "C:\\x"},
      {"D:y", "D:\\Setup\\y"},
      {"E:y", "E:\\y"},
      {"C:\\..\\..\\x", "C:\\x"},          // ".." stops at the root
      {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
      {"C:\\name. . .", "C:\\name"},        // trailing dots and blanks go
      {"C:\\dir.\\f", "C:\\dir\\f"},
      {"C:\\Instalação\\ÁRVORE", "C:\\Instalação\\ÁRVORE"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    TWinPath p;
    ASSERT_EQ(ParseWinPath(rtl::AnsiFromUtf8(cases[i].in), CurrentDirs(), wcRefuse, p), ERROR_SUCCESS) << i;
    EXPECT_EQ(p.Text(), rtl::AnsiFromUtf8(cases[i].out)) << i;
  }
}

TEST(SimPath, RefusesWhatWindowsRefuses) {
  struct {
    std::string in;
    DWORD error;
  } const cases[] = {
      {"", ERROR_PATH_NOT_FOUND},
      {"C:\\a<b", ERROR_INVALID_NAME},
      {"C:\\a>b", ERROR_INVALID_NAME},
      {"C:\\a\"b", ERROR_INVALID_NAME},
      {"C:\\a|b", ERROR_INVALID_NAME},
      {"C:\\a:b", ERROR_INVALID_NAME},
      {"C:\\a*b", ERROR_INVALID_NAME},
      {"C:\\a?b", ERROR_INVALID_NAME},
      {std::string("C:\\a\x01" "b"), ERROR_INVALID_NAME},
      {std::string("C:\\a\0b", 6), ERROR_INVALID_NAME},
      {"C:\\CON", ERROR_INVALID_NAME},
      {"C:\\x\\nul.txt", ERROR_INVALID_NAME},
      {"C:\\Com1", ERROR_INVALID_NAME},
      {"C:\\LPT9.log", ERROR_INVALID_NAME},
      {"C:\\aux \\x", ERROR_INVALID_NAME},
      {"C:\\...", ERROR_INVALID_NAME},
      {"C:\\ . ", ERROR_INVALID_NAME},
      {"1:\\x", ERROR_INVALID_NAME},
      {"\\\\server\\share\\x", ERROR_BAD_NETPATH},
      {"\\\\?\\C:\\x", ERROR_INVALID_NAME},
      {"\\\\.\\PhysicalDrive0", ERROR_INVALID_NAME},
      {"C:\\" + std::string(256, 'a'), ERROR_FILENAME_EXCED_RANGE},
      {"C:\\" + std::string(200, 'a') + "\\" + std::string(60, 'b'), ERROR_FILENAME_EXCED_RANGE},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    TWinPath p;
    EXPECT_EQ(ParseWinPath(cases[i].in, CurrentDirs(), wcRefuse, p), cases[i].error) << i << " " << cases[i].in;
  }
  // Names like these are fine: a device name inside a longer name, and "COM0".
  TWinPath p;
  for (const char* ok : {"C:\\CONSOLE", "C:\\nul1.txt", "C:\\COM0", "C:\\x.CON"})
    EXPECT_EQ(ParseWinPath(ok, CurrentDirs(), wcRefuse, p), ERROR_SUCCESS) << ok;
  // Wildcards only in the last name of a pattern.
  EXPECT_EQ(ParseWinPath("C:\\a\\*.txt", CurrentDirs(), wcInLastPart, p), ERROR_SUCCESS);
  EXPECT_EQ(ParseWinPath("C:\\a*\\b", CurrentDirs(), wcInLastPart, p), ERROR_INVALID_NAME);
}

TEST(SimPath, PatternsFollowTheDosRules) {
  struct {
    const char* pattern;
    const char* name;
    bool match;
  } const cases[] = {
      {"*", "abc", true},          {"*", ".", true},
      {"*.*", "abc", true},        {"*.*", "a.b", true},
      {"*.txt", "a.txt", true},    {"*.txt", "A.TXT", true},
      {"*.txt", "a.txt.bak", false}, {"*.txt", "a.b.txt", true},
      {"*.txt", "txt", false},     {"*.", "abc", true},
      {"*.", "a.b", false},        {"?.txt", "a.txt", true},
      {"?.txt", "ab.txt", false},  {"a??", "a", true},
      {"a??", "abc", true},        {"a??", "abcd", false},
      {"a?c", "abc", true},        {"a?c", "ac", false},
      {"x.*", "x", true},          {"x.*", "x.tar.gz", true},
      {"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"ÁRV*", "árvore", true},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(MatchesPattern(rtl::AnsiFromUtf8(cases[i].pattern), rtl::AnsiFromUtf8(cases[i].name)), cases[i].match)
        << i << " " << cases[i].pattern << " " << cases[i].name;
}

using SimPaths = TSimTest;

TEST_F(SimPaths, NamesAreFoundWithoutRegardToCaseAndKeepTheirCase) {
  ASSERT_TRUE(M->CreateDirectoryA("C:\\Instalação"_a));
  Put("C:\\Instalação\\Árvore Ação.TXT"_a, "dados");
  // The host keeps the names in UTF-8, in the case they were given.
  EXPECT_TRUE(std::filesystem::exists(FDir + "/drives/c/Instalação/Árvore Ação.TXT"));
  EXPECT_EQ(Get("c:\\INSTALAÇÃO\\árvore ação.txt"_a), "dados");

  WIN32_FIND_DATAA data;
  const HANDLE find = M->FindFirstFileA("C:\\instalação\\ÁRVORE*"_a, data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.cFileName, "Árvore Ação.TXT"_a);
  M->FindClose(find);

  // A name that exists in another case is that file, not a new one.
  Put("C:\\INSTALAÇÃO\\ÁRVORE AÇÃO.txt"_a, "novo");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FDir + "/drives/c/Instalação"),
                          std::filesystem::directory_iterator{}),
            1);
  EXPECT_EQ(HostText(FDir + "/drives/c/Instalação/Árvore Ação.TXT"), "novo");
  // Renaming to another case of the same name changes the case.
  ASSERT_TRUE(M->MoveFileA("C:\\Instalação\\Árvore Ação.TXT"_a, "C:\\Instalação\\árvore ação.txt"_a));
  EXPECT_TRUE(std::filesystem::exists(FDir + "/drives/c/Instalação/árvore ação.txt"));
}

// Names are looked up in folders listed earlier; what the host (another
// process) changes afterwards must be seen at the next call.
TEST_F(SimPaths, NamesChangedOnTheHostAreSeenAtOnce) {
  const std::string c = FDir + "/drives/c";
  ASSERT_TRUE(M->CreateDirectoryA("C:\\Pasta"));
  Put("C:\\Pasta\\Um.txt", "um");
  EXPECT_EQ(Get("c:\\PASTA\\UM.TXT"), "um");  // lists the folder

  HostWrite(c + "/Pasta/Novo.TXT", "novo");
  EXPECT_EQ(Get("c:\\pasta\\NOVO.txt"), "novo");
  std::filesystem::rename(c + "/Pasta/Novo.TXT", c + "/Pasta/Outro.dat");
  EXPECT_EQ(Get("c:\\pasta\\novo.txt"), "<error 2>");
  EXPECT_EQ(Get("c:\\pasta\\OUTRO.DAT"), "novo");
  std::filesystem::remove(c + "/Pasta/Outro.dat");
  EXPECT_EQ(Get("c:\\pasta\\OUTRO.DAT"), "<error 2>");
  // A name that comes back in another case.
  HostWrite(c + "/Pasta/OUTRO.DAT", "de volta");
  EXPECT_EQ(Get("c:\\pasta\\outro.dat"), "de volta");

  // The folder moved away and another made in its place: each answers with its own names.
  std::filesystem::rename(c + "/Pasta", c + "/Velha");
  HostWrite(c + "/Pasta/Dois.txt", "dois");
  EXPECT_EQ(Get("c:\\PASTA\\um.txt"), "<error 2>");
  EXPECT_EQ(Get("c:\\PASTA\\DOIS.TXT"), "dois");
  EXPECT_EQ(Get("c:\\velha\\UM.TXT"), "um");

  // More folders than are kept listed: the first one is still answered for rightly.
  for (int i = 0; i < 80; ++i) {
    const AnsiString folder = "C:\\Muitas\\F" + std::to_string(i);
    ASSERT_TRUE(M->CreateDirectoryA("C:\\Muitas") || i > 0);
    ASSERT_TRUE(M->CreateDirectoryA(folder));
    Put(folder + "\\A.txt", std::to_string(i));
    EXPECT_EQ(Get(folder + "\\a.TXT"), std::to_string(i));
  }
  HostWrite(c + "/Muitas/F0/B.txt", "b");
  EXPECT_EQ(Get("c:\\muitas\\f0\\b.TXT"), "b");
  EXPECT_EQ(Get("c:\\muitas\\f79\\A.TXT"), "79");
}

// Folders found once are remembered. After each change, made by this
// process, by another process of the machine or by the host, every path
// answers as it does to a process that looks for the first time, and a file
// written lands where that process finds it.
class SimFolderCache : public TSimTest {
 protected:
  void Configure() override {
    AddDisk(FDir, "disk1", {"", "DISCO1", 1, "FAT", 1457664, kRealSize, 512});
    AddDisk(FDir, "disk2", {"", "DISCO2", 2, "FAT", 1457664, kRealSize, 512});
    HostWrite(FDir + "/disks/disk1/Pasta/f.txt", "disk1");
    HostWrite(FDir + "/disks/disk2/PASTA/F.TXT", "disk2");
  }
  // Attributes, contents (or the error), the name FindFirstFile gives and the host file.
  static std::string Probe(TSimMachine& m, const AnsiString& path) {
    m.SetErrorMode(SEM_FAILCRITICALERRORS);
    std::string out = std::to_string(m.GetFileAttributesA(path));
    const HANDLE h = m.CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    if (h != INVALID_HANDLE_VALUE) {
      char bytes[64];
      DWORD read = 0;
      m.ReadFile(h, bytes, sizeof bytes, read);
      out += " [" + std::string(bytes, read) + "]";
      m.CloseHandle(h);
    } else {
      out += " error " + std::to_string(m.GetLastError());
    }
    WIN32_FIND_DATAA data;
    const HANDLE find = m.FindFirstFileA(path, data);
    if (find != INVALID_HANDLE_VALUE) {
      out += " found " + data.cFileName;
      m.FindClose(find);
    }
    return out + " " + m.HostPath(path);
  }
};

TEST_F(SimFolderCache, AnswersAsAFirstLookAfterEveryChange) {
  const std::string c = FDir + "/drives/c";
  M->InsertDisk('A', "disk1");
  auto other = [&] { return std::make_unique<TSimMachine>(FDir); };
  struct {
    const char* what;
    std::function<void()> change;
  } const steps[] = {
      {"folders made here",
       [&] {
         ASSERT_TRUE(M->CreateDirectoryA("C:\\Dados"));
         ASSERT_TRUE(M->CreateDirectoryA("C:\\Dados\\Sub"));
         Put("C:\\Dados\\a.txt", "a");
         Put("C:\\Dados\\Sub\\c.txt", "c");
       }},
      {"renamed here", [&] { ASSERT_TRUE(M->MoveFileA("C:\\dados", "C:\\Velha")); }},
      {"the old name made again in another case",
       [&] {
         ASSERT_TRUE(M->CreateDirectoryA("C:\\DADOS"));
         Put("C:\\dados\\b.txt", "b");
       }},
      {"renamed by another process", [&] { ASSERT_TRUE(other()->MoveFileA("C:\\VELHA", "C:\\Outro")); }},
      {"moved back by the host in another case", [&] { std::filesystem::rename(c + "/Outro", c + "/velha"); }},
      {"a level above renamed by the host",
       [&] {
         std::filesystem::create_directories(c + "/Raiz");
         std::filesystem::rename(c + "/velha", c + "/Raiz/velha");
         std::filesystem::rename(c + "/Raiz", c + "/Velha");
       }},
      {"replaced by a link inside the drive",
       [&] {
         std::filesystem::remove_all(c + "/Velha");
         ASSERT_EQ(::symlink("DADOS", (c + "/Velha").c_str()), 0);
       }},
      {"replaced by a link out of the drive",
       [&] {
         HostWrite(FRoot + "/fora/a.txt", "secret");
         std::filesystem::remove(c + "/Velha");
         ASSERT_EQ(::symlink((FRoot + "/fora").c_str(), (c + "/Velha").c_str()), 0);
       }},
      {"the link replaced by a folder",
       [&] {
         std::filesystem::remove(c + "/Velha");
         HostWrite(c + "/Velha/Sub/c.txt", "nova");
       }},
      {"a subfolder replaced by a file on the host",
       [&] {
         std::filesystem::remove_all(c + "/Velha/Sub");
         HostWrite(c + "/Velha/sub", "arquivo");
       }},
      {"removed here",
       [&] {
         ASSERT_TRUE(M->DeleteFileA("C:\\Dados\\B.TXT"));
         ASSERT_TRUE(M->DeleteFileA("C:\\Dados\\w.txt"));
         ASSERT_TRUE(M->RemoveDirectoryA("C:\\dados"));
       }},
      {"disk changed by another process", [&] { other()->InsertDisk('A', "disk2"); }},
      {"disk changed in state.ini to one added after start",
       [&] {
         AddDisk(FDir, "disk3", {"", "DISCO3", 3, "FAT", 1457664, kRealSize, 512});
         HostWrite(FDir + "/disks/disk3/pasta/f.txt", "disk3");
         HostWrite(FDir + "/state.ini", "[Media]\nA=disk3\n");
       }},
      {"disk taken out", [&] { M->InsertDisk('A', ""); }},
  };
  const AnsiString paths[] = {"C:\\Dados",       "C:\\DADOS\\a.txt",   "C:\\dados\\b.txt", "C:\\Dados\\Sub\\C.TXT",
                              "C:\\Velha",       "C:\\velha\\A.TXT",   "C:\\Velha\\b.txt", "C:\\VELHA\\sub\\c.txt",
                              "C:\\Velha\\Sub",  "C:\\Outro\\a.txt",   "C:\\Velha\\velha\\a.txt",
                              "A:\\pasta\\f.txt", "A:\\PASTA",         "C:\\Dados\\w.txt", "C:\\Velha\\Sub\\w.txt"};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    // Written through the warm process: the host file a fresh one finds.
    for (const AnsiString written : {"C:\\Dados\\w.txt", "C:\\Velha\\Sub\\w.txt"}) {
      const HANDLE h = M->CreateFileA(written, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
      DWORD done;
      if (h != INVALID_HANDLE_VALUE) M->WriteFile(h, step.what, static_cast<DWORD>(std::strlen(step.what)), done);
      if (h != INVALID_HANDLE_VALUE) M->CloseHandle(h);
    }
    const auto fresh = other();
    for (const AnsiString& path : paths) EXPECT_EQ(Probe(*M, path), Probe(*fresh, path)) << path;
  }
}

TEST_F(SimPaths, RelativePathsFollowEachDrivesCurrentFolder) {
  ASSERT_TRUE(M->CreateDirectoryA("C:\\Dados"));
  ASSERT_TRUE(M->SetCurrentDirectoryA("c:\\dados"));
  EXPECT_EQ(M->GetCurrentDirectoryA(), "C:\\dados");
  Put("x.txt", "1");
  EXPECT_EQ(Get("C:\\Dados\\X.TXT"), "1");
  EXPECT_EQ(Get("C:x.txt"), "1");
  EXPECT_EQ(Get("..\\Dados\\x.txt"), "1");
  EXPECT_FALSE(M->SetCurrentDirectoryA("C:\\Dados\\x.txt"));
  EXPECT_EQ(M->GetLastError(), ERROR_DIRECTORY);
  EXPECT_FALSE(M->SetCurrentDirectoryA("C:\\Nada"));
  EXPECT_EQ(M->GetLastError(), ERROR_FILE_NOT_FOUND);
  // The current folder cannot be removed.
  EXPECT_FALSE(M->RemoveDirectoryA("C:\\Dados\\..\\Dados"));
}

TEST_F(SimPaths, ALinkSwappedInAfterTheCheckIsNotFollowed) {
  // Between the check of the path and the open, a folder of the path (or the
  // file itself) is replaced by a link to a place outside the drive.
  HostWrite(FRoot + "/fora/x.txt", "secret");
  const std::string folder = FDir + "/drives/c/Dados";
  struct {
    const char* path;
    std::string swapped;  // host entry replaced by the link
    std::string target;
    DWORD disposition;
  } const cases[] = {
      {"C:\\Dados\\x.txt", folder, FRoot + "/fora", OPEN_EXISTING},
      {"C:\\Dados\\x.txt", folder, FRoot + "/fora", CREATE_ALWAYS},
      {"C:\\Dados\\novo.txt", folder, FRoot + "/fora", CREATE_NEW},
      {"C:\\Dados\\x.txt", folder + "/x.txt", FRoot + "/fora/x.txt", OPEN_EXISTING},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path << " " << c.swapped << " " << c.disposition);
    std::filesystem::remove_all(folder);
    HostWrite(folder + "/x.txt", "inside");
    M->Files().BeforeOpen = [&] {
      std::filesystem::remove_all(c.swapped);
      ASSERT_EQ(::symlink(c.target.c_str(), c.swapped.c_str()), 0);
    };
    const HANDLE h = M->CreateFileA(c.path, GENERIC_READ | GENERIC_WRITE, 0, c.disposition, 0);
    M->Files().BeforeOpen = nullptr;
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) M->CloseHandle(h);
    EXPECT_EQ(HostText(FRoot + "/fora/x.txt"), "secret");
    EXPECT_FALSE(std::filesystem::exists(FRoot + "/fora/novo.txt"));
  }
  // Without a swap the same opens work.
  std::filesystem::remove_all(folder);
  HostWrite(folder + "/x.txt", "inside");
  EXPECT_EQ(Get("C:\\Dados\\x.txt"), "inside");
}

TEST_F(SimPaths, NoPathLeavesItsDrive) {
  // A host file beside the drive folder, and links that point at it.
  HostWrite(FRoot + "/secret.txt", "secret");
  ASSERT_EQ(::symlink((FRoot + "/secret.txt").c_str(), (FDir + "/drives/c/link.txt").c_str()), 0);
  ASSERT_EQ(::symlink(FRoot.c_str(), (FDir + "/drives/c/out").c_str()), 0);
  ASSERT_EQ(::symlink("WINDOWS", (FDir + "/drives/c/win").c_str()), 0);

  struct {
    const char* path;
    DWORD error;
  } const bad[] = {
      {"C:\\link.txt", ERROR_ACCESS_DENIED},
      {"C:\\out\\secret.txt", ERROR_ACCESS_DENIED},
      {"C:\\out\\new.txt", ERROR_ACCESS_DENIED},
      {"C:\\CON", ERROR_INVALID_NAME},
      {"C:\\a|b", ERROR_INVALID_NAME},
      {"Q:\\x", ERROR_PATH_NOT_FOUND},
      {"C:\\Nada\\x", ERROR_PATH_NOT_FOUND},
      {"\\\\host\\share\\x", ERROR_BAD_NETPATH},
  };
  for (const auto& c : bad) {
    for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS}) {
      M->SetLastError(0xDEADBEEF);
      EXPECT_EQ(M->CreateFileA(c.path, GENERIC_READ | GENERIC_WRITE, 0, disposition, 0), INVALID_HANDLE_VALUE)
          << c.path;
      EXPECT_EQ(M->GetLastError(), c.error) << c.path;
    }
    EXPECT_EQ(M->GetFileAttributesA(c.path), INVALID_FILE_ATTRIBUTES) << c.path;
  }
  EXPECT_EQ(HostText(FRoot + "/secret.txt"), "secret");
  EXPECT_FALSE(std::filesystem::exists(FRoot + "/new.txt"));
  // ".." stops at the root of C:.
  EXPECT_EQ(Get("C:\\..\\..\\secret.txt"), "<error 2>");
  Put("C:\\..\\..\\secret.txt", "inside");
  EXPECT_EQ(HostText(FDir + "/drives/c/secret.txt"), "inside");
  EXPECT_EQ(HostText(FRoot + "/secret.txt"), "secret");
  // A link that stays inside the drive is followed.
  Put("C:\\win\\via-link.txt", "ok");
  EXPECT_EQ(Get("C:\\WINDOWS\\via-link.txt"), "ok");
  // Listings do not show what lies outside either.
  WIN32_FIND_DATAA data;
  HANDLE find = M->FindFirstFileA("C:\\*", data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    EXPECT_NE(data.cFileName, "link.txt");
    EXPECT_NE(data.cFileName, "out");
  } while (M->FindNextFileA(find, data));
  M->FindClose(find);
}

}  // namespace
}  // namespace simtest
