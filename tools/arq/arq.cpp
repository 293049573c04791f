// arq: the command-line tool for archives of our own format. It creates and
// appends to archives, lists, tests and extracts them, over the archive
// component (see HostMachine.h for the machine it works on).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "archiver/Archiver.h"
#include "platform/Files.h"
#include "platform/WinApi.h"
#include "rtl/Clock.h"
#include "rtl/DateUtils.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"
#include "tools/arq/HostMachine.h"
#include "tools/arq/Terminal.h"

namespace arq {
namespace {

using archiver::TArchiver;
using archiver::TArchiverRoot;
using archiver::TFileEntry;
using rtl::AnsiString;

constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUnusable = 2;

constexpr int kMinKeyLength = 10;  // what the component's own prompt asks for
constexpr int kMaxKeyLength = 65;  // longer keys would leave the cipher unkeyed
constexpr int32_t kMaxBlockSize = 64 << 20;
constexpr int kMaxFolderDepth = 256;

const char kUsage[] =
    "Usage: arq COMMAND ARCHIVE [ARGS...] [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  c ARCHIVE PATH...   create ARCHIVE, or append to it; folders are added with\n"
    "                      everything inside them\n"
    "  l ARCHIVE           list the entries (--verbose adds the header)\n"
    "  t ARCHIVE           read and check every block, writing nothing\n"
    "  x ARCHIVE           extract into the current folder, or into -d DIR\n"
    "\n"
    "Options of c:\n"
    "  --block-size N      bytes per block (1024 and up; default 65536)\n"
    "  --level L           maximum, normal (default), fast, superfast or none\n"
    "  --no-compress       store every block as it is\n"
    "  --key-file FILE     encipher with the key in FILE (first line)\n"
    "  --encrypt           encipher with a key asked on the terminal\n"
    "  --solid             a solid archive (one compressed inner archive)\n"
    "  --paths MODE        names stored: none (file name only), whole (full path)\n"
    "                      or relative (default: relative to --base)\n"
    "  --base DIR          starting folder of relative names (default: current folder)\n"
    "  --comment TEXT      the archive comment (a new, empty archive only)\n"
    "  --segment-size N    split the archive into segment files of at most N bytes\n"
    "                      (ARCHIVE, then NAME-002.mmm, NAME-003.mmm ... beside it;\n"
    "                      at least three blocks)\n"
    "\n"
    "Options of x:\n"
    "  -d DIR              extract into DIR\n"
    "  --overwrite | --skip | --update | --existing-only | --update-existing | --ask\n"
    "                      what to do with files that exist (default: --ask;\n"
    "                      without a terminal, existing files are kept)\n"
    "  --no-paths          put every file straight into the target folder\n"
    "  --key-file FILE     the key of an enciphered archive (else it is asked)\n"
    "\n"
    "Common options:\n"
    "  -j N                code blocks on N threads (c, t and x; default: one per\n"
    "                      processor; the archive written is the same for any N)\n"
    "  --verbose           report each file (and, for l, the header)\n"
    "  --help              this text\n"
    "\n"
    "A segmented archive is read from the segment files beside ARCHIVE; a segment\n"
    "that is missing there is asked for on the terminal.\n"
    "\n"
    "%s"
    "Names stored with a drive or a network path are extracted below the target\n"
    "folder.\n"
    "\n"
    "Exit status: 0 all went well, 1 some entries failed, 2 the archive could not be\n"
    "used or the command was wrong.\n";

struct TCommandLine {
  std::string Command;
  std::string Archive;
  std::vector<std::string> Paths;
  int32_t BlockSize = archiver::DefaultBlockSize;
  int32_t SegmentSize = 0;
  archiver::TCompressionLevel Level = archiver::clNormal;
  bool NoCompress = false;
  std::string KeyFile;
  bool Encrypt = false;
  bool Solid = false;
  archiver::TPathStorage PathStorage = archiver::psRelative;
  std::string Base;
  std::string Comment;
  bool HasComment = false;
  std::string TargetDir;
  archiver::TRestoreAction Restore = archiver::raAsk;
  bool NoPaths = false;
  int Threads = 0;  // 0: one per processor
  bool Verbose = false;
  bool Help = false;
};

int ParseInt(const std::string& option, const std::string& text) {
  int32_t value;
  if (!rtl::TryStrToInt(text, value))
    throw EUsage(option + " needs a number, not \"" + AnsiText(text) + "\"");
  return value;
}

TCommandLine ParseCommandLine(int argc, char** argv) {
  TCommandLine cl;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool hasValue = false;
    if (arg.rfind("--", 0) == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg.resize(eq);
        hasValue = true;
      }
    }
    auto next = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= argc) throw EUsage(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      cl.Help = true;
    } else if (arg == "--block-size") {
      cl.BlockSize = ParseInt(arg, next());
      if (cl.BlockSize < static_cast<int32_t>(archiver::MinBlockSize) || cl.BlockSize > kMaxBlockSize)
        throw EUsage("--block-size must lie between 1024 and 67108864");
    } else if (arg == "--segment-size") {
      cl.SegmentSize = ParseInt(arg, next());
      if (cl.SegmentSize < 0) throw EUsage("--segment-size must not be negative");
    } else if (arg == "--level") {
      std::string level = next();
      if (level == "maximum") cl.Level = archiver::clMaximum;
      else if (level == "normal") cl.Level = archiver::clNormal;
      else if (level == "fast") cl.Level = archiver::clFast;
      else if (level == "superfast") cl.Level = archiver::clSuperFast;
      else if (level == "none") cl.Level = archiver::clNone;
      else throw EUsage("--level must be maximum, normal, fast, superfast or none");
    } else if (arg == "--no-compress") {
      cl.NoCompress = true;
    } else if (arg == "--key-file") {
      cl.KeyFile = next();
    } else if (arg == "--encrypt") {
      cl.Encrypt = true;
    } else if (arg == "--solid") {
      cl.Solid = true;
    } else if (arg == "--paths") {
      std::string mode = next();
      if (mode == "none") cl.PathStorage = archiver::psNone;
      else if (mode == "whole") cl.PathStorage = archiver::psWhole;
      else if (mode == "relative") cl.PathStorage = archiver::psRelative;
      else throw EUsage("--paths must be none, whole or relative");
    } else if (arg == "--base") {
      cl.Base = next();
    } else if (arg == "--comment") {
      cl.Comment = next();
      cl.HasComment = true;
    } else if (arg == "-d") {
      cl.TargetDir = next();
    } else if (arg == "--overwrite") {
      cl.Restore = archiver::raOverwrite;
    } else if (arg == "--skip") {
      cl.Restore = archiver::raSkip;
    } else if (arg == "--update") {
      cl.Restore = archiver::raUpdate;
    } else if (arg == "--existing-only") {
      cl.Restore = archiver::raExistingOnly;
    } else if (arg == "--update-existing") {
      cl.Restore = archiver::raUpdateExisting;
    } else if (arg == "--ask") {
      cl.Restore = archiver::raAsk;
    } else if (arg == "-j" || (arg.rfind("-j", 0) == 0 && arg.size() > 2)) {
      const std::string text = arg.size() > 2 ? arg.substr(2) : next();
      cl.Threads = ParseInt("-j", text);
      if (cl.Threads < 1 || cl.Threads > 64) throw EUsage("-j must lie between 1 and 64");
    } else if (arg == "--no-paths") {
      cl.NoPaths = true;
    } else if (arg == "--verbose" || arg == "-v") {
      cl.Verbose = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw EUsage("unknown option " + AnsiText(arg));
    } else {
      positional.push_back(arg);
    }
  }
  if (cl.Help) return cl;
  if (positional.empty()) throw EUsage("no command given");
  cl.Command = positional[0];
  if (cl.Command != "c" && cl.Command != "l" && cl.Command != "t" && cl.Command != "x")
    throw EUsage("unknown command \"" + AnsiText(cl.Command) + "\"");
  if (positional.size() < 2) throw EUsage("no archive given");
  cl.Archive = positional[1];
  cl.Paths.assign(positional.begin() + 2, positional.end());
  if (cl.Command == "c" && cl.Paths.empty()) throw EUsage("nothing to add");
  if (cl.Command != "c" && !cl.Paths.empty())
    throw EUsage("unexpected argument \"" + AnsiText(cl.Paths[0]) + "\"");
  return cl;
}

