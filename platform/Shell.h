#pragma once
// Starting programs and shell verbs, restart, pauses, the event loop hook and
// the two ways a program ends.

#include <cstdint>
#include <functional>

#include "platform/WinApi.h"

namespace platform {

// Opens a file with a shell verb ("" is the default action), shown normally.
// The result is not checked by any caller; it is returned for tools and tests.
intptr_t OpenWithVerb(HWND owner, const AnsiString& verb, const AnsiString& file,
                      const AnsiString& directory);
// Starts a command line, shown normally; does not wait.
UINT StartProgram(const AnsiString& commandLine);
// Asks for a forced restart of the computer.
void RestartComputer();
// Pauses the main thread; nothing is repainted meanwhile.
void Pause(uint32_t milliseconds);

// Takes every message waiting for the main thread and dispatches it once. The
// user interface registers its loop; without one this does nothing.
using TProcessMessagesHook = std::function<void()>;
void SetProcessMessagesHook(TProcessMessagesHook hook);
void ProcessMessages();

// Ends the program at once with exit code 0, asking no window. The handler the
// application installs does its clean-up and ends the process; a test installs
// one that throws, to see the end happen. Without a handler, or when the
// handler returns, the process exits with code 0.
using THaltHandler = std::function<void()>;
void SetHaltHandler(THaltHandler handler);
[[noreturn]] void Halt();

// Ends the program in order: the main message loop is told to stop and the
// program ends when it returns. The user interface registers the handler;
// without one this does nothing.
using TTerminateHandler = std::function<void()>;
void SetTerminateHandler(TTerminateHandler handler);
void Terminate();

}  // namespace platform
