#pragma once
// Files and folders: existence, creation, the first file matching a mask, the
// temporary folder, DOS file dates, attributes, text files and picture kinds.

#include <cstdint>
#include <vector>

#include "platform/WinApi.h"
#include "rtl/Exceptions.h"

namespace platform {

// GetFileAttributesA succeeds and reports a folder.
bool DirectoryExists(const AnsiString& path);
// FindFirstFileA on the exact path finds an entry that is not a folder (a
// name with wildcards is no file).
bool FileExists(const AnsiString& path);
// One level, the parent must exist; false also when the folder is there already.
bool CreateDir(const AnsiString& path);
// Every missing level; true when the folder exists afterwards.
bool ForceDirectories(const AnsiString& path);
bool DeleteFile(const AnsiString& path);
bool RenameFile(const AnsiString& from, const AnsiString& to);

// The first file of `folder` matching `mask`, ordered without regard to case,
// leaving out folders and hidden and system files; "" when none. The folder
// becomes the process's current folder.
AnsiString FindFirstMatch(const AnsiString& folder, const AnsiString& mask);

// One entry of a folder listing.
struct TFolderEntry {
  AnsiString Name;
  bool IsFolder = false;
};

// The entries of `folder` ("." and ".." left out), ordered without regard to
// case; empty when the folder cannot be listed.
std::vector<TFolderEntry> ListFolder(const AnsiString& folder);

// GetTempPathA into 512 characters, "c:\" when it fails; with trailing backslash.
AnsiString GetTempFolder();

// The last-write time of a file as a local DOS date (date in the high 16 bits,
// time in the low 16); -1 for a folder, a missing file or a date DOS cannot hold.
int32_t FileAge(const AnsiString& path);
// Sets the last-write time of an open file from a local DOS date; 0 on
// success, else the Windows error code.
DWORD FileSetDate(HANDLE handle, int32_t dosDate);
// FILETIME <-> DOS date and time, as FileTimeToDosDateTime / DosDateTimeToFileTime.
bool FileTimeToDosDateTime(FILETIME time, WORD& dosDate, WORD& dosTime);
bool DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME& time);

// GetFileAttributesA (-1 when the file is missing) and SetFileAttributesA (0 or the error code).
int32_t FileGetAttr(const AnsiString& path);
DWORD FileSetAttr(const AnsiString& path, DWORD attributes);

// The whole file split at CR LF, CR or LF. EFOpenError naming the file and the
// system's reason when it cannot be opened, EReadError "Cannot read file "%s".
// <reason>" when a read fails after that.
std::vector<AnsiString> ReadTextLines(const AnsiString& fileName);
// The same split over text already in memory.
std::vector<AnsiString> SplitTextLines(const AnsiString& text);

// The full path of a name relative to the current folder.
AnsiString ExpandFileName(const AnsiString& fileName);
// The system's text for a Windows error code, in the user's language
// (Portuguese or English), without a final full stop.
AnsiString SysErrorMessage(DWORD code);

// Picture files: the kind follows the extension, without regard to case.
enum TPictureKind { pkBitmap, pkIcon, pkMetafile, pkJpeg };
RTL_EXCEPTION(EInvalidGraphic, rtl::Exception);
// EInvalidGraphic "Arquivo de imagem com extenão desconhecida (.%s)" with the
// extension as the name writes it for any other extension.
TPictureKind PictureKindFromFileName(const AnsiString& fileName);

}  // namespace platform
