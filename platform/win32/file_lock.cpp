#include "platform/file_lock.h"

#include <windows.h>

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
  unique_handle file(
      ::CreateFileW(to_wide_string(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    error = static_cast<int>(::GetLastError());
    return nullptr;
  }
  return std::make_unique<WindowsFileLock>(std::move(file));
}

}  // namespace platform
