#include "platform/socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/posix/unique_fd.h"

namespace platform {

bool free_loopback_port(int& port, PortStep& failed_step, int& error) {
  unique_fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) {
    failed_step = PortStep::socket;
    error = errno;
    return false;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = 0;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    failed_step = PortStep::bind;
    error = errno;
    return false;
  }
  socklen_t length = sizeof address;
  if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    failed_step = PortStep::name;
    error = errno;
    return false;
  }
  port = ntohs(address.sin_port);
  return true;
}

}  // namespace platform
