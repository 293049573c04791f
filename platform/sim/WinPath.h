#pragma once
// Windows path rules of the simulated machine: turning a path as a program
// passes it (relative, drive-relative, with "." and "..", '/' or '\') into a
// drive letter and clean components, refusing every name Windows refuses,
// and matching names against FindFirstFile patterns.

#include <array>
#include <string_view>
#include <vector>

#include "platform/WinApi.h"

namespace platform::sim {

// A full path: drive letter and components, none of them "." or "..".
struct TWinPath {
  char Drive = 'C';
  std::vector<AnsiString> Parts;
  bool TrailingSeparator = false;  // written with a final '\' (names a folder)

  bool IsRoot() const { return Parts.empty(); }
  TWinPath Parent() const;
  TWinPath Child(const AnsiString& name) const;
  // "C:\", "C:\WINDOWS\TEMP".
  AnsiString Text() const;
};

// The process's current folder per drive, as Windows keeps it.
struct TCurrentDirs {
  char Drive = 'C';
  std::array<std::vector<AnsiString>, 26> Dirs;

  TWinPath Current() const { return Of(Drive); }
  TWinPath Of(char drive) const;
  void Set(const TWinPath& path);
};

enum TWildcards { wcRefuse, wcInLastPart };

// Parses `path` against the current folders. Returns ERROR_SUCCESS, or
// ERROR_PATH_NOT_FOUND (empty path), ERROR_INVALID_NAME (bad characters, device
// names, a bad drive, a name of only dots and blanks), ERROR_BAD_NETPATH (UNC
// names) or ERROR_FILENAME_EXCED_RANGE (a name over 255 or a path over 259
// characters). Trailing dots and blanks of each name are dropped as Windows does;
// ".." never climbs above the root.
DWORD ParseWinPath(std::string_view path, const TCurrentDirs& current, TWildcards wildcards,
                   TWinPath& result);

bool HasWildcards(std::string_view name);

// FindFirstFile matching: '*' and '?' with the DOS rules ("*.*" matches every
// name, "*." names without an extension, a '?' before a dot or at the end
// may match nothing), letters compared without regard to case.
bool MatchesPattern(std::string_view pattern, std::string_view name);

// Windows-1252 case folding used for every name comparison of the machine.
AnsiString FoldCase(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

}  // namespace platform::sim
