#include "engine/docker_api.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>

namespace {

constexpr char kDefaultSocket[] = "/var/run/docker.sock";

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

// The body of a chunked transfer, joined; false when it is malformed.
bool join_chunks(std::string_view body, std::string& joined) {
  for (;;) {
    std::size_t line_end = body.find("\r\n");
    if (line_end == std::string_view::npos) return false;
    std::size_t size = 0;
    std::size_t digits = 0;
    for (; digits < line_end && std::isxdigit(static_cast<unsigned char>(body[digits])); ++digits) {
      if (size > (std::size_t{1} << 40)) return false;
      char c = static_cast<char>(std::tolower(static_cast<unsigned char>(body[digits])));
      size = size * 16 + static_cast<std::size_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    if (digits == 0) return false;
    body.remove_prefix(line_end + 2);
    if (size == 0) return true;
    if (body.size() < size + 2) return false;
    joined.append(body.substr(0, size));
    body.remove_prefix(size + 2);
  }
}

}  // namespace

std::string docker_socket_path(bool has_host, const std::string& host, bool has_context) {
  if (has_context) return {};
  if (!has_host || host.empty()) return kDefaultSocket;
  constexpr std::string_view scheme = "unix://";
  if (host.compare(0, scheme.size(), scheme) != 0) return {};
  // A relative path would be looked up in the slot, which the container
  // shares: only an absolute socket is the engine's.
  std::string path = host.substr(scheme.size());
  return !path.empty() && path[0] == '/' ? path : std::string();
}

std::string docker_stats_request(const std::string& container) {
  // Container names are made of letters, digits and "_.-"; anything else is
  // percent-encoded so the request line stays one line.
  std::string path;
  for (unsigned char c : container) {
    if (std::isalnum(c) || c == '_' || c == '.' || c == '-') {
      path += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      path += escaped;
    }
  }
  // HTTP/1.0: the service answers in one piece and closes the connection.
  return "GET /containers/" + path + "/stats?stream=false&one-shot=true HTTP/1.0\r\nHost: docker\r\n\r\n";
}

bool read_docker_cpu_seconds(std::string_view reply, double& seconds) {
  std::size_t head_end = reply.find("\r\n\r\n");
  if (head_end == std::string_view::npos) return false;
  std::string_view head = reply.substr(0, head_end);
  std::string_view body = reply.substr(head_end + 4);
  std::size_t status_end = head.find("\r\n");
  std::string_view status = head.substr(0, status_end);
  // "HTTP/1.x 200", then the end of the line or a reason phrase.
  if (status.size() < 12 || !starts_with_ignoring_case(status, "HTTP/1.") || status.substr(8, 4) != " 200" ||
      (status.size() > 12 && status[12] != ' '))
    return false;
  std::string joined;
  bool chunked = false;
  while (status_end != std::string_view::npos) {
    head.remove_prefix(status_end + 2);
    status_end = head.find("\r\n");
    std::string_view field = head.substr(0, status_end);
    if (starts_with_ignoring_case(field, "transfer-encoding:") &&
        field.find("chunked") != std::string_view::npos)
      chunked = true;
  }
  if (chunked) {
    if (!join_chunks(body, joined)) return false;
    body = joined;
  }
  nlohmann::json document = nlohmann::json::parse(body.begin(), body.end(), nullptr, false);
  if (document.is_discarded() || !document.is_object()) return false;
  auto stats = document.find("cpu_stats");
  if (stats == document.end() || !stats->is_object()) return false;
  auto usage = stats->find("cpu_usage");
  if (usage == stats->end() || !usage->is_object()) return false;
  auto total = usage->find("total_usage");
  if (total == usage->end() || !total->is_number() || total->get<double>() <= 0) return false;
  seconds = total->get<double>() * 1e-9;
  return true;
}
