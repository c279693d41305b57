// The process's one connection to its container engine. Set up once by the
// engine choice, then used by the main thread until the process ends; it is
// never closed or set up again.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_dialect.h"
#include "engine/engine_runner.h"
#include "engine/engine_type.h"
#include "engine/reply_marker.h"
#include "engine/wsl_cmd.h"
#include "lib/wsl_distro.h"

struct DOCKER_CONN final : EngineRunner {
  ENGINE_TYPE engine = ENGINE_UNKNOWN;
  const char* program = nullptr;  // constant text of engine_program_name
  WSL_CMD shell;                  // the shell path only

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
  // interpreter, its standard error joined to its output; a program that
  // can't start or exits nonzero gives -1 with "command failed: ..." on
  // standard error, and its output stays in the list.
  // Shell path (Docker, Podman): writes "program WORDS 2>&1; echo MARKER
  // $?" into the shell, each value quoted once, and reads the reply up to
  // that command's own marker line, allowing 600 seconds of idle time; a
  // failed read gives its result after "read_from_pipe() error: ..." and
  // leaves lines as they were. The engine's own failures come back as its
  // output and exit status, with result 0.
  // A word holding a NUL byte can't be handed on: -1 after "engine command
  // holds a NUL byte", nothing is run.
  using EngineRunner::run_engine_command;
  int run_engine_command(const EngineCommand& command, std::vector<std::string>& lines, bool show,
                         int& exit_status) override;

  ReplyMarkers markers;
};
