// The Windows interface over a simulated machine.

#include "platform/sim/SimMachine.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/Dialogs.h"
#include "platform/sim/HostFiles.h"
#include "platform/sim/IniText.h"
#include "platform/sim/ProgManCommands.h"
#include "platform/sim/ShellLinkFile.h"
#include "platform/sim/VersionInfo.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"

extern char** environ;

namespace platform::sim {

namespace {

constexpr UINT kExecOk = 33;         // WinExec: above 31 is success
constexpr intptr_t kShellOk = 42;    // ShellExecute: above 32 is success
constexpr intptr_t kNoAssociation = 31;  // SE_ERR_NOASSOC

constexpr DWORD kMciErrInvalidDeviceId = 257;
constexpr DWORD kMciErrFileNotFound = 275;
constexpr DWORD kMciErrExtensionNotFound = 281;
constexpr DWORD kMciErrInvalidFile = 296;

// The program and the rest of a command line: a quoted first word, or up to the first blank.
void SplitCommandLine(const AnsiString& commandLine, AnsiString& program, AnsiString& arguments) {
  const AnsiString line = rtl::TrimLeft(commandLine);
  std::size_t end;
  if (line.starts_with('"')) {
    end = line.find('"', 1);
    program = line.substr(1, end == AnsiString::npos ? AnsiString::npos : end - 1);
    end = end == AnsiString::npos ? line.size() : end + 1;
  } else {
    end = line.find(' ');
    if (end == AnsiString::npos) end = line.size();
    program = line.substr(0, end);
  }
  arguments = rtl::TrimLeft(line.substr(end));
}

// Words separated by blanks; double quotes group blanks into a word.
std::vector<std::string> SplitWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

bool IsProgramFile(const AnsiString& name) {
  const AnsiString ext = rtl::UpperCase(rtl::ExtractFileExt(name));
  return ext == ".EXE" || ext == ".COM" || ext == ".BAT" || ext == ".CMD" || ext == ".PIF";
}

// The local-time bias now (local minus UTC), in seconds, as the host's zone has it.
int64_t LocalBias() {
  uint16_t year, month, day, hour, minute, second, ms;
  rtl::DecodeDateTime(rtl::Clock().Now(), year, month, day, hour, minute, second, ms);
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  const std::time_t when = std::mktime(&t);
  std::tm local{};
  if (when == static_cast<std::time_t>(-1) || !::localtime_r(&when, &local)) return 0;
  return local.tm_gmtoff;
}

// From the folder of a link to its target, as the shell writes it: ".\x.exe", "..\a\x.exe".
AnsiString RelativePath(const TWinPath& fromDir, const TWinPath& to) {
  std::size_t common = 0;
  while (common < fromDir.Parts.size() && common < to.Parts.size() &&
         SameName(fromDir.Parts[common], to.Parts[common]))
    ++common;
  AnsiString out;
  for (std::size_t i = common; i < fromDir.Parts.size(); ++i) out += "..\\";
  if (out.empty()) out = ".\\";
  for (std::size_t i = common; i < to.Parts.size(); ++i) {
    if (i > common) out += '\\';
    out += to.Parts[i];
  }
  return out;
}

bool ValidItemName(const AnsiString& name) {
  return !name.empty() && name.find_first_of("\\/") == AnsiString::npos && name != "." && name != "..";
}

class TSimShellLink : public IShellLinkA {
 public:
  explicit TSimShellLink(TSimMachine& machine) : FMachine(machine) {}
  void SetDescription(const AnsiString& text) override { FLink.Description = text; }
  void SetPath(const AnsiString& path) override { FLink.Path = path; }
  void SetWorkingDirectory(const AnsiString& dir) override { FLink.WorkingDir = dir; }
  void SetArguments(const AnsiString& args) override { FLink.Arguments = args; }
  bool Save(const AnsiString& fileName, bool) override {
    return FMachine.SaveLink(FLink, fileName) == ERROR_SUCCESS;
  }

