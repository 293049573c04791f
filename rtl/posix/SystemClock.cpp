// The host's clock on POSIX systems.

#include <chrono>
#include <ctime>
#include <thread>

#include "rtl/Clock.h"
#include "rtl/DateUtils.h"

namespace rtl {

uint32_t TSystemClock::TickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);  // wraps after 49.7 days, as GetTickCount does
}

TDateTime TSystemClock::Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  localtime_r(&ts.tv_sec, &local);
  TDateTime date = EncodeDate(static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
                              static_cast<uint16_t>(local.tm_mday));
  // A leap second reads as the last second of its minute.
  auto sec = static_cast<uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec);
  TDateTime time = EncodeTime(static_cast<uint16_t>(local.tm_hour), static_cast<uint16_t>(local.tm_min), sec,
                              static_cast<uint16_t>(ts.tv_nsec / 1000000));
  return date + time;
}

void TSystemClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace rtl
