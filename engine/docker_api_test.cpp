#include "engine/docker_api.h"

#include <gtest/gtest.h>

TEST(DockerApi, SocketFollowsTheClientsSettings) {
  struct {
    bool has_host;
    const char* host;
    bool has_context;
    const char* path;
  } cases[] = {
      {false, "", false, "/var/run/docker.sock"},
      {true, "", false, "/var/run/docker.sock"},
      {true, "unix:///tmp/d/docker.sock", false, "/tmp/d/docker.sock"},
      // A relative socket would be found in the slot, where the container
      // can put one of its own.
      {true, "unix://docker.sock", false, ""},
      {true, "unix://./run/docker.sock", false, ""},
      {true, "tcp://10.0.0.1:2375", false, ""},
      {true, "ssh://user@host", false, ""},
      {true, "npipe:////./pipe/docker_engine", false, ""},
      {false, "", true, ""},
      {true, "unix:///tmp/d/docker.sock", true, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(docker_socket_path(c.has_host, c.host, c.has_context), c.path) << c.host << c.has_context;
  }
}

TEST(DockerApi, RequestNamesTheContainerSafely) {
  EXPECT_EQ(docker_stats_request("corvo__proj__res_1.a-b"),
            "GET /containers/corvo__proj__res_1.a-b/stats?stream=false&one-shot=true HTTP/1.0\r\n"
            "Host: docker\r\n\r\n");
  // Nothing in a name can end the request line or start another request.
  std::string request = docker_stats_request("a b/\r\n?#%");
  EXPECT_EQ(request.substr(0, request.find("stats?")), "GET /containers/a%20b%2F%0D%0A%3F%23%25/");
}

TEST(DockerApi, ReadsTheCumulativeCount) {
  const std::string body = R"({"read":"2026-12-10T10:00:00Z","cpu_stats":{"cpu_usage":{"total_usage":31500000000},)"
                           R"("system_cpu_usage":1},"memory_stats":{"usage":1048576}})";
  struct {
    const char* name;
    std::string reply;
    bool ok;
    double seconds;
  } cases[] = {
      {"plain", "HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n\r\n" + body, true, 31.5},
      {"no reason phrase", "HTTP/1.1 200\r\n\r\n" + body, true, 31.5},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n" + body.substr(0, 16) + "\r\n" +
                      [&] {
                        char size[16];
                        std::snprintf(size, sizeof size, "%zx", body.size() - 16);
                        return std::string(size);
                      }() + "\r\n" + body.substr(16) + "\r\n0\r\n\r\n",
       true, 31.5},
      {"a chunk cut short", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nffff\r\n" + body, false, 0},
      {"no such container", "HTTP/1.0 404 Not Found\r\n\r\n{\"message\":\"No such container: x\"}", false, 0},
      {"2000 is not 200", "HTTP/1.0 2000 OK\r\n\r\n" + body, false, 0},
      {"not running: all zero", "HTTP/1.0 200 OK\r\n\r\n" R"({"cpu_stats":{"cpu_usage":{"total_usage":0}}})", false, 0},
      {"no head end", "HTTP/1.0 200 OK\r\n" + body, false, 0},
      {"cut body", "HTTP/1.0 200 OK\r\n\r\n" + body.substr(0, 60), false, 0},
      {"count of another type", "HTTP/1.0 200 OK\r\n\r\n{\"cpu_stats\":{\"cpu_usage\":{\"total_usage\":\"9\"}}}", false,
       0},
      {"not an object", "HTTP/1.0 200 OK\r\n\r\n[1,2]", false, 0},
      {"bytes that aren't text", std::string("HTTP/1.0 200 OK\r\n\r\n\0\xff{", 22), false, 0},
      {"empty", "", false, 0},
      {"a status line cut short", "HTTP/1.\r\n\r\n", false, 0},
      {"a status line cut in the code", "HTTP/1.1 20\r\n\r\n" + body, false, 0},
  };
  for (const auto& c : cases) {
    double seconds = -1;
    EXPECT_EQ(read_docker_cpu_seconds(c.reply, seconds), c.ok) << c.name;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(seconds, c.seconds) << c.name;
    }
  }
}