// The first line of the key file, in Windows-1252.
AnsiString ReadKeyFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw rtl::Exception("cannot read the key file \"" + AnsiText(fileName) + "\"");
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return AnsiFromArgument(line);
}

std::string DateText(rtl::TDateTime date) {
  // Years 1 to 9999 only: a damaged record can hold any value.
  if (!(date >= -693593.0 && date < 2958466.0)) return "(no valid date)";
  uint16_t y, mo, d, h, mi, s, ms;
  rtl::DecodeDateTime(date, y, mo, d, h, mi, s, ms);
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", y, mo, d, h, mi, s);
  return text;
}

std::string AttrText(uint32_t attr) {
  std::string s = ".....";
  if (attr & platform::FILE_ATTRIBUTE_READONLY) s[0] = 'R';
  if (attr & platform::FILE_ATTRIBUTE_HIDDEN) s[1] = 'H';
  if (attr & platform::FILE_ATTRIBUTE_SYSTEM) s[2] = 'S';
  if (attr & platform::FILE_ATTRIBUTE_DIRECTORY) s[3] = 'D';
  if (attr & platform::FILE_ATTRIBUTE_ARCHIVE) s[4] = 'A';
  return s;
}

std::string FileFlagsText(uint8_t flags) {
  std::string s = "....";
  if (flags & archiver::ffFile) s[0] = 'f';
  if (flags & archiver::ffFolder) s[1] = 'd';
  if (flags & archiver::ffFinalPart) s[2] = 'p';
  if (flags & archiver::ffEncrypted) s[3] = 'e';
  return s;
}

