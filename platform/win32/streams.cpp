#include "platform/streams.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>

namespace platform {

bool redirect_stream(StandardStream stream, const std::string& path, bool append) {
  if (stream == StandardStream::error) {
    // "c": every flush commits the data to disk.
    if (std::freopen(path.c_str(), append ? "ac" : "wc", stderr) == nullptr) return false;
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    return true;
  }
  if (std::freopen(path.c_str(), append ? "a" : "w", stdout) == nullptr) return false;
  static char buffer[512];
  std::setvbuf(stdout, buffer, _IOLBF, sizeof buffer);
  return true;
}

int capture_standard_error(const std::string& path) {
  std::fflush(stderr);
  int saved = ::_dup(2);
  int file = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
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
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Meridane\\CORVO Setup", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return {};
  }
  char value[4096];
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  LONG result = ::RegQueryValueExA(key, "INSTALLDIR", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  ::RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  value[size < sizeof value ? size : sizeof value - 1] = '\0';
  return value;
}

}  // namespace platform
