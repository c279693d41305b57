#include "platform/network_test.h"

namespace platform {

std::string ping_command(const std::string& host) { return "ping -n 1 " + host; }

}  // namespace platform
