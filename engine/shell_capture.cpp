#include "engine/shell_capture.h"

#include "platform/shell_capture.h"

int run_shell_capture(const std::string& command_line, std::vector<std::string>& lines) {
  lines.clear();
  auto child = platform::ShellCapture::start(command_line);
  if (child == nullptr) return -1;
  char buffer[4096];
  while (child->read_line(buffer, sizeof buffer)) lines.emplace_back(buffer);
  return child->finish() == 0 ? 0 : -1;
}
