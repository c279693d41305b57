#include "platform/stderr_capture.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/win32/wide_text.h"

namespace platform {

int capture_standard_error(const std::string& path) {
  std::fflush(stderr);
  int saved = ::_dup(2);
  int file = ::_wopen(to_wide_path(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                      _S_IREAD | _S_IWRITE);
  ::_dup2(file, 2);
  ::_close(file);
  return saved;
}

void restore_standard_error(int token) {
  std::fflush(stderr);
  ::_dup2(token, 2);
  ::_close(token);
}

}  // namespace platform
