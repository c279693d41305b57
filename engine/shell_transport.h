// Engine commands written into one long-lived POSIX shell, each reply read
// up to its own marker line. The shell is replaced only when it has ended or
// a command leaves it in an unknown state (no reply within the silence
// limit, a failed read, a command given up). Main thread only.
#pragma once

#include <string>

#include "engine/engine_transport.h"
#include "lib/clock.h"
#include "engine/engine_type.h"
#include "engine/wsl_cmd.h"
#include "lib/wsl_distro.h"

class ShellTransport final : public EngineTransport {
 public:
  ShellTransport(ENGINE_TYPE engine, const WSL_DISTRO_DESC& distro, Clock& clock = system_clock())
      : engine_(engine), distro_(distro), clock_(clock) {}

  // Starts the shell: Podman's with "wsl -d", Docker's through the launch
  // entry point. Returns 0 or the failure.
  int start();

  // Writes "program WORDS 2>&1; echo MARKER $?" into the shell, each value
  // quoted once, the program by the absolute path found once, and reads
  // the reply up to that command's own marker line. Without a shell, a
  // failed read or one that ended give that result after "read_from_pipe()
  // error: ..."; the shell is then ended with everything it started, and a
  // fresh one serves the next command.
  int run(const char* program, const EngineCommand& command, const ReplyLimits& limits, const OutputSink& sink,
          int& exit_status) override;
  bool keeps_output_of_failures() const override { return false; }

  // Makes a file of a fresh name in the slot and asks the shell whether it
  // sees it: WSL translates the slot's path for the shell, and a path it
  // can't translate (a share, a drive it doesn't mount) leaves the shell
  // elsewhere. True when the shell can't answer.
  bool works_in_slot(const ReplyLimits& limits) override;

  // Each file is read by the shell's "read", its lines printed with
  // "printf", both builtins: nothing is started. A file that is not there
  // or can't be opened is found false; the shell goes on.
  bool read_files(const std::vector<std::string>& paths, const ReplyLimits& limits,
                  std::vector<FileLines>& files) override;

  WSL_CMD shell;  // none until started

 private:
  // Writes "LINE; echo MARKER $?" into the shell and reads the reply.
  int run_line(const std::string& line, const ReplyLimits& limits, const OutputSink& sink, int& exit_status);

  ENGINE_TYPE engine_;
  WSL_DISTRO_DESC distro_;  // the shell's distro, for a restart
  Clock& clock_;            // the replies' limits are kept on its time
  ReplyMarkers markers_;
  bool program_known_ = false;
  std::string program_;  // the engine's program as the shell names it; empty: not found
};
