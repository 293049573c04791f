// Processes, shell verbs and the program's end.

#include "platform/Shell.h"

#include <cstdlib>

#include "rtl/Clock.h"

namespace platform {

namespace {
TProcessMessagesHook gProcessMessages;
THaltHandler gHalt;
TTerminateHandler gTerminate;
}  // namespace

intptr_t OpenWithVerb(HWND owner, const AnsiString& verb, const AnsiString& file,
                      const AnsiString& directory) {
  return Api().ShellExecuteA(owner, verb, file, "", directory, SW_SHOWNORMAL);
}

UINT StartProgram(const AnsiString& commandLine) { return Api().WinExec(commandLine, SW_SHOWNORMAL); }

void RestartComputer() { Api().ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0); }

void Pause(uint32_t milliseconds) { rtl::Clock().Sleep(milliseconds); }

void SetProcessMessagesHook(TProcessMessagesHook hook) { gProcessMessages = std::move(hook); }

void ProcessMessages() {
  if (gProcessMessages) gProcessMessages();
}

void SetHaltHandler(THaltHandler handler) { gHalt = std::move(handler); }

void Halt() {
  if (gHalt) gHalt();
  std::exit(0);
}

void SetTerminateHandler(TTerminateHandler handler) { gTerminate = std::move(handler); }

void Terminate() {
  if (gTerminate) gTerminate();
}

}  // namespace platform
