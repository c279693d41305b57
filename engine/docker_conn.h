// The process's one connection to its container engine. Set up once by the
// engine choice, then used by the main thread until the process ends. The
// engine shell is replaced only when it has ended or a command leaves it in
// an unknown state (no reply within the silence limit, or a failed read).
#pragma once

#include <string>
#include <vector>

#include "engine/engine_dialect.h"
#include "engine/engine_runner.h"
#include "engine/engine_type.h"
#include "engine/read_until.h"
#include "engine/reply_marker.h"
#include "engine/wsl_cmd.h"
#include "lib/wsl_distro.h"

struct DOCKER_CONN final : EngineRunner {
  ENGINE_TYPE engine = ENGINE_UNKNOWN;
  WSL_CMD shell;                  // the shell path only
  double reply_limit = 600;       // seconds of silence before a reply is given up

  // Sets up the engine the distro carries: Docker through the distro's
  // default shell, Podman through "wsl -d". Returns 0, -1 (launch support
  // missing, shell not started, or a docker_type other than 1 or 2, which
  // prints "DOCKER_CONN::init(): bad docker type %d\n") or RC_NOT_FOUND.
  int init(const WSL_DISTRO_DESC& distro);

  // Sets up the WSL containers engine, run directly without a shell.
  // Always returns 0.
  int init_wslc();

  // The dialect of the engine set up (Docker's before set-up).
  const EngineDialect& dialect() const override { return engine_dialect(engine); }

  // Direct path (WSL containers): starts the program found on PATH (never
  // in the current directory) with the command's words, without a command
  // interpreter, its standard error joined to its output; the slot's part
  // of a word is the slot's full path. A program not found gives -1; one
  // that can't be started is tried four times within about 1.5 s, each
  // failure logged with the system's error, then gives RC_CONNECT_FAILED.
  // The deadline, reply_limit seconds of silence (also from a helper that
  // holds the output after the program ended) and a request end the
  // program with all it started, as on the shell path. One that ran gives
  // 0 and its exit status, whatever that is.
  // Shell path (Docker, Podman): writes "program WORDS 2>&1; echo MARKER
  // $?" into the shell, each value quoted once, and reads the reply up to
  // that command's own marker line. reply_limit seconds without a byte, a
  // failed read or a shell that has ended give that result after
  // "read_from_pipe() error: ...";
  // the shell is then ended with everything it started, and a fresh one
  // serves the next command. The engine's own failures come back as its
  // output and exit status, with result 0.
  // A word holding a NUL byte can't be handed on: -1 after "engine command
  // holds a NUL byte", nothing is run. With show the command is printed
  // first, and after it the output ("command output:").
  using EngineRunner::run_engine_command;
  int run_engine_command(const EngineCommand& command, std::vector<std::string>& lines, bool show,
                         int& exit_status) override;

  // The same, handing the output to sink piece by piece as it arrives,
  // without keeping it; the output is not echoed.
  int stream_engine_command(const EngineCommand& command, const OutputSink& sink, bool show,
                            int& exit_status) override;

  // Docker: read from the service's local socket when the client talks to
  // one (see docker_api.h), within a few seconds.
  bool read_cpu_counter(const std::string& container, double& seconds) override;

  void set_requests(std::function<int()> requests) override { requests_ = std::move(requests); }

  // Shell path: whether the engine shell's working directory is this
  // process's (the slot), as the mounts of the slot rely on; WSL translates
  // the slot's path for the shell, and a path it can't translate (a share,
  // a drive it doesn't mount) leaves the shell elsewhere. Looks for a file
  // made for the purpose. True on the direct path, and when the shell can't
  // answer.
  bool shell_is_in_slot();

  ReplyMarkers markers;

 private:
  std::function<int()> requests_;
  int start_shell();
  // Writes "LINE; echo MARKER $?" into the shell and reads the reply; a
  // shell left in an unknown state is replaced.
  int run_in_shell(const std::string& line, const ReplyLimits& limits, const OutputSink& sink, int& exit_status);
  // The direct path of stream_engine_command.
  int run_direct(const EngineCommand& command, const ReplyLimits& limits, const OutputSink& sink, int& exit_status);
  // True while the source tells a request; null without a source.
  std::function<bool()> request_check() const;
  WSL_DISTRO_DESC distro_;  // the shell's distro, for a restart
  bool program_known_ = false;
  std::string program_;      // the engine's program as the shell names it; empty: not found
  bool socket_known_ = false;
  std::string socket_path_;  // Docker's service socket; empty when out of reach
};
