#pragma once
// The launcher's part of the demo installation medium and of the demo
// machine: the launcher as the medium's program, the installation manual and
// the database server's installer on the medium; on the machine, the outside
// programs the launcher starts, played by host programs.

#include <string>
#include <vector>

#include "rtl/AnsiString.h"

namespace launcher {

using rtl::AnsiString;

// Host programs that play the medium's programs on a simulated machine.
struct TDemoPrograms {
  std::string Installer;      // our installer, `instalar`
  std::string DatabaseSetup;  // the database server's installer stand-in, `vqm-fbsetup`
};

// Writes "etapix.exe", "manual.htm" and the database server's installer
// "Firebird-2.0.1.12855-1-Win32.exe" into the medium's host folder (which
// must exist), replacing files of those names. Returns the names written.
std::vector<AnsiString> AddLauncherFiles(const std::string& mediumFolder);

// Sets up the machine in machineDir, one of whose drives is the medium's host
// folder: the shell's print verb is only journalled, the database server's
// installer runs programs.DatabaseSetup, and "instalar.exe" of the medium runs
// programs.Installer. Raises EMachineError when no drive of the machine shows
// the medium. Returns the medium's Windows folder ("D:\").
AnsiString ConfigureLauncherMachine(const std::string& machineDir, const std::string& mediumFolder,
                                    const TDemoPrograms& programs);

}  // namespace launcher
