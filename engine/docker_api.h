// Docker's own service interface, where its command-line client falls short:
// the client tells a container's CPU use only as a rate over the last
// second, the service also as the cumulative count the rate is taken from.
// Reached on its local socket only; everything else stays with the client.
#pragma once

#include <string>
#include <string_view>

// The local socket the Docker client talks to, from the value of
// DOCKER_HOST ("unix://PATH"; the default socket when has_host is false).
// Empty where the client is sent elsewhere: another scheme, or a context
// chosen by DOCKER_CONTEXT (has_context).
std::string docker_socket_path(bool has_host, const std::string& host, bool has_context);

// The request for one reading of a container's statistics.
std::string docker_stats_request(const std::string& container);

// Reads an HTTP reply to docker_stats_request: true with the container's
// CPU time in seconds; false for any other status, a malformed reply, or a
// container that is not running (a count of zero).
bool read_docker_cpu_seconds(std::string_view reply, double& seconds);
