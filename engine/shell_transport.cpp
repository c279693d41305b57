#include "engine/shell_transport.h"

#include <cstdio>

#include "engine/engine_reply.h"
#include "lib/result_codes.h"
#include "platform/files.h"
#include "platform/program_run.h"
#include "platform/temporary_name.h"

int ShellTransport::start() {
  if (engine_ == ENGINE_PODMAN) return shell.setup_podman(distro_);
  std::string error_text;  // not printed: the caller reports the result
  if (shell.prepare_pipes(error_text) != 0) return -1;
  return shell.launch(distro_.distro_name, kEngineShell, true);
}

int ShellTransport::run(const char* name, const EngineCommand& command, const ReplyLimits& limits,
                        const OutputSink& sink, int& exit_status) {
  // Without a shell (set-up failed) the engine can't be reached; say so as
  // a dead shell would.
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
  return run_line(posix_word(program_) + " " + render_posix(command) + " 2>&1", limits, sink, exit_status);
}

int ShellTransport::run_line(const std::string& line, const ReplyLimits& limits, const OutputSink& sink,
                             int& exit_status) {
  // The whole line is written, however long, so its marker always comes.
  std::string marker = markers_.next();
  shell.shell->write_text(line + "; echo " + marker + " $?\n");
  int result = read_until(*shell.shell, limits,
                          [&](std::string_view bytes) { return markers_.take(bytes, sink, exit_status); }, clock_);
  if (result != 0) {
    std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(result));
    if (channel_lost(result) || result == RC_RESULT_ABORTED_BY_USER) {
      // The shell is gone, or may still be inside that command: nothing
      // more can be said through it. A fresh one serves the next command.
      shell.shell->kill();
      shell.shell.reset();
      std::fputs(start() == 0 ? "engine shell restarted\n" : "engine shell can't be restarted\n", stderr);
    }
  }
  return result;
}

bool ShellTransport::works_in_slot(const ReplyLimits& limits) {
  if (shell.shell == nullptr) return true;
  // A file of a fresh name, made here and looked for by the shell.
  std::string name = platform::temporary_name("quayside_slot_check");
  int error = 0;
  if (!platform::replace_file_with(name, "", error)) {
    std::fprintf(stderr, "the slot can't be checked: %s can't be made (error %d)\n", name.c_str(), error);
    return true;
  }
  int exit_status = -1;
  int result = run_line("test -f " + posix_word(name), limits, [](std::string_view) {}, exit_status);
  platform::delete_file(name, error);
  // A shell that can't answer is the engine's failure, met by the commands
  // that follow; only a shell that answers tells where it is.
  return result != 0 || exit_status == 0;
}
