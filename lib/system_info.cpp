#include "lib/system_info.h"

#include <cstdio>
#include <string>

#include "platform/system_error.h"

char* system_error_text(int code, char* buffer, std::size_t size) {
  if (size == 0) return buffer;
  std::string message;
  int lookup_error = 0;
  if (platform::system_message(code, message, lookup_error)) {
    std::snprintf(buffer, size, "%s (0x%x)", message.c_str(), static_cast<unsigned>(code));
  } else {
    std::snprintf(buffer, size, "(unknown error) (%u)", static_cast<unsigned>(lookup_error));
  }
  return buffer;
}

int cpu_seconds_of(platform::process_ref process, double& seconds) {
  return platform::process_cpu_seconds(process, seconds) ? 0 : -1;
}
