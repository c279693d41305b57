// The life of one job: start-up, bringing the container into the running
// state, and the one-second main loop until the container exits or the
// client ends the job. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "driver/job.h"

// Reads job.toml, learns the job's identity and names, prints the
// configuration and opens the sporadic files. Ends the process on failure.
void prepare_job(JOB& job);

// Acts on the container's state as found: creates, unpauses, kills or
// leaves it, and starts it where needed. Returns when the main loop is to
// begin; finishes the job on failure.
void start_container(JOB& job);

// Answers the client as soon as it asks, and polls the container every 10
// s (every few seconds while the engine fails). Never returns.
[[noreturn]] void run_main_loop(JOB& job);

// The whole program after its name: returns only the exit code of a
// command line that can't be read.
int run_quayside(const std::vector<std::string>& arguments);
