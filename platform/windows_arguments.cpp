#include "platform/windows_arguments.h"

namespace platform {

std::string windows_argument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count as escapes only before a quote.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

std::string windows_command_line(const std::vector<std::string>& argv) {
  std::string line;
  for (const auto& argument : argv) {
    if (!line.empty()) line += ' ';
    line += windows_argument(argument);
  }
  return line;
}

}  // namespace platform
