// The prefix of every line the runtime writes: local date and time and the
// process id, as in "2024-05-01 12:34:56 (4120):".
#pragma once

#include <cstddef>

// Writes the prefix (at most len bytes with the terminator) into buffer and
// returns buffer. When the clock or the formatting fails, the buffer holds
// the name of the failed step instead, such as "localtime() failed".
char* log_prefix(char* buffer, std::size_t len);

// The prefix now, in a buffer of the calling thread's own (256 bytes),
// good until that thread's next call.
const char* log_prefix();
