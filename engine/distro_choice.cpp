#include "engine/distro_choice.h"

const WSL_DISTRO_DESC* choose_distro(const WSL_DISTRO_LIST& list) {
  for (const auto& distro : list.distros) {
    if (distro.distro_name == kRunnerDistro) return &distro;
  }
  for (const auto& distro : list.distros) {
    if (!distro.disallowed && !distro.docker_version.empty()) return &distro;
  }
  return nullptr;
}
