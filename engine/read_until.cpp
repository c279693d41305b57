#include "engine/read_until.h"

#include <algorithm>
#include <vector>

#include "lib/result_codes.h"

int reply_limit_reached(const ReplyLimits& limits, double start, double last_byte, double now) {
  if (limits.silence != 0 && now - last_byte > limits.silence) return RC_TIMED_OUT;
  if (limits.total != 0 && now - start > limits.total) return RC_TIMED_OUT;
  if (limits.give_up && limits.give_up()) return RC_RESULT_ABORTED_BY_USER;
  return 0;
}

int read_until(platform::PipedProcess& process, const ReplyLimits& limits,
               const std::function<bool(std::string_view)>& consume, Clock& clock) {
  std::vector<char> chunk(65536);
  double start = clock.steady();
  double last_byte = start;
  bool gone = false;
  for (;;) {
    long waiting = process.bytes_waiting();
    if (waiting <= 0) {
      if (gone) return RC_CONNECT_FAILED;
      // Wait for output rather than sleep blindly.
      process.wait_readable(200);
      if (int reached = reply_limit_reached(limits, start, last_byte, clock.steady())) return reached;
      if (process.exited()) gone = true;
      continue;
    }
    long count = process.read(chunk.data(), std::min(chunk.size(), static_cast<std::size_t>(waiting)));
    if (count < 0) return RC_READ_FAILED;
    last_byte = clock.steady();
    if (consume(std::string_view(chunk.data(), static_cast<std::size_t>(count)))) return 0;
  }
}
