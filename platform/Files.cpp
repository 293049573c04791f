// File and folder services.

#include "platform/Files.h"

#include <algorithm>

#include "platform/FileStream.h"
#include "rtl/DateUtils.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace platform {

namespace {

bool HasWildcards(const AnsiString& path) { return path.find_first_of("*?") != AnsiString::npos; }

// Closes a search handle on every path out.
class TFindScope {
 public:
  TFindScope(const AnsiString& pattern, WIN32_FIND_DATAA& data)
      : FHandle(Api().FindFirstFileA(pattern, data)) {}
  ~TFindScope() {
    if (Found()) Api().FindClose(FHandle);
  }
  TFindScope(const TFindScope&) = delete;
  TFindScope& operator=(const TFindScope&) = delete;
  bool Found() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != 0; }
  HANDLE Handle() const { return FHandle; }

 private:
  HANDLE FHandle;
};

// FILETIME counts 100 ns from 1 January 1601; 134774 days lie between it and 1970.
constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kTicksPerDay = kTicksPerSecond * 86400;
constexpr int64_t kDaysFrom1601To1970 = 134774;

// Days since 1 January 1970 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

bool IsPortuguese() { return (Api().GetUserDefaultLangID() & 0x3FF) == 0x16; }

struct TErrorText {
  DWORD Code;
  const char* English;
  const char* Portuguese;  // UTF-8, converted at run time
};

// The system's own texts for the codes the programs meet.
constexpr TErrorText kErrorTexts[] = {
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified",
     "O sistema não pode encontrar o arquivo especificado"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified",
     "O sistema não pode encontrar o caminho especificado"},
    {ERROR_ACCESS_DENIED, "Access is denied", "Acesso negado"},
    {ERROR_INVALID_HANDLE, "The handle is invalid", "O identificador é inválido"},
    {ERROR_NOT_READY, "The device is not ready", "O dispositivo não está pronto"},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process",
     "O processo não pode acessar o arquivo porque ele está sendo usado por outro processo"},
    {ERROR_HANDLE_DISK_FULL, "The disk is full", "O disco está cheio"},
    {ERROR_FILE_EXISTS, "The file exists", "O arquivo existe"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect", "O parâmetro está incorreto"},
    {ERROR_DISK_FULL, "There is not enough space on the disk", "Não há espaço suficiente no disco"},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect",
     "A sintaxe do nome do arquivo, do nome do diretório ou do rótulo do volume está incorreta"},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty", "O diretório não está vazio"},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists",
     "Não é possível criar um arquivo já existente"},
};

}  // namespace

