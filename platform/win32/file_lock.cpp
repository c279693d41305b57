#include "platform/file_lock.h"

#include <windows.h>

#include "platform/win32/slot_open.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

class WindowsFileLock final : public FileLock {
 public:
  explicit WindowsFileLock(unique_handle file) : file_(std::move(file)) {}

 private:
  unique_handle file_;  // open without sharing: closing it drops the lock
};

}  // namespace

std::unique_ptr<FileLock> FileLock::acquire(const std::string& path, int& error) {
  error = 0;
  DWORD code = 0;
  unique_handle file = open_slot_entry(path, SlotOpen{.access = GENERIC_WRITE, .share = 0, .owned = true}, code);
  if (!file.valid()) {
    error = static_cast<int>(code);
    return nullptr;
  }
  return std::make_unique<WindowsFileLock>(std::move(file));
}

}  // namespace platform
