#include "engine/docker_conn.h"

#include <cstdio>

#include "engine/docker_api.h"
#include "engine/engine_reply.h"
#include "lib/clock.h"
#include "lib/result_codes.h"
#include "lib/system_info.h"
#include "lib/text_util.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/local_socket.h"
#include "platform/program_run.h"
#include "platform/temporary_name.h"

int DOCKER_CONN::init(const WSL_DISTRO_DESC& distro) {
  engine = static_cast<ENGINE_TYPE>(distro.docker_type);
  distro_ = distro;
  if (engine != ENGINE_DOCKER && engine != ENGINE_PODMAN) {
    std::fprintf(stderr, "DOCKER_CONN::init(): bad docker type %d\n", distro.docker_type);
    return -1;
  }
  return start_shell();
}

int DOCKER_CONN::start_shell() {
  if (engine == ENGINE_PODMAN) return shell.setup_podman(distro_);
  std::string error_text;  // not printed: the caller reports the result
  if (shell.prepare_pipes(error_text) != 0) return -1;
  return shell.launch(distro_.distro_name, kEngineShell, true);
}

int DOCKER_CONN::init_wslc() {
  engine = ENGINE_WSLC;
  return 0;
}

bool DOCKER_CONN::read_cpu_counter(const std::string& container, double& seconds) {
  if (engine != ENGINE_DOCKER) return false;
  if (!socket_known_) {
    std::string host, context;
    bool has_host = platform::environment_value("DOCKER_HOST", host);
    bool has_context = platform::environment_value("DOCKER_CONTEXT", context);
    socket_path_ = docker_socket_path(has_host, host, has_context);
    socket_known_ = true;
  }
  if (socket_path_.empty()) return false;
  constexpr std::size_t kReplyLimit = 1 << 20;  // a stats document is a few kilobytes
  constexpr int kTimeoutMs = 5000;
  std::string reply;
  int error = 0;
  // A quit, an abort or the client's loss gives the reading up, as it does
  // an engine command.
  if (!platform::exchange_on_local_socket(socket_path_, docker_stats_request(container), kReplyLimit, kTimeoutMs,
                                          reply, error, request_check()))
    return false;
  return read_docker_cpu_seconds(reply, seconds);
}

int DOCKER_CONN::run_direct(const EngineCommand& command, const ReplyLimits& limits, const OutputSink& sink,
                            int& exit_status) {
  const char* name = engine_program_name(engine);
  std::vector<std::string> argv{name};
  // The tool is started without a shell, in the slot: the slot's part of a
  // word is its full path, as nothing shows that the tool takes a relative
  // mount source.
  for (auto& word : command.arguments([](const std::string& below) { return platform::full_path("." + below); }))
    argv.push_back(std::move(word));
  std::string path = platform::find_on_path(name);
  double start = steady_seconds();
  double last_byte = start;
  int given_up = 0;
  auto counting_sink = [&](std::string_view bytes) {
    last_byte = steady_seconds();
    sink(bytes);
  };
  auto stop = [&] {
    double now = steady_seconds();
    if ((limits.total != 0 && now - start > limits.total) || (limits.silence != 0 && now - last_byte > limits.silence))
      given_up = RC_TIMED_OUT;
    else if (limits.give_up && limits.give_up())
      given_up = RC_RESULT_ABORTED_BY_USER;
    return given_up != 0;
  };
  // A start that fails is tried again a few times within about 1.5 s: the
  // system may lack a resource for a moment.
  constexpr int kStartAttempts = 4;
  for (int attempt = 1;; ++attempt) {
    int error = 0;
    if (path.empty()) {
      std::fprintf(stderr, "command failed: %s is not in the absolute directories of PATH\n", name);
      return -1;
    }
    if (platform::run_program(path, argv, counting_sink, exit_status, stop, &error)) break;
    char text[256];
    std::fprintf(stderr, "command failed: can't start %s (attempt %d of %d): error %d: %s\n", path.c_str(), attempt,
                 kStartAttempts, error, system_error_text(error, text, sizeof text));
    // A tool that can't be started is an engine out of reach, as a shell
    // that can't be started is: the job waits for it.
    if (attempt == kStartAttempts || stop()) return RC_CONNECT_FAILED;
    pause_seconds(0.25 * attempt);
  }
  if (given_up != 0) {
    std::fprintf(stderr, "command given up: %s\n",
                 given_up == RC_TIMED_OUT ? "no end within the time allowed" : "a request of the client came");
    return given_up;
  }
  return 0;
}