bool DirectoryExists(const AnsiString& path) {
  const DWORD attributes = Api().GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const AnsiString& path) {
  if (path.empty() || HasWildcards(path)) return false;
  WIN32_FIND_DATAA data;
  TFindScope find(path, data);
  return find.Found() && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CreateDir(const AnsiString& path) { return Api().CreateDirectoryA(path); }

bool ForceDirectories(const AnsiString& path) {
  const AnsiString dir = rtl::ExcludeTrailingBackslash(path);
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  // Each step climbs to a strictly shorter parent; a root or a bare name ends it.
  const AnsiString parent = rtl::ExtractFilePath(dir);
  if (parent.empty() || parent == dir) return CreateDir(dir);
  if (!DirectoryExists(parent) && !ForceDirectories(parent)) return false;
  return CreateDir(dir) || DirectoryExists(dir);
}

bool DeleteFile(const AnsiString& path) { return Api().DeleteFileA(path); }

bool RenameFile(const AnsiString& from, const AnsiString& to) { return Api().MoveFileA(from, to); }

std::vector<TFolderEntry> ListFolder(const AnsiString& folder) {
  std::vector<TFolderEntry> entries;
  WIN32_FIND_DATAA data;
  HANDLE h = Api().FindFirstFileA(rtl::IncludeTrailingBackslash(folder) + "*", data);
  if (h == INVALID_HANDLE_VALUE) return entries;
  do {
    if (data.cFileName == "." || data.cFileName == "..") continue;
    entries.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (Api().FindNextFileA(h, data));
  Api().FindClose(h);
  std::sort(entries.begin(), entries.end(),
            [](const TFolderEntry& a, const TFolderEntry& b) { return rtl::AnsiCompareText(a.Name, b.Name) < 0; });
  return entries;
}

AnsiString FindFirstMatch(const AnsiString& folder, const AnsiString& mask) {
  if (!folder.empty()) Api().SetCurrentDirectoryA(folder);
  std::vector<AnsiString> names;
  WIN32_FIND_DATAA data;
  TFindScope find(folder.empty() ? mask : rtl::IncludeTrailingBackslash(folder) + mask, data);
  if (!find.Found()) return {};
  constexpr DWORD kLeftOut = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((data.dwFileAttributes & kLeftOut) == 0) names.push_back(data.cFileName);
  } while (Api().FindNextFileA(find.Handle(), data));
  if (names.empty()) return {};
  return *std::min_element(names.begin(), names.end(), [](const AnsiString& a, const AnsiString& b) {
    return rtl::AnsiCompareText(a, b) < 0;
  });
}

AnsiString GetTempFolder() {
  constexpr DWORD kBuffer = 512;
  AnsiString path;
  const DWORD length = Api().GetTempPathA(kBuffer, path);
  // A path that does not fit the buffer is not returned by the system either.
  if (length == 0 || length >= kBuffer || path.empty()) return "c:\\";
  if (path.size() > length) path.resize(length);
  return rtl::IncludeTrailingBackslash(path);
}

bool FileTimeToDosDateTime(FILETIME time, WORD& dosDate, WORD& dosTime) {
  if (time > static_cast<FILETIME>(INT64_MAX)) return false;
  const auto ticks = static_cast<int64_t>(time);
  const int64_t days = ticks / kTicksPerDay;
  const int64_t seconds = (ticks % kTicksPerDay) / kTicksPerSecond;
  int64_t year;
  unsigned month, day;
  CivilFromDays(days - kDaysFrom1601To1970, year, month, day);
  if (year < 1980 || year > 2107) return false;
  dosDate = static_cast<WORD>(((year - 1980) << 9) | (month << 5) | day);
  // Two-second steps: odd seconds round down.
  dosTime = static_cast<WORD>(((seconds / 3600) << 11) | (((seconds / 60) % 60) << 5) | ((seconds % 60) / 2));
  return true;
}

bool DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME& time) {
  const unsigned year = 1980 + (dosDate >> 9);
  const unsigned month = (dosDate >> 5) & 0x0F;
  const unsigned day = dosDate & 0x1F;
  const unsigned hour = dosTime >> 11;
  const unsigned minute = (dosTime >> 5) & 0x3F;
  const unsigned second = (dosTime & 0x1F) * 2;
  if (month < 1 || month > 12 || day < 1 ||
      day > rtl::DaysInMonth(static_cast<uint16_t>(year), static_cast<uint16_t>(month)) || hour > 23 ||
      minute > 59 || second > 59)
    return false;
  const int64_t days = DaysFromCivil(year, month, day) + kDaysFrom1601To1970;
  time = static_cast<FILETIME>(days * kTicksPerDay +
                               (int64_t{hour} * 3600 + minute * 60 + second) * kTicksPerSecond);
  return true;
}