 private:
  TSimMachine& FMachine;
  TSimMachine::TLinkRequest FLink;
};

}  // namespace

struct TSimMachine::TProgramStart {
  AnsiString Path;                         // the program found
  const TProgramConfig* Action = nullptr;  // its mapping; none: only journalled
};

TSimMachine::TSimMachine(const std::string& hostDir)
    : FFolder([&] {
        char resolved[PATH_MAX];
        if (!::realpath(hostDir.c_str(), resolved))
          throw EMachineError("No machine folder " + hostDir + ": " + HostError(errno));
        return std::string(resolved);
      }()),
      FConfig(LoadMachineConfig(FFolder)),
      FState(FFolder, FConfig),
      FFiles(FConfig, FState),
      FRegistry(FFolder, FConfig),
      FJournal(JoinHost(FFolder, "journal.log")),
      FModule("C:\\PROGRAM.EXE") {
  FFiles.CriticalErrorBox = [this](const AnsiString& text, const AnsiString& caption, UINT type) {
    return MessageBoxA(0, text, caption, type);
  };
  FFiles.ReloadConfig = [this] {
    try {
      FConfig = LoadMachineConfig(FFolder);
    } catch (const EMachineError& e) {
      std::fprintf(stderr, "%s\n", e.what());
    }
  };
}

TSimMachine::~TSimMachine() = default;

bool TSimMachine::Succeeded(DWORD error) {
  if (error != ERROR_SUCCESS) FLastError = error;
  return error == ERROR_SUCCESS;
}

void TSimMachine::InsertDisk(char drive, const std::string& disk) {
  const TDriveConfig* d = FConfig.Drive(drive);
  if (!d || d->Kind != dkRemovable) throw EMachineError(std::string("Drive ") + drive + ": is not removable");
  if (!disk.empty() && !FConfig.Disk(disk)) FConfig = LoadMachineConfig(FFolder);
  if (!disk.empty() && !FConfig.Disk(disk)) throw EMachineError("machine.ini has no disk named '" + disk + "'");
  FState.SetDisk(drive, disk);
}

std::string TSimMachine::HostPath(const AnsiString& windowsPath, bool missingFolders) {
  std::string host;
  return FFiles.HostPath(windowsPath, host, missingFolders) == ERROR_SUCCESS ? host : std::string();
}

// ---- files ------------------------------------------------------------------------

HANDLE TSimMachine::CreateFileA(const AnsiString& fileName, DWORD desiredAccess, DWORD shareMode,
                                DWORD creationDisposition, DWORD flagsAndAttributes) {
  HANDLE handle;
  bool existed;
  if (!Succeeded(FFiles.CreateFile(fileName, desiredAccess, shareMode, creationDisposition, flagsAndAttributes,
                                   handle, existed)))
    return INVALID_HANDLE_VALUE;
  // CREATE_ALWAYS and OPEN_ALWAYS tell that the file was there.
  const bool always = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
  FLastError = existed && always ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
  return handle;
}

bool TSimMachine::ReadFile(HANDLE h, void* buffer, DWORD count, DWORD& read) {
  return Succeeded(FFiles.Read(h, buffer, count, read));
}

bool TSimMachine::WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD& written) {
  return Succeeded(FFiles.Write(h, buffer, count, written));
}

int64_t TSimMachine::SetFilePointerEx(HANDLE h, int64_t distance, DWORD moveMethod) {
  int64_t position;
  return Succeeded(FFiles.Seek(h, distance, moveMethod, position)) ? position : -1;
}

int64_t TSimMachine::GetFileSizeEx(HANDLE h) {
  int64_t size;
  return Succeeded(FFiles.Size(h, size)) ? size : -1;
}

bool TSimMachine::SetEndOfFile(HANDLE h) { return Succeeded(FFiles.SetEndOfFile(h)); }
bool TSimMachine::FlushFileBuffers(HANDLE h) { return Succeeded(FFiles.FlushFileBuffers(h)); }

bool TSimMachine::GetFileTime(HANDLE h, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  FILETIME time;
  if (!Succeeded(FFiles.GetTime(h, time))) return false;
  // Only the last-write time is kept; the other two report it as well.
  for (FILETIME* out : {creation, lastAccess, lastWrite})
    if (out) *out = time;
  return true;
}

bool TSimMachine::SetFileTime(HANDLE h, const FILETIME*, const FILETIME*, const FILETIME* lastWrite) {
  if (!FFiles.IsFileHandle(h)) return Succeeded(ERROR_INVALID_HANDLE);
  return !lastWrite || Succeeded(FFiles.SetTime(h, *lastWrite));
}

bool TSimMachine::CloseHandle(HANDLE h) {
  if (!FFiles.IsFileHandle(h)) return Succeeded(ERROR_INVALID_HANDLE);
  return Succeeded(FFiles.Close(h));
}

DWORD TSimMachine::GetFileAttributesA(const AnsiString& fileName) {
  DWORD attributes;
  return Succeeded(FFiles.Attributes(fileName, attributes)) ? attributes : INVALID_FILE_ATTRIBUTES;
}

bool TSimMachine::SetFileAttributesA(const AnsiString& fileName, DWORD attributes) {
  return Succeeded(FFiles.SetAttributes(fileName, attributes));
}

HANDLE TSimMachine::FindFirstFileA(const AnsiString& pattern, WIN32_FIND_DATAA& data) {
  HANDLE handle;
  return Succeeded(FFiles.FindFirst(pattern, handle, data)) ? handle : INVALID_HANDLE_VALUE;
}

bool TSimMachine::FindNextFileA(HANDLE h, WIN32_FIND_DATAA& data) { return Succeeded(FFiles.FindNext(h, data)); }

bool TSimMachine::FindClose(HANDLE h) {
  if (!FFiles.IsFindHandle(h)) return Succeeded(ERROR_INVALID_HANDLE);
  return Succeeded(FFiles.Close(h));
}

bool TSimMachine::CreateDirectoryA(const AnsiString& path) { return Succeeded(FFiles.CreateDirectory(path)); }
bool TSimMachine::RemoveDirectoryA(const AnsiString& path) { return Succeeded(FFiles.RemoveDirectory(path)); }
bool TSimMachine::DeleteFileA(const AnsiString& fileName) { return Succeeded(FFiles.DeleteFile(fileName)); }
bool TSimMachine::MoveFileA(const AnsiString& from, const AnsiString& to) {
  return Succeeded(FFiles.MoveFile(from, to));
}
AnsiString TSimMachine::GetCurrentDirectoryA() { return FFiles.CurrentDirectory(); }
bool TSimMachine::SetCurrentDirectoryA(const AnsiString& path) {
  return Succeeded(FFiles.SetCurrentDirectory(path));
}

