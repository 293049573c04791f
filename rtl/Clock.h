#pragma once
// One clock for the whole program: the millisecond tick count, the local date
// and time, and the pause. Tests and the headless display install a clock
// they can fix and advance, so archive identifiers, dates and pauses are
// reproducible and a 7000 ms pause costs nothing.

#include <cstdint>
#include <functional>

namespace rtl {

using TDateTime = double;  // days since 30 December 1899, local time; fraction = time of day

class TClock {
 public:
  virtual ~TClock() = default;
  virtual uint32_t TickCount() = 0;  // milliseconds, wraps like GetTickCount
  virtual TDateTime Now() = 0;       // local date and time
  virtual void Sleep(uint32_t ms) = 0;
};

// The host's real clock.
class TSystemClock : public TClock {
 public:
  uint32_t TickCount() override;
  TDateTime Now() override;
  void Sleep(uint32_t ms) override;
};

// A clock that stands still until advanced; Sleep advances it.
class TFixedClock : public TClock {
 public:
  explicit TFixedClock(TDateTime now = 45000.5, uint32_t tick = 1000) : FNow(now), FTick(tick) {}
  uint32_t TickCount() override { return FTick; }
  TDateTime Now() override { return FNow; }
  void Sleep(uint32_t ms) override;
  void Advance(uint32_t ms);
  void SetNow(TDateTime now) { FNow = now; }
  void SetTick(uint32_t tick) { FTick = tick; }
  // Called after every Sleep with its length (lets a display run timers meanwhile).
  std::function<void(uint32_t)> OnSleep;

 private:
  TDateTime FNow;
  uint32_t FTick;
};

TClock& Clock();
// Installs a clock (not owned); nullptr puts back the system clock.
void SetClock(TClock* clock);

}  // namespace rtl