std::string ArchiveFlagsText(uint8_t flags) {
  std::string s;
  auto add = [&](uint8_t bit, const char* name) {
    if (!(flags & bit)) return;
    if (!s.empty()) s += ", ";
    s += name;
  };
  add(archiver::afEncrypted, "encrypted");
  add(archiver::afCompressed, "compressed");
  add(archiver::afSolid, "solid");
  add(archiver::afReadOnly, "read-only");
  add(archiver::afFinalSegment, "final segment");
  return s.empty() ? "none" : s;
}

std::string Number(long double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.0Lf", value);
  return text;
}

// One run of arq over one archive.
class TArq {
 public:
  TArq(const TCommandLine& cl, TTerminalDialogs& dialogs) : FCl(cl), FDialogs(dialogs) {
    FDialogs.SetBeforeAsk([this] { FBar.Clear(); });
  }
  ~TArq() { FDialogs.SetBeforeAsk({}); }

  int Run() {
    FArchiveName = WinPathFromArgument(FCl.Archive);
    if (!FCl.KeyFile.empty()) {
      FKey = ReadKeyFile(FCl.KeyFile);
      FHasKey = true;
    }
    if (FCl.Command != "c" && !platform::FileExists(FArchiveName))
      throw rtl::Exception("archive \"" + FArchiveName + "\" not found");
    Prepare();
    try {
      if (FCl.Command == "c") Create();
      else if (FCl.Command == "l") List();
      else if (FCl.Command == "t") Test();
      else Extract();
    } catch (...) {
      FBar.Clear();
      throw;
    }
    FBar.Clear();
    return FFailures > 0 ? kExitSomeFailed : kExitOk;
  }

 private:
  void Report(const std::string& text) {
    FBar.Clear();
    std::fprintf(stderr, "arq: %s\n", text.c_str());
  }

