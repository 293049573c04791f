// The fixed clock of tests and the headless display, and the clock in use.
// The host's own clock lives with its system (posix/, win32/).

#include "rtl/Clock.h"

#include "rtl/DateUtils.h"

namespace rtl {

namespace {

constexpr double kMSecsPerDay = 86400000.0;
TClock* gClock = nullptr;

}  // namespace

void TFixedClock::Advance(uint32_t ms) {
  FTick += ms;
  FNow += ms / kMSecsPerDay;
}

void TFixedClock::Sleep(uint32_t ms) {
  Advance(ms);
  if (OnSleep) OnSleep(ms);
}

TClock& Clock() {
  static TSystemClock systemClock;
  return gClock ? *gClock : systemClock;
}

void SetClock(TClock* clock) { gClock = clock; }

}  // namespace rtl
