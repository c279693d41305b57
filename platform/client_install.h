// Where the volunteer's client is installed, as the system's settings
// record it.
#pragma once

#include <string>

namespace platform {

// The client's installation directory from the system's settings, or empty.
std::string client_install_dir();

}  // namespace platform