  void Prepare() {
    FArchiver.SetFileName(FArchiveName);
    FArchiver.SetErrorAction(archiver::eaContinue);
    int threads = FCl.Threads;
    if (threads == 0) threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 64u));
    FArchiver.SetThreads(threads);
    FArchiver.OnError = [this](TArchiverRoot*, const rtl::Exception& e, const TFileEntry& entry,
                               archiver::TErrorAction&) {
      Report(HostText(entry.Name) + ": " + HostText(e.Message()));
      ++FFailures;
    };
    FArchiver.OnFileProgress = [this](TArchiverRoot*, int percent) { FBar.SetPercent(percent); };
    FArchiver.OnDisplayMessage = [this](TArchiverRoot*, const AnsiString& text) { FBar.SetText(text); };
    FArchiver.OnAddToLog = [this](TArchiverRoot*, const AnsiString& text) {
      if (!FCl.Verbose) return;
      FBar.Clear();
      std::printf("%s\n", HostText(text).c_str());
    };
    FArchiver.OnEnterCryptKey = [this](TArchiverRoot*, AnsiString& key) { key = NewKey(); };
    FArchiver.OnRequestCryptKey = [this](TArchiverRoot*, AnsiString& key) { key = ExistingKey(); };
    if (!FDialogs.Interactive()) {
      // Nobody to ask for a segment that is not where it belongs: say which.
      FArchiver.OnLocateSegment = [](TArchiverRoot*, int segment, AnsiString& name) {
        throw rtl::Exception(rtl::Format("segment %d of the archive is missing: %s", {segment, name}));
      };
      FArchiver.OnLocateLastSegment = [](TArchiverRoot*, AnsiString& name) {
        throw rtl::Exception(rtl::Format("the last segment of the archive is missing (%s)", {name}));
      };
      FArchiver.OnNeedNewFolder = [](TArchiverRoot*, int segment, AnsiString& path) {
        throw rtl::Exception(rtl::Format("no room for segment %d in %s", {segment, path}));
      };
    }
  }

  // The key for a new enciphered archive: from the key file, or typed twice.
  AnsiString NewKey() {
    AnsiString key = FKey;
    if (!FHasKey) {
      FBar.Clear();
      platform::TInputQuery query;
      query.Prompt = "Key (10 to 65 characters):";
      query.Masked = true;
      query.MaxLength = kMaxKeyLength + 1;
      if (!platform::Dialogs().InputQuery(query, key)) throw rtl::Exception("a key is needed: use --key-file");
      AnsiString again;
      query.Prompt = "The same key again:";
      if (!platform::Dialogs().InputQuery(query, again)) throw rtl::Exception("a key is needed: use --key-file");
      if (again != key) throw rtl::Exception("the two keys differ");
    }
    if (key.size() < kMinKeyLength || key.size() > kMaxKeyLength)
      throw rtl::Exception("the key must hold 10 to 65 characters");
    FKey = key;
    FHasKey = true;
    return key;
  }

  AnsiString ExistingKey() {
    if (FHasKey) return FKey;
    FBar.Clear();
    platform::TInputQuery query;
    query.Prompt = "Key:";
    query.Masked = true;
    AnsiString key;
    if (!platform::Dialogs().InputQuery(query, key)) throw rtl::Exception("a key is needed: use --key-file");
    FKey = key;
    FHasKey = true;
    return key;
  }

  // ---- c ----
  void Create() {
    archiver::TOptions options = archiver::DefaultOptions;
    if (FCl.NoCompress) options.Exclude(archiver::oCompress);
    if (FCl.Solid) options.Include(archiver::oCreateSolidArchives);
    if (FHasKey || FCl.Encrypt) options.Include(archiver::oCrypt).Include(archiver::oEncryptFiles);
    FArchiver.SetOptions(options);
    FArchiver.SetBlockSize(FCl.BlockSize);
    FArchiver.SetCompressionLevel(FCl.Level);
    FArchiver.SetMaxSegmentSize(FCl.SegmentSize);
    FArchiver.SetPathStorage(FCl.PathStorage);
    AnsiString base = FCl.Base.empty() ? WinPathFromArgument(".") : WinPathFromArgument(FCl.Base);
    FArchiver.SetStartingFolder(rtl::IncludeTrailingBackslash(base));

    FArchiver.Open();
    if (FCl.HasComment) {
      const archiver::TArchiveHeader& h = FArchiver.Header();
      if (h.ArchiveInfo.FileCount + h.SegmentInfo.FileCount == 0)
        FArchiver.SetComment(AnsiFromArgument(FCl.Comment));
      else
        Report("the comment is kept: the archive holds entries already");
    }
    // The walk comes first, so that the archiver knows the files to come
    // and codes their blocks ahead; the steps then run in the walk's order.
    std::vector<TStep> steps;
    for (const std::string& path : FCl.Paths) WalkPath(WinPathFromArgument(path), 0, steps);
    std::vector<AnsiString> files;
    for (const TStep& step : steps)
      if (step.Kind == TStep::kFile) files.push_back(step.Path);
    FArchiver.PlanFiles(files);
    for (const TStep& step : steps) {
      switch (step.Kind) {
        case TStep::kFile:
          if (!FArchiver.AddFile(step.Path)) {
            Report(HostText(step.Path) + ": not found");
            ++FFailures;
          }
          break;
        case TStep::kFolder:
          FArchiver.AddFile(step.Path);
          break;
        case TStep::kReport:
          Report(HostText(step.Path) + step.Text);
          ++FFailures;
          break;
      }
    }
    FArchiver.Close();
  }

  // One step of adding: a file, a folder entry, or a path to report.
  struct TStep {
    enum { kFile, kFolder, kReport } Kind;
    AnsiString Path;
    const char* Text = "";
  };

  void WalkPath(const AnsiString& path, int depth, std::vector<TStep>& steps) {
    int32_t attr = platform::FileGetAttr(path);
    if (attr == -1) {
      steps.push_back({TStep::kReport, path, ": not found"});
      return;
    }
    if (!(attr & platform::FILE_ATTRIBUTE_DIRECTORY)) {
      if (IsOwnFile(path)) return;  // never the archive, or a segment of it, into itself
      steps.push_back({TStep::kFile, path});
      return;
    }
    if (depth > kMaxFolderDepth) {
      steps.push_back({TStep::kReport, path, ": folders nested too deep"});
      return;
    }
    AnsiString folder = rtl::ExcludeTrailingBackslash(path);
    steps.push_back({TStep::kFolder, folder + "\\."});
    for (const platform::TFolderEntry& child : platform::ListFolder(folder))
      WalkPath(folder + "\\" + child.Name, depth + 1, steps);
  }

  // The archive being written, or one of its segment files (NAME-NNN.mmm beside it).
  bool IsOwnFile(const AnsiString& path) {
    if (rtl::AnsiSameText(path, FArchiveName) || rtl::AnsiSameText(path, FArchiver.FileName())) return true;
    const AnsiString second = FArchiver.SegmentFileName(2);
    const AnsiString prefix = second.substr(0, second.size() - std::strlen("002.mmm"));
    if (path.size() < prefix.size() + 3 + 4 || !rtl::AnsiSameText(path.substr(0, prefix.size()), prefix)) return false;
    const AnsiString rest = path.substr(prefix.size());
    const size_t digits = rest.size() - 4;
    if (!rtl::AnsiSameText(rest.substr(digits), ".mmm")) return false;
    return std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(digits),
                       [](char c) { return c >= '0' && c <= '9'; });
  }

  // Runs a walk of the archive: one that meets the cut of an archive cut
  // short inside a record ends there, with what came before it done.
  void Walk(const std::function<void()>& walk) {
    try {
      walk();
    } catch (const rtl::EReadError&) {
      if (FArchiver.CutShort().FileName.empty()) throw;
    }
    ReportCut();
  }

  // Says where an archive cut short ends and how much of it is missing.
  void ReportCut() {
    const TArchiverRoot::TCutShort& cut = FArchiver.CutShort();
    if (cut.FileName.empty()) return;
    char text[512];
    std::snprintf(text, sizeof text, "%s is cut short: it ends at byte %lld of the %u its header names (%lld bytes missing)",
                  HostText(cut.FileName).c_str(), static_cast<long long>(cut.Size), cut.EndOffset,
                  static_cast<long long>(cut.EndOffset - cut.Size));
    Report(text);
    for (const AnsiString& name : FIncomplete) Report(HostText(name) + ": incomplete, its data runs past the cut");
    const long long counted = FArchiver.Header().ArchiveInfo.FileCount;
    const long long missing = counted - FArchiver.EntriesWalked();
    if (missing > 0) {
      std::snprintf(text, sizeof text, "%lld of the %lld entries the archive counts are lost after the cut", missing,
                    counted);
      Report(text);
    }
    ++FFailures;
  }

  // ---- l ----
  void List() {
    FArchiver.SetOptions(archiver::DefaultOptions + archiver::TOptions{archiver::oShowEmptyFolders});
    FArchiver.Open();
    if (FCl.Verbose) PrintHeader(FArchiver.Header());
    std::printf("%12s %12s  %-19s  %-5s %-4s  %s\n", "Size", "Stored", "Date", "Attr", "Flag", "Name");
    long double size = 0, stored = 0;
    int count = 0;
    FArchiver.OnEnumeration = [&](TArchiverRoot*, const TFileEntry& e) {
      FBar.Clear();
      std::string date = e.Has(archiver::ffFolder) && e.Date == 0 ? "" : DateText(e.Date);
      std::printf("%12d %12d  %-19s  %-5s %-4s  %s\n", e.Size, e.CompressedSize, date.c_str(),
                  AttrText(e.Attr).c_str(), FileFlagsText(e.FileFlags).c_str(), HostText(e.Name).c_str());
      size += e.Size;
      stored += e.CompressedSize;
      ++count;
      // An entry of one part whose data runs past the cut of an archive cut short.
      const TArchiverRoot::TCutShort& cut = FArchiver.CutShort();
      if (!cut.FileName.empty() && e.Segment == cut.Segment && FArchiver.Header().Segment == cut.Segment &&
          int64_t{e.Offset} + e.RecordSize() + e.SegmentCompressedSize > cut.Size)
        FIncomplete.push_back(e.Name);
    };
    Walk([this] { FArchiver.EnumerateFiles(); });
    FBar.Clear();
    std::printf("%12s %12s  %d entries\n", Number(size).c_str(), Number(stored).c_str(), count);
    FArchiver.Close();
  }

  void PrintHeader(const archiver::TArchiveHeader& h) {
    std::printf("Archive:        %s\n", HostText(FArchiveName).c_str());
    std::printf("Signature:      0x%08X\n", h.Signature);
    std::printf("Version:        %d\n", h.Version);
    std::printf("RandomID:       0x%08X\n", h.RandomID);
    std::printf("BlockSize:      %u\n", h.BlockSize);
    std::printf("EndOffset:      %u\n", h.EndOffset);
    std::printf("Segment:        %u\n", h.Segment);
    std::printf("Flags:          %s\n", ArchiveFlagsText(h.ArchiveFlags).c_str());
    std::printf("Archive totals: %u entries, %s bytes, %s stored\n", h.ArchiveInfo.FileCount,
                Number(h.ArchiveInfo.Size).c_str(), Number(h.ArchiveInfo.CompressedSize).c_str());
    std::printf("Segment totals: %u entries, %s bytes, %s stored\n", h.SegmentInfo.FileCount,
                Number(h.SegmentInfo.Size).c_str(), Number(h.SegmentInfo.CompressedSize).c_str());
    std::printf("Comment:        %s\n\n", HostText(h.Comment).c_str());
  }

  // ---- t ----
  void Test() {
    FArchiver.Open();
    Walk([this] { FArchiver.TestFiles(); });
    FArchiver.Close();
    if (FFailures == 0) std::printf("%s: all blocks are sound\n", HostText(FArchiveName).c_str());
  }

  // ---- x ----
  void Extract() {
    archiver::TOptions options = archiver::DefaultOptions;
    if (FCl.NoPaths) options.Exclude(archiver::oRestorePath);
    FArchiver.SetOptions(options);
    FArchiver.SetRestoreAction(FCl.Restore);
    AnsiString target = WinPathFromArgument(FCl.TargetDir.empty() ? "." : FCl.TargetDir);
    FArchiver.SetExtractPath(target);
    AnsiString base = rtl::IncludeTrailingBackslash(target);
    // Names with a drive or a network path go below the target folder, as a
    // name with a leading "/" does for tar: an archive never writes elsewhere.
    FArchiver.OnExtractFile = [this, base](TArchiverRoot*, const TFileEntry& e, AnsiString& destPath, bool& accept) {
      if (FCl.NoPaths) return;
      size_t slash = e.Name.rfind('\\');
      AnsiString folder = slash == AnsiString::npos ? AnsiString() : e.Name.substr(0, slash + 1);
      size_t colon = folder.find(':');
      if (colon == AnsiString::npos && (folder.empty() || folder[0] != '\\')) return;
      AnsiString rest = colon == AnsiString::npos ? folder : folder.substr(colon + 1);
      rest.erase(0, rest.find_first_not_of('\\'));
      if (!FWarnedAbsolute) {
        Report("names with a drive or a network path are extracted below the target folder");
        FWarnedAbsolute = true;
      }
      if (archiver::ClimbsOut(rest + e.Name.substr(slash + 1))) {
        Report(HostText(e.Name) + ": refused, it leads out of the target folder");
        ++FFailures;
        accept = false;
        return;
      }
      destPath = base + rest;
    };
    FArchiver.Open();
    Walk([this] { FArchiver.ExtractFiles(); });
    FArchiver.Close();
  }

  const TCommandLine& FCl;
  TTerminalDialogs& FDialogs;
  TArchiver FArchiver;
  TProgressBar FBar;
  AnsiString FArchiveName;
  AnsiString FKey;
  bool FHasKey = false;
  bool FWarnedAbsolute = false;
  int FFailures = 0;
  std::vector<AnsiString> FIncomplete;  // listed entries whose data the cut took
};

}  // namespace
}  // namespace arq