DWORD TSimMachine::GetTempPathA(DWORD bufferLength, AnsiString& path) {
  const AnsiString text = rtl::IncludeTrailingBackslash(FConfig.TempDir);
  // Too small a buffer gets the length it needs, with the NUL.
  if (bufferLength < text.size() + 1) return static_cast<DWORD>(text.size() + 1);
  path = text;
  return static_cast<DWORD>(text.size());
}

bool TSimMachine::FileTimeToLocalFileTime(FILETIME utc, FILETIME& local) {
  // Like Windows, the bias of now, whatever the season of the time converted.
  const int64_t shift = LocalBias() * 10000000;
  if (shift < 0 && utc < static_cast<FILETIME>(-shift)) return Succeeded(ERROR_INVALID_PARAMETER);
  local = utc + static_cast<FILETIME>(shift);
  return true;
}

bool TSimMachine::LocalFileTimeToFileTime(FILETIME local, FILETIME& utc) {
  const int64_t shift = LocalBias() * 10000000;
  if (shift > 0 && local < static_cast<FILETIME>(shift)) return Succeeded(ERROR_INVALID_PARAMETER);
  utc = local - static_cast<FILETIME>(shift);
  return true;
}

DWORD TSimMachine::GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key,
                                            const AnsiString& defaultValue, AnsiString& result, DWORD size,
                                            const AnsiString& fileName) {
  // A bare file name lives in the Windows folder.
  const AnsiString path =
      fileName.find_first_of("\\/:") == AnsiString::npos ? FConfig.WindowsDir + "\\" + fileName : fileName;
  std::string text;
  if (DWORD error = FFiles.ReadWhole(path, text); error != ERROR_SUCCESS) {
    FLastError = error;
    text.clear();
  }
  return ProfileString(text, section, key, defaultValue, result, size);
}

// ---- identity -------------------------------------------------------------------

bool TSimMachine::SHGetSpecialFolderPathA(int csidl, AnsiString& path) {
  switch (csidl) {
    case 0x00:  // CSIDL_DESKTOP
    case CSIDL_DESKTOPDIRECTORY: path = FConfig.DesktopDir; return true;
    case 0x02: path = FConfig.ProgramsDir; return true;  // CSIDL_PROGRAMS
    case 0x07: path = FConfig.ProgramsDir + "\\Startup"; return true;  // CSIDL_STARTUP
    case CSIDL_STARTMENU: path = FConfig.StartMenuDir; return true;
    case 0x24: path = FConfig.WindowsDir; return true;  // CSIDL_WINDOWS
    case 0x25: path = FConfig.SystemDir; return true;   // CSIDL_SYSTEM
    case 0x26: path = "C:\\Program Files"; return true;  // CSIDL_PROGRAM_FILES
    default: return Succeeded(ERROR_INVALID_PARAMETER);
  }
}

AnsiString TSimMachine::GetFileVersionString(const AnsiString& fileName, const AnsiString& name) {
  std::string content;
  if (!Succeeded(FFiles.ReadWhole(fileName, content))) return {};
  return VersionString(content, name);
}

// ---- registry -------------------------------------------------------------------------

LONG TSimMachine::RegCreateKeyExA(HKEY key, const AnsiString& subKey, DWORD, DWORD samDesired, HKEY& result,
                                  DWORD* disposition) {
  return FRegistry.CreateKey(key, subKey, samDesired, result, disposition);
}
LONG TSimMachine::RegOpenKeyExA(HKEY key, const AnsiString& subKey, DWORD samDesired, HKEY& result) {
  return FRegistry.OpenKey(key, subKey, samDesired, result);
}
LONG TSimMachine::RegCloseKey(HKEY key) { return FRegistry.CloseKey(key); }
LONG TSimMachine::RegSetValueExA(HKEY key, const AnsiString& valueName, DWORD type, const BYTE* data, DWORD size) {
  return FRegistry.SetValue(key, valueName, type, data, size);
}
LONG TSimMachine::RegQueryValueExA(HKEY key, const AnsiString& valueName, DWORD* type, BYTE* data, DWORD* size) {
  return FRegistry.QueryValue(key, valueName, type, data, size);
}
LONG TSimMachine::RegQueryInfoKeyA(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values) {
  return FRegistry.QueryInfoKey(key, subKeys, maxSubKeyLen, values);
}
LONG TSimMachine::RegEnumKeyExA(HKEY key, DWORD index, AnsiString& name) { return FRegistry.EnumKey(key, index, name); }
LONG TSimMachine::RegEnumValueA(HKEY key, DWORD index, AnsiString& name, DWORD* type, std::vector<BYTE>* data) {
  return FRegistry.EnumValue(key, index, name, type, data);
}
LONG TSimMachine::RegDeleteKeyA(HKEY key, const AnsiString& subKey) { return FRegistry.DeleteKey(key, subKey); }
LONG TSimMachine::RegDeleteValueA(HKEY key, const AnsiString& valueName) {
  return FRegistry.DeleteValue(key, valueName);
}

// ---- drives --------------------------------------------------------------------------

