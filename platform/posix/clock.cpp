#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace platform {

double wall_clock_seconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void sleep_milliseconds(long milliseconds) {
  if (milliseconds <= 0) return;
  timespec remaining{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
  }
}

bool break_down_time(std::time_t when, bool utc, std::tm& out) {
  return (utc ? gmtime_r(&when, &out) : localtime_r(&when, &out)) != nullptr;
}

}  // namespace platform
