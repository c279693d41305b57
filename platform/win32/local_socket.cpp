#include "platform/local_socket.h"

#include <windows.h>

namespace platform {

// The engines' sockets live inside their Linux host, out of this process's reach.
bool exchange_on_local_socket(const std::string&, std::string_view, std::size_t, int, std::string&, int& error,
                              const std::function<bool()>&) {
  error = ERROR_NOT_SUPPORTED;
  return false;
}

}  // namespace platform