bool TSimMachine::GetVolumeInformationA(const AnsiString& rootPath, AnsiString* volumeName, DWORD* serialNumber,
                                        DWORD* maxComponentLength, DWORD* fileSystemFlags,
                                        AnsiString* fileSystemName) {
  TVolume volume;
  if (!Succeeded(FFiles.VolumeInformation(rootPath, volume))) return false;
  const TVolumeConfig& c = volume.Config;
  if (volumeName) *volumeName = c.Label;
  if (serialNumber) *serialNumber = c.Serial;
  if (maxComponentLength) *maxComponentLength = 255;
  if (fileSystemFlags) {
    // Case-preserving with Unicode names; NTFS adds its own, a CD-ROM is read-only.
    *fileSystemFlags = SameName(c.FileSystem, "NTFS") ? 0x000700FF : volume.Kind == dkCdRom ? 0x00080005 : 0x00000006;
  }
  if (fileSystemName) *fileSystemName = c.FileSystem;
  return true;
}

bool TSimMachine::GetDiskFreeSpaceExA(const AnsiString& rootPath, uint64_t* freeToCaller, uint64_t* totalBytes,
                                      uint64_t* totalFree) {
  if (!FConfig.HasGetDiskFreeSpaceEx) return Succeeded(ERROR_CALL_NOT_IMPLEMENTED);
  uint64_t total, free;
  DWORD cluster;
  if (!Succeeded(FFiles.Space(rootPath, total, free, cluster))) return false;
  if (freeToCaller) *freeToCaller = free;
  if (totalBytes) *totalBytes = total;
  if (totalFree) *totalFree = free;
  return true;
}

bool TSimMachine::GetDiskFreeSpaceA(const AnsiString& rootPath, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                                    DWORD* freeClusters, DWORD* totalClusters) {
  // The old call takes a root only.
  const bool root = rootPath.empty() || (rootPath.size() == 3 && rootPath[1] == ':' && rootPath[2] == '\\');
  if (!root) return Succeeded(ERROR_INVALID_NAME);
  uint64_t total, free;
  DWORD cluster;
  if (!Succeeded(FFiles.Space(rootPath, total, free, cluster))) return false;
  if (FConfig.Family == wf9x) {
    // The 9x family never reports more than 2 GB here.
    constexpr uint64_t kLimit = 0x7FFF8000;
    total = std::min(total, kLimit);
    free = std::min(free, kLimit);
  }
  const uint64_t limit = 0xFFFFFFFFu;
  if (sectorsPerCluster) *sectorsPerCluster = cluster / 512;
  if (bytesPerSector) *bytesPerSector = 512;
  if (freeClusters) *freeClusters = static_cast<DWORD>(std::min(free / cluster, limit));
  if (totalClusters) *totalClusters = static_cast<DWORD>(std::min(total / cluster, limit));
  return true;
}

UINT TSimMachine::SetErrorMode(UINT mode) {
  const UINT old = FFiles.ErrorMode;
  FFiles.ErrorMode = mode;
  return old;
}

// ---- processes and shell ---------------------------------------------------------------

const TProgramConfig* TSimMachine::Mapping(const AnsiString& path) const {
  // A full path names one file; a bare name any file of that name.
  for (const TProgramConfig& p : FConfig.Programs) {
    if (p.Name.find_first_of("\\:") == AnsiString::npos) continue;
    TWinPath full;
    if (FFiles.FullPath(p.Name, full) == ERROR_SUCCESS && SameName(full.Text(), path)) return &p;
  }
  const AnsiString name = rtl::ExtractFileName(path);
  for (const TProgramConfig& p : FConfig.Programs)
    if (p.Name.find_first_of("\\:") == AnsiString::npos && SameName(p.Name, name)) return &p;
  return nullptr;
}

bool TSimMachine::ProgManRunning() {
  return FConfig.ProgramManager == pmRunning ||
         (FConfig.ProgramManager == pmStartable && FState.ProgManStarted());
}

