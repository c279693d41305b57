#include "platform/files.h"

#include <share.h>
#include <windows.h>

#include <vector>

#include "platform/system_error.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

bool path_exists(const std::string& path) {
  return ::GetFileAttributesW(to_wide_string(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool path_is_directory(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(to_wide_string(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool file_size(const std::string& path, double& size) {
  // No access rights and full sharing: a file held open elsewhere can still
  // be measured.
  unique_handle file(::CreateFileW(to_wide_string(path).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return false;
  LARGE_INTEGER bytes;
  if (!::GetFileSizeEx(file.get(), &bytes)) return false;
  size = static_cast<double>(bytes.QuadPart);
  return true;
}

bool create_directory(const std::string& path, int& error) {
  if (::CreateDirectoryW(to_wide_string(path).c_str(), nullptr)) return succeeded(0, error);
  DWORD code = ::GetLastError();
  if (code == ERROR_ALREADY_EXISTS && path_is_directory(path)) return succeeded(0, error);
  return succeeded(static_cast<int>(code), error);
}

bool copy_file(const std::string& source, const std::string& destination, int& error) {
  bool copied = ::CopyFileW(to_wide_string(source).c_str(), to_wide_string(destination).c_str(), FALSE);
  return succeeded(copied ? 0 : static_cast<int>(::GetLastError()), error);
}

bool replace_file_with(const std::string& destination, const std::string& path, const std::string& text,
                       int& error) {
  DWORD code = 0;
  {
    unique_handle file(::CreateFileW(to_wide_string(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return succeeded(static_cast<int>(::GetLastError()), error);
    DWORD written = 0;
    if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
      code = ::GetLastError() != 0 ? ::GetLastError() : ERROR_DISK_FULL;
    }
    if (code == 0 && !::FlushFileBuffers(file.get())) code = ::GetLastError();
  }
  if (code == 0 && !::MoveFileExW(to_wide_string(path).c_str(), to_wide_string(destination).c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    code = ::GetLastError();
  }
  if (code != 0) ::DeleteFileW(to_wide_string(path).c_str());
  return succeeded(static_cast<int>(code), error);
}

bool delete_file(const std::string& path, int& error) {
  return succeeded(::DeleteFileW(to_wide_string(path).c_str()) ? 0 : static_cast<int>(::GetLastError()), error);
}

std::FILE* open_file_shared(const std::string& path, const char* mode) {
  // "N" keeps the handle out of child processes.
  std::wstring not_inherited = to_wide_string(mode) + L"N";
  return ::_wfsopen(to_wide_string(path).c_str(), not_inherited.c_str(), _SH_DENYNO);
}

bool read_regular_file_start(const std::string& path, std::size_t max_bytes, std::string& text) {
  text.clear();
  unique_handle file(::CreateFileW(to_wide_string(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK) return false;
  text.resize(max_bytes);
  DWORD got = 0;
  if (!::ReadFile(file.get(), text.data(), static_cast<DWORD>(max_bytes), &got, nullptr)) return false;
  text.resize(got);
  return true;
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

}  // namespace platform
