// The network probe the job makes before it builds: the arguments of the
// system's ping that sends one echo request.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's name first: "ping -c 1 -W 5 HOST" on Linux, "PING.EXE -n 1
// HOST" on Windows.
std::vector<std::string> ping_arguments(const std::string& host);

}  // namespace platform
