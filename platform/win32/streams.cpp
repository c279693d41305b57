#include "platform/streams.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>

#include "platform/win32/wide_text.h"

namespace platform {

bool redirect_stream(StandardStream stream, const std::string& path, bool append) {
  std::FILE* target = stream == StandardStream::error ? stderr : stdout;
  // "c": every flush commits the data to disk (standard error only). "N":
  // the file is not inherited by child processes; the handle's flag is
  // cleared as well, whatever the runtime made of the mode.
  const wchar_t* mode = stream == StandardStream::error ? (append ? L"acN" : L"wcN") : (append ? L"aN" : L"wN");
  if (::_wfreopen(to_wide_string(path).c_str(), mode, target) == nullptr) return false;
  HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(target)));
  if (handle != INVALID_HANDLE_VALUE) ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
  if (stream == StandardStream::error) {
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    return true;
  }
  static char buffer[512];
  std::setvbuf(stdout, buffer, _IOLBF, sizeof buffer);
  return true;
}

int capture_standard_error(const std::string& path) {
  std::fflush(stderr);
  int saved = ::_dup(2);
  int file = ::_wopen(to_wide_string(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                      _S_IREAD | _S_IWRITE);
  ::_dup2(file, 2);
  ::_close(file);
  return saved;
}

void restore_standard_error(int token) {
  std::fflush(stderr);
  ::_dup2(token, 2);
  ::_close(token);
}

// A terminal copy of standard error is not made on Windows.
void stop_terminal_copy() {}

void finish_standard_error() { std::fflush(stderr); }

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
