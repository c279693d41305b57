// Conversions at the Windows API boundary: the program's texts are UTF-8,
// the system's wide functions take and give UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The UTF-16 form of a UTF-8 text; a byte sequence that is not UTF-8
// becomes U+FFFD.
std::wstring to_wide_string(std::string_view text);

// The UTF-16 form of a file path for the system's file calls. A path whose
// full form is too long for the old limit of 260 characters is given as
// its full form with the "\\?\" prefix ("\\?\UNC\" for a share), which
// every file call takes at any length; shorter paths, and devices, stay as
// they are.
std::wstring to_wide_path(std::string_view path);

// The UTF-8 form of a UTF-16 text; a lone surrogate becomes U+FFFD.
std::string to_utf8(std::wstring_view text);

}  // namespace platform
