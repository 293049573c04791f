// Folder and identity lookups.

#include "platform/SpecialFolders.h"

#include "platform/Registry.h"
#include "rtl/SysUtils.h"

namespace platform {

namespace {

AnsiString Folder(const AnsiString& path) {
  // A root such as "C:\" loses its backslash too: callers always add one.
  return rtl::ExcludeTrailingBackslash(path);
}

AnsiString CurrentVersionValue(const char* name) {
  const char* key = Api().IsWindowsNT() ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                                        : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  try {
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(key)) return {};
    return registry.ReadString(name);
  } catch (const ERegistryException&) {
    return {};  // a value of another type counts as none
  }
}

}  // namespace

AnsiString WindowsFolder() { return Folder(Api().GetWindowsDirectoryA()); }

AnsiString SystemFolder() { return Folder(Api().GetSystemDirectoryA()); }

AnsiString SpecialFolder(int csidl) {
  AnsiString path;
  if (!Api().SHGetSpecialFolderPathA(csidl, path)) return {};
  // SHGetPathFromIDListA fills a buffer of MAX_PATH (260) characters.
  if (path.size() > 259) return {};
  return Folder(path);
}

AnsiString DesktopFolder() { return SpecialFolder(CSIDL_DESKTOPDIRECTORY); }

AnsiString StartMenuFolder() { return SpecialFolder(CSIDL_STARTMENU); }

AnsiString RegisteredOwner() { return CurrentVersionValue("RegisteredOwner"); }

AnsiString RegisteredCompany() { return CurrentVersionValue("RegisteredOrganization"); }

AnsiString ProgramPath() { return Api().GetModuleFileNameA(); }

AnsiString ProgramFolder() {
  const AnsiString path = ProgramPath();
  const auto slash = path.rfind('\\');
  return slash == AnsiString::npos ? AnsiString() : path.substr(0, slash + 1);
}

}  // namespace platform
