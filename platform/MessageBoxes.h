#pragma once
// The message boxes of the programs: the warning that precedes an immediate
// end, the plain message box and the uncaught-error box.

#include "platform/WinApi.h"

namespace platform {

// Warning icon, caption "Atenção", one button "A&bortar"; returns when closed.
// Shown by the registered dialog provider.
void WarningAbort(const AnsiString& text);

// MessageBoxA without an owner; returns the ID* of the button pressed.
int MessageBox(const AnsiString& text, const AnsiString& caption, UINT type);

// The uncaught-error text: a full stop is appended when the last character
// sorts after "." (so "." and "!" get none; an empty text stays empty).
AnsiString ExceptionText(const AnsiString& message);
// The uncaught-error box: MessageBoxA with the application's title as caption,
// the error icon and one OK button.
void ShowException(const AnsiString& title, const AnsiString& message);

}  // namespace platform
