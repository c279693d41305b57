#include "engine/shell_capture.h"

#include "platform/shell_capture.h"

int run_shell_capture(const std::string& command_line, std::vector<std::string>& lines, int* exit_status) {
  lines.clear();
  if (exit_status != nullptr) *exit_status = -1;
  auto child = platform::ShellCapture::start(command_line);
  if (child == nullptr) return -1;
  char buffer[4096];
  while (child->read_line(buffer, sizeof buffer)) lines.emplace_back(buffer);
  int status = child->finish();
  if (exit_status != nullptr) *exit_status = status;
  return status == 0 ? 0 : -1;
}
