#include "engine/wsl_init.h"

#include <cstdio>

#include "engine/distro_choice.h"

int wsl_init(const INIT_DATA& init_data, bool standalone, DOCKER_CONN& connection) {
  if (init_data.host_info.use_wslc) return connection.init_wslc();
  WSL_DISTRO_DESC runner;
  const WSL_DISTRO_DESC* chosen = &runner;
  if (standalone) {
    runner.clear();
    runner.distro_name = kRunnerDistro;
    runner.docker_type = ENGINE_PODMAN;
    runner.distro_version = 4;
  } else {
    chosen = choose_distro(init_data.host_info.wsl);
    if (chosen == nullptr) {
      std::fputs("wsl_init(): no usable WSL distro\n", stderr);
      return -1;
    }
  }
  std::fprintf(stderr, "Using WSL distro %s\n", chosen->distro_name.c_str());
  return connection.init(*chosen);
}