UINT TSimMachine::StartProgram(const AnsiString& commandLine, const AnsiString& directory, TProgramStart& start) {
  AnsiString program, arguments;
  SplitCommandLine(commandLine, program, arguments);
  if (program.empty()) return ERROR_FILE_NOT_FOUND;
  if (rtl::ExtractFileExt(rtl::ExtractFileName(program)).empty()) program += ".exe";

  if (SameName(rtl::ExtractFileName(program), "PROGMAN.EXE")) {
    if (FConfig.ProgramManager == pmAbsent) return ERROR_FILE_NOT_FOUND;
    if (!ProgManRunning()) FState.SetProgManStarted();
    start.Path = FConfig.WindowsDir + "\\PROGMAN.EXE";
    return kExecOk;
  }

  // Where Windows looks: the program's own folder, the current folder, the
  // system folders, the Windows folder.
  const AnsiString current = directory.empty() ? FFiles.CurrentDirectory() : directory;
  std::vector<AnsiString> candidates;
  const bool hasPath = program.find_first_of("\\/:") != AnsiString::npos;
  if (hasPath) {
    const bool relative = program[0] != '\\' && program[0] != '/' && program.find(':') == AnsiString::npos;
    candidates.push_back(relative ? rtl::IncludeTrailingBackslash(current) + program : program);
  } else {
    for (const AnsiString& dir : {rtl::ExtractFilePath(FModule), rtl::IncludeTrailingBackslash(current),
                                  rtl::IncludeTrailingBackslash(FConfig.SystemDir),
                                  FConfig.Family == wfNT ? FConfig.WindowsDir + "\\SYSTEM\\" : AnsiString(),
                                  rtl::IncludeTrailingBackslash(FConfig.WindowsDir)})
      if (!dir.empty()) candidates.push_back(dir + program);
  }

  for (const AnsiString& candidate : candidates) {
    TWinPath full;
    if (FFiles.FullPath(candidate, full) != ERROR_SUCCESS) continue;
    TFileFacts facts;
    const TProgramConfig* mapping = Mapping(full.Text());
    const bool exists = FFiles.Facts(full.Text(), facts) == ERROR_SUCCESS &&
                        !(facts.Attributes & FILE_ATTRIBUTE_DIRECTORY);
    // Only a full-path mapping stands for a file that is not there.
    if (exists || (mapping && mapping->Name.find_first_of("\\:") != AnsiString::npos)) {
      start.Path = full.Text();
      start.Action = mapping;
      break;
    }
  }
  if (start.Path.empty()) {
    start.Action = Mapping(program);
    if (!start.Action) {
      TWinPath full;
      TFileFacts folder;
      const bool folderThere = !hasPath || (FFiles.FullPath(candidates[0], full) == ERROR_SUCCESS &&
                                            FFiles.Facts(full.Parent().Text(), folder) == ERROR_SUCCESS);
      return folderThere ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    // Found nowhere but mapped by name: as if it lay in the current folder.
    TWinPath full;
    start.Path = FFiles.FullPath(hasPath ? candidates[0] : rtl::IncludeTrailingBackslash(current) + program, full) ==
                         ERROR_SUCCESS
                     ? full.Text()
                     : program;
  }
  if (start.Action && start.Action->Action == paMissing) return ERROR_FILE_NOT_FOUND;
  if (start.Action && start.Action->Action == paRun) {
    std::vector<std::string> args;
    for (const std::string& word : SplitWords(arguments)) args.push_back(rtl::Utf8FromAnsi(word));
    RunHost(start.Action->HostCommand, args, start.Path, current);
  }
  return kExecOk;
}

void TSimMachine::RunHost(const std::string& hostCommand, const std::vector<std::string>& arguments,
                          const AnsiString& module, const AnsiString& directory) {
  std::vector<std::string> argv = SplitWords(hostCommand);
  if (argv.empty()) return;
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string_view entry = *e;
    if (!entry.starts_with("VQM_MACHINE=") && !entry.starts_with("VQM_MODULE=") && !entry.starts_with("VQM_CURDIR="))
      env.emplace_back(entry);
  }
  env.push_back("VQM_MACHINE=" + FFolder);
  env.push_back("VQM_MODULE=" + rtl::Utf8FromAnsi(module));
  env.push_back("VQM_CURDIR=" + rtl::Utf8FromAnsi(directory));
  std::string hostDir = HostPath(directory);
  if (hostDir.empty()) hostDir = FFolder;

  // Everything the child needs is made before fork: after it only system calls.
  std::vector<char*> argp, envp;
  for (std::string& a : argv) argp.push_back(a.data());
  argp.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  // Started and not waited for: a grandchild, so no zombie stays behind.
  const pid_t child = ::fork();
  if (child == 0) {
    ::setsid();
    if (::fork() == 0) {
      if (::chdir(hostDir.c_str()) != 0) ::_exit(126);
      ::execvpe(argp[0], argp.data(), envp.data());
      ::_exit(127);
    }
    ::_exit(0);
  }
  if (child > 0) {
    int status;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  } else {
    std::fprintf(stderr, "cannot start %s: %s\n", argv[0].c_str(), HostError(errno).c_str());
  }
}

UINT TSimMachine::WinExec(const AnsiString& commandLine, int show) {
  TProgramStart start;
  const UINT result = StartProgram(commandLine, {}, start);
  std::string line = "winexec: command=" + JournalText(commandLine) + " dir=" +
                     JournalText(FFiles.CurrentDirectory()) + " show=" + std::to_string(show);
  if (!start.Path.empty()) line += " path=" + JournalText(start.Path);
  if (start.Action && start.Action->Action == paRun) line += " host=" + JournalText(rtl::AnsiFromUtf8(start.Action->HostCommand));
  FJournal.Add(line + " result=" + std::to_string(result));
  return result;
}

