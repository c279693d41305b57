// The job's image: whether the engine has it, and building it from the
// recipe file, waiting for the client's heartbeat and for the network, and
// retrying while connectivity is lost. Main thread only.
#pragma once

#include "driver/engine_call.h"
#include "driver/job.h"

// Sets exists; the step's code is 0, or the engine command's failure.
EngineStep image_exists(JOB& job, bool& exists);

// The step's code is 0 when the image was built and -1 when the build failed
// for good. Ends the process (exit code 0) when the client asks the job to
// stop.
EngineStep build_image(JOB& job);

// What a build stopped midway leaves: the builder's working containers, and
// with remove_images the untagged images made since the build began.
void remove_build_leftovers(JOB& job, bool remove_images);
