// What the client hears of the job's progress after each poll of the
// container: the CPU time credited, the fraction done, the working set.
// Main thread only.
#pragma once

#include "driver/job.h"

// Adds the container's CPU use over job.running_seconds (the time it ran
// since the last report) to the job's CPU time, and sends CPU time,
// fraction done and working set to the client. Without figures the job is
// taken to use all its CPUs and 100 MB; a container that has gone is
// credited nothing.
void report_progress(JOB& job);

// The number the job wrote into "fraction_done", clamped to 0 to 1; 0 when
// the file is missing, is not a plain file, or does not begin with a finite
// decimal number.
double read_fraction_done();
