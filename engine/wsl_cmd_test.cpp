// The shell started in a WSL distro for Podman.
#include "engine/wsl_cmd.h"

#include <gtest/gtest.h>

#include "platform/windows_arguments.h"

TEST(WslCmd, PodmanShellArguments) {
  struct {
    const char* name;
    int version;
    const char* command;
  } cases[] = {
      {"corvo-tavi-runner", 3, "wsl -d corvo-tavi-runner --exec /bin/sh"},
      {"corvo-tavi-runner", 4, "wsl -d corvo-tavi-runner -u root --exec /bin/sh"},
      {"corvo-tavi-runnerX", 1, "wsl -d corvo-tavi-runnerX -u root --exec /bin/sh"},
      {"Ubuntu", 0, "wsl -d Ubuntu -u root --exec /bin/sh"},
      {"My Distro", 0, "wsl -d \"My Distro\" -u root --exec /bin/sh"},
  };
  for (const auto& c : cases) {
    WSL_DISTRO_DESC distro;
    distro.distro_name = c.name;
    distro.distro_version = c.version;
    EXPECT_EQ(platform::windows_command_line(podman_shell_arguments(distro)), c.command) << c.name << " " << c.version;
  }
}
