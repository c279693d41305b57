// The client's records as JSON, field by field, for quayside-inspect.
#pragma once

#include <nlohmann/json.hpp>

#include "lib/init_data.h"

nlohmann::ordered_json init_data_json(const INIT_DATA& data);