intptr_t TSimMachine::ShellExecuteA(HWND, const AnsiString& verb, const AnsiString& file,
                                    const AnsiString& parameters, const AnsiString& directory, int show) {
  intptr_t result;
  const bool open = verb.empty() || SameName(verb, "open");
  TProgramStart start;
  if (open && IsProgramFile(file)) {
    const UINT r = StartProgram("\"" + file + "\" " + parameters, directory, start);
    result = r > 31 ? kShellOk : static_cast<intptr_t>(r);
  } else if (open || SameName(verb, "print")) {
    // A document: the shell runs what its type is associated with.
    const TProgramConfig& action = open ? FConfig.Open : FConfig.Print;
    const AnsiString path =
        directory.empty() || file.find(':') != AnsiString::npos || file.starts_with('\\')
            ? file
            : rtl::IncludeTrailingBackslash(directory) + file;
    TWinPath full;
    TFileFacts facts;
    if (FFiles.FullPath(path, full) != ERROR_SUCCESS || FFiles.Facts(full.Text(), facts) != ERROR_SUCCESS) {
      result = ERROR_FILE_NOT_FOUND;
    } else if (action.Action == paMissing) {
      result = kNoAssociation;
    } else {
      start.Path = full.Text();
      start.Action = &action;
      if (action.Action == paRun) RunHost(action.HostCommand, {HostPath(full.Text())}, start.Path, directory);
      result = kShellOk;
    }
  } else {
    result = kNoAssociation;
  }
  std::string line = "shellexecute: verb=" + JournalText(verb) + " file=" + JournalText(file) +
                     " parameters=" + JournalText(parameters) + " dir=" + JournalText(directory) +
                     " show=" + std::to_string(show);
  if (!start.Path.empty()) line += " path=" + JournalText(start.Path);
  if (start.Action && start.Action->Action == paRun) line += " host=" + JournalText(rtl::AnsiFromUtf8(start.Action->HostCommand));
  FJournal.Add(line + " result=" + std::to_string(result));
  return result;
}

bool TSimMachine::ExitWindowsEx(UINT flags, DWORD reason) {
  FJournal.Add("exitwindows: flags=" + JournalHex(flags) + " reason=" + JournalHex(reason));
  return true;
}

void TSimMachine::MessageBeep(UINT type) { FJournal.Add("beep: type=" + JournalHex(type)); }

int TSimMachine::MessageBoxA(HWND, const AnsiString& text, const AnsiString& caption, UINT type) {
  const int answer = Dialogs().MessageBox(text, caption, type);
  FJournal.Add("msgbox: type=" + JournalHex(type) + " caption=" + JournalText(caption) + " text=" +
               JournalText(text) + " answer=" + std::to_string(answer));
  return answer;
}

// ---- DDE and Program Manager ---------------------------------------------------------

UINT TSimMachine::DdeInitializeA(DWORD& instance, DWORD) {
  if (FConfig.DdeInitializeError != DMLERR_NO_ERROR) {
    instance = 0;
    FDdeInitError = FConfig.DdeInitializeError;
    return FDdeInitError;
  }
  instance = FNextDde++;
  FDdeInstances[instance] = DMLERR_NO_ERROR;
  return DMLERR_NO_ERROR;
}

bool TSimMachine::DdeUninitialize(DWORD instance) {
  // The instance's conversations go with it.
  std::erase_if(FConversations, [&](const auto& c) { return c.second.Instance == instance; });
  return FDdeInstances.erase(instance) != 0;
}

UINT TSimMachine::DdeGetLastError(DWORD instance) {
  // A failed initialisation has no instance; its code is the one to tell.
  if (instance == 0) return std::exchange(FDdeInitError, DMLERR_NO_ERROR);
  auto it = FDdeInstances.find(instance);
  if (it == FDdeInstances.end()) return DMLERR_INVALIDPARAMETER;
  return std::exchange(it->second, DMLERR_NO_ERROR);
}

HSZ TSimMachine::DdeCreateStringHandleA(DWORD instance, const AnsiString& text, int) {
  if (!FDdeInstances.count(instance)) return 0;
  const HSZ hsz = FNextDde++;
  FDdeStrings[hsz] = text;
  return hsz;
}

bool TSimMachine::DdeFreeStringHandle(DWORD instance, HSZ hsz) {
  return FDdeInstances.count(instance) && FDdeStrings.erase(hsz) != 0;
}

HCONV TSimMachine::DdeConnect(DWORD instance, HSZ service, HSZ topic, const CONVCONTEXT*) {
  auto inst = FDdeInstances.find(instance);
  if (inst == FDdeInstances.end()) return 0;
  auto s = FDdeStrings.find(service), t = FDdeStrings.find(topic);
  if (s == FDdeStrings.end() || t == FDdeStrings.end()) {
    inst->second = DMLERR_INVALIDPARAMETER;
    return 0;
  }
  // Program Manager is the one server of this machine.
  if (!ProgManRunning() || !SameName(s->second, "PROGMAN") || !SameName(t->second, "PROGMAN")) {
    inst->second = DMLERR_NO_CONV_ESTABLISHED;
    return 0;
  }
  const HCONV conv = FNextDde++;
  TConversation& c = FConversations[conv];
  c.Instance = instance;
  c.Info.service = s->second;
  c.Info.topic = t->second;
  return conv;
}

bool TSimMachine::DdeDisconnect(HCONV conv) { return FConversations.erase(conv) != 0; }

bool TSimMachine::DdeQueryConvInfo(HCONV conv, CONVINFO& info) {
  auto it = FConversations.find(conv);
  if (it == FConversations.end()) return false;
  info = it->second.Info;
  return true;
}

HDDEDATA TSimMachine::DdeCreateDataHandle(DWORD instance, const BYTE* data, DWORD size, UINT) {
  if (!FDdeInstances.count(instance) || (size > 0 && !data)) return 0;
  const HDDEDATA handle = FNextDde++;
  FDdeData[handle].assign(data, data + size);
  return handle;
}

