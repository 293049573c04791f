#pragma once
// What the Windows tests share: Wine's departures from Windows, marked where a
// test meets them (as Wine's own tests do with todo_wine), and removing what a
// test made.

#include "platform/WinApi.h"

namespace win32_test {

// The program runs under Wine (its ntdll exports wine_get_version).
bool UnderWine();

// A file or a whole folder, read-only entries too.
inline void RemoveTree(platform::TWinApi& api, const rtl::AnsiString& path) {
  const platform::DWORD attr = api.GetFileAttributesA(path);
  if (attr == platform::INVALID_FILE_ATTRIBUTES) return;
  api.SetFileAttributesA(path, platform::FILE_ATTRIBUTE_NORMAL);
  if (!(attr & platform::FILE_ATTRIBUTE_DIRECTORY)) {
    api.DeleteFileA(path);
    return;
  }
  platform::WIN32_FIND_DATAA data;
  const platform::HANDLE h = api.FindFirstFileA(path + "\\*", data);
  if (h != platform::INVALID_HANDLE_VALUE) {
    do {
      if (data.cFileName != "." && data.cFileName != "..") RemoveTree(api, path + "\\" + data.cFileName);
    } while (api.FindNextFileA(h, data));
    api.FindClose(h);
  }
  api.RemoveDirectoryA(path);
}

}  // namespace win32_test
