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

// A pipe that hands out scripted chunks, each once the pipe's own clock
// has reached its time; waits move that clock instead of sleeping.
class ScriptedPipe final : public platform::PipedProcess {
 public:
  struct Chunk {
    double at;
    std::string bytes;
  };
  std::deque<Chunk> chunks;
  bool has_exited = false;
  bool fail_reads = false;
  double clock = 0;

  void add(std::string bytes, double at = 0) { chunks.push_back({at, std::move(bytes)}); }
  std::function<double()> now() {
    return [this] { return clock; };
  }

  bool write_text(const std::string& text) override {
    written += text;
    return true;
  }
  long bytes_waiting() override {
    return chunks.empty() || chunks.front().at > clock ? 0 : static_cast<long>(chunks.front().bytes.size());
  }
  long read(char* buffer, std::size_t size) override {
    if (fail_reads) return -1;
    std::string chunk = chunks.front().bytes.substr(0, size);
    chunks.front().bytes.erase(0, chunk.size());
    if (chunks.front().bytes.empty()) chunks.pop_front();
    std::copy(chunk.begin(), chunk.end(), buffer);
    return static_cast<long>(chunk.size());
  }
  bool exited() override { return has_exited; }
  void kill() override { has_exited = true; }
  // A wait ends when the next chunk is due, else after the time asked.
  bool wait_readable(int milliseconds) override {
    waits.push_back(milliseconds);
    double end = clock + milliseconds / 1000.0;
    bool arrives = !chunks.empty() && chunks.front().at <= end;
    clock = arrives ? std::max(clock, chunks.front().at) : end;
    return arrives;
  }
  std::string written;
  std::vector<int> waits;
};

}  // namespace

TEST(ReadFromPipe, MarkerAcrossChunksAndWithinAChunk) {
  ScriptedPipe split;
  split.add("xEO");
  split.add("M\n");
  std::string reply;
  EXPECT_EQ(read_from_pipe(split, reply, 600, "EOM", split.now()), 0);
  EXPECT_EQ(reply, "xEOM\n");
  EXPECT_TRUE(split.waits.empty());

  ScriptedPipe one;
  one.add("x\nEOM\ny\n");
  one.add("later\n");
  EXPECT_EQ(read_from_pipe(one, reply, 600, "EOM", one.now()), 0);
  EXPECT_EQ(reply, "x\nEOM\ny\n");
  EXPECT_EQ(one.chunks.front().bytes, "later\n");

  // Bytes are bytes: a NUL ends nothing.
  ScriptedPipe with_nul;
  with_nul.add(std::string("ab\0cd EOM", 9));
  EXPECT_EQ(read_from_pipe(with_nul, reply, 600, "EOM", with_nul.now()), 0);
  EXPECT_EQ(reply, std::string("ab\0cd EOM", 9));
}

TEST(ReadFromPipe, TheLimitCountsSilenceOnly) {
  ScriptedPipe silent;
  std::string reply;
  EXPECT_EQ(read_from_pipe(silent, reply, 1.0, "EOM", silent.now()), RC_TIMED_OUT);
  EXPECT_EQ(silent.waits, (std::vector<int>(6, 200)));

  // Output every 0.8 s keeps a reply alive well past the limit.
  ScriptedPipe talking;
  for (int i = 1; i <= 5; ++i) talking.add("line\n", 0.8 * i);
  talking.add("EOM", 4.8);
  EXPECT_EQ(read_from_pipe(talking, reply, 1.0, "EOM", talking.now()), 0);
  EXPECT_EQ(reply, "line\nline\nline\nline\nline\nEOM");

  ScriptedPipe pausing;
  pausing.add("line\n", 0.5);
  pausing.add("EOM", 1.8);
  EXPECT_EQ(read_from_pipe(pausing, reply, 1.0, "EOM", pausing.now()), RC_TIMED_OUT);
  EXPECT_EQ(reply, "line\n");
}

TEST(ReadFromPipe, EndOfTheProcessAndFailedReads) {
  std::string reply;
  ScriptedPipe exits;
  exits.add("last line\n");
  exits.has_exited = true;
  EXPECT_EQ(read_from_pipe(exits, reply, 0, "never", exits.now()), RC_CONNECT_FAILED);
  EXPECT_EQ(reply, "last line\n");
  EXPECT_EQ(exits.waits.size(), 1u);

  ScriptedPipe marked;
  marked.add("last line\n");
  marked.has_exited = true;
  EXPECT_EQ(read_from_pipe(marked, reply, 0, "last line", marked.now()), 0);

  ScriptedPipe broken;
  broken.add("x");
  broken.fail_reads = true;
  EXPECT_EQ(read_from_pipe(broken, reply, 0, "EOM", broken.now()), RC_READ_FAILED);
}