bool TSimMachine::DdeClientTransaction(HDDEDATA data, HCONV conv, UINT type, DWORD) {
  auto c = FConversations.find(conv);
  auto d = FDdeData.find(data);
  if (c == FConversations.end() || d == FDdeData.end() || type != XTYP_EXECUTE) return false;
  // The system owns the data from here on.
  const std::vector<BYTE> bytes = std::move(d->second);
  FDdeData.erase(d);
  AnsiString command(bytes.begin(), bytes.end());
  command = command.substr(0, command.find('\0'));
  const AnsiString result = ExecuteProgMan(command);
  FJournal.Add("dde: service=" + JournalText(c->second.Info.service) + " topic=" + JournalText(c->second.Info.topic) +
               " command=" + JournalText(command) + " result=" + JournalText(result));
  return true;
}

AnsiString TSimMachine::ExecuteProgMan(const AnsiString& text) {
  std::vector<TProgManCommand> commands;
  if (!ParseProgManCommands(text, commands)) return "error: syntax";
  for (const TProgManCommand& c : commands) {
    const AnsiString arg0 = c.Args.empty() ? AnsiString() : c.Args[0];
    if (SameName(c.Name, "CreateGroup") || SameName(c.Name, "ShowGroup")) {
      if (!ValidItemName(arg0)) return "error: bad group name";
      const AnsiString group = FConfig.ProgramsDir + "\\" + arg0;
      DWORD attributes;
      if (SameName(c.Name, "CreateGroup")) {
        if (FFiles.ForceDirectories(group) != ERROR_SUCCESS) return "error: cannot make the group";
      } else if (FFiles.Attributes(group, attributes) != ERROR_SUCCESS) {
        return "error: no such group";
      }
      FProgManGroup = group;
    } else if (SameName(c.Name, "AddItem")) {
      if (FProgManGroup.empty()) return "error: no group";
      TLinkRequest link;
      SplitCommandLine(arg0, link.Path, link.Arguments);
      AnsiString title = c.Args.size() > 1 ? c.Args[1] : AnsiString();
      if (title.empty()) title = rtl::ChangeFileExt(rtl::ExtractFileName(link.Path), "");
      if (!ValidItemName(title)) return "error: bad item name";
      link.Description = title;
      if (c.Args.size() > 2) link.IconPath = c.Args[2];
      if (c.Args.size() > 3) link.IconIndex = rtl::StrToIntDef(c.Args[3], 0);
      link.WorkingDir = c.Args.size() > 6 && !c.Args[6].empty() ? c.Args[6] : rtl::ExtractFileDir(link.Path);
      if (SaveLink(link, FProgManGroup + "\\" + title + ".lnk") != ERROR_SUCCESS) return "error: cannot save the item";
    } else if (SameName(c.Name, "DeleteItem")) {
      if (FProgManGroup.empty() || !ValidItemName(arg0) ||
          FFiles.DeleteFile(FProgManGroup + "\\" + arg0 + ".lnk") != ERROR_SUCCESS)
        return "error: no such item";
    } else if (SameName(c.Name, "DeleteGroup")) {
      if (!ValidItemName(arg0)) return "error: bad group name";
      const AnsiString group = FConfig.ProgramsDir + "\\" + arg0;
      HANDLE find;
      WIN32_FIND_DATAA data;
      if (FFiles.FindFirst(group + "\\*", find, data) != ERROR_SUCCESS) return "error: no such group";
      do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) FFiles.DeleteFile(group + "\\" + data.cFileName);
      } while (FFiles.FindNext(find, data) == ERROR_SUCCESS);
      FFiles.Close(find);
      if (FFiles.RemoveDirectory(group) != ERROR_SUCCESS) return "error: cannot remove the group";
      if (SameName(FProgManGroup, group)) FProgManGroup.clear();
    } else if (!SameName(c.Name, "Reload") && !SameName(c.Name, "ExitProgman")) {
      return "error: unknown command " + c.Name;
    }
  }
  return "ok";
}

// ---- shell links ------------------------------------------------------------------------

std::unique_ptr<IShellLinkA> TSimMachine::CreateShellLink() { return std::make_unique<TSimShellLink>(*this); }

DWORD TSimMachine::SaveLink(const TLinkRequest& link, const AnsiString& fileName) {
  TShellLinkData data;
  data.Description = link.Description;
  data.WorkingDir = link.WorkingDir;
  data.Arguments = link.Arguments;
  data.IconLocation = link.IconPath;
  data.IconIndex = link.IconIndex;
  TWinPath target, file;
  const bool absolute = link.Path.size() >= 3 && link.Path[1] == ':' && (link.Path[2] == '\\' || link.Path[2] == '/');
  if (absolute && FFiles.FullPath(link.Path, target) == ERROR_SUCCESS) {
    data.LocalBasePath = target.Text();
    data.DriveType = FFiles.DriveType(AnsiString{target.Drive, ':', '\\'});
    TVolume volume;
    if (data.DriveType != DRIVE_REMOVABLE && FFiles.VolumeOf(target.Drive, volume) == ERROR_SUCCESS) {
      data.DriveSerial = volume.Config.Serial;
      data.VolumeLabel = volume.Config.Label;
    }
    TFileFacts facts;
    if (FFiles.Facts(data.LocalBasePath, facts) == ERROR_SUCCESS) {
      data.FileAttributes = facts.Attributes;
      data.CreationTime = data.AccessTime = data.WriteTime = facts.LastWrite;
      data.FileSize = static_cast<uint32_t>(std::min<uint64_t>(facts.Size, 0xFFFFFFFFu));
    }
    if (FFiles.FullPath(fileName, file) == ERROR_SUCCESS && file.Drive == target.Drive)
      data.RelativePath = RelativePath(file.Parent(), target);
  } else {
    data.RelativePath = link.Path;
  }
  const std::vector<uint8_t> bytes = ShellLinkBytes(data);
  return FFiles.WriteWhole(fileName, bytes.data(), bytes.size());
}

