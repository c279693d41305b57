// The process's one connection to its container engine. Set up once by the
// engine choice, then used by the main thread until the process ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/engine_dialect.h"
#include "engine/engine_runner.h"
#include "engine/engine_transport.h"
#include "engine/engine_type.h"
#include "lib/clock.h"
#include "lib/wsl_distro.h"

struct DOCKER_CONN final : EngineRunner {
  ENGINE_TYPE engine = ENGINE_UNKNOWN;
  double reply_limit = 600;       // seconds of silence before a reply is given up
  Clock* clock = &system_clock(); // the time every command's limits are kept on; set before set-up

  // Sets up the engine the distro carries, through a long-lived shell:
  // Docker through the launch entry point, Podman through "wsl -d".
  // Returns 0, -1 (launch support missing, shell not started, or a
  // docker_type other than 1 or 2, which prints "DOCKER_CONN::init(): bad
  // docker type %d\n") or RC_NOT_FOUND.
  int init(const WSL_DISTRO_DESC& distro);

  // Sets up the WSL containers engine, its program started for each
  // command. Always returns 0.
  int init_wslc();

  // The dialect of the engine set up (Docker's before set-up).
  const EngineDialect& dialect() const override { return engine_dialect(engine); }

  // Runs the command through the transport set up (shell_transport.h,
  // direct_transport.h), within reply_limit seconds of silence and the
  // command's deadline, given up by a request. The engine's own failures
  // come back as its output and exit status, with result 0. Without a
  // set-up: RC_CONNECT_FAILED. A word holding a NUL byte can't be handed
  // on: -1 after "engine command holds a NUL byte", nothing is run. With
  // show the command is printed first, and after it the output ("command
  // output:").
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

  // Through the engine shell's builtins, within a few seconds; the direct
  // path has no shell and can't.
  bool read_engine_files(const std::vector<std::string>& paths, std::vector<FileLines>& files) override;

  void set_requests(std::function<int()> requests) override { requests_ = std::move(requests); }

  // Whether the engine's side works in the slot, as the mounts of the slot
  // rely on (see EngineTransport::works_in_slot).
  bool shell_is_in_slot();

  // The transport set up; null before.
  EngineTransport* transport() { return transport_.get(); }

 private:
  std::function<int()> requests_;
  // True while the source tells a request; null without a source.
  std::function<bool()> request_check() const;
  std::unique_ptr<EngineTransport> transport_;
  bool socket_known_ = false;
  std::string socket_path_;  // Docker's service socket; empty when out of reach
};
