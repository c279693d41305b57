#include "platform/network_test.h"

namespace platform {

std::string ping_command(const std::string& host) { return "ping -c 1 -W 5 " + host + " 2>&1"; }

}  // namespace platform
