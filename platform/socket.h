// A free TCP port on the loopback address.
#pragma once

namespace platform {

enum class PortStep { socket, bind, name };

// Finds a port the system would give to a new listener on 127.0.0.1, by
// binding port 0 and reading back what was chosen; the socket is closed
// again. Returns true with port, or false with the step that failed and
// the system's error number.
bool free_loopback_port(int& port, PortStep& failed_step, int& error);

}  // namespace platform
