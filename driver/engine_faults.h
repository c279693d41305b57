// Riding out an engine that fails for a while, and leaving the job for a
// later run when it stays out of reach. Main thread only.
#pragma once

#include "driver/job.h"

// How long failing engine queries are tried again before the job gives up.
constexpr double kEngineRetrySeconds = 30;

// Seconds between two tries of a failing query.
constexpr double kEngineRetryPause = 2;

// Ends the job for now, leaving its container and image for the next run:
// prints "engine unreachable: %s; trying again later", then asks the client
// for a temporary exit. The delay doubles with each such exit in a row,
// from 60 seconds up to an hour.
[[noreturn]] void wait_for_engine(JOB& job, const char* what);

// Forgets the temporary exits in a row: the engine has answered.
void engine_answered();
