// Extraction: destination folders, the restore rules and the overwrite
// dialog, folder entries, dates and attributes, refusing names that climb out
// of the extraction folder, the per-entry events and their order.

#include <string>
#include <vector>

#include "tests/archiver/component_fixture.h"

using namespace archiver;
using namespace archiver_test;

namespace {

class ExtractTest : public TMachineTest {
 protected:
  // An archive whose entries carry the given stored names (the files'
  // contents are the names themselves).
  void MakeNamedArchive(const AnsiString& archive, const std::vector<AnsiString>& names) {
    std::vector<AnsiString> files;
    for (size_t i = 0; i < names.size(); ++i) {
      AnsiString file = "C:\\src\\f" + std::to_string(i);
      MakeFile(file, names[i]);
      files.push_back(file);
    }
    size_t next = 0;
    MakeArchive(archive, files, [&](TArchiver& a) {
      a.OnAddFile = [&](TArchiverRoot*, TFileEntry& e, bool&) { e.Name = names[next++]; };
      a.SetPathStorage(psWhole);
    });
  }

  std::vector<AnsiString> Extract(const AnsiString& archive, TOptions options, const AnsiString& path = "C:\\Dest") {
    TArchiver a;
    a.SetFileName(archive);
    a.SetExtractPath(path);
    a.SetOptions(options);
    a.SetRestoreAction(raOverwrite);
    a.SetErrorAction(eaContinue);
    std::vector<AnsiString> written;
    a.OnFileExtracted = [&](TArchiverRoot*, const TFileEntry& e, const AnsiString& dest) {
      written.push_back(dest + e.Name.substr(e.Name.rfind('\\') + 1));
    };
    a.ExtractFiles();
    return written;
  }
};

TEST_F(ExtractTest, DestinationFolders) {
  struct {
    const char* name;
    bool restorePath;
    const char* target;
  } rows[] = {
      {"docs\\a.txt", true, "C:\\Dest\\docs\\a.txt"},
      {"docs\\b.txt", false, "C:\\Dest\\b.txt"},
      {"C:\\Data\\c.txt", true, "C:\\Data\\c.txt"},          // the drive exists
      {"Q:\\Data\\d.txt", true, "C:\\Data\\d.txt"},          // no Q: -> the extraction folder's drive
      {"\\\\srv\\share\\e.txt", true, "C:\\Dest\\srv\\share\\e.txt"},  // no folder after the share
      {"\\\\srv\\share\\x\\f.txt", true, "C:\\Dest\\srv\\share\\x\\f.txt"},  // no such server
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    MakeNamedArchive("C:\\d.arq", {row.name});
    TOptions options = DefaultOptions;
    if (!row.restorePath) options.Exclude(oRestorePath);
    EXPECT_EQ(Extract("C:\\d.arq", options), std::vector<AnsiString>{row.target});
    EXPECT_EQ(ReadFile(row.target), row.name);
    platform::DeleteFile("C:\\d.arq");
  }
}

TEST_F(ExtractTest, DriveNamesFallBackToDriveC) {
  MakeNamedArchive("C:\\d.arq", {"Q:\\Data\\g.txt"});
  // An extraction folder without a drive: the name goes to drive C.
  EXPECT_EQ(Extract("C:\\d.arq", DefaultOptions, "\\Dest"), std::vector<AnsiString>{"C:\\Data\\g.txt"});
}

TEST_F(ExtractTest, NamesClimbingOutOfTheExtractionFolderAreRefused) {
  MakeNamedArchive("C:\\d.arq", {"..\\evil.txt", "a\\..\\..\\evil2.txt", "..", "ok\\..\\fine.txt", "..\\x/../../y.txt"});
  TArchiver a;
  a.SetFileName("C:\\d.arq");
  a.SetExtractPath("C:\\Dest\\inner");
  a.SetErrorAction(eaContinue);
  std::vector<AnsiString> errors;
  a.OnError = [&](TArchiverRoot*, const rtl::Exception& e, const TFileEntry& entry, TErrorAction&) {
    errors.push_back(entry.Name + " | " + e.Message());
  };
  a.ExtractFiles();
  EXPECT_EQ(errors, (std::vector<AnsiString>{
                        "..\\evil.txt | " + rtl::Format(a.Messages().CannotCreateFile(), {"C:\\Dest\\inner\\..\\evil.txt"}),
                        "a\\..\\..\\evil2.txt | " +
                            rtl::Format(a.Messages().CannotCreateFile(), {"C:\\Dest\\inner\\a\\..\\..\\evil2.txt"}),
                        ".. | " + rtl::Format(a.Messages().CannotCreateFile(), {"C:\\Dest\\inner\\.."}),
                        "..\\x/../../y.txt | " +
                            rtl::Format(a.Messages().CannotCreateFile(), {"C:\\Dest\\inner\\..\\x/../../y.txt"}),
                    }));
  EXPECT_FALSE(platform::FileExists("C:\\Dest\\evil.txt"));
  EXPECT_FALSE(platform::FileExists("C:\\evil2.txt"));
  EXPECT_EQ(ReadFile("C:\\Dest\\inner\\fine.txt"), "ok\\..\\fine.txt");
}

TEST_F(ExtractTest, RestoreActions) {
  const rtl::TDateTime older = SampleDate() - 1, newer = SampleDate() + 1;
  enum TExisting { None, Older, Same, Newer };
  struct {
    TRestoreAction action;
    TExisting existing;
    bool written;
  } rows[] = {
      {raOverwrite, None, true},       {raOverwrite, Newer, true},     {raSkip, None, true},
      {raSkip, Older, false},          {raUpdate, Older, true},        {raUpdate, Same, false},
      {raUpdate, Newer, false},        {raUpdate, None, true},         {raExistingOnly, None, false},
      {raExistingOnly, Newer, true},   {raUpdateExisting, None, false}, {raUpdateExisting, Older, true},
      {raUpdateExisting, Same, false},
  };
  MakeFile("C:\\src\\a.txt", "archived");
  MakeArchive("C:\\a.arq", {"C:\\src\\a.txt"});
  int row = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(row++);
    platform::FileSetAttr("C:\\Dest\\a.txt", 0);
    platform::DeleteFile("C:\\Dest\\a.txt");
    if (r.existing != None)
      MakeFile("C:\\Dest\\a.txt", "existing", r.existing == Older ? older : r.existing == Same ? SampleDate() : newer);
    TArchiver a;
    a.SetFileName("C:\\a.arq");
    a.SetExtractPath("C:\\Dest");
    a.SetRestoreAction(r.action);
    int messages = 0;
    a.OnDisplayMessage = [&](TArchiverRoot*, const AnsiString&) { ++messages; };
    a.ExtractFiles();
    bool written = platform::FileExists("C:\\Dest\\a.txt") && ReadFile("C:\\Dest\\a.txt") == "archived";
    EXPECT_EQ(written, r.written);
    EXPECT_EQ(messages, r.written ? 1 : 0);  // a skipped entry gets no status line
  }
}

