// The names of the job's image and container in the engine.
#pragma once

#include <string>

#include "driver/job.h"

// "corvo__FIRST__SECOND", a valid image reference and container name for
// every engine: each part lower-cased, every byte other than a-z, 0-9 and
// the separators ".", "_", "-" made "_", a run of separators that engines
// refuse made "_", none at either end of a part (a part left empty becomes
// "h" and a hash of its text). A name longer than 128 characters is cut and
// ends with "-" and a hash of both parts, so that long names stay distinct.
// The same texts always give the same name.
std::string make_name(const std::string& first, const std::string& second);

// Sets job_image and job_container for a job run by the client: the image
// from image_name of job.toml when set, else from the project and the
// work unit; the container from the project and the result.
void name_job(JOB& job);

// The image and container name of a job run without a client in
// directory (its absolute path): "corvo-" and eight hexadecimal digits of a
// hash of the path, the same in every run.
std::string standalone_name(const std::string& directory);

// The project's name: what follows the last '/' or '\\' of the client's
// project_dir. False when that is empty, "." or "..", which name no
// project directory of its own.
bool project_name_of(const std::string& project_dir, std::string& name);
