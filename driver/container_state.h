// What the engine says about the job's container: its state at start-up and
// whether it has exited. Main thread only.
#pragma once

#include <string>

#include "driver/job.h"

enum CONTAINER_STATE {
  CONTAINER_ABSENT = 1,
  CONTAINER_CREATED = 2,
  CONTAINER_RUNNING = 3,
  CONTAINER_PAUSED = 4,
  CONTAINER_EXITED = 5,
  CONTAINER_OTHER = 6,
};

enum POLL_OUTCOME {
  POLL_RUNNING = 0,
  POLL_EXITED = 1,  // job.container_exit_status holds the code
  POLL_FAILED = 2,
};

// The first of "created", "running", "paused", "exited" found in the text
// (ignoring case) decides the state; none gives CONTAINER_OTHER.
CONTAINER_STATE state_from_text(const char* text);

// Sets state (CONTAINER_ABSENT before anything else) and returns 0, or a
// result code when the query failed.
int get_container_state(JOB& job, CONTAINER_STATE& state);

// Asks whether the container has exited; on POLL_EXITED the exit code is in
// job.container_exit_status.
POLL_OUTCOME poll_container(JOB& job);
