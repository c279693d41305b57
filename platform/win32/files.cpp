#include "platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/system_error.h"
#include "platform/temporary_name.h"
#include "platform/win32/slot_open.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// Reads up to max_bytes from the handle's position into text.
bool read_at_most(HANDLE file, std::size_t max_bytes, std::string& text) {
  text.resize(max_bytes);
  std::size_t done = 0;
  while (done < max_bytes) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(max_bytes - done, 1 << 20));
    if (!::ReadFile(file, text.data() + done, want, &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  text.resize(done);
  return true;
}

}  // namespace

bool path_exists(const std::string& path) {
  return ::GetFileAttributesW(to_wide_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool path_is_directory(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(to_wide_path(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool file_size(const std::string& path, double& size) {
  // No access rights and full sharing: a file held open elsewhere can still
  // be measured.
  unique_handle file(::CreateFileW(to_wide_path(path).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return false;
  LARGE_INTEGER bytes;
  if (!::GetFileSizeEx(file.get(), &bytes)) return false;
  size = static_cast<double>(bytes.QuadPart);
  return true;
}

bool create_directory(const std::string& path, int& error) {
  if (::CreateDirectoryW(to_wide_path(path).c_str(), nullptr)) return succeeded(0, error);
  DWORD code = ::GetLastError();
  if (code == ERROR_ALREADY_EXISTS && path_is_directory(path)) return succeeded(0, error);
  return succeeded(static_cast<int>(code), error);
}

bool copy_file(const std::string& source, const std::string& destination, int& error) {
  bool copied = ::CopyFileW(to_wide_path(source).c_str(), to_wide_path(destination).c_str(), FALSE);
  return succeeded(copied ? 0 : static_cast<int>(::GetLastError()), error);
}

bool replace_file_with(const std::string& destination, const std::string& text, int& error) {
  // A fresh name that nothing can have planted beforehand: CREATE_NEW on
  // the entry itself refuses whatever stands there, reparse point or not.
  unique_handle file;
  std::string path;
  DWORD code = 0;
  for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
    path = temporary_name(destination);
    file.reset(::CreateFileW(to_wide_path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    code = file.valid() ? 0 : ::GetLastError();
    if (code != 0 && code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) break;
  }
  if (!file.valid()) return succeeded(static_cast<int>(code), error);
  DWORD written = 0;
  if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size()) {
    code = ::GetLastError() != 0 ? ::GetLastError() : ERROR_DISK_FULL;
  }
  if (code == 0 && !::FlushFileBuffers(file.get())) code = ::GetLastError();
  file.reset();
  // MoveFileEx replaces the name itself: a link standing there is dropped,
  // never written through. Only a directory stands in the way.
  auto move = [&] {
    return ::MoveFileExW(to_wide_path(path).c_str(), to_wide_path(destination).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  };
  if (code == 0 && !move()) {
    code = ::GetLastError();
    if (path_is_directory(destination) && remove_slot_entry(destination) && move()) code = 0;
  }
  if (code != 0) ::DeleteFileW(to_wide_path(path).c_str());
  return succeeded(static_cast<int>(code), error);
}

bool delete_file(const std::string& path, int& error) {
  return succeeded(::DeleteFileW(to_wide_path(path).c_str()) ? 0 : static_cast<int>(::GetLastError()), error);
}

std::FILE* open_file_shared(const std::string& path, const char* mode) {
  // "N" keeps the handle out of child processes.
  std::wstring not_inherited = to_wide_string(mode) + L"N";
  return ::_wfsopen(to_wide_path(path).c_str(), not_inherited.c_str(), _SH_DENYNO);
}

bool read_regular_file_start(const std::string& path, std::size_t max_bytes, std::string& text) {
  text.clear();
  DWORD error = 0;
  unique_handle file = open_slot_entry(path, SlotOpen{}, error);
  return file.valid() && read_at_most(file.get(), max_bytes, text);
}

SlotRead read_slot_file(const std::string& path, std::size_t max_bytes, std::string& text) {
  text.clear();
  DWORD error = 0;
  unique_handle file = open_slot_entry(path, SlotOpen{}, error);
  if (!file.valid()) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return SlotRead::missing;
    return error == ERROR_CANT_ACCESS_FILE ? SlotRead::not_regular : SlotRead::failed;
  }
  // One byte more than allowed tells a file that is too large.
  if (!read_at_most(file.get(), max_bytes + 1, text)) return SlotRead::failed;
  return text.size() > max_bytes ? SlotRead::too_large : SlotRead::ok;
}

std::FILE* open_slot_file_for_reading(const std::string& path) {
  DWORD error = 0;
  unique_handle file = open_slot_entry(path, SlotOpen{}, error);
  if (!file.valid()) return nullptr;
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_RDONLY);
  if (fd == -1) return nullptr;
  file.release();  // the descriptor owns the handle now
  std::FILE* stream = ::_fdopen(fd, "r");
  if (stream == nullptr) ::_close(fd);
  return stream;
}

std::string current_directory() {
  DWORD length = ::GetCurrentDirectoryW(0, nullptr);
  if (length == 0) return {};
  std::wstring buffer(length, L'\0');
  DWORD got = ::GetCurrentDirectoryW(length, buffer.data());
  if (got == 0 || got >= length) return {};
  buffer.resize(got);
  return to_utf8(buffer);
}

std::string full_path(const std::string& path) {
  std::wstring wide = to_wide_string(path);
  DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return {};
  std::wstring buffer(length, L'\0');
  DWORD got = ::GetFullPathNameW(wide.c_str(), length, buffer.data(), nullptr);
  if (got == 0 || got >= length) return {};
  buffer.resize(got);
  return to_utf8(buffer);
}

}  // namespace platform
