// One request and its reply over a local stream socket (a Unix domain
// socket), as a container engine's own service listens on.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Connects to the socket at path, writes request whole, then reads until the
// other end closes. Gives up when reply would grow past reply_limit bytes or
// when timeout_ms pass in all. Returns true with the bytes read, or false with
// the system's error number (ETIMEDOUT for the time limit, EMSGSIZE for the
// size limit, ENAMETOOLONG for a path the socket address can't hold). stop,
// when given, is asked every tenth of a second while the exchange waits:
// true gives it up (ECANCELED).
// On Windows, where the engines' sockets are inside their Linux host, always
// false with ERROR_NOT_SUPPORTED.
bool exchange_on_local_socket(const std::string& path, std::string_view request, std::size_t reply_limit,
                              int timeout_ms, std::string& reply, int& error,
                              const std::function<bool()>& stop = nullptr);

}  // namespace platform
