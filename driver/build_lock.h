// The machine-wide lock that every quayside takes for what must not overlap
// on one engine: image builds and image removals. Jobs of one application
// share cached layers, and a removal in the middle of another job's build
// breaks it. Main thread only.
#pragma once

#include <functional>

#include "driver/job.h"

// Takes the lock for a build, answering the client every second meanwhile:
// a quit, an abort or the client's loss ends the process as
// check_exit_request does. False when it can't be had within an hour.
bool take_build_lock(JOB& job);

void release_build_lock(JOB& job);

// Runs work holding the lock: with the lock already held, at once; else
// after waiting for it at most 5 seconds, or 1 while a client's request is
// carried out (the job is ending, and its end must not wait for another
// job's build), and without it after that.
void with_build_lock(JOB& job, const std::function<void()>& work);
