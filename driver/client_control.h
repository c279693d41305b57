// Turns the client's requests into container actions as soon as they come,
// and sends the progress report after each poll of the container. Main
// thread only.
#pragma once

#include "driver/job.h"

// Ends the process with exit code 0 when the client is lost or asks to quit
// or abort, whatever the job is doing (a build, the start-up): an abort
// removes what the job made, a quit keeps it for the next run.
void check_exit_request(JOB& job);

// Returns 0 to go on; a "pause" or "unpause" that failed is tried again at
// the next call. Does not return when the client asks the job to end
// (heartbeat lost, quit, abort), nor when a failed command is found to be
// due to a container that has exited (the job then ends as for any exit).
int poll_client_msgs(JOB& job);
