#include "platform/environment.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {

bool environment_value(const char* name, std::string& value) {
  std::wstring wide_name = to_wide_string(name);
  std::wstring text(256, L'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD length = ::GetEnvironmentVariableW(wide_name.c_str(), text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      value.clear();
      return true;
    }
    if (length < text.size()) {
      text.resize(length);
      value = to_utf8(text);
      return true;
    }
    text.resize(length);  // the size asked for, with its terminating zero
  }
}

}  // namespace platform
