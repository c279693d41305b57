// The process's environment variables, as UTF-8.
#pragma once

#include <string>

namespace platform {

// True with the value of the variable called name; false when it is not set.
bool environment_value(const char* name, std::string& value);

}  // namespace platform
