#include "platform/stderr_capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/posix/unique_fd.h"

namespace platform {

int capture_standard_error(const std::string& path) {
  std::fflush(stderr);
  int saved = ::dup(2);
  unique_fd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  ::dup2(file.get(), 2);
  return saved;
}

void restore_standard_error(int token) {
  std::fflush(stderr);
  ::dup2(token, 2);
  ::close(token);
}

}  // namespace platform
