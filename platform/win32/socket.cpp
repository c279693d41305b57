#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace platform {

bool free_loopback_port(int& port, PortStep& failed_step, int& error) {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    failed_step = PortStep::socket;
    error = ::WSAGetLastError();
    return false;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = 0;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = false;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    failed_step = PortStep::bind;
    error = ::WSAGetLastError();
  } else {
    int length = sizeof address;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      failed_step = PortStep::name;
      error = ::WSAGetLastError();
    } else {
      port = ntohs(address.sin_port);
      ok = true;
    }
  }
  ::closesocket(s);
  return ok;
}

}  // namespace platform
