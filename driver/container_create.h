// Creates the job's container (building its image first when needed).
#pragma once

#include "driver/job.h"

// Returns 0 when the container was created, the runner's result when the
// command failed to run, or -1 when the engine printed an error. Finishes
// the job with status 1 when the image can't be found or built.
int create_container(JOB& job);
