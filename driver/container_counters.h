// Watching the running container through its cgroup's counters: found once
// after the start, then read each cycle by the engine shell's builtins, in
// place of the engine's "ps" and "stats", which start programs. Where the
// counters can't be read the engine's queries serve, as the log says once.
// Main thread only.
#pragma once

#include "driver/job.h"
#include "engine/container_status.h"

// Finds the container's cgroup from its main process and reads it once.
// Leaves job.counters unset (version 0) where that fails.
void locate_counters(JOB& job);

// Asks whether the container has exited, as poll_container does: from the
// counters while they say that it runs (the reading is kept for the next
// report), else from the engine. Counters that can't be read while the
// engine says the container runs are given up for the engine's queries.
POLL_OUTCOME watch_container(JOB& job, bool* unreachable = nullptr);

// The figures of the reading taken by the last watch_container, once: true
// with cpus (over the time since the reading before), the working set and
// the CPU time so far; false when there is none to take.
bool take_counter_figures(JOB& job, double& cpus, double& wss, double& cpu_seconds);
