#include "engine/wsl_cmd.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>

#include "engine/docker_conn.h"
#include "engine/reply_marker.h"
#include "engine/wsl_init.h"
#include "lib/result_codes.h"
#include "platform/windows_arguments.h"
#include "test_support.h"

namespace {

// A pipe that hands out scripted chunks, one per poll that finds data.
class ScriptedPipe final : public platform::PipedProcess {
 public:
  std::deque<std::string> chunks;
  bool has_exited = false;
  int exit_polls = 0;
  bool fail_reads = false;

  bool write_text(const std::string& text) override {
    written += text;
    return true;
  }
  long bytes_waiting() override { return chunks.empty() ? 0 : static_cast<long>(chunks.front().size()); }
  long read(char* buffer, std::size_t size) override {
    if (fail_reads) return -1;
    std::string chunk = chunks.front().substr(0, size);
    chunks.front().erase(0, chunk.size());
    if (chunks.front().empty()) chunks.pop_front();
    std::copy(chunk.begin(), chunk.end(), buffer);
    return static_cast<long>(chunk.size());
  }
  bool exited() override {
    ++exit_polls;
    return has_exited;
  }
  // Nothing ever arrives during a wait: each one is an empty 200 ms wait.
  bool wait_readable(int milliseconds) override {
    waits.push_back(milliseconds);
    return false;
  }
  std::string written;
  std::vector<int> waits;
};

}  // namespace

TEST(ReadFromPipe, MarkerAcrossChunksAndWithinAChunk) {
  ScriptedPipe split;
  split.chunks = {"xEO", "M\n"};
  std::string reply;
  EXPECT_EQ(read_from_pipe(split, reply, 600, "EOM"), 0);
  EXPECT_EQ(reply, "xEOM\n");
  EXPECT_TRUE(split.waits.empty());

  ScriptedPipe one;
  one.chunks = {"x\nEOM\ny\n", "later\n"};
  EXPECT_EQ(read_from_pipe(one, reply, 600, "EOM"), 0);
  EXPECT_EQ(reply, "x\nEOM\ny\n");
  EXPECT_EQ(one.chunks.front(), "later\n");

  ScriptedPipe with_nul;
  with_nul.chunks = {std::string("ab\0cd EOM", 9), "EOM"};
  EXPECT_EQ(read_from_pipe(with_nul, reply, 600, "EOM"), 0);
  EXPECT_EQ(reply, "abEOM");
}

TEST(ReadFromPipe, IdleLimitAndEndOfTheProcess) {
  ScriptedPipe silent;
  std::string reply;
  EXPECT_EQ(read_from_pipe(silent, reply, 1.0, "EOM"), RC_TIMED_OUT);
  EXPECT_EQ(silent.waits, (std::vector<int>(6, 200)));

  ScriptedPipe exits;
  exits.chunks = {"last line\n"};
  exits.has_exited = true;
  EXPECT_EQ(read_from_pipe(exits, reply, 0, "never"), RC_CONNECT_FAILED);
  EXPECT_EQ(reply, "last line\n");
  EXPECT_EQ(exits.waits.size(), 1u);

  ScriptedPipe marked;
  marked.chunks = {"last line\n"};
  marked.has_exited = true;
  EXPECT_EQ(read_from_pipe(marked, reply, 0, "last line"), 0);

  ScriptedPipe broken;
  broken.chunks = {"x"};
  broken.fail_reads = true;
  EXPECT_EQ(read_from_pipe(broken, reply, 0, "EOM"), RC_READ_FAILED);
}

TEST(ReplyMarkers, EachCommandsOwnMarkerEndsItsReply) {
  ReplyMarkers markers(0xabcdefULL);
  EXPECT_EQ(markers.next(), "EOM.0000000000abcdef.1");
  EXPECT_EQ(markers.next(), "EOM.0000000000abcdef.2");
  const std::string m = "EOM.0000000000abcdef.";
  struct {
    const char* name;
    std::string buffer;
    bool complete;
    std::string output;
    int status;
    std::string left;  // what stays in the buffer
  } cases[] = {
      {"plain", "a\nEOM\nb\n" + m + "2 0\n", true, "a\nEOM\nb\n", 0, ""},
      {"glued to output", "no newline" + m + "2 3\n", true, "no newline\n", 3, ""},
      {"empty output", m + "2 0\n", true, "", 0, ""},
      {"status still coming", "x\n" + m + "2 1", false, "", 0, ""},
      {"number still coming", "x\n" + m + "2", false, "", 0, ""},
      {"marker cut", "x\nEOM.0000000000ab", false, "", 0, ""},
      {"stale reply dropped", "old\n" + m + "1 0\nnew\n" + m + "2 127\n", true, "new\n", 127, ""},
      {"only a stale reply", "old\n" + m + "1 0\npartial", false, "", 0, "partial"},
      {"other token", "EOM.1111111111111111.2 0\n", false, "", 0, ""},
      {"not a marker line", m + "2 x\n" + m + "2 5\n", true, m + "2 x\n", 5, ""},
      {"negative status", m + "2 -1\n", true, "", -1, ""},
  };
  for (const auto& c : cases) {
    std::string buffer = c.buffer;
    std::string output;
    int status = 99;
    EXPECT_EQ(markers.take_reply(buffer, output, status), c.complete) << c.name;
    if (c.complete) {
      EXPECT_EQ(output, c.output) << c.name;
      EXPECT_EQ(status, c.status) << c.name;
    } else if (!c.left.empty()) {
      EXPECT_EQ(buffer, c.left) << c.name;
    }
  }
}

TEST(WslCmd, PodmanShellArguments) {
  struct {
    const char* name;
    int version;
    const char* command;
  } cases[] = {
      {"corvo-tavi-runner", 3, "wsl -d corvo-tavi-runner"},
      {"corvo-tavi-runner", 4, "wsl -d corvo-tavi-runner -u root"},
      {"corvo-tavi-runnerX", 1, "wsl -d corvo-tavi-runnerX -u root"},
      {"Ubuntu", 0, "wsl -d Ubuntu -u root"},
      {"My Distro", 0, "wsl -d \"My Distro\" -u root"},
  };
  for (const auto& c : cases) {
    WSL_DISTRO_DESC distro;
    distro.distro_name = c.name;
    distro.distro_version = c.version;
    EXPECT_EQ(platform::windows_command_line(podman_shell_arguments(distro)), c.command) << c.name << " " << c.version;
  }
}
