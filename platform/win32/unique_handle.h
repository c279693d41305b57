// Move-only owner of a Windows handle; closes it on destruction.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace platform {

class unique_handle {
 public:
  unique_handle() = default;
  explicit unique_handle(HANDLE handle) : handle_(handle) {}
  ~unique_handle() { reset(); }
  unique_handle(unique_handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  unique_handle& operator=(unique_handle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  unique_handle(const unique_handle&) = delete;
  unique_handle& operator=(const unique_handle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  // Gives up ownership without closing, for handles kept until process end.
  HANDLE release() { return std::exchange(handle_, nullptr); }
  void reset(HANDLE handle = nullptr) {
    if (valid()) ::CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace platform
