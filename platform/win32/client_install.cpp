#include "platform/client_install.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {

std::string client_install_dir() {
  HKEY key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Meridane\\CORVO Setup", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t value[4096];
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  LONG result = ::RegQueryValueExW(key, L"INSTALLDIR", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  ::RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  std::wstring_view text(value, size / sizeof(wchar_t));
  // The stored value may or may not end with its terminating zero.
  if (std::size_t end = text.find(L'\0'); end != std::wstring_view::npos) text = text.substr(0, end);
  return to_utf8(text);
}

}  // namespace platform
