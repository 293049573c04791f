// Message boxes.

#include "platform/MessageBoxes.h"

#include "platform/Dialogs.h"

namespace platform {

void WarningAbort(const AnsiString& text) { Dialogs().WarningAbort(text); }

int MessageBox(const AnsiString& text, const AnsiString& caption, UINT type) {
  return Api().MessageBoxA(0, text, caption, type);
}

AnsiString ExceptionText(const AnsiString& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void ShowException(const AnsiString& title, const AnsiString& message) {
  MessageBox(ExceptionText(message), title, MB_OK | MB_ICONSTOP);
}

}  // namespace platform
