#pragma once
// The machine's folders and identity. Folders come back without a trailing
// backslash (callers append "\" and a name); any failure gives "".

#include "platform/WinApi.h"

namespace platform {

AnsiString WindowsFolder();
AnsiString SystemFolder();
AnsiString DesktopFolder();    // the user's desktop (CSIDL_DESKTOPDIRECTORY)
AnsiString StartMenuFolder();  // the user's Start menu (CSIDL_STARTMENU)
AnsiString SpecialFolder(int csidl);

// "RegisteredOwner" / "RegisteredOrganization" of the Windows family's
// CurrentVersion key under HKEY_LOCAL_MACHINE, opened for reading only.
AnsiString RegisteredOwner();
AnsiString RegisteredCompany();

// The running program's full path, and its folder with a trailing backslash.
AnsiString ProgramPath();
AnsiString ProgramFolder();

}  // namespace platform
