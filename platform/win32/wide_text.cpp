#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>

namespace platform {

std::wstring to_wide_string(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int size = static_cast<int>(text.size());
  int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::wstring to_wide_path(std::string_view path) {
  std::wstring wide = to_wide_string(path);
  auto starts = [](const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; };
  if (wide.empty() || starts(wide, L"\\\\?\\") || starts(wide, L"\\\\.\\")) return wide;
  DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return wide;
  std::wstring full(length, L'\0');
  DWORD got = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
  if (got == 0 || got >= length) return wide;
  full.resize(got);
  // Directories are limited to 12 characters less than files.
  constexpr std::size_t kOldLimit = MAX_PATH - 12;
  if (full.size() < kOldLimit || starts(full, L"\\\\.\\")) return wide;
  if (starts(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string to_utf8(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int size = static_cast<int>(text.size());
  int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

}  // namespace platform
