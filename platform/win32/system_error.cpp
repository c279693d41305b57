#include "platform/system_error.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {

bool system_message(int code, std::string& message, int& lookup_error) {
  wchar_t* text = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0,
      nullptr);
  if (length == 0 || text == nullptr) {
    lookup_error = static_cast<int>(::GetLastError());
    return false;
  }
  message = to_utf8(std::wstring_view(text, length));
  ::LocalFree(text);
  return true;
}

int last_system_error() { return static_cast<int>(::GetLastError()); }

}  // namespace platform
