// The host's clock on Windows: the tick count and the local time of the system.

#include <windows.h>

#include "rtl/Clock.h"
#include "rtl/DateUtils.h"

namespace rtl {

uint32_t TSystemClock::TickCount() { return ::GetTickCount(); }

TDateTime TSystemClock::Now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return EncodeDate(t.wYear, t.wMonth, t.wDay) + EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

void TSystemClock::Sleep(uint32_t ms) { ::Sleep(ms); }

}  // namespace rtl
