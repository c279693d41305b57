#include "engine/wsl_cmd.h"

#include <cstdio>
#include <cstring>

#include "lib/result_codes.h"

int WSL_CMD::prepare_pipes(std::string& error_text) {
  return platform::PipedProcess::prepare_wsl_launch(error_text) != 0 ? -1 : 0;
}

int WSL_CMD::launch(const std::string& distro_name, const std::string& command, bool use_cwd) {
  long error = 0;
  shell = platform::PipedProcess::launch_wsl(distro_name, command, use_cwd, error);
  if (shell == nullptr) {
    std::fprintf(stderr, "pWslLaunch failed: 0x%08lx\n", static_cast<unsigned long>(error) & 0xffffffffUL);
    return RC_NOT_FOUND;
  }
  return 0;
}

std::vector<std::string> podman_shell_arguments(const WSL_DISTRO_DESC& distro) {
  std::vector<std::string> argv{"wsl", "-d", distro.distro_name};
  bool plain_user = distro.distro_name == "corvo-tavi-runner" && distro.distro_version < 4;
  if (!plain_user) argv.insert(argv.end(), {"-u", "root"});
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

int read_until(platform::PipedProcess& process, std::string& reply, double timeout,
               const std::function<bool(std::string&)>& done) {
  reply.clear();
  double idle = 0;
  bool gone = false;
  for (;;) {
    long waiting = process.bytes_waiting();
    if (waiting <= 0) {
      if (gone) return RC_CONNECT_FAILED;
      // Wait for output rather than sleep blindly; only a wait that saw
      // nothing counts as idle time.
      if (!process.wait_readable(200) && timeout != 0) {
        idle += 0.2;
        if (idle > timeout) return RC_TIMED_OUT;
      }
      if (process.exited()) gone = true;
      continue;
    }
    char chunk[1024];
    long count = process.read(chunk, sizeof chunk - 1);
    if (count < 0) return RC_READ_FAILED;
    chunk[count] = '\0';
    reply.append(chunk, ::strnlen(chunk, static_cast<std::size_t>(count)));
    if (done(reply)) return 0;
  }
}

int read_from_pipe(platform::PipedProcess& process, std::string& reply, double timeout, const char* marker) {
  return read_until(process, reply, timeout, [marker](std::string& text) {
    return marker != nullptr && text.size() >= std::strlen(marker) &&
           (marker[0] == '\0' || text.find(marker) != std::string::npos);
  });
}
