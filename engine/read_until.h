// Reading a reply from a long-lived process (the engine shell) as it
// arrives, within limits on silence and on time in all, and giving it up for
// a request of the client.
#pragma once

#include <functional>
#include <string_view>

#include "lib/clock.h"
#include "platform/piped_process.h"

// How long a reply may take.
struct ReplyLimits {
  double silence = 0;  // seconds without a byte from the process (0: no limit)
  double total = 0;    // seconds in all (0: no limit)
  // Asked while nothing arrives: true gives the reply up.
  std::function<bool()> give_up;
};

// What limits say of a reply begun at start whose last byte came at
// last_byte, at the time now: 0 (go on), RC_TIMED_OUT (more silence than
// limits.silence, or more time than limits.total) or
// RC_RESULT_ABORTED_BY_USER (limits.give_up says so).
int reply_limit_reached(const ReplyLimits& limits, double start, double last_byte, double now);

// Reads the process's output, handing each piece to consume as it arrives,
// until consume says the reply is complete. While nothing is waiting it
// waits up to 200 ms at a time for output or the end of the process. More
// silence than limits.silence (any byte starts that count again), or more
// time than limits.total, give RC_TIMED_OUT; limits.give_up saying so gives
// RC_RESULT_ABORTED_BY_USER. Returns 0, RC_READ_FAILED, or
// RC_CONNECT_FAILED once the process has ended and nothing is left. The
// limits are kept on clock's steady time.
int read_until(platform::PipedProcess& process, const ReplyLimits& limits,
               const std::function<bool(std::string_view)>& consume, Clock& clock = system_clock());

