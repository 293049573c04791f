// Files of the simulated machine: attributes and dates, read-only files,
// share modes, listings, folders and moves.

#include <gtest/gtest.h>

#include <ctime>

#include "rtl/Clock.h"

#include "tests/platform/sim_fixture.h"

namespace simtest {
namespace {

using SimFiles = TSimTest;

constexpr DWORD R = FILE_ATTRIBUTE_READONLY, H = FILE_ATTRIBUTE_HIDDEN, S = FILE_ATTRIBUTE_SYSTEM,
                A = FILE_ATTRIBUTE_ARCHIVE;

TEST_F(SimFiles, AttributesAndTimesRoundTripAcrossProcesses) {
  ASSERT_TRUE(M->CreateDirectoryA("C:\\Dir"));
  Put("C:\\Dir\\f.bin", "x");
  EXPECT_EQ(M->GetFileAttributesA("C:\\Dir\\f.bin"), A);  // new files carry the archive flag
  EXPECT_EQ(M->GetFileAttributesA("C:\\Dir"), FILE_ATTRIBUTE_DIRECTORY);

  // 1 January 1980 00:00:00, 2107 at its last DOS second, 1601 itself, a
  // value with 100 ns digits, the largest the format holds.
  const FILETIME times[] = {119600064000000000ull, 159992640000000000ull - 20000000, 0, 132223104123456789ull,
                            0x7FFFFFFFFFFFFFFFull};
  const DWORD attributes[] = {FILE_ATTRIBUTE_NORMAL, R, H | S, R | H | S | A, A};
  for (std::size_t i = 0; i < std::size(times); ++i) {
    const HANDLE h = M->CreateFileA("C:\\Dir\\f.bin", GENERIC_WRITE, 0, OPEN_EXISTING, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << i;
    ASSERT_TRUE(M->SetFileTime(h, nullptr, nullptr, &times[i]));
    DWORD written;
    ASSERT_TRUE(M->WriteFile(h, "more", 4, written));  // a write after the time does not move it
    ASSERT_TRUE(M->CloseHandle(h));
    ASSERT_TRUE(M->SetFileAttributesA("c:\\dir\\F.BIN", attributes[i])) << i;

    TSimMachine other(FDir);
    EXPECT_EQ(other.GetFileAttributesA("C:\\Dir\\f.bin"), attributes[i]) << i;
    WIN32_FIND_DATAA data;
    const HANDLE find = other.FindFirstFileA("C:\\Dir\\f.bin", data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.ftLastWriteTime, times[i]) << i;
    EXPECT_EQ(data.dwFileAttributes, attributes[i]) << i;
    other.FindClose(find);
    const HANDLE r = other.CreateFileA("C:\\Dir\\f.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    FILETIME lastWrite = 1;
    ASSERT_TRUE(other.GetFileTime(r, nullptr, nullptr, &lastWrite));
    EXPECT_EQ(lastWrite, times[i]) << i;
    other.CloseHandle(r);
    ASSERT_TRUE(M->SetFileAttributesA("C:\\Dir\\f.bin", FILE_ATTRIBUTE_NORMAL));
  }
  // A host program that changes the file makes its own time count again.
  ASSERT_TRUE(M->SetFileAttributesA("C:\\Dir\\f.bin", FILE_ATTRIBUTE_NORMAL));
  std::filesystem::last_write_time(FDir + "/drives/c/Dir/f.bin", std::filesystem::file_time_type::clock::now());
  WIN32_FIND_DATAA data;
  const HANDLE find = M->FindFirstFileA("C:\\Dir\\f.bin", data);
  EXPECT_NE(data.ftLastWriteTime, times[4]);
  M->FindClose(find);
}

TEST_F(SimFiles, ReadOnlyAndHiddenFilesRefuseWhatWindowsRefuses) {
  Put("C:\\ro.txt", "keep");
  ASSERT_TRUE(M->SetFileAttributesA("C:\\ro.txt", R));
  EXPECT_EQ(M->CreateFileA("C:\\ro.txt", GENERIC_WRITE, 0, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(M->GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(M->CreateFileA("C:\\ro.txt", GENERIC_READ, 0, CREATE_ALWAYS, 0), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(M->DeleteFileA("C:\\ro.txt"));
  EXPECT_EQ(M->GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Get("C:\\ro.txt"), "keep");  // reading is fine
  ASSERT_TRUE(M->SetFileAttributesA("C:\\ro.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(M->DeleteFileA("C:\\ro.txt"));

  // Overwriting a hidden file must say hidden; a new file takes the attributes asked.
  const HANDLE h = M->CreateFileA("C:\\h.sys", GENERIC_WRITE, 0, CREATE_NEW, H | S);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  M->CloseHandle(h);
  EXPECT_EQ(M->GetFileAttributesA("C:\\h.sys"), H | S | A);
  EXPECT_EQ(M->CreateFileA("C:\\h.sys", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL), INVALID_HANDLE_VALUE);
  EXPECT_EQ(M->GetLastError(), ERROR_ACCESS_DENIED);
  const HANDLE again = M->CreateFileA("C:\\h.sys", GENERIC_WRITE, 0, CREATE_ALWAYS, H | S);
  ASSERT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_EQ(M->GetLastError(), ERROR_ALREADY_EXISTS);
  M->CloseHandle(again);
}

TEST_F(SimFiles, ShareModesHoldBetweenHandles) {
  Put("C:\\s.dat", "0123456789");
  constexpr DWORD RD = GENERIC_READ, WR = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
  struct {
    DWORD access1, share1, access2, share2;
    bool second;
  } const cases[] = {
      {RD, SR, RD, SR, true},       {RD, 0, RD, SR, false},        {RD, SR, WR, SR, false},
      {RD, SR | SW, WR, SR, true},  {WR, SR, RD, SR, false},       {WR, SR, RD, SR | SW, true},
      {WR, 0, RD, SR | SW, false},  {0, 0, RD | WR, 0, true},      {RD, SR, RD, 0, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const HANDLE first = M->CreateFileA("C:\\s.dat", c.access1, c.share1, OPEN_EXISTING, 0);
    ASSERT_NE(first, INVALID_HANDLE_VALUE) << i;
    const HANDLE second = M->CreateFileA("c:\\S.DAT", c.access2, c.share2, OPEN_EXISTING, 0);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.second) << i;
    if (second != INVALID_HANDLE_VALUE)
      M->CloseHandle(second);
    else
      EXPECT_EQ(M->GetLastError(), ERROR_SHARING_VIOLATION) << i;
    M->CloseHandle(first);
  }
  // An open file without FILE_SHARE_DELETE can be neither deleted nor moved.
  const HANDLE open = M->CreateFileA("C:\\s.dat", RD, SR, OPEN_EXISTING, 0);
  EXPECT_FALSE(M->DeleteFileA("C:\\s.dat"));
  EXPECT_EQ(M->GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(M->MoveFileA("C:\\s.dat", "C:\\t.dat"));
  M->CloseHandle(open);
  EXPECT_TRUE(M->MoveFileA("C:\\s.dat", "C:\\t.dat"));
  EXPECT_FALSE(M->CloseHandle(open));
  EXPECT_EQ(M->GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(SimFiles, HandlesReadWriteSeekAndTruncate) {
  const HANDLE h = M->CreateFileA("C:\\f.dat", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, 0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n;
  ASSERT_TRUE(M->WriteFile(h, "abcdef", 6, n));
  EXPECT_EQ(M->SetFilePointerEx(h, -2, FILE_END), 4);
  char buffer[8] = {};
  ASSERT_TRUE(M->ReadFile(h, buffer, 8, n));
  EXPECT_EQ(std::string(buffer, n), "ef");
  ASSERT_TRUE(M->ReadFile(h, buffer, 8, n));
  EXPECT_EQ(n, 0u);  // at the end a read gives nothing, and succeeds
  EXPECT_EQ(M->SetFilePointerEx(h, -7, FILE_CURRENT), -1);
  EXPECT_EQ(M->GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(M->SetFilePointerEx(h, 3, FILE_BEGIN), 3);
  ASSERT_TRUE(M->SetEndOfFile(h));
  EXPECT_EQ(M->GetFileSizeEx(h), 3);
  M->CloseHandle(h);

  const HANDLE r = M->CreateFileA("C:\\f.dat", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  EXPECT_FALSE(M->WriteFile(r, "x", 1, n));
  EXPECT_EQ(M->GetLastError(), ERROR_ACCESS_DENIED);
  FILETIME t = 1;
  EXPECT_FALSE(M->SetFileTime(r, nullptr, nullptr, &t));
  M->CloseHandle(r);

  struct {
    DWORD disposition;
    const char* path;
    bool ok;
    DWORD error;
  } const cases[] = {
      {CREATE_NEW, "C:\\f.dat", false, ERROR_FILE_EXISTS},
      {OPEN_EXISTING, "C:\\none.dat", false, ERROR_FILE_NOT_FOUND},
      {TRUNCATE_EXISTING, "C:\\none.dat", false, ERROR_FILE_NOT_FOUND},
      {OPEN_ALWAYS, "C:\\f.dat", true, ERROR_ALREADY_EXISTS},
      {OPEN_ALWAYS, "C:\\new.dat", true, ERROR_SUCCESS},
      {CREATE_ALWAYS, "C:\\f.dat", true, ERROR_ALREADY_EXISTS},
      {OPEN_EXISTING, "C:\\WINDOWS", false, ERROR_ACCESS_DENIED},
      {OPEN_EXISTING, "C:\\f.dat\\", false, ERROR_INVALID_NAME},
      {9, "C:\\f.dat", false, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    M->SetLastError(0xDEADBEEF);
    const HANDLE f = M->CreateFileA(c.path, GENERIC_WRITE, 0, c.disposition, 0);
    EXPECT_EQ(f != INVALID_HANDLE_VALUE, c.ok) << c.path << " " << c.disposition;
    EXPECT_EQ(M->GetLastError(), c.error) << c.path << " " << c.disposition;
    if (f != INVALID_HANDLE_VALUE) M->CloseHandle(f);
  }
  EXPECT_EQ(Get("C:\\f.dat"), "");  // CREATE_ALWAYS emptied it
}

TEST_F(SimFiles, FindFirstFileListsAsWindows) {
  ASSERT_TRUE(M->CreateDirectoryA("C:\\L"));
  for (const char* name : {"b.TXT", "a.txt", "noext", "x.tar.gz", "a.txt.bak"}) Put(std::string("C:\\L\\") + name, "");
  ASSERT_TRUE(M->CreateDirectoryA("C:\\L\\Sub"));
  auto list = [&](const char* pattern) {
    std::string names;
    WIN32_FIND_DATAA data;
    const HANDLE h = M->FindFirstFileA(pattern, data);
    if (h == INVALID_HANDLE_VALUE) return "error " + std::to_string(M->GetLastError());
    do names += data.cFileName + (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "/ " : " ");
    while (M->FindNextFileA(h, data));
    EXPECT_EQ(M->GetLastError(), ERROR_NO_MORE_FILES);
    M->FindClose(h);
    return names;
  };
  EXPECT_EQ(list("C:\\L\\*"), "./ ../ a.txt a.txt.bak b.TXT noext Sub/ x.tar.gz ");
  EXPECT_EQ(list("C:\\L\\*.*"), "./ ../ a.txt a.txt.bak b.TXT noext Sub/ x.tar.gz ");
  EXPECT_EQ(list("c:\\l\\*.TXT"), "a.txt b.TXT ");
  EXPECT_EQ(list("C:\\L\\*."), "./ ../ noext Sub/ ");
  EXPECT_EQ(list("C:\\L\\?.txt"), "a.txt b.TXT ");
  EXPECT_EQ(list("C:\\L\\x.*"), "x.tar.gz ");
  EXPECT_EQ(list("C:\\L\\A.TXT"), "a.txt ");
  EXPECT_EQ(list("C:\\L\\sub"), "Sub/ ");
  EXPECT_EQ(list("C:\\L\\*.doc"), "error 2");
  EXPECT_EQ(list("C:\\Nada\\*"), "error 3");
  EXPECT_EQ(list("C:\\"), "error 2");
  // The root lists no "." or "..".
  EXPECT_EQ(list("C:\\*").substr(0, 7), "Documen");
  EXPECT_FALSE(M->FindClose(12345));
}

TEST_F(SimFiles, FoldersAndMoves) {
  EXPECT_TRUE(M->CreateDirectoryA("C:\\A"));
  EXPECT_FALSE(M->CreateDirectoryA("C:\\a"));
  EXPECT_EQ(M->GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(M->CreateDirectoryA("C:\\X\\Y"));
  EXPECT_EQ(M->GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(M->CreateDirectoryA("C:\\"));
  Put("C:\\A\\f", "1");
  EXPECT_FALSE(M->RemoveDirectoryA("C:\\A"));
  EXPECT_EQ(M->GetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(M->RemoveDirectoryA("C:\\A\\f"));
  EXPECT_EQ(M->GetLastError(), ERROR_DIRECTORY);
  EXPECT_FALSE(M->DeleteFileA("C:\\A"));
  EXPECT_EQ(M->GetLastError(), ERROR_ACCESS_DENIED);
  Put("C:\\g", "2");
  EXPECT_FALSE(M->MoveFileA("C:\\g", "C:\\A\\F"));
  EXPECT_EQ(M->GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(M->MoveFileA("C:\\A", "C:\\B"));
  EXPECT_EQ(Get("C:\\B\\f"), "1");
  EXPECT_FALSE(M->MoveFileA("C:\\none", "C:\\x"));
  EXPECT_EQ(M->GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(M->DeleteFileA("C:\\B\\f"));
  EXPECT_TRUE(M->RemoveDirectoryA("C:\\B"));
  EXPECT_FALSE(M->DeleteFileA("C:\\B\\f"));
  EXPECT_EQ(M->GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(SimFiles, TempPathAndLocalTime) {
  AnsiString path = "unchanged";
  EXPECT_EQ(M->GetTempPathA(5, path), 17u);  // "C:\WINDOWS\TEMP\" and its NUL
  EXPECT_EQ(path, "unchanged");
  EXPECT_EQ(M->GetTempPathA(512, path), 16u);
  EXPECT_EQ(path, "C:\\WINDOWS\\TEMP\\");

  rtl::TFixedClock clock;
  rtl::SetClock(&clock);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  clock.SetNow(25569.0 + static_cast<double>(now + local.tm_gmtoff) / 86400.0);
  const FILETIME utc = 132223104000000000ull;
  FILETIME converted = 0, back = 0;
  ASSERT_TRUE(M->FileTimeToLocalFileTime(utc, converted));
  EXPECT_EQ(static_cast<int64_t>(converted - utc), static_cast<int64_t>(local.tm_gmtoff) * 10000000);
  ASSERT_TRUE(M->LocalFileTimeToFileTime(converted, back));
  EXPECT_EQ(back, utc);
  rtl::SetClock(nullptr);
}

}  // namespace
}  // namespace simtest
