// A request and its reply over a local socket, against a small server that
// answers as it is told: in full, too much, or not at all.
#include "platform/local_socket.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>

#include "test_support.h"

namespace {

class LocalSocketTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    path_ = (dir / "s.sock").string();
    listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener_, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener_, 1), 0);
  }
  void TearDown() override {
    ::close(listener_);
    TempDirTest::TearDown();
  }

  // Accepts one connection, reads the request up to its blank line, writes
  // reply, and closes unless told to keep the connection open until the
  // client leaves. Returns the request read.
  std::future<std::string> serve(std::string reply, bool hold = false) {
    return std::async(std::launch::async, [this, reply, hold] {
      int connection = ::accept(listener_, nullptr, nullptr);
      std::string request;
      char buffer[256];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t got = ::read(connection, buffer, sizeof buffer);
        if (got <= 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
      }
      for (std::size_t at = 0; at < reply.size();) {
        ssize_t sent = ::send(connection, reply.data() + at, reply.size() - at, MSG_NOSIGNAL);
        if (sent <= 0) break;
        at += static_cast<std::size_t>(sent);
      }
      if (hold) {
        while (::read(connection, buffer, sizeof buffer) > 0) {
        }
      }
      ::close(connection);
      return request;
    });
  }

  std::string path_;
  int listener_ = -1;
};

TEST_F(LocalSocketTest, TheWholeReplyUntilTheServerCloses) {
  std::string body(100000, 'x');
  body += std::string("\0\xff", 2);
  auto server = serve(body);
  std::string reply;
  int error = 0;
  ASSERT_TRUE(platform::exchange_on_local_socket(path_, "GET / HTTP/1.0\r\n\r\n", 1 << 20, 10000, reply, error))
      << error;
  EXPECT_EQ(reply, body);
  EXPECT_EQ(server.get(), "GET / HTTP/1.0\r\n\r\n");
}

TEST_F(LocalSocketTest, LimitsAndFailures) {
  std::string reply;
  int error = 0;
  {
    auto server = serve(std::string(5000, 'x'));
    EXPECT_FALSE(platform::exchange_on_local_socket(path_, "\r\n\r\n", 4096, 10000, reply, error));
    EXPECT_EQ(error, EMSGSIZE);
    server.get();
  }
  {
    // A server that never closes: the time limit ends the wait.
    auto server = serve("partial", true);
    EXPECT_FALSE(platform::exchange_on_local_socket(path_, "\r\n\r\n", 4096, 300, reply, error));
    EXPECT_EQ(error, ETIMEDOUT);
    server.get();
  }
  {
    // A request of the client's gives the wait up long before the time limit.
    auto server = serve("partial", true);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(platform::exchange_on_local_socket(path_, "\r\n\r\n", 4096, 60000, reply, error, [] { return true; }));
    EXPECT_EQ(error, ECANCELED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    server.get();
  }
  EXPECT_FALSE(platform::exchange_on_local_socket((dir / "none.sock").string(), "x", 10, 1000, reply, error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(platform::exchange_on_local_socket(std::string(200, 'a'), "x", 10, 1000, reply, error));
  EXPECT_EQ(error, ENAMETOOLONG);
  EXPECT_FALSE(platform::exchange_on_local_socket(std::string("/tmp/a\0b", 8), "x", 10, 1000, reply, error));
  EXPECT_EQ(error, ENAMETOOLONG);
}

}  // namespace
