// The operating system's own description of its error numbers.
#pragma once

#include <string>

namespace platform {

// Looks up the message of an error number. Returns true with the message as
// the system delivers it, or false with the error number of the failed lookup.
bool system_message(int code, std::string& message, int& lookup_error);

// The error number of the calling thread's last failed system call.
int last_system_error();

}  // namespace platform
