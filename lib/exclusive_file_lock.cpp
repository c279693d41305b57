#include "lib/exclusive_file_lock.h"

#include "lib/file_util.h"

int EXCLUSIVE_FILE_LOCK::acquire(const std::string& path) {
  int error = 0;
  auto taken = platform::FileLock::acquire(path, error);
  // A refusal leaves a lock already held as it was.
  if (taken == nullptr) return error;
  handle = std::move(taken);
  held = true;
  return 0;
}

int EXCLUSIVE_FILE_LOCK::release(const std::string& path, Clock& clock) {
  handle.reset();
  delete_file_retry(path, clock);
  held = false;
  return 0;
}