std::function<bool()> DOCKER_CONN::request_check() const {
  if (!requests_) return nullptr;
  // A request already there when the work begins gives it up too: the
  // driver switches the source off once it carries a request out.
  return [this] { return requests_() != 0; };
}

int DOCKER_CONN::run_engine_command(const EngineCommand& command, std::vector<std::string>& lines, bool show,
                                    int& exit_status) {
  std::string output;
  int result = stream_engine_command(command, [&](std::string_view bytes) { output.append(bytes); }, show,
                                     exit_status);
  if (result != 0 && engine != ENGINE_WSLC) return result;  // the caller's lines stay as they were
  lines = split_lines(output, '\n', true);
  // The direct path keeps a missing last line end as the program left it.
  if (!output.empty() && output.back() != '\n') lines.back().pop_back();
  if (result != 0) return result;
  if (show) {
    std::fputs("command output:\n", stderr);
    for (const auto& line : lines) std::fwrite(line.data(), 1, line.size(), stderr);
  }
  return 0;
}

int DOCKER_CONN::stream_engine_command(const EngineCommand& command, const OutputSink& sink, bool show,
                                       int& exit_status) {
  const char* name = engine_program_name(engine);
  std::string text = render_posix(command);
  if (show) {
    std::fprintf(stderr, "running docker command: %s\n", text.c_str());
    std::fprintf(stderr, "program: %s\n", name);
  }
  exit_status = -1;
  ReplyLimits limits{reply_limit, command.deadline(), request_check()};
  if (command.has_nul()) {
    std::fputs("engine command holds a NUL byte\n", stderr);
    return -1;
  }
  if (engine == ENGINE_WSLC) return run_direct(command, limits, sink, exit_status);
  // Without a shell (set-up failed or never ran) the engine can't be
  // reached; say so as a dead shell would.
  if (shell.shell == nullptr) {
    std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(RC_CONNECT_FAILED));
    return RC_CONNECT_FAILED;
  }
  // The engine's program by the path found once: a bare name would be
  // looked up through PATH, whose relative entries lead into the slot.
  if (!program_known_) {
    program_ = platform::engine_program_for_shell(name);
    program_known_ = true;
  }
  if (program_.empty()) {
    // As the shell would answer for a program it can't find.
    std::string answer = std::string(name) + ": not found in the absolute directories of PATH\n";
    sink(answer);
    exit_status = 127;
    return 0;
  }
  return run_in_shell(posix_word(program_) + " " + text + " 2>&1", limits, sink, exit_status);
}

int DOCKER_CONN::run_in_shell(const std::string& line, const ReplyLimits& limits, const OutputSink& sink,
                              int& exit_status) {
  // The whole line is written, however long, so its marker always comes.
  std::string marker = markers.next();
  shell.shell->write_text(line + "; echo " + marker + " $?\n");
  int result = read_until(*shell.shell, limits,
                          [&](std::string_view bytes) { return markers.take(bytes, sink, exit_status); });
  if (result != 0) {
    std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(result));
    if (channel_lost(result) || result == RC_RESULT_ABORTED_BY_USER) {
      // The shell is gone, or may still be inside that command: nothing
      // more can be said through it. A fresh one serves the next command.
      shell.shell->kill();
      shell.shell.reset();
      std::fputs(start_shell() == 0 ? "engine shell restarted\n" : "engine shell can't be restarted\n", stderr);
    }
  }
  return result;
}

bool DOCKER_CONN::shell_is_in_slot() {
  if (engine == ENGINE_WSLC || shell.shell == nullptr) return true;
  // A file of a fresh name, made here and looked for by the shell.
  std::string name = platform::temporary_name("quayside_slot_check");
  int error = 0;
  if (!platform::replace_file_with(name, "", error)) {
    std::fprintf(stderr, "the slot can't be checked: %s can't be made (error %d)\n", name.c_str(), error);
    return true;
  }
  int exit_status = -1;
  ReplyLimits limits{reply_limit, 30, request_check()};
  int result = run_in_shell("test -f " + posix_word(name), limits, [](std::string_view) {}, exit_status);
  platform::delete_file(name, error);
  // A shell that can't answer is the engine's failure, met by the commands
  // that follow; only a shell that answers tells where it is.
  return result != 0 || exit_status == 0;
}
