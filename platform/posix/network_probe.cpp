#include "platform/network_probe.h"

namespace platform {

std::vector<std::string> ping_arguments(const std::string& host) { return {"ping", "-c", "1", "-W", "5", host}; }

}  // namespace platform
