// The direct path, with shell scripts as fake engines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/direct_transport.h"
#include "engine/docker_conn.h"
#include "engine/engine_type.h"
#include "lib/result_codes.h"
#include "programs_on_path.h"
#include "programs_on_path.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

// Puts a fake "wslc.exe" first on PATH for the test's life.
class DirectPathTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    path_first_ = std::make_unique<PathFirst>(dir);
  }
  void TearDown() override {
    path_first_.reset();
    TempDirTest::TearDown();
  }
  void fake_engine(const std::string& body) {
    write_program(dir / "wslc.exe", "#!/bin/sh\n" + body);
  }
  // Runs "ps" through a direct transport on clock.
  int run_direct(Clock& clock, const ReplyLimits& limits, std::string& output, int& exit_status) {
    DirectTransport transport(clock);
    return transport.run("wslc.exe", EngineCommand{"ps"}, limits,
                         [&](std::string_view bytes) { output.append(bytes); }, exit_status);
  }
  std::unique_ptr<PathFirst> path_first_;
};

// A clock that moves a second each time it is read.
class RacingClock final : public Clock {
 public:
  double now() override { return steady(); }
  double steady() override { return time += 1; }
  void pause(double) override {}
  double time = 0;
};

TEST_F(DirectPathTest, RunsProgramWithTheCommandAndJoinsStandardError) {
  fake_engine("echo \"args: $*\"; echo oops >&2; printf 'x\\ny'\n");
  DOCKER_CONN connection;
  ASSERT_EQ(connection.init_wslc(), 0);
  EXPECT_EQ(connection.engine, ENGINE_WSLC);
  EXPECT_STREQ(connection.dialect().program(), "wslc.exe");
  Lines lines;
  StderrCapture log;
  EXPECT_EQ(connection.run_engine_command(EngineCommand{"images"}, lines, true), 0);
  EXPECT_EQ(lines, (Lines{"args: images\n", "oops\n", "x\n", "y"}));
  EXPECT_EQ(log.text(),
            "running docker command: images\nprogram: wslc.exe\ncommand output:\n"
            "args: images\noops\nx\ny");
}

TEST_F(DirectPathTest, TheEnginesStatusComesBackAndAMissingProgramFails) {
  fake_engine("echo 'Error: no such container'; exit 1\n");
  DOCKER_CONN connection;
  connection.init_wslc();
  Lines lines;
  int status = 0;
  {
    StderrCapture log;
    EXPECT_EQ(connection.run_engine_command(EngineCommand{"start", "x"}, lines, false, status), 0);
    EXPECT_EQ(log.text(), "");
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(lines, (Lines{"Error: no such container\n"}));
  std::filesystem::remove(dir / "wslc.exe");
  StderrCapture log;
  EXPECT_EQ(connection.run_engine_command(EngineCommand{"start", "x"}, lines, false, status), -1);
  EXPECT_EQ(status, -1);
  EXPECT_EQ(log.text(), "command failed: wslc.exe is not in the absolute directories of PATH\n");
}

TEST_F(DirectPathTest, LongCommandsReachTheEngineWhole) {
  fake_engine("printf '%s' \"$*\" | wc -c\n");
  DOCKER_CONN connection;
  connection.init_wslc();
  EngineCommand command{"create", std::string(3000, 'a')};
  Lines lines;
  ASSERT_EQ(connection.run_engine_command(command, lines, false), 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(std::stoul(lines[0]), render_posix(command).size());
}

// The direct start keeps its limits, and its pauses between start attempts,
// on the clock it is given: neither test waits them out.
TEST_F(DirectPathTest, TheDeadlineAndTheSilenceLimitAreKeptOnTheGivenClock) {
  fake_engine("echo begun\nexec sleep 600\n");
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
    EXPECT_EQ(run_direct(clock, c.limits, output, exit_status), RC_TIMED_OUT) << c.name;
    EXPECT_NE(log.text().find("command given up: no end within the time allowed"), std::string::npos) << c.name;
  }
  fake_engine("echo \"args: $*\"\nexit 4\n");
  FakeClock still;
  std::string output;
  int exit_status = -1;
  EXPECT_EQ(run_direct(still, {1, 1, nullptr}, output, exit_status), 0);
  EXPECT_EQ(output, "args: ps\n");
  EXPECT_EQ(exit_status, 4);
}

TEST_F(DirectPathTest, AProgramThatCantStartIsTriedWithPausesOnTheGivenClock) {
  write_program(dir / "wslc.exe", "no \"#!\": the system can't start this\n");
  FakeClock clock;
  std::string output;
  int exit_status = 0;
  StderrCapture log;
  EXPECT_EQ(run_direct(clock, {}, output, exit_status), RC_CONNECT_FAILED);
  EXPECT_EQ(clock.pauses, (std::vector<double>{0.25, 0.5, 0.75}));
  EXPECT_NE(log.text().find("(attempt 4 of 4)"), std::string::npos);
}
