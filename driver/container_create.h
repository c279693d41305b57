// Creates the job's container (building its image first when needed).
#pragma once

#include "driver/engine_call.h"
#include "driver/job.h"

#include <string>

// The step's code is 0 when the container was created, the runner's result
// when the command failed to run, or -1 when the engine printed an error.
// Finishes the job with status 1 when the image can't be found or built.
EngineStep create_container(JOB& job);

// The "create" command for the job (allocating and announcing the web
// graphics port when one is configured).
EngineCommand create_command(JOB& job);

// A free TCP port on the loopback address. Returns 0, RC_SOCKET_FAILED
// (after a message), RC_BIND_FAILED, or the system's error number.
int alloc_host_port(int& port);
