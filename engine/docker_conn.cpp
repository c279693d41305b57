#include "engine/docker_conn.h"

#include <cstdio>

#include "platform/program_run.h"
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

namespace {

// The direct path: the program itself, started without an interpreter.
int run_direct(const char* name, const EngineCommand& command, std::vector<std::string>& lines, int& exit_status) {
  std::vector<std::string> argv{name};
  for (auto& word : command.arguments()) argv.push_back(std::move(word));
  std::string output;
  std::string path = platform::find_on_path(name);
  bool ran = !path.empty() && platform::run_program(path, argv, output, exit_status);
  lines = split_lines(output, '\n', true);
  // The last line keeps its missing line end, as the program printed it.
  if (!output.empty() && output.back() != '\n') lines.back().pop_back();
  if (!ran || exit_status != 0) {
    std::fprintf(stderr, "command failed: %s\n", result_text(-1));
    return -1;
  }
  return 0;
}

}  // namespace

int DOCKER_CONN::run_engine_command(const EngineCommand& command, std::vector<std::string>& lines, bool show,
                                    int& exit_status) {
  const char* name = program != nullptr ? program : engine_program_name(engine);
  std::string text = render_posix(command);
  if (show) {
    std::fprintf(stderr, "running docker command: %s\n", text.c_str());
    std::fprintf(stderr, "program: %s\n", name);
  }
  exit_status = -1;
  if (command.has_nul()) {
    std::fputs("engine command holds a NUL byte\n", stderr);
    return -1;
  }
  if (engine == ENGINE_WSLC) {
    int result = run_direct(name, command, lines, exit_status);
    if (result != 0) return result;
  } else {
    // Without a shell (set-up failed or never ran) the engine can't be
    // reached; say so as a dead shell would.
    if (shell.shell == nullptr) {
      std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(RC_CONNECT_FAILED));
      return RC_CONNECT_FAILED;
    }
    // The whole line is written, however long, so its marker always comes.
    std::string marker = markers.next();
    shell.shell->write_text(std::string(name) + " " + text + " 2>&1; echo " + marker + " $?\n");
    std::string reply, output;
    int result = read_until(*shell.shell, reply, 600,
                            [&](std::string& buffer) { return markers.take_reply(buffer, output, exit_status); });
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
