#include "platform/local_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/posix/unique_fd.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// Waits until fd is ready for events, the deadline passes or stop says so.
bool wait_ready(int fd, short events, Clock::time_point deadline, const std::function<bool()>& stop, int& error) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      error = ETIMEDOUT;
      return false;
    }
    if (stop && stop()) {
      error = ECANCELED;
      return false;
    }
    pollfd entry{fd, events, 0};
    int ready = ::poll(&entry, 1, static_cast<int>(left < 100 ? left : 100));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) {
      error = errno;
      return false;
    }
  }
}

}  // namespace

bool exchange_on_local_socket(const std::string& path, std::string_view request, std::size_t reply_limit,
                              int timeout_ms, std::string& reply, int& error,
                              const std::function<bool()>& stop) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path || path.find('\0') != std::string::npos) {
    error = ENAMETOOLONG;
    return false;
  }
  std::memcpy(address.sun_path, path.data(), path.size());
  unique_fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.valid()) {
    error = errno;
    return false;
  }
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EINPROGRESS && errno != EAGAIN) {
      error = errno;
      return false;
    }
    if (!wait_ready(fd.get(), POLLOUT, deadline, stop, error)) return false;
    int status = 0;
    socklen_t length = sizeof status;
    ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &status, &length);
    if (status != 0) {
      error = status;
      return false;
    }
  }
  while (!request.empty()) {
    if (!wait_ready(fd.get(), POLLOUT, deadline, stop, error)) return false;
    ssize_t sent = ::send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      error = errno;
      return false;
    }
    request.remove_prefix(static_cast<std::size_t>(sent));
  }
  reply.clear();
  char buffer[16384];
  for (;;) {
    if (!wait_ready(fd.get(), POLLIN, deadline, stop, error)) return false;
    ssize_t got = ::recv(fd.get(), buffer, sizeof buffer, 0);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      error = errno;
      return false;
    }
    if (reply.size() + static_cast<std::size_t>(got) > reply_limit) {
      error = EMSGSIZE;
      return false;
    }
    reply.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace platform
