// The channel into a shell of a WSL distro (on Linux, of the host): command
// lines are written into the shell's input, replies read from its output
// until a marker arrives. Owned by DOCKER_CONN; main thread only.
#pragma once

#include <memory>
#include <string>
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
