#include "platform/client_install.h"

namespace platform {

// The client records no installation directory on Linux.
std::string client_install_dir() { return {}; }

}  // namespace platform
