// An exclusive lock on a file: while one is held, every other attempt to take
// it, from this process or another, fails. Released when the owner is
// destroyed or the process ends.
#pragma once

#include <memory>
#include <string>

namespace platform {

class FileLock {
 public:
  virtual ~FileLock() = default;

  // Creates the file if it is missing and takes the lock. What stands there
  // and is not a plain file (a link, a FIFO, a device) is removed and made
  // anew, never followed or waited on. On success returns
  // the lock and leaves error at 0; on failure returns null and stores the
  // system's error number of the refused attempt in error.
  static std::unique_ptr<FileLock> acquire(const std::string& path, int& error);
};

}  // namespace platform
