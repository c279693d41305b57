// The end of a job for good: the container's log goes to standard error,
// the container is removed, and the image too when it is the job's own.
#pragma once

#include "driver/job.h"

// Every command's result is ignored.
void cleanup_container(JOB& job);

// Removes the job's own image (never one named in job.toml), holding the
// machine-wide build lock as builds do. The result is ignored.
void remove_job_image(JOB& job);

// Cleans up and ends the process with the finish file holding status.
[[noreturn]] void finish_job(JOB& job, int status);

// Exit statuses from here on tell a container ended by a signal (128 plus
// the signal's number).
constexpr int kKilledStatus = 128;

// The container was seen exited with job.container_exit_status, and the job
// finishes with that status. Only a container the engine ended is not: one
// killed by a signal after the engine was seen away, or one stopped (SIGTERM
// or SIGKILL) that the engine says did not run out of memory, as an engine
// that restarted between two polls leaves it. The job then makes a
// temporary exit, and the next run starts it again.
[[noreturn]] void end_exited_container(JOB& job);

// After a pause, unpause or kill that failed: when the container has
// exited meanwhile, the job ends as for any exit. Returns otherwise.
void end_if_exited(JOB& job);
