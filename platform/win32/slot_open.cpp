#include "platform/win32/slot_open.h"

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

bool acceptable(HANDLE file, const SlotOpen& how) {
  if (::GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return false;
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) return false;
  return !(how.sole_name && info.nNumberOfLinks > 1);
}

// Opens the entry itself, never what a reparse point names, then checks
// what was opened.
unique_handle open_checked(const std::string& path, const SlotOpen& how, DWORD disposition, bool& unfit,
                           DWORD& error) {
  unfit = false;
  unique_handle file(::CreateFileW(to_wide_path(path).c_str(), how.access, how.share, nullptr, disposition,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid()) {
    error = ::GetLastError();
    // A directory can't be opened as a file at all, and a link whose entry
    // can't be opened may look like no file: something stands there all
    // the same, and it is in the way.
    DWORD attributes = ::GetFileAttributesW(to_wide_path(path).c_str());
    bool nothing_found = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    unfit = attributes != INVALID_FILE_ATTRIBUTES &&
            (nothing_found || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0);
    return file;
  }
  if (!acceptable(file.get(), how)) {
    unfit = true;
    error = ERROR_CANT_ACCESS_FILE;
    return unique_handle();
  }
  if (how.truncate && !::SetEndOfFile(file.get())) {
    error = ::GetLastError();
    return unique_handle();
  }
  error = 0;
  return file;
}

}  // namespace

bool remove_slot_entry(const std::string& path) {
  std::wstring name = to_wide_path(path);
  DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  // A directory link or junction is removed as a directory, without
  // touching what it names.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ::RemoveDirectoryW(name.c_str()) != 0;
  return ::DeleteFileW(name.c_str()) != 0;
}

unique_handle open_slot_entry(const std::string& path, const SlotOpen& how, DWORD& error) {
  bool unfit = false;
  unique_handle file = open_checked(path, how, how.owned ? OPEN_ALWAYS : OPEN_EXISTING, unfit, error);
  if (file.valid() || !unfit) return file;
  if (!how.owned) {
    if (unfit) error = ERROR_CANT_ACCESS_FILE;
    return unique_handle();
  }
  if (!remove_slot_entry(path)) {
    error = ::GetLastError();
    return unique_handle();
  }
  return open_checked(path, how, CREATE_NEW, unfit, error);
}

}  // namespace platform
