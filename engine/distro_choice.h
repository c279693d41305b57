// Which WSL distro carries the job's engine.
#pragma once

// The distro the client installs for container jobs.
inline constexpr char kRunnerDistro[] = "corvo-tavi-runner";

#include "lib/wsl_distro.h"

// The runner distro "corvo-tavi-runner" if listed (whatever its other
// fields); else the first allowed distro with an engine; else null. The
// result points into list.
const WSL_DISTRO_DESC* choose_distro(const WSL_DISTRO_LIST& list);