namespace {

struct Taken {
  bool complete = false;
  std::string output;
  int status = 99;
};

// Feeds the reply to the markers in pieces of the given size.
Taken take_in_pieces(ReplyMarkers& markers, const std::string& reply, std::size_t piece) {
  Taken taken;
  auto sink = [&](std::string_view bytes) { taken.output.append(bytes); };
  for (std::size_t at = 0; at < reply.size() && !taken.complete; at += piece) {
    taken.complete = markers.take(std::string_view(reply).substr(at, piece), sink, taken.status);
  }
  return taken;
}

}  // namespace

TEST(ReplyMarkers, EachCommandsOwnMarkerEndsItsReplyHoweverItArrives) {
  ReplyMarkers markers(0xabcdefULL);
  EXPECT_EQ(markers.next(), "EOM.0000000000abcdef.1");
  EXPECT_EQ(markers.next(), "EOM.0000000000abcdef.2");
  const std::string m = "EOM.0000000000abcdef.";
  struct {
    const char* name;
    std::string reply;
    bool complete;
    std::string output;  // with a complete reply
    int status;
  } cases[] = {
      {"plain", "a\nEOM\nb\n" + m + "3 0\n", true, "a\nEOM\nb\n", 0},
      {"glued to output", "no newline" + m + "3 3\n", true, "no newline\n", 3},
      {"empty output", m + "3 0\n", true, "", 0},
      {"status still coming", "x\n" + m + "3 1", false, "", 0},
      {"number still coming", "x\n" + m + "3", false, "", 0},
      {"marker cut", "x\nEOM.0000000000ab", false, "", 0},
      {"a stale marker line is dropped", "old\n" + m + "1 0\nnew\n" + m + "3 127\n", true, "old\nnew\n", 127},
      {"other token", "EOM.1111111111111111.3 0\n", false, "", 0},
      {"not a marker line", m + "3 x\n" + m + "3 5\n", true, m + "3 x\n", 5},
      {"a later number", m + "4 0\n" + m + "3 0\n", true, m + "4 0\n", 0},
      {"negative status", m + "3 -1\n", true, "", -1},
      {"NUL in the middle", std::string("a\0b\n", 4) + m + "3 0\n", true, std::string("a\0b\n", 4), 0},
      {"NUL next to the marker", std::string("ab\0", 3) + m + "3 0\n", true, std::string("ab\0\n", 4), 0},
      {"NUL inside the marker line", m + std::string("3\0 0\n", 5) + m + "3 2\n", true,
       m + std::string("3\0 0\n", 5), 2},
  };
  for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(1) << 20}) {
    for (const auto& c : cases) {
      ReplyMarkers fresh(0xabcdefULL);
      fresh.next();
      fresh.next();
      fresh.next();
      Taken taken = take_in_pieces(fresh, c.reply, piece);
      EXPECT_EQ(taken.complete, c.complete) << c.name << " in pieces of " << piece;
      if (c.complete) {
        EXPECT_EQ(taken.output, c.output) << c.name << " in pieces of " << piece;
        EXPECT_EQ(taken.status, c.status) << c.name << " in pieces of " << piece;
      }
    }
  }
}

TEST(ReplyMarkers, MegabytesOfMarkerLikeTextPassThroughWhole) {
  const std::string m = "EOM.0000000000abcdef.";
  std::string decoys;
  while (decoys.size() < (8u << 20)) decoys += "EOM.0000000000abcde" + m + "9" + m + "3 x\n" + m.substr(0, 10);
  ReplyMarkers markers(0xabcdefULL);
  markers.next();
  markers.next();
  markers.next();
  Taken taken = take_in_pieces(markers, decoys + "\n" + m + "3 0\n", 65536);
  EXPECT_TRUE(taken.complete);
  EXPECT_TRUE(taken.output == decoys + "\n");
  EXPECT_EQ(taken.status, 0);
}

TEST(WslCmd, PodmanShellArguments) {
  struct {
    const char* name;
    int version;
    const char* command;
  } cases[] = {
      {"corvo-tavi-runner", 3, "wsl -d corvo-tavi-runner --exec /bin/sh"},
      {"corvo-tavi-runner", 4, "wsl -d corvo-tavi-runner -u root --exec /bin/sh"},
      {"corvo-tavi-runnerX", 1, "wsl -d corvo-tavi-runnerX -u root --exec /bin/sh"},
      {"Ubuntu", 0, "wsl -d Ubuntu -u root --exec /bin/sh"},
      {"My Distro", 0, "wsl -d \"My Distro\" -u root --exec /bin/sh"},
  };
  for (const auto& c : cases) {
    WSL_DISTRO_DESC distro;
    distro.distro_name = c.name;
    distro.distro_version = c.version;
    EXPECT_EQ(platform::windows_command_line(podman_shell_arguments(distro)), c.command) << c.name << " " << c.version;
  }
}
