// How engine commands reach the engine's program: through a long-lived
// shell (Docker and Podman in a WSL distro; on Linux, the host's own shell),
// or by starting the program itself for each command (the WSL containers
// tool). Chosen once, at set-up; main thread only.
#pragma once

#include <functional>

#include <string>
#include <vector>

#include "engine/cgroup_counters.h"
#include "engine/engine_command.h"
#include "engine/read_until.h"
#include "engine/reply_marker.h"

class EngineTransport {
 public:
  virtual ~EngineTransport() = default;

  // Runs the engine's program (named program) with the command's words,
  // handing the output to sink as it arrives, within limits. Returns 0 with
  // the program's exit_status, or a result code after saying what failed.
  virtual int run(const char* program, const EngineCommand& command, const ReplyLimits& limits,
                  const OutputSink& sink, int& exit_status) = 0;

  // Whether the output a failed run handed on is the program's own and may
  // be kept (the direct path's), or may be cut anywhere (the shell's).
  virtual bool keeps_output_of_failures() const = 0;

  // Reads small files on the engine's side without starting any program
  // (with the shell's own builtins), into files, one for each path. False
  // where the transport can't (it has no shell) or the reply failed.
  virtual bool read_files(const std::vector<std::string>& paths, const ReplyLimits& limits,
                          std::vector<FileLines>& files) {
    (void)paths;
    (void)limits;
    (void)files;
    return false;
  }

  // Whether the engine's side works in this process's directory, the slot,
  // as the mounts of the slot rely on. True where it can't tell.
  virtual bool works_in_slot(const ReplyLimits& limits) {
    (void)limits;
    return true;
  }
};
