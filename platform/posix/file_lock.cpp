#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/posix/unique_fd.h"

namespace platform {
namespace {

class PosixFileLock final : public FileLock {
 public:
  explicit PosixFileLock(unique_fd fd) : fd_(std::move(fd)) {}

 private:
  unique_fd fd_;  // closing it drops the lock
};

}  // namespace

std::unique_ptr<FileLock> FileLock::acquire(const std::string& path, int& error) {
  error = 0;
  unique_fd fd(retry_eintr([&] { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666); }));
  if (!fd.valid()) {
    error = errno;
    return nullptr;
  }
  // flock locks belong to the open file description, so a second open of the
  // same file in this process is refused just as another process would be.
  if (retry_eintr([&] { return ::flock(fd.get(), LOCK_EX | LOCK_NB); }) != 0) {
    error = errno;
    return nullptr;
  }
  return std::make_unique<PosixFileLock>(std::move(fd));
}

}  // namespace platform
