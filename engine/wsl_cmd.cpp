#include "engine/wsl_cmd.h"

#include <cstdio>
#include <vector>

#include "engine/distro_choice.h"
#include "lib/result_codes.h"

int WSL_CMD::prepare_pipes(std::string& error_text) {
  return platform::PipedProcess::prepare_wsl_launch(error_text) ? 0 : -1;
}

int WSL_CMD::launch(const std::string& distro_name, const std::string& command, bool use_cwd) {
  int error = 0;
  shell = platform::PipedProcess::launch_wsl(distro_name, command, use_cwd, error);
  if (shell == nullptr) {
    std::fprintf(stderr, "pWslLaunch failed: 0x%08x\n", static_cast<unsigned>(error));
    return RC_NOT_FOUND;
  }
  return 0;
}

std::vector<std::string> podman_shell_arguments(const WSL_DISTRO_DESC& distro) {
  std::vector<std::string> argv{"wsl", "-d", distro.distro_name};
  bool plain_user = distro.distro_name == kRunnerDistro && distro.distro_version < 4;
  if (!plain_user) argv.insert(argv.end(), {"-u", "root"});
  // Not the distro's default shell (fish or zsh would read the engine
  // lines by their own quoting rules): the POSIX shell the lines are
  // written for.
  argv.insert(argv.end(), {"--exec", kEngineShell});
  return argv;
}

int WSL_CMD::setup_podman(const WSL_DISTRO_DESC& distro) {
  shell = platform::PipedProcess::start_distro_shell(podman_shell_arguments(distro));
  if (shell == nullptr) {
    std::fprintf(stderr, "WSL_CMD::setup_podman() failed: %d\n", -1);
    return -1;
  }
  return 0;
}
