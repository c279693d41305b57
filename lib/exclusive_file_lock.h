// A lock file that only one opener at a time may hold, used for the slot
// directory. Not thread-safe: one owner.
#pragma once

#include <memory>
#include <string>

#include "lib/clock.h"
#include "platform/file_lock.h"

struct EXCLUSIVE_FILE_LOCK {
  std::unique_ptr<platform::FileLock> handle;
  bool held = false;

  // Creates the file if missing and takes the lock. Returns 0, or the
  // system's error number when another holder has it or the file can't be
  // opened.
  int acquire(const std::string& path);

  // Drops the lock, deletes the file (retrying) and clears held. Returns 0.
  int release(const std::string& path, Clock& clock = system_clock());
};
