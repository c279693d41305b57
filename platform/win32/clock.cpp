#include "platform/clock.h"

#include <windows.h>

#include <ctime>

namespace platform {

double wall_clock_seconds() {
  FILETIME now;
  ::GetSystemTimePreciseAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  // 100-nanosecond ticks since 1601; the epoch of 1970 is 11644473600 s later.
  return static_cast<double>(ticks.QuadPart) * 1e-7 - 11644473600.0;
}

void sleep_milliseconds(long milliseconds) {
  if (milliseconds > 0) ::Sleep(static_cast<DWORD>(milliseconds));
}

bool break_down_time(std::time_t when, bool utc, std::tm& out) {
  return (utc ? ::gmtime_s(&out, &when) : ::localtime_s(&out, &when)) == 0;
}

}  // namespace platform
