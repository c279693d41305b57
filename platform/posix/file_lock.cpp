#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/posix/slot_open.h"
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
  // The lock file is never written: a second name of it does no harm, and
  // replacing it would let a second instance lock a new file beside the
  // first instance's.
  unique_fd fd = open_slot_entry(path, SlotOpen{.access = O_WRONLY, .owned = true}, error);
  if (!fd.valid()) return nullptr;
  // flock locks belong to the open file description, so a second open of the
  // same file in this process is refused just as another process would be.
  if (retry_eintr([&] { return ::flock(fd.get(), LOCK_EX | LOCK_NB); }) != 0) {
    error = errno;
    return nullptr;
  }
  return std::make_unique<PosixFileLock>(std::move(fd));
}

}  // namespace platform
