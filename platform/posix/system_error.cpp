#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace platform {

bool system_message(int code, std::string& message, int& lookup_error) {
  char buffer[512];
  errno = 0;
  // The GNU strerror_r returns the message, which may or may not live in buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  if (text == nullptr || errno == EINVAL) {
    lookup_error = errno;
    return false;
  }
  message = text;
  return true;
}

int last_system_error() { return errno; }

}  // namespace platform
