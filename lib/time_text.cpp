#include "lib/time_text.h"

#include <ctime>

#include "lib/text_util.h"
#include "platform/clock.h"

const char* time_text(double when, bool utc) {
  thread_local char buffer[100];
  if (when == 0) {
    copy_bounded(buffer, "---", sizeof buffer);
    return buffer;
  }
  std::tm parts{};
  buffer[0] = '\0';
  if (platform::break_down_time(static_cast<std::time_t>(when), utc, parts)) {
    std::strftime(buffer, 99, "%d-%b-%Y %H:%M:%S", &parts);
  }
  if (utc) append_bounded(buffer, " UTC", sizeof buffer);
  return buffer;
}
