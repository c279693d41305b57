// The channel into a shell of a WSL distro (on Linux, of the host): command
// lines are written into the shell's input, replies read from its output
// until a marker arrives. Owned by DOCKER_CONN; main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lib/wsl_distro.h"
#include "platform/piped_process.h"

struct WSL_CMD {
  std::unique_ptr<platform::PipedProcess> shell;  // none until set up

  // Loads the launch entry point. Returns 0, or -1 with error_text set.
  int prepare_pipes(std::string& error_text);

  // Starts the distro's shell through the launch entry point. Returns 0, or
  // RC_NOT_FOUND after "pWslLaunch failed: 0x%08lx\n".
  int launch(const std::string& distro_name, const std::string& command, bool use_cwd);

  // Starts /bin/sh in the distro with "wsl -d NAME --exec /bin/sh" (the
  // runner distro before version 4) or "wsl -d NAME -u root --exec /bin/sh". Returns 0, or the failure after
  // "WSL_CMD::setup_podman() failed: %d\n".
  int setup_podman(const WSL_DISTRO_DESC& distro);
};

// The POSIX shell started in a distro to run engine commands, whatever the
// distro's default shell is.
inline constexpr const char* kEngineShell = "/bin/sh";

// The arguments of "wsl" that setup_podman starts for the distro, the
// program's name first: "wsl -d NAME [-u root] --exec /bin/sh".
std::vector<std::string> podman_shell_arguments(const WSL_DISTRO_DESC& distro);

// Seconds on a clock that only moves forward.
double steady_seconds();

// How long a reply may take.
struct ReplyLimits {
  double silence = 0;  // seconds without a byte from the process (0: no limit)
  double total = 0;    // seconds in all (0: no limit)
  // Asked while nothing arrives: true gives the reply up.
  std::function<bool()> give_up;
};

// Reads the process's output, handing each piece to consume as it arrives,
// until consume says the reply is complete. While nothing is waiting it
// waits up to 200 ms at a time for output or the end of the process. More
// silence than limits.silence (any byte starts that count again), or more
// time than limits.total, give RC_TIMED_OUT; limits.give_up saying so gives
// RC_RESULT_ABORTED_BY_USER. Returns 0, RC_READ_FAILED, or
// RC_CONNECT_FAILED once the process has ended and nothing is left. now
// tells the time in seconds.
int read_until(platform::PipedProcess& process, const ReplyLimits& limits,
               const std::function<bool(std::string_view)>& consume,
               const std::function<double()>& now = steady_seconds);

