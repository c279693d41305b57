// What the engine says about the job's container: its state at start-up and
// whether it has exited. Main thread only.
#pragma once

#include <string>

#include "driver/engine_call.h"
#include "driver/job.h"
#include "engine/container_status.h"

// Sets state (CONTAINER_ABSENT before anything else); the step's code is 0,
// or a result code when the query failed.
EngineStep get_container_state(JOB& job, CONTAINER_STATE& state);

// Asks whether the container has exited; on POLL_EXITED the exit code is in
// job.container_exit_status. On POLL_FAILED, unreachable (when given) says
// whether no engine answered.
POLL_OUTCOME poll_container(JOB& job, bool* unreachable = nullptr);
