// The direct program start keeps its limits, and its pauses between start
// attempts, on the clock it is given: none of these tests waits them out.
#include "engine/direct_transport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "lib/result_codes.h"
#include "test_support.h"

namespace {

// A clock that moves a second each time it is read.
class RacingClock final : public Clock {
 public:
  double now() override { return steady(); }
  double steady() override { return time += 1; }
  void pause(double seconds) override { pauses.push_back(seconds); }
  double time = 0;
  std::vector<double> pauses;
};

class DirectTransportTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    old_path_ = std::getenv("PATH");
    setenv("PATH", (dir.string() + ":" + old_path_).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", old_path_.c_str(), 1);
    TempDirTest::TearDown();
  }
  void program(const std::string& text) {
    write_file(dir / "wslc", text);
    std::filesystem::permissions(dir / "wslc", std::filesystem::perms::owner_all);
  }
  int run(Clock& clock, const ReplyLimits& limits, std::string& output, int& exit_status) {
    DirectTransport transport(clock);
    return transport.run("wslc", EngineCommand{"ps"}, limits,
                         [&](std::string_view bytes) { output.append(bytes); }, exit_status);
  }
  std::string old_path_;
};

}  // namespace

TEST_F(DirectTransportTest, TheDeadlineAndTheSilenceLimitAreKeptOnTheGivenClock) {
  program("#!/bin/sh\necho begun\nexec sleep 600\n");
  struct {
    const char* name;
    ReplyLimits limits;
  } cases[] = {
      {"in all", {0, 3, nullptr}},
      {"of silence", {3, 0, nullptr}},
  };
  for (const auto& c : cases) {
    RacingClock clock;
    std::string output;
    int exit_status = 0;
    StderrCapture log;
    EXPECT_EQ(run(clock, c.limits, output, exit_status), RC_TIMED_OUT) << c.name;
    EXPECT_NE(log.text().find("command given up: no end within the time allowed"), std::string::npos) << c.name;
  }
  FakeClock still;
  std::string output;
  int exit_status = -1;
  program("#!/bin/sh\necho \"args: $*\"\nexit 4\n");
  EXPECT_EQ(run(still, {1, 1, nullptr}, output, exit_status), 0);
  EXPECT_EQ(output, "args: ps\n");
  EXPECT_EQ(exit_status, 4);
}

TEST_F(DirectTransportTest, AProgramThatCantStartIsTriedWithPausesOnTheGivenClock) {
  program("not a program the system can start\n");  // no "#!": the system can't start it
  FakeClock clock;
  std::string output;
  int exit_status = 0;
  StderrCapture log;
  EXPECT_EQ(run(clock, {}, output, exit_status), RC_CONNECT_FAILED);
  EXPECT_EQ(clock.pauses, (std::vector<double>{0.25, 0.5, 0.75}));
  EXPECT_NE(log.text().find("(attempt 4 of 4)"), std::string::npos);
}
