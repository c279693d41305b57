// Wall clock and sleeping, as the operating system provides them.
// Safe to call from any thread.
#pragma once

#include <ctime>

namespace platform {

// Seconds since 1970-01-01 00:00 UTC, with sub-second resolution.
double wall_clock_seconds();

// Sleeps the calling thread for the given number of milliseconds; an
// interrupted sleep is resumed until the whole time has passed.
void sleep_milliseconds(long milliseconds);

// Breaks a time down as local time (utc false) or UTC (utc true).
// Returns false when the system cannot convert it.
bool break_down_time(std::time_t when, bool utc, std::tm& out);

}  // namespace platform
