#include "platform/build_mutex.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace platform {
namespace {

class WindowsMutex final : public MachineMutex {
 public:
  explicit WindowsMutex(unique_handle mutex) : mutex_(std::move(mutex)) {}

  int wait(double seconds) override {
    DWORD limit = seconds == 0 ? INFINITE : static_cast<DWORD>(seconds * 1000);
    DWORD result = ::WaitForSingleObject(mutex_.get(), limit);
    // An owner that ended while holding it hands it over, abandoned.
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED ? 0 : -1;
  }

  void release() override { ::ReleaseMutex(mutex_.get()); }

 private:
  unique_handle mutex_;
};

}  // namespace

std::unique_ptr<MachineMutex> MachineMutex::open(const std::string& name) {
  unique_handle mutex(::CreateMutexA(nullptr, FALSE, ("Global\\" + name).c_str()));
  if (!mutex.valid()) return nullptr;
  return std::make_unique<WindowsMutex>(std::move(mutex));
}

}  // namespace platform
