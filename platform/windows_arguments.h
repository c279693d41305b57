// The command line that hands a child on Windows exactly the given
// arguments, by the rules its C runtime (and CommandLineToArgvW) reads them
// back with. Plain text handling, built on every system so that it can be
// tested anywhere.
#pragma once

#include <string>
#include <vector>

namespace platform {

// One argument: unchanged when it holds no blank, tab, line end or double
// quote and is not empty; else in double quotes, with backslashes doubled
// where a quote follows them.
std::string windows_argument(const std::string& argument);

// The arguments joined by blanks, each as windows_argument gives it.
std::string windows_command_line(const std::vector<std::string>& argv);

}  // namespace platform