TEST_F(ExtractTest, OverwriteDialogTextsAndYesToAll) {
  rtl::TFormatSettings saved = rtl::FormatSettings();
  rtl::ApplyRegionalOverrides();
  MakeFile("C:\\src\\file-name.txt", std::string(1234, 'a'));
  MakeFile("C:\\src\\b.txt", "b");
  MakeFile("C:\\src\\c.txt", "c");
  MakeArchive("C:\\a.arq", {"C:\\src\\file-name.txt", "C:\\src\\b.txt", "C:\\src\\c.txt"});
  const AnsiString longFolder = "C:\\Programs\\Long folder name\\Another level";
  for (const char* name : {"file-name.txt", "b.txt", "c.txt"})
    MakeFile(longFolder + "\\" + name, std::string(5, 'x'), rtl::EncodeDateTime(2001, 2, 3, 4, 5, 6, 0));

  Dialogs().AnswerOverwrite(platform::daNo);
  Dialogs().AnswerOverwrite(platform::daYesToAll);
  TArchiver a;
  a.SetLanguage(lgEnglish);
  a.SetFileName("C:\\a.arq");
  a.SetExtractPath(longFolder);
  a.ExtractFiles();
  ASSERT_EQ(Dialogs().Asked().size(), 2u);  // c.txt was not asked about
  const platform::TOverwriteQuery& q = Dialogs().Asked()[0].Overwrite;
  EXPECT_EQ(q.Caption, "Confirm File Overwrite");
  EXPECT_EQ(q.ReplaceLabel, "Replace File :");
  EXPECT_EQ(q.ExistingName, "C:\\Programs\\...\\Another level\\file-name.txt");
  EXPECT_EQ(q.ExistingInfo, "5 bytes  03/02/2001 04:05:06");
  EXPECT_EQ(q.WithLabel, "With File :");
  EXPECT_EQ(q.EntryName, "file-name.txt");
  EXPECT_EQ(q.EntryInfo, "1.234 bytes  15/03/2004 10:20:30");
  EXPECT_EQ(q.YesText, "&Yes");
  EXPECT_EQ(q.YesToAllText, "Yes to &All");
  EXPECT_EQ(q.NoText, "&No");
  EXPECT_EQ(q.CancelText, "Cancel");
  EXPECT_EQ(ReadFile(longFolder + "\\file-name.txt"), std::string(5, 'x'));  // No
  EXPECT_EQ(ReadFile(longFolder + "\\b.txt"), "b");
  EXPECT_EQ(ReadFile(longFolder + "\\c.txt"), "c");

  // A new extraction asks again; Cancel is the silent abort.
  Dialogs().Clear();
  Dialogs().AnswerOverwrite(platform::daCancel);
  EXPECT_THROW(a.ExtractFiles(), rtl::EAbort);
  EXPECT_EQ(Dialogs().Asked().size(), 1u);
  rtl::FormatSettings() = saved;
}

