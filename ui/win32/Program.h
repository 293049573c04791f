#pragma once
// A Windows program's entry: the real system behind the platform, the
// desktop's windows behind the framework, and the program's start.

#include <functional>

#include "ui/Application.h"

namespace ui::win32 {

// Runs the program until it ends; returns its exit code. A failure before the
// loop runs shows in the system's message box with the program's name.
int RunProgram(const char* name, const std::function<void(TApplication&)>& start);

}  // namespace ui::win32
