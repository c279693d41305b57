#include "engine/docker_conn.h"

#include <cstdio>

#include "engine/shell_capture.h"
#include "lib/result_codes.h"
#include "lib/text_util.h"

int DOCKER_CONN::init(const WSL_DISTRO_DESC& distro) {
  engine = static_cast<ENGINE_TYPE>(distro.docker_type);
  program = engine_program_name(engine);
  if (engine == ENGINE_DOCKER) {
    std::string error_text;  // not printed: the caller reports the result
    if (shell.prepare_pipes(error_text) != 0) return -1;
    return shell.launch(distro.distro_name, "", true);
  }
  if (engine == ENGINE_PODMAN) return shell.setup_podman(distro);
  std::fprintf(stderr, "DOCKER_CONN::init(): bad docker type %d\n", distro.docker_type);
  return -1;
}

int DOCKER_CONN::init_wslc() {
  engine = ENGINE_WSLC;
  program = engine_program_name(ENGINE_WSLC);
  return 0;
}

int DOCKER_CONN::run_engine_command(const std::string& command, std::vector<std::string>& lines, bool show,
                                    int& exit_status) {
  const char* name = program != nullptr ? program : engine_program_name(engine);
  if (show) {
    std::fprintf(stderr, "running docker command: %s\n", command.c_str());
    std::fprintf(stderr, "program: %s\n", name);
  }
  exit_status = -1;
  if (engine == ENGINE_WSLC) {
    int result = run_shell_capture(std::string(name) + " " + command + " 2>&1", lines, &exit_status);
    if (result != 0) {
      std::fprintf(stderr, "command failed: %s\n", result_text(result));
      return result;
    }
  } else {
    // Without a shell (set-up failed or never ran) the engine can't be
    // reached; say so as a dead shell would.
    if (shell.shell == nullptr) {
      std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(RC_CONNECT_FAILED));
      return RC_CONNECT_FAILED;
    }
    // The whole line is written, however long, so its marker always comes.
    std::string marker = markers.next();
    shell.shell->write_text(std::string(name) + " " + command + " 2>&1; echo " + marker + " $?\n");
    std::string reply, output;
    int result = read_until(*shell.shell, reply, 600,
                            [&](std::string& text) { return markers.take_reply(text, output, exit_status); });
    if (result != 0) {
      std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(result));
      return result;
    }
    lines = split_lines(output, '\n', true);
  }
  if (show) {
    std::fputs("command output:\n", stderr);
    for (const auto& line : lines) std::fputs(line.c_str(), stderr);
  }
  return 0;
}
