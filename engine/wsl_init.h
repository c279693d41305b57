// Chooses the container engine from the host description and sets up the
// process's engine connection. Called once at start-up.
#pragma once

#include "engine/docker_conn.h"
#include "lib/init_data.h"

// use_wslc: the WSL containers tool, no distro. Standalone: the runner
// distro with Podman as root. Otherwise the distro choose_distro finds
// ("wsl_init(): no usable WSL distro\n" and -1 when none). Prints "Using WSL
// distro %s\n" for a distro. Returns 0 or the set-up's failure.
int wsl_init(const INIT_DATA& init_data, bool standalone, DOCKER_CONN& connection);
