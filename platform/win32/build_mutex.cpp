#include "platform/build_mutex.h"

#include <windows.h>
#include <sddl.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// Every account on the machine builds through this one mutex: the client
// as a service, a user's own client, one account per project. Authenticated
// users may wait on it and release it (SYNCHRONIZE | MUTEX_MODIFY_STATE);
// the system and administrators have full access.
constexpr wchar_t kMutexSecurity[] = L"D:(A;;0x00100001;;;AU)(A;;GA;;;SY)(A;;GA;;;BA)";
constexpr DWORD kMutexRights = SYNCHRONIZE | MUTEX_MODIFY_STATE;

class WindowsMutex final : public MachineMutex {
 public:
  explicit WindowsMutex(unique_handle mutex) : mutex_(std::move(mutex)) {}

  bool wait(double seconds) override {
    DWORD limit = seconds == 0 ? INFINITE : static_cast<DWORD>(seconds * 1000);
    DWORD result = ::WaitForSingleObject(mutex_.get(), limit);
    // An owner that ended while holding it hands it over, abandoned.
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  }

  void release() override { ::ReleaseMutex(mutex_.get()); }

 private:
  unique_handle mutex_;
};

}  // namespace

std::unique_ptr<MachineMutex> MachineMutex::open(const std::string& name) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kMutexSecurity, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
  // Opens an existing mutex asking for those rights only; a new one gets
  // the descriptor.
  unique_handle mutex(::CreateMutexExW(&security, to_wide_string("Global\\" + name).c_str(), 0, kMutexRights));
  ::LocalFree(descriptor);
  if (!mutex.valid()) return nullptr;
  return std::make_unique<WindowsMutex>(std::move(mutex));
}

}  // namespace platform
