// The operating system's own description of its error numbers.
#pragma once

#include <string>

namespace platform {

// Looks up the message of an error number. Returns true with the message as
// the system delivers it, or false with the error number of the failed lookup.
bool system_message(int code, std::string& message, int& lookup_error);

// An operation's outcome from the system's error number it ended with:
// true for 0; error holds the number either way.
inline bool succeeded(int error_number, int& error) {
  error = error_number;
  return error_number == 0;
}

// The error number of the calling thread's last failed system call.
int last_system_error();

}  // namespace platform
