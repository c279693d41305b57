// The container's CPU and memory use, as the engine reports it.
#pragma once

#include "driver/job.h"

struct CONTAINER_STATS {
  double cpus = 0;  // CPUs in use: 1.0 is one CPU fully busy
  double wss = 0;   // memory in use, bytes
};

// Returns 0 when stats holds usable figures, -1 otherwise.
int get_container_stats(JOB& job, CONTAINER_STATS& stats);
