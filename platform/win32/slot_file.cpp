#include "platform/slot_file.h"

#include <windows.h>

#include "platform/win32/slot_open.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

class WindowsSlotFile final : public SlotFile {
 public:
  explicit WindowsSlotFile(unique_handle file) : file_(std::move(file)) {}

  bool write_at_start(const char* data, std::size_t size) override {
    OVERLAPPED at_start{};
    DWORD written = 0;
    return ::WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, &at_start) && written == size;
  }

  long read_at_start(char* data, std::size_t size) override {
    OVERLAPPED at_start{};
    DWORD read = 0;
    if (!::ReadFile(file_.get(), data, static_cast<DWORD>(size), &read, &at_start)) {
      return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return static_cast<long>(read);
  }

  bool modification_time(long long& time) override {
    FILETIME written;
    if (!::GetFileTime(file_.get(), nullptr, nullptr, &written)) return false;
    time = static_cast<long long>((static_cast<unsigned long long>(written.dwHighDateTime) << 32) |
                                  written.dwLowDateTime);
    return true;
  }

 private:
  unique_handle file_;
};

}  // namespace

std::unique_ptr<SlotFile> SlotFile::open(const std::string& path, bool for_writing) {
  DWORD error = 0;
  unique_handle file = open_slot_entry(
      path, SlotOpen{.access = for_writing ? GENERIC_WRITE : GENERIC_READ, .owned = true, .sole_name = for_writing},
      error);
  if (!file.valid()) return nullptr;
  return std::make_unique<WindowsSlotFile>(std::move(file));
}

}  // namespace platform
