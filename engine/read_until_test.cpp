// Reading a reply from the engine shell: the marker, the silence limit, the
// end of the process, with a scripted pipe whose clock moves instead of
// sleeping.
#include "engine/read_until.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "lib/result_codes.h"
#include "test_support.h"

namespace {

// A pipe that hands out scripted chunks, each once the pipe's own clock
// has reached its time; waits move that clock instead of sleeping.
class ScriptedPipe final : public platform::PipedProcess, public Clock {
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
  // The pipe is its own clock: it moves only while the reader waits.
  double now() override { return clock; }
  double steady() override { return clock; }
  void pause(double seconds) override { clock += seconds; }

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
  EXPECT_EQ(read_from_pipe(split, reply, 600, "EOM", split), 0);
  EXPECT_EQ(reply, "xEOM\n");
  EXPECT_TRUE(split.waits.empty());

  ScriptedPipe one;
  one.add("x\nEOM\ny\n");
  one.add("later\n");
  EXPECT_EQ(read_from_pipe(one, reply, 600, "EOM", one), 0);
  EXPECT_EQ(reply, "x\nEOM\ny\n");
  EXPECT_EQ(one.chunks.front().bytes, "later\n");

  // Bytes are bytes: a NUL ends nothing.
  ScriptedPipe with_nul;
  with_nul.add(std::string("ab\0cd EOM", 9));
  EXPECT_EQ(read_from_pipe(with_nul, reply, 600, "EOM", with_nul), 0);
  EXPECT_EQ(reply, std::string("ab\0cd EOM", 9));
}

TEST(ReadFromPipe, TheLimitCountsSilenceOnly) {
  ScriptedPipe silent;
  std::string reply;
  EXPECT_EQ(read_from_pipe(silent, reply, 1.0, "EOM", silent), RC_TIMED_OUT);
  EXPECT_EQ(silent.waits, (std::vector<int>(6, 200)));

  // Output every 0.8 s keeps a reply alive well past the limit.
  ScriptedPipe talking;
  for (int i = 1; i <= 5; ++i) talking.add("line\n", 0.8 * i);
  talking.add("EOM", 4.8);
  EXPECT_EQ(read_from_pipe(talking, reply, 1.0, "EOM", talking), 0);
  EXPECT_EQ(reply, "line\nline\nline\nline\nline\nEOM");

  ScriptedPipe pausing;
  pausing.add("line\n", 0.5);
  pausing.add("EOM", 1.8);
  EXPECT_EQ(read_from_pipe(pausing, reply, 1.0, "EOM", pausing), RC_TIMED_OUT);
  EXPECT_EQ(reply, "line\n");
}

TEST(ReadFromPipe, EndOfTheProcessAndFailedReads) {
  std::string reply;
  ScriptedPipe exits;
  exits.add("last line\n");
  exits.has_exited = true;
  EXPECT_EQ(read_from_pipe(exits, reply, 0, "never", exits), RC_CONNECT_FAILED);
  EXPECT_EQ(reply, "last line\n");
  EXPECT_EQ(exits.waits.size(), 1u);

  ScriptedPipe marked;
  marked.add("last line\n");
  marked.has_exited = true;
  EXPECT_EQ(read_from_pipe(marked, reply, 0, "last line", marked), 0);

  ScriptedPipe broken;
  broken.add("x");
  broken.fail_reads = true;
  EXPECT_EQ(read_from_pipe(broken, reply, 0, "EOM", broken), RC_READ_FAILED);
}