int32_t FileAge(const AnsiString& path) {
  if (path.empty() || HasWildcards(path)) return -1;
  WIN32_FIND_DATAA data;
  {
    TFindScope find(path, data);
    if (!find.Found()) return -1;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  FILETIME local = 0;
  WORD date = 0, time = 0;
  if (!Api().FileTimeToLocalFileTime(data.ftLastWriteTime, local) ||
      !FileTimeToDosDateTime(local, date, time))
    return -1;
  return static_cast<int32_t>((uint32_t{date} << 16) | time);
}

DWORD FileSetDate(HANDLE handle, int32_t dosDate) {
  const auto value = static_cast<uint32_t>(dosDate);
  FILETIME local = 0, utc = 0;
  if (!DosDateTimeToFileTime(static_cast<WORD>(value >> 16), static_cast<WORD>(value & 0xFFFF), local))
    return ERROR_INVALID_PARAMETER;
  if (!Api().LocalFileTimeToFileTime(local, utc) || !Api().SetFileTime(handle, nullptr, nullptr, &utc))
    return Api().GetLastError();
  return ERROR_SUCCESS;
}

int32_t FileGetAttr(const AnsiString& path) {
  return static_cast<int32_t>(Api().GetFileAttributesA(path));
}

DWORD FileSetAttr(const AnsiString& path, DWORD attributes) {
  return Api().SetFileAttributesA(path, attributes) ? ERROR_SUCCESS : Api().GetLastError();
}

std::vector<AnsiString> SplitTextLines(const AnsiString& text) {
  std::vector<AnsiString> lines;
  size_t start = 0;
  const size_t size = text.size();
  while (start < size) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == AnsiString::npos) end = size;
    lines.push_back(text.substr(start, end - start));
    start = end;
    if (start < size && text[start] == '\r') ++start;
    if (start < size && text[start] == '\n') ++start;
  }
  return lines;
}

std::vector<AnsiString> ReadTextLines(const AnsiString& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  AnsiString text;
  char buffer[65536];
  for (;;) {
    // A read that fails is an error, not the end of the text.
    DWORD read = 0;
    if (!Api().ReadFile(stream.Handle(), buffer, sizeof buffer, read))
      throw rtl::EReadError(rtl::Format("Cannot read file \"%s\". %s",
                                        {ExpandFileName(fileName), SysErrorMessage(Api().GetLastError())}));
    if (read == 0) break;
    text.append(buffer, read);
  }
  return SplitTextLines(text);
}

AnsiString ExpandFileName(const AnsiString& fileName) {
  AnsiString full;
  if (fileName.size() >= 2 && fileName[0] == '\\' && fileName[1] == '\\') {
    return fileName;  // a network path is already full
  } else if (fileName.size() >= 2 && fileName[1] == ':') {
    full = fileName.size() >= 3 && fileName[2] == '\\' ? fileName
                                                       : fileName.substr(0, 2) + "\\" + fileName.substr(2);
  } else {
    const AnsiString current = Api().GetCurrentDirectoryA();
    full = !fileName.empty() && fileName[0] == '\\' ? rtl::ExtractFileDrive(current) + fileName
                                                    : rtl::IncludeTrailingBackslash(current) + fileName;
  }
  // Resolve "." and ".." below the root ("C:\").
  const size_t rootLength = full.size() >= 3 && full[1] == ':' ? 3 : 0;
  std::vector<AnsiString> parts;
  size_t start = rootLength;
  while (start <= full.size()) {
    size_t end = full.find('\\', start);
    if (end == AnsiString::npos) end = full.size();
    const AnsiString part = full.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (part != "." && !(part.empty() && end < full.size())) {
      parts.push_back(part);
    }
    start = end + 1;
  }
  AnsiString result = full.substr(0, rootLength);
  for (size_t i = 0; i < parts.size(); ++i) result += (i ? "\\" : "") + parts[i];
  return result;
}

AnsiString SysErrorMessage(DWORD code) {
  const bool portuguese = IsPortuguese();
  for (const auto& entry : kErrorTexts)
    if (entry.Code == code) return portuguese ? rtl::AnsiFromUtf8(entry.Portuguese) : entry.English;
  return portuguese ? rtl::Format("Erro do sistema. Código: %d"_a, {static_cast<int>(code)})
                    : rtl::Format("System error. Code: %d", {static_cast<int>(code)});
}

TPictureKind PictureKindFromFileName(const AnsiString& fileName) {
  AnsiString written = rtl::ExtractFileExt(fileName);
  if (!written.empty()) written.erase(0, 1);
  const AnsiString ext = rtl::AnsiLowerCase(written);
  if (ext == "bmp") return pkBitmap;
  if (ext == "ico") return pkIcon;
  if (ext == "wmf" || ext == "emf") return pkMetafile;
  if (ext == "jpg" || ext == "jpeg") return pkJpeg;
  // The message names the extension as the file name writes it.
  throw EInvalidGraphic(rtl::Format("Arquivo de imagem com extenão desconhecida (.%s)"_a, {written}));
}

}  // namespace platform
