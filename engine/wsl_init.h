// Chooses the container engine from the init data and sets up the
// process's engine connection.
#pragma once

#include "engine/docker_conn.h"
#include "lib/init_data.h"

// Returns 0 or a result code.
int wsl_init(const INIT_DATA& init_data, DOCKER_CONN& connection);