int main(int argc, char** argv) {
  arq::TCommandLine cl;
  try {
    cl = arq::ParseCommandLine(argc, argv);
  } catch (const rtl::Exception& e) {
    std::fprintf(stderr, "arq: %s\nTry 'arq --help'.\n", arq::HostText(e.Message()).c_str());
    return arq::kExitUnusable;
  }
  if (cl.Help) {
    std::printf(arq::kUsage, arq::PathsHelp());
    return arq::kExitOk;
  }
  // Tests fix the clock that gives new archives their identifier.
  rtl::TFixedClock fixedClock;
  if (const char* tick = std::getenv("VQM_TICK_COUNT")) {
    fixedClock.SetNow(rtl::TSystemClock().Now());
    fixedClock.SetTick(static_cast<uint32_t>(std::strtoul(tick, nullptr, 10)));
    rtl::SetClock(&fixedClock);
  }
  try {
    arq::THostMachine machine;
    arq::TTerminalDialogs dialogs;
    return arq::TArq(cl, dialogs).Run();
  } catch (const rtl::EAbort&) {
    std::fprintf(stderr, "arq: cancelled\n");
  } catch (const rtl::Exception& e) {
    std::fprintf(stderr, "arq: %s\n", arq::HostText(e.Message()).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "arq: %s\n", e.what());
  }
  return arq::kExitUnusable;
}
