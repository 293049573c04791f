// File and folder services, the file stream and picture kinds.

#include "platform/Files.h"

#include <gtest/gtest.h>

#include "platform/FileStream.h"
#include "tests/platform/FakeApi.h"

using namespace platform;

namespace {

// 2003-04-05 10:11:12 as FILETIME (100 ns since 1601).
constexpr FILETIME kApril2003 = 126940110720000000ull;

TEST(Files, ExistenceOfFilesAndFolders) {
  fake::TFakeApi api;
  api.AddFolder("C:\\VantorQ-Mira");
  api.AddFile("C:\\VantorQ-Mira\\VantorQM.exe", "MZ");
  EXPECT_TRUE(FileExists("C:\\VantorQ-Mira\\VantorQM.exe"));
  EXPECT_FALSE(FileExists("C:\\VantorQ-Mira"));  // a folder is no file
  EXPECT_FALSE(FileExists("C:\\VantorQ-Mira\\*.exe"));
  EXPECT_FALSE(FileExists("C:\\Missing.exe"));
  EXPECT_TRUE(DirectoryExists("C:\\VantorQ-Mira"));
  EXPECT_FALSE(DirectoryExists("C:\\VantorQ-Mira\\VantorQM.exe"));
  // One level only; an existing folder is a failure too.
  EXPECT_FALSE(CreateDir("C:\\WINDOWS\\temp\\tqsetup"));
  EXPECT_FALSE(CreateDir("C:\\VantorQ-Mira"));
  EXPECT_TRUE(ForceDirectories("C:\\WINDOWS\\temp\\tqsetup\\"));
  EXPECT_TRUE(DirectoryExists("C:\\WINDOWS\\temp"));
  EXPECT_TRUE(DirectoryExists("C:\\WINDOWS\\temp\\tqsetup"));
}

TEST(Files, FirstMatchIsSortedWithoutCaseAndSkipsFoldersHiddenAndSystem) {
  fake::TFakeApi api;
  api.AddFolder("D:\\CD");
  api.AddFile("D:\\CD\\b.stp");
  api.AddFile("D:\\CD\\A.STP");
  api.AddFile("D:\\CD\\0hidden.stp", "", FILE_ATTRIBUTE_HIDDEN);
  api.AddFile("D:\\CD\\0system.stp", "", FILE_ATTRIBUTE_SYSTEM);
  api.AddFolder("D:\\CD\\0folder.STP");
  EXPECT_EQ(FindFirstMatch("D:\\CD\\", "*.STP"), "A.STP");
  EXPECT_EQ(api.CurrentDirectory, "D:\\CD\\");
  EXPECT_TRUE(api.Called("FindClose"));
  EXPECT_EQ(FindFirstMatch("D:\\CD", "*.TXT"), "");
}

TEST(Files, TempFolderFallsBackAndEndsInABackslash) {
  fake::TFakeApi api;
  EXPECT_EQ(GetTempFolder(), "C:\\WINDOWS\\TEMP\\");
  api.TempPath = "C:\\TEMP";
  EXPECT_EQ(GetTempFolder(), "C:\\TEMP\\");
  api.TempPath.reset();
  EXPECT_EQ(GetTempFolder(), "c:\\");
  api.TempPath = "C:\\" + std::string(600, 'x');  // does not fit the buffer
  EXPECT_EQ(GetTempFolder(), "c:\\");
}

TEST(Files, DosDateConversions) {
  WORD date = 0, time = 0;
  ASSERT_TRUE(FileTimeToDosDateTime(kApril2003, date, time));
  EXPECT_EQ(date, ((2003 - 1980) << 9) | (4 << 5) | 5);
  EXPECT_EQ(time, (10 << 11) | (11 << 5) | 6);
  FILETIME back = 0;
  ASSERT_TRUE(DosDateTimeToFileTime(date, time, back));
  EXPECT_EQ(back, kApril2003);
  // An odd second rounds down to the even one before it.
  ASSERT_TRUE(FileTimeToDosDateTime(kApril2003 + 10000000, date, time));
  EXPECT_EQ(time & 0x1F, 6);
  // Years DOS cannot hold; fields out of range.
  EXPECT_FALSE(FileTimeToDosDateTime(0, date, time));                                  // 1601
  EXPECT_FALSE(DosDateTimeToFileTime((23 << 9) | (2 << 5) | 30, 0, back));             // 30 February
  EXPECT_FALSE(DosDateTimeToFileTime((23 << 9) | (13 << 5) | 1, 0, back));             // month 13
  EXPECT_FALSE(DosDateTimeToFileTime((23 << 9) | (1 << 5) | 1, (24 << 11), back));     // hour 24
  EXPECT_FALSE(DosDateTimeToFileTime((23 << 9) | (1 << 5) | 1, 30, back));             // 60 seconds
  EXPECT_TRUE(DosDateTimeToFileTime((20 << 9) | (2 << 5) | 29, 0, back));              // 29 February 2000
}

TEST(Files, FileAgeIsTheLocalDosDateOfFilesOnly) {
  fake::TFakeApi api;
  api.AddFolder("C:\\D");
  api.AddFile("C:\\D\\f.txt", "x", FILE_ATTRIBUTE_ARCHIVE, kApril2003);
  // The fake's local time is three hours behind.
  EXPECT_EQ(FileAge("C:\\D\\f.txt"), static_cast<int32_t>((uint32_t{(23 << 9) | (4 << 5) | 5} << 16) |
                                                           ((7 << 11) | (11 << 5) | 6)));
  EXPECT_EQ(FileAge("C:\\D"), -1);
  EXPECT_EQ(FileAge("C:\\D\\missing.txt"), -1);
  api.AddFile("C:\\D\\old.txt", "x", FILE_ATTRIBUTE_ARCHIVE, 0);
  EXPECT_EQ(FileAge("C:\\D\\old.txt"), -1);
}

TEST(Files, FileSetDateSetsOnlyTheLastWriteTime) {
  fake::TFakeApi api;
  TFileStream stream("C:\\f.bin", fmCreate);
  const int32_t dos = static_cast<int32_t>((uint32_t{(23 << 9) | (4 << 5) | 5} << 16) | ((7 << 11) | (11 << 5) | 6));
  EXPECT_EQ(FileSetDate(stream.Handle(), dos), ERROR_SUCCESS);
  EXPECT_TRUE(api.Called("SetFileTime write"));
  EXPECT_FALSE(api.Called("SetFileTime creation"));
  EXPECT_EQ(api.FindFile("C:\\f.bin")->WriteTime, kApril2003);
  EXPECT_EQ(FileSetDate(stream.Handle(), 0x00000000), ERROR_INVALID_PARAMETER);  // day 0
}

TEST(Files, AttributesDeleteAndRename) {
  fake::TFakeApi api;
  api.AddFile("C:\\a.txt");
  EXPECT_EQ(FileSetAttr("C:\\a.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), ERROR_SUCCESS);
  EXPECT_EQ(FileGetAttr("C:\\a.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(FileGetAttr("C:\\none.txt"), -1);
  EXPECT_EQ(FileSetAttr("C:\\none.txt", 0), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(RenameFile("C:\\a.txt", "C:\\b.txt"));
  EXPECT_TRUE(DeleteFile("C:\\b.txt"));
  EXPECT_FALSE(DeleteFile("C:\\b.txt"));
}

TEST(Files, TextIsSplitAtCrLfCrAndLf) {
  struct {
    std::string text;
    std::vector<AnsiString> lines;
  } const rows[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\rtwo\nthree", {"one", "two", "three"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {std::string("nul\0inside", 10), {std::string("nul\0inside", 10)}},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(SplitTextLines(rows[i].text), rows[i].lines);
  }
}

TEST(Files, ReadTextLinesNamesTheFileAndTheReason) {
  fake::TFakeApi api;
  api.AddFile("C:\\Contrato.txt", "Cláusula 1\r\nCláusula 2"_a);
  EXPECT_EQ(ReadTextLines("C:\\Contrato.txt"), (std::vector<AnsiString>{"Cláusula 1"_a, "Cláusula 2"_a}));
  try {
    ReadTextLines("C:\\WINDOWS\\temp\\tqsetup\\falta.txt");
    FAIL();
  } catch (const rtl::EFOpenError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot open file \"C:\\WINDOWS\\temp\\tqsetup\\falta.txt\". "
              "O sistema não pode encontrar o arquivo especificado"_a);
  }
  // A read that fails after the open raises, instead of giving the lines read so far.
  api.AddFile("C:\\Grande.txt", std::string(70000, 'x') + "\r\nfim");
  api.ReadFailure = ERROR_NOT_READY;
  try {
    ReadTextLines("C:\\Grande.txt");
    FAIL();
  } catch (const rtl::EReadError& e) {
    EXPECT_EQ(e.Message(), "Cannot read file \"C:\\Grande.txt\". "_a + SysErrorMessage(ERROR_NOT_READY));
  }
}

TEST(FileStream, ModesAndErrors) {
  fake::TFakeApi api;
  api.CurrentDirectory = "C:\\Dados";
  api.AddFolder("C:\\Dados");
  {
    TFileStream out("novo.bin", fmCreate);
    EXPECT_TRUE(api.Called("CreateFileA novo.bin 3221225472 0 2"));
    out.WriteBuffer("abcdef", 6);
    out.SetSize(4);
    EXPECT_EQ(out.Size(), 4);
  }
  EXPECT_TRUE(api.Called("CloseHandle"));
  {
    TFileStream in("C:\\Dados\\novo.bin", fmOpenRead | fmShareDenyWrite);
    EXPECT_TRUE(api.Called("CreateFileA C:\\Dados\\novo.bin 2147483648 1 3"));
    char buffer[8] = {};
    EXPECT_EQ(in.Read(buffer, 8), 4);
    EXPECT_EQ(std::string(buffer), "abcd");
    EXPECT_EQ(in.Seek(-1, rtl::soEnd), 3);
    EXPECT_THROW(in.ReadBuffer(buffer, 2), rtl::EReadError);
  }
  TFileStream both("C:\\Dados\\novo.bin", fmOpenReadWrite | fmShareDenyNone);
  EXPECT_TRUE(api.Called("CreateFileA C:\\Dados\\novo.bin 3221225472 3 3"));

  api.LangID = 0x0409;
  try {
    TFileStream missing("..\\Falta\\x.bin", fmOpenRead);
    FAIL();
  } catch (const rtl::EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"C:\\Falta\\x.bin\". The system cannot find the file specified");
  }
  try {
    TFileStream blocked("C:\\Falta\\x.bin", fmCreate);
    FAIL();
  } catch (const rtl::EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"C:\\Falta\\x.bin\". The system cannot find the path specified");
  }
  EXPECT_THROW(TFileStream("C:\\Dados\\novo.bin", fmOpenRead | 0x0003), rtl::EFOpenError);  // no such access
}

TEST(Pictures, KindFollowsTheExtensionWithoutCase) {
  struct {
    const char* name;
    TPictureKind kind;
  } const known[] = {
      {"fundo.bmp", pkBitmap}, {"C:\\x\\ICONE.ICO", pkIcon}, {"a.wmf", pkMetafile}, {"a.EMF", pkMetafile},
      {"b.jpg", pkJpeg},       {"b.JPEG", pkJpeg},
  };
  for (const auto& row : known) EXPECT_EQ(PictureKindFromFileName(row.name), row.kind) << row.name;
  for (const auto& [name, ext] : {std::pair{"FUNDO.GIF", "GIF"}, std::pair{"anim.gif", "gif"}, std::pair{"semext", ""}, std::pair{"a.png", "png"}}) {
    try {
      PictureKindFromFileName(name);
      ADD_FAILURE() << name;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Arquivo de imagem com extenão desconhecida (."_a + ext + ")");
    }
  }
}

}  // namespace
