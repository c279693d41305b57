// A TOML value tree and the job configuration as JSON, for quayside-inspect.
#pragma once

#include <nlohmann/json.hpp>

#include "driver/job_config.h"
#include "toml/value.h"

// Tables become objects in key order; a date-time becomes its tick count
// and its ISO-8601 UTC text.
nlohmann::ordered_json toml_json(const Value& value);

nlohmann::ordered_json job_config_json(const JOB_CONFIG& config);
