#include "runtime/log_prefix.h"

#include <cstdio>
#include <ctime>

#include "lib/text_util.h"
#include "platform/clock.h"
#include "platform/process.h"

char* log_prefix(char* buffer, std::size_t len) {
  if (len == 0) return buffer;
  double now = platform::wall_clock_seconds();
  if (now <= 0) {
    copy_bounded(buffer, "time() failed", len);
    return buffer;
  }
  std::tm parts{};
  if (!platform::break_down_time(static_cast<std::time_t>(now), false, parts)) {
    copy_bounded(buffer, "localtime() failed", len);
    return buffer;
  }
  char when[64];
  if (std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &parts) == 0) {
    copy_bounded(buffer, "strftime() failed", len);
    return buffer;
  }
  int length = std::snprintf(buffer, len, "%s (%d):", when, platform::current_process_id());
  // A prefix of exactly len characters only loses its last one; a longer
  // one is replaced.
  if (length < 0 || static_cast<std::size_t>(length) > len) copy_bounded(buffer, "sprintf() failed", len);
  return buffer;
}

const char* log_prefix() {
  thread_local char buffer[256];
  return log_prefix(buffer, sizeof buffer);
}
