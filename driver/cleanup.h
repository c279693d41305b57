// The end of a job for good: the container's log goes to standard error,
// the container is removed, and the image too when it is the job's own.
#pragma once

#include "driver/job.h"

// Every command's result is ignored.
void cleanup_container(JOB& job);
