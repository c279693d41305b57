#include "platform/streams.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>

#include "platform/win32/slot_open.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

bool redirect_stream(StandardStream stream, const std::string& path, bool append) {
  std::FILE* target = stream == StandardStream::error ? stderr : stdout;
  // "c": every flush commits the data to disk (standard error only). "N":
  // the file is not inherited by child processes; the handle's flag is
  // cleared as well, whatever the runtime made of the mode.
  const wchar_t* mode = stream == StandardStream::error ? (append ? L"acN" : L"wcN") : (append ? L"aN" : L"wN");
  // The entry is made a plain file of one name first, and held open until
  // the stream is shown to be on that very file: a link put there in
  // between is caught.
  DWORD error = 0;
  unique_handle checked = open_slot_entry(
      path, SlotOpen{.access = GENERIC_WRITE, .truncate = !append, .owned = true, .sole_name = true}, error);
  if (!checked.valid()) return false;
  if (::_wfreopen(to_wide_path(path).c_str(), mode, target) == nullptr) return false;
  HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(target)));
  BY_HANDLE_FILE_INFORMATION want{}, got{};
  if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(checked.get(), &want) ||
      !::GetFileInformationByHandle(handle, &got) || want.dwVolumeSerialNumber != got.dwVolumeSerialNumber ||
      want.nFileIndexHigh != got.nFileIndexHigh || want.nFileIndexLow != got.nFileIndexLow) {
    ::_wfreopen(L"NUL", L"w", target);
    return false;
  }
  if (handle != INVALID_HANDLE_VALUE) ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
  if (stream == StandardStream::error) {
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    return true;
  }
  static char buffer[512];
  std::setvbuf(stdout, buffer, _IOLBF, sizeof buffer);
  return true;
}

// A terminal copy of standard error is not made on Windows.
void stop_terminal_copy() {}

bool terminal_copy_active() { return false; }

void show_on_terminal(std::string_view) {}

void hold_terminal_copy(bool) {}

void finish_standard_error() { std::fflush(stderr); }
}  // namespace platform
