// The image query and build with a recording fake engine, and a shell
// script as the system's ping first on PATH.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "driver/image.h"
#include "programs_on_path.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

class ImageTest : public JobTest {
 public:
  // A fake ping that answers or not.
  void set_ping(bool answers) { write_program(dir / "ping", std::string("#!/bin/sh\nexit ") + (answers ? "0" : "1") + "\n"); }

 protected:
  void SetUp() override {
    JobTest::SetUp();
    path_first_ = std::make_unique<PathFirst>(dir);
    set_ping(true);
  }
  void TearDown() override {
    path_first_.reset();
    JobTest::TearDown();
  }
  int build(std::string& log) {
    StderrCapture capture;
    int result = build_image(job).code;
    log = capture.text();
    return result;
  }
  std::unique_ptr<PathFirst> path_first_;
};

TEST_F(ImageTest, ImageExistsWhenListedWithItsTag) {
  struct {
    Lines reply;
    bool exists;
  } cases[] = {
      {{"REPOSITORY TAG\n", "localhost/corvo__proj__wu latest 1 MB\n"}, true},
      {{"corvo__proj__wu latest\n"}, true},
      {{"corvo__proj__wu \n"}, false},
      {{"localhost/corvo__proj__wu2 latest\n"}, false},
      {{"corvo__proj__wu\n"}, false},
      {{}, false},
  };
  for (const auto& c : cases) {
    runner.reply("images", c.reply);
    bool exists = !c.exists;
    EXPECT_EQ(image_exists(job, exists).code, 0);
    EXPECT_EQ(exists, c.exists) << (c.reply.empty() ? "" : c.reply.back());
  }
  runner.reply("images", {}, -107);
  bool exists = false;
  EXPECT_EQ(image_exists(job, exists).code, -107);
}

TEST_F(ImageTest, BuildCommandPerEngine) {
  job.config.build_arg_words = {"--pull=never"};
  std::string log;
  ASSERT_EQ(build(log), 0);
  EXPECT_EQ(runner.commands.back(), "build \".\" -t corvo__proj__wu -f Dockerfile --pull=never");
  EXPECT_EQ(log, "build succeeded\n");
  EXPECT_FALSE(runtime.network_wanted);
  EXPECT_EQ(runtime.zero_reports, 1);

  FakeRunner podman(ENGINE_PODMAN);
  job.engine = &podman;
  job.recipe_file = "Recipe";
  job.config.build_arg_words.clear();
  ASSERT_EQ(build(log), 0);
  EXPECT_EQ(podman.commands.back(), "build \".\" --retry 0 -t corvo__proj__wu -f Recipe");
}

TEST_F(ImageTest, BuildFailures) {
  struct {
    const char* name;
    Lines output;
    int result;
    bool ping;
    std::string log;
  } cases[] = {
      {"runner failed", {}, -102, true, "build command failed: -102\n"},
      {"engine error", {"STEP 1\n", "Error: no Dockerfile\n"}, 0, true,
       "command output:\nSTEP 1\nError: no Dockerfile\nOutput from 'build' command:\n   STEP 1\n   Error: no Dockerfile\n"},
      {"disconnection while the network works", {"dial tcp: network is unreachable\n"}, 0, true,
       "command output:\ndial tcp: network is unreachable\n"
       "build cmd output indicates disconnection\n... but test server is reachable; quitting\n"},
      {"engine failed without saying Error", {"STEP 2: RUN make\n", "make: *** [all] 2\n"}, 0, true,
       "command output:\nSTEP 2: RUN make\nmake: *** [all] 2\n"
       "Output from 'build' command:\n   STEP 2: RUN make\n   make: *** [all] 2\n"},
  };
  for (const auto& c : cases) {
    runner.reply("build", c.output, c.result, 1);
    set_ping(c.ping);
    std::string log;
    EXPECT_EQ(build(log), -1) << c.name;
    EXPECT_EQ(log, c.log) << c.name;
  }
}

TEST_F(ImageTest, ASuccessfulBuildIsNotJudgedByItsWords) {
  runner.reply("build", {"warning: unreachable code\n", "COPY ErrorHandler.cpp\n"}, 0, 0);
  set_ping(false);
  std::string log;
  EXPECT_EQ(build(log), 0);
  EXPECT_EQ(log, "command output:\nwarning: unreachable code\nCOPY ErrorHandler.cpp\nbuild succeeded\n");
}

TEST_F(ImageTest, LostConnectivityWaitsAndRetries) {
  job.config.verbose = 2;
  runner.reply("build", {"misbehaving\n"}, 0, 1);
  set_ping(false);
  // The fake clock's pauses stand for the waits; the ping answers again
  // once the second wait has begun.
  struct PingingClock : Clock {
    ImageTest* test;
    FakeClock* inner;
    int pauses = 0;
    double now() override { return inner->now(); }
    double steady() override { return inner->steady(); }
    void pause(double seconds) override {
      inner->pause(seconds);
      if (++pauses == 2) test->set_ping(true);
    }
  } clock;
  clock.test = this;
  clock.inner = &this->clock;
  job.clock = &clock;
  std::string log;
  ASSERT_EQ(build(log), 0);
  EXPECT_EQ(log,
            "command output:\nmisbehaving\n"
            "build cmd output indicates disconnection\ntest server is unreachable; sleeping\n"
            "test server still unreachable; sleeping 10\nbuild succeeded\n");
  EXPECT_EQ(this->clock.pauses, (std::vector<double>{10, 10}));
  EXPECT_EQ(runner.commands.size(), 2u);
  EXPECT_EQ(runtime.zero_reports, 2);  // one for the wait, one for the success
}

TEST_F(ImageTest, BuildWaitsForTheHeartbeatAndASuspendedNetwork) {
  job.config.verbose = 2;
  runtime.heartbeat = false;
  const CLIENT_STATUS suspended{.network_suspended = 1};
  struct HeartbeatClock : Clock {
    FakeRuntime* runtime;
    FakeClock* inner;
    double now() override { return inner->now(); }
    double steady() override { return inner->steady(); }
    void pause(double seconds) override {
      inner->pause(seconds);
      runtime->heartbeat = true;
    }
  } clock;
  clock.runtime = &runtime;
  clock.inner = &this->clock;
  job.clock = &clock;
  // Attempt 1 waits for the heartbeat; attempt 2 finds the network
  // suspended; attempt 3 builds.
  runtime.statuses = {CLIENT_STATUS(), CLIENT_STATUS(), suspended};
  std::string log;
  ASSERT_EQ(build(log), 0);
  EXPECT_EQ(log, "waiting for heartbeat\nnetwork suspended; sleeping 10\nbuild succeeded\n");
  EXPECT_EQ(this->clock.pauses, (std::vector<double>{1, 10}));

  // A standalone job has no client to wait for.
  runtime.heartbeat = false;
  job.standalone = true;
  this->clock.pauses.clear();
  ASSERT_EQ(build(log), 0);
  EXPECT_TRUE(this->clock.pauses.empty());
}

TEST_F(ImageTest, AQuitDuringTheBuildEndsTheProcess) {
  runtime.status.quit_asked = 1;
  StderrCapture log;
  try {
    build_image(job);
    FAIL();
  } catch (const JobEnded& end) {
    EXPECT_FALSE(end.finished);
    EXPECT_EQ(end.code, 0);
  }
  EXPECT_EQ(log.text(), "client exit request during init\n");
  EXPECT_TRUE(runner.commands.empty());
}

