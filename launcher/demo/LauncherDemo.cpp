// vqm-launcherdemo: adds the launcher's files to a demo installation medium and
// sets up a simulated machine, one of whose drives shows that medium, so that
// the launcher's steps start the database server's installer stand-in and our
// installer.

#include <cstdio>
#include <cstring>
#include <exception>

#include "launcher/DemoFiles.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "usage: vqm-launcherdemo MEDIUM MACHINE INSTALAR FBSETUP\n"
        "       vqm-launcherdemo --medium-only MEDIUM\n"
        "  writes etapix.exe, manual.htm and the database installer into the host folder MEDIUM,\n"
        "  and sets up the machine in MACHINE (a drive of which shows MEDIUM): the print verb\n"
        "  is journalled, the database installer runs the host program FBSETUP and the\n"
        "  medium's instalar.exe the host program INSTALAR\n"
        "  --medium-only writes the files into MEDIUM and sets up no machine (a medium for Windows,\n"
        "  where the Windows build's programs then take the places of the .exe files)\n");
    return 0;
  }
  const bool mediumOnly = argc == 3 && std::strcmp(argv[1], "--medium-only") == 0;
  if (argc != 5 && !mediumOnly) {
    std::fprintf(stderr, "usage: vqm-launcherdemo MEDIUM MACHINE INSTALAR FBSETUP (--help for more)\n");
    return 2;
  }
  try {
    const char* medium = mediumOnly ? argv[2] : argv[1];
    for (const rtl::AnsiString& name : launcher::AddLauncherFiles(medium))
      std::printf("%s/%s\n", medium, rtl::Utf8FromAnsi(name).c_str());
    if (mediumOnly) return 0;
    const rtl::AnsiString root = launcher::ConfigureLauncherMachine(argv[2], argv[1], {argv[3], argv[4]});
    std::printf("the medium is %s on the machine %s\n", rtl::Utf8FromAnsi(root).c_str(), argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vqm-launcherdemo: %s\n", e.what());
    return 1;
  }
  return 0;
}
