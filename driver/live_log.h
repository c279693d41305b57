// A standalone run at a terminal follows the container's output as it
// comes ("logs -f" of the engine), on the terminal alone: the log file gets
// the container's output once, when it ends. Main thread only.
#pragma once

#include "driver/job.h"

// Starts following when standard error reaches a terminal and the job runs
// without a client; otherwise does nothing.
void start_following_log(JOB& job);

// Shows what the container printed since the last call.
void show_followed_log(JOB& job);

// Shows the rest and stops following. The copy of the log that follows is
// then kept from the terminal, which has seen it already.
void stop_following_log(JOB& job);
