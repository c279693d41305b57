#include "platform/network_probe.h"

namespace platform {

std::vector<std::string> ping_arguments(const std::string& host) { return {"PING.EXE", "-n", "1", host}; }

}  // namespace platform