TEST_F(ExtractTest, FoldersDatesAndAttributes) {
  MakeFile("C:\\src\\sub\\a.txt", "data");
  MakeFile("C:\\src\\sub\\empty.txt", "", SampleDate() - 100);
  platform::FileSetAttr("C:\\src\\sub\\a.txt", platform::FILE_ATTRIBUTE_READONLY | platform::FILE_ATTRIBUTE_ARCHIVE);
  platform::FileSetAttr("C:\\src\\sub\\empty.txt", platform::FILE_ATTRIBUTE_HIDDEN);
  MakeArchive("C:\\a.arq", {"C:\\src\\sub\\.", "C:\\src\\sub\\a.txt", "C:\\src\\sub\\empty.txt"},
              [](TArchiver& a) { a.SetStartingFolder("C:\\src\\"); });

  TArchiver a;
  a.SetFileName("C:\\a.arq");
  a.SetExtractPath("C:\\Dest");
  std::vector<std::string> events;
  a.OnExtractFileByIndex = [&](TArchiverRoot*, int index, AnsiString& dest, bool&) {
    events.push_back("index " + std::to_string(index) + " " + dest);
  };
  a.OnDisplayMessage = [&](TArchiverRoot*, const AnsiString& m) { events.push_back("display " + m); };
  a.OnFileExtracted = [&](TArchiverRoot*, const TFileEntry& e, const AnsiString& dest) {
    events.push_back("extracted " + e.Name + " " + dest);
  };
  a.SetLanguage(lgEnglish);
  a.ExtractFiles();
  EXPECT_EQ(events, (std::vector<std::string>{
                        "index 0 C:\\Dest\\sub\\", "display Extracting . (0)",
                        "index 1 C:\\Dest\\sub\\", "display Extracting a.txt (4)", "extracted sub\\a.txt C:\\Dest\\sub\\",
                        "index 2 C:\\Dest\\sub\\", "display Extracting empty.txt (0)",
                        "extracted sub\\empty.txt C:\\Dest\\sub\\",
                    }));
  EXPECT_TRUE(platform::DirectoryExists("C:\\Dest\\sub"));
  EXPECT_EQ(FileDate("C:\\Dest\\sub\\a.txt"), SampleDate());
  EXPECT_EQ(FileDate("C:\\Dest\\sub\\empty.txt"), SampleDate() - 100);
  EXPECT_EQ(platform::FileGetAttr("C:\\Dest\\sub\\a.txt"),
            platform::FILE_ATTRIBUTE_READONLY | platform::FILE_ATTRIBUTE_ARCHIVE);
  // todo_wine: Wine gives every file the archive bit, whatever was set.
  const int32_t wineArchive = UnderWine() ? platform::FILE_ATTRIBUTE_ARCHIVE : 0;
  EXPECT_EQ(platform::FileGetAttr("C:\\Dest\\sub\\empty.txt") & ~wineArchive, platform::FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(ReadFile("C:\\Dest\\sub\\empty.txt"), "");

  // A read-only file that exists is overwritten all the same.
  a.SetRestoreAction(raOverwrite);
  a.ExtractFiles();
  EXPECT_EQ(ReadFile("C:\\Dest\\sub\\a.txt"), "data");
}

TEST_F(ExtractTest, RefusedEntriesAreSkippedAndTheIndexGrows) {
  MakeFile("C:\\src\\a.txt", "a");
  MakeFile("C:\\src\\b.txt", "b");
  MakeFile("C:\\src\\c.txt", "c");
  MakeArchive("C:\\a.arq", {"C:\\src\\a.txt", "C:\\src\\b.txt", "C:\\src\\c.txt"});
  TArchiver a;
  a.SetFileName("C:\\a.arq");
  a.SetExtractPath("C:\\Dest");
  std::vector<int> indexes;
  std::vector<std::string> events;
  a.OnStartOperation = [&](TArchiverRoot*) { events.push_back("start"); };
  a.OnFinishOperation = [&](TArchiverRoot*) { events.push_back("finish"); };
  a.OnFileProgress = [&](TArchiverRoot*, int p) { events.push_back("progress " + std::to_string(p)); };
  a.OnExtractFile = [&](TArchiverRoot*, const TFileEntry& e, AnsiString& dest, bool& accept) {
    events.push_back("extract " + e.Name);
    accept = e.Name != "b.txt";
    if (e.Name == "c.txt") dest = "C:\\Other";
  };
  a.OnExtractFileByIndex = [&](TArchiverRoot*, int index, AnsiString& dest, bool&) {
    indexes.push_back(index);
    if (index == 2) {
      EXPECT_EQ(dest, "C:\\Other");
    }
  };
  a.OnFileExtracted = [&](TArchiverRoot*, const TFileEntry& e, const AnsiString&) { events.push_back("done " + e.Name); };
  a.ExtractFiles();
  EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(events, (std::vector<std::string>{"start", "progress 0", "extract a.txt", "progress 33", "done a.txt",
                                              "extract b.txt", "progress 67", "extract c.txt", "progress 100",
                                              "done c.txt", "finish"}));
  EXPECT_FALSE(platform::FileExists("C:\\Dest\\b.txt"));
  EXPECT_EQ(ReadFile("C:\\Other\\c.txt"), "c");
}

TEST_F(ExtractTest, EnumerationListsEveryEntry) {
  MakeFile("C:\\src\\a.txt", "a");
  MakeArchive("C:\\a.arq", {"C:\\src\\d\\.", "C:\\src\\a.txt"});
  TArchiver a;
  a.SetFileName("C:\\a.arq");
  a.SetOptions(a.Options() + TOptions{oMaintainFileDirectory});
  std::vector<AnsiString> seen;
  a.OnEnumeration = [&](TArchiverRoot*, const TFileEntry& e) { seen.push_back(e.Name); };
  a.Open();  // with oMaintainFileDirectory Open enumerates
  ASSERT_EQ(a.FileList().size(), 2u);
  EXPECT_EQ(a.FileList()[0].FileEntry.Name, ".");
  EXPECT_EQ(seen, std::vector<AnsiString>{"a.txt"});  // folders only with oShowEmptyFolders
  seen.clear();
  a.SetOptions(a.Options() + TOptions{oShowEmptyFolders});
  a.EnumerateFiles();
  EXPECT_EQ(seen, (std::vector<AnsiString>{".", "a.txt"}));
}

}  // namespace