// ---- sound ---------------------------------------------------------------------------------

DWORD TSimMachine::MciOpenElement(const AnsiString& element, HWND, MCIDEVICEID& device) {
  device = 0;
  const AnsiString ext = rtl::UpperCase(rtl::ExtractFileExt(element));
  DWORD result = 0;
  // The device comes from the extension, then the file must be there and fit it.
  if (ext != ".WAV" && ext != ".MID" && ext != ".RMI") {
    result = kMciErrExtensionNotFound;
  } else {
    HANDLE h;
    bool existed;
    if (FFiles.CreateFile(element, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0, h, existed) != ERROR_SUCCESS) {
      result = kMciErrFileNotFound;
    } else {
      char header[12] = {};
      DWORD read = 0;
      FFiles.Read(h, header, sizeof header, read);
      FFiles.Close(h);
      const std::string_view head(header, read);
      const bool fits = ext == ".WAV" ? read == 12 && head.starts_with("RIFF") && head.substr(8) == "WAVE"
                                      : read >= 4 && (head.starts_with("MThd") || head.starts_with("RIFF"));
      if (!fits) result = kMciErrInvalidFile;
    }
  }
  if (result == 0) {
    device = FNextMci++;
    FMciDevices[device] = element;
  }
  FJournal.Add("sound: open file=" + JournalText(element) + " device=" + std::to_string(device) +
               " result=" + std::to_string(result));
  return result;
}

DWORD TSimMachine::MciPlay(MCIDEVICEID device, HWND) {
  auto it = FMciDevices.find(device);
  const DWORD result = it == FMciDevices.end() ? kMciErrInvalidDeviceId : 0;
  FJournal.Add("sound: play device=" + std::to_string(device) +
               (result == 0 ? " file=" + JournalText(it->second) : std::string()) + " result=" + std::to_string(result));
  return result;
}

DWORD TSimMachine::MciClose(MCIDEVICEID device) {
  const DWORD result = FMciDevices.erase(device) ? 0 : kMciErrInvalidDeviceId;
  FJournal.Add("sound: close device=" + std::to_string(device) + " result=" + std::to_string(result));
  return result;
}

AnsiString TSimMachine::MciGetErrorStringA(DWORD error) {
  switch (error) {
    case 0: return "The specified command was carried out.";
    case kMciErrInvalidDeviceId: return "Invalid MCI device ID. Use the ID returned when opening the MCI device.";
    case kMciErrFileNotFound: return "Cannot find the specified file. Make sure the path and filename are correct.";
    case kMciErrExtensionNotFound: return "Cannot determine the device type from the given filename extension.";
    case kMciErrInvalidFile:
      return "The specified file cannot be played on the specified MCI device. The file may be corrupt, not in the "
             "correct format, or no file handler available for this format.";
    default: return {};
  }
}

// ---- outside the Windows calls --------------------------------------------------------------

TSimMachine& InstallFromEnvironment() {
  static std::unique_ptr<TSimMachine> machine;
  const char* folder = std::getenv("VQM_MACHINE");
  if (!folder || !*folder) throw EMachineError("VQM_MACHINE is not set: there is no machine to run on");
  auto next = std::make_unique<TSimMachine>(folder);
  if (const char* module = std::getenv("VQM_MODULE"); module && *module)
    next->SetModuleFileName(rtl::AnsiFromUtf8(module));
  if (const char* dir = std::getenv("VQM_CURDIR"); dir && *dir) next->SetCurrentDirectoryA(rtl::AnsiFromUtf8(dir));
  SetApi(next.get());
  machine = std::move(next);
  return *machine;
}

void AddDisk(const std::string& machineDir, const std::string& name, const TVolumeConfig& volume) {
  TMachineConfig config = LoadMachineConfig(machineDir);
  if (name.empty() || name.find_first_of("[]=") != std::string::npos) throw EMachineError("Bad disk name '" + name + "'");
  if (config.Disk(name)) throw EMachineError("machine.ini has a disk named '" + name + "' already");
  TDiskConfig disk{name, volume};
  if (disk.Volume.Folder.empty()) disk.Volume.Folder = "disks/" + name;
  if (disk.Volume.Folder[0] != '/') disk.Volume.Folder = JoinHost(machineDir, disk.Volume.Folder);
  if (!MakeHostDirs(disk.Volume.Folder))
    throw EMachineError("Cannot make the folder " + disk.Volume.Folder + ": " + HostError(errno));
  config.Disks.push_back(std::move(disk));
  SaveMachineConfig(machineDir, config);
}

}  // namespace platform::sim
