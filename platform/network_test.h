// The command line of the system's ping that sends one echo request.
#pragma once

#include <string>

namespace platform {

// For example "ping -c 1 -W 5 HOST" on Linux, "ping -n 1 HOST" on Windows.
std::string ping_command(const std::string& host);

}  // namespace platform
