#include "engine/docker_conn.h"

#include <cstdio>

#include "engine/shell_capture.h"
#include "lib/result_codes.h"

int DOCKER_CONN::init_wslc() {
  engine = ENGINE_WSLC;
  program = engine_program_name(ENGINE_WSLC);
  return 0;
}

int DOCKER_CONN::run_engine_command(const std::string& command, std::vector<std::string>& lines, bool show) {
  const char* name = program != nullptr ? program : engine_program_name(engine);
  if (show) {
    std::fprintf(stderr, "running docker command: %s\n", command.c_str());
    std::fprintf(stderr, "program: %s\n", name);
  }
  if (engine != ENGINE_WSLC) {
    // The shell channel into a WSL distro is not built yet.
    std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(RC_CONNECT_FAILED));
    return RC_CONNECT_FAILED;
  }
  int result = run_shell_capture(std::string(name) + " " + command + " 2>&1", lines);
  if (result != 0) {
    std::fprintf(stderr, "command failed: %s\n", result_text(result));
    return result;
  }
  if (show) {
    std::fputs("command output:\n", stderr);
    for (const auto& line : lines) std::fputs(line.c_str(), stderr);
  }
  return 0;
}
