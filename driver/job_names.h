// The names of the job's image and container in the engine.
#pragma once

#include <string>

#include "driver/job.h"

// "corvo__FIRST__SECOND", each part cut to 511 characters and lower-cased,
// with every byte other than a-z, 0-9, "_", "." and "-" made "_".
std::string make_name(const std::string& first, const std::string& second);

// Sets job_image and job_container for a job run by the client: the image
// from image_name of job.toml when set, else from the project and the
// work unit; the container from the project and the result.
void name_job(JOB& job);
