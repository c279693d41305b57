// The container's CPU and memory use, as the engine reports it.
#pragma once

#include "driver/job.h"

struct CONTAINER_STATS {
  double cpus = 0;  // CPUs in use: 1.0 is one CPU fully busy
  double wss = 0;   // memory in use, bytes
  double cpu_seconds = -1;  // the container's CPU time so far, where the engine tells it
};

// What get_container_stats returns when the engine shows no memory in use:
// the container has gone (exited between the poll and the query).
constexpr int kContainerGone = 1;

// Returns 0 when stats holds usable figures, kContainerGone, or -1 when the
// figures could not be had.
int get_container_stats(JOB& job, CONTAINER_STATS& stats);
