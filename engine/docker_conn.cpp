#include "engine/docker_conn.h"

#include <cstdio>
#include <memory>

#include "engine/direct_transport.h"
#include "engine/docker_api.h"
#include "engine/shell_transport.h"
#include "lib/result_codes.h"
#include "lib/text_util.h"
#include "platform/environment.h"
#include "platform/local_socket.h"

int DOCKER_CONN::init(const WSL_DISTRO_DESC& distro) {
  engine = static_cast<ENGINE_TYPE>(distro.docker_type);
  if (engine != ENGINE_DOCKER && engine != ENGINE_PODMAN) {
    std::fprintf(stderr, "DOCKER_CONN::init(): bad docker type %d\n", distro.docker_type);
    return -1;
  }
  auto shell = std::make_unique<ShellTransport>(engine, distro, *clock);
  int result = shell->start();
  transport_ = std::move(shell);
  return result;
}

int DOCKER_CONN::init_wslc() {
  engine = ENGINE_WSLC;
  transport_ = std::make_unique<DirectTransport>(*clock);
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
  // The shell's output of a failure may be cut anywhere: the caller's lines
  // stay as they were.
  if (result != 0 && (transport_ == nullptr || !transport_->keeps_output_of_failures())) return result;
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
  if (show) {
    std::fprintf(stderr, "running docker command: %s\n", render_posix(command).c_str());
    std::fprintf(stderr, "program: %s\n", name);
  }
  exit_status = -1;
  ReplyLimits limits{reply_limit, command.deadline(), request_check()};
  if (command.has_nul()) {
    std::fputs("engine command holds a NUL byte\n", stderr);
    return -1;
  }
  // Without a set-up (it never ran) the engine can't be reached; say so as
  // a dead shell would.
  if (transport_ == nullptr) {
    std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(RC_CONNECT_FAILED));
    return RC_CONNECT_FAILED;
  }
  return transport_->run(name, command, limits, sink, exit_status);
}

bool DOCKER_CONN::shell_is_in_slot() {
  return transport_ == nullptr || transport_->works_in_slot(ReplyLimits{reply_limit, 30, request_check()});
}

bool DOCKER_CONN::read_engine_files(const std::vector<std::string>& paths, std::vector<FileLines>& files) {
  return transport_ != nullptr && transport_->read_files(paths, ReplyLimits{reply_limit, 10, request_check()}, files);
}
