#include "platform/streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/posix/unique_fd.h"

namespace platform {

bool redirect_stream(StandardStream stream, const std::string& path, bool append) {
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  unique_fd fd(retry_eintr([&] { return ::open(path.c_str(), flags, 0666); }));
  if (!fd.valid()) return false;
  std::FILE* file = stream == StandardStream::error ? stderr : stdout;
  int target = stream == StandardStream::error ? 2 : 1;
  std::fflush(file);
  // dup2 gives descriptor 2 (or 1) without close-on-exec, as a standard
  // stream should be.
  if (retry_eintr([&] { return ::dup2(fd.get(), target); }) < 0) return false;
  if (stream == StandardStream::error) {
    std::setvbuf(stderr, nullptr, _IONBF, 0);
  } else {
    static char buffer[512];
    std::setvbuf(stdout, buffer, _IOLBF, sizeof buffer);
  }
  return true;
}

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

std::string client_install_dir() { return {}; }

}  // namespace platform
