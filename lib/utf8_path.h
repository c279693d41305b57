// File-system paths made from and turned back into this program's UTF-8
// texts. A path built straight from a std::string is read in the system's
// narrow code page on Windows, which loses what that page can't hold.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

inline std::filesystem::path utf8_path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8_text(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
