#include "driver/job_lifecycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "driver/cleanup.h"
#include "driver/client_control.h"
#include "driver/engine_call.h"
#include "driver/job_names.h"
#include "driver/progress.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

namespace {

Lines wslc_state(const char* state) { return {std::string("{\"State\":\"") + state + "\"}\n"}; }

const Lines kCleanup = {"logs corvo__proj__res_1", "container rm corvo__proj__res_1",
                        "image rm corvo__proj__wu"};

Lines concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

class StartContainerTest : public JobTest {};

TEST_F(StartContainerTest, InitialStateTable) {
  const std::string ps = "ps --all --filter \"name=corvo__proj__res_1\" --format json";
  struct {
    const char* state;
    Lines commands;
    std::string log;
  } cases[] = {
      {"created", {ps, "start corvo__proj__res_1"}, "container is created\nstarting container\n"},
      {"running", {ps}, "container is already running\n"},
      {"paused", {ps, "unpause corvo__proj__res_1"}, "container is paused; unpausing\n"},
      // An exit status that can't be read: started again.
      {"exited", {ps, ps, "start corvo__proj__res_1"}, "container is exited; restarting\nstarting container\n"},
      {"dead", {ps, "kill corvo__proj__res_1", "start corvo__proj__res_1"},
       "container is in other state; restarting\nstarting container\n"},
  };
  for (const auto& c : cases) {
    runner.commands.clear();
    runner.reply("ps", wslc_state(c.state));
    StderrCapture log;
    start_container(job);
    EXPECT_EQ(runner.commands, c.commands) << c.state;
    EXPECT_EQ(log.text(), c.log) << c.state;
  }
}

TEST_F(StartContainerTest, AContainerFoundExitedIsFinishedUnlessItWasKilled) {
  const std::string ps = "ps --all --filter \"name=corvo__proj__res_1\" --format json";
  const struct {
    const char* status;
    bool finished;  // else started again
  } cases[] = {
      {"Exited (0) 5 seconds ago", true},
      {"Exited (3) 5 seconds ago", true},
      {"Exited (127) now", true},
      {"Exited (137) 2 hours ago", false},  // the host, the engine or quayside killed it
      {"Exited (143) now", false},
  };
  for (const auto& c : cases) {
    runner.commands.clear();
    runner.reply("ps", wslc_state("exited"));
    runner.reply("ps", {std::string("{\"State\":\"exited\",\"Status\":\"") + c.status + "\"}\n"});
    StderrCapture log;
    try {
      start_container(job);
      EXPECT_FALSE(c.finished) << c.status;
      EXPECT_EQ(runner.commands, (Lines{ps, ps, "start corvo__proj__res_1"})) << c.status;
    } catch (const JobEnded& end) {
      EXPECT_TRUE(c.finished) << c.status;
      EXPECT_TRUE(end.finished) << c.status;
      EXPECT_EQ(end.code, job.container_exit_status) << c.status;
      EXPECT_EQ(runner.commands, concat({ps, ps}, kCleanup)) << c.status;
    }
  }
}

TEST_F(StartContainerTest, APausedContainerThatCantBeUnpausedIsKilledAndStarted) {
  job.config.verbose = 0;
  runner.reply("ps", wslc_state("paused"));
  runner.reply("unpause", {"Error: cannot unpause\n"});
  StderrCapture log;
  start_container(job);
  EXPECT_EQ(runner.commands[1], "unpause corvo__proj__res_1");
  EXPECT_EQ(runner.commands[2], "kill corvo__proj__res_1");
  EXPECT_EQ(runner.commands[3], "start corvo__proj__res_1");
  EXPECT_EQ(log.text(),
            "container is paused; unpausing\nOutput from 'unpause' command:\n   Error: cannot unpause\n"
            "unpause failed; killing\n");
}

TEST_F(StartContainerTest, FailuresEndTheJob) {
  const std::string ps = "ps --all --filter \"name=corvo__proj__res_1\" --format json";
  // A state query that fails for 30 seconds, tried every 2.
  auto failing_state = [](int result) {
    return [result](FakeRunner& r) {
      for (int i = 0; i < 16; ++i) r.reply("ps", {}, result);
    };
  };
  const Lines sixteen_queries(16, ps);
  struct {
    const char* name;
    std::function<void(FakeRunner&)> script;
    Lines commands;
    int status;
    std::string last_line;
    int temporary_delay = 0;  // a temporary exit instead of a finish
  } cases[] = {
      {"state query fails", failing_state(-1), sixteen_queries, 1,
       "the engine did not tell the container's state for 30 s; the job ends\n"},
      {"engine unreachable", failing_state(-107), sixteen_queries, 0,
       "engine unreachable: container state query; trying again later\n", 60},
      {"unpause and kill fail",
       [](FakeRunner& r) {
         r.reply("ps", wslc_state("paused"));
         r.reply("unpause", {}, -1);
         r.reply("kill", {"Error: no\n"});
       },
       concat({ps, "unpause corvo__proj__res_1", "kill corvo__proj__res_1"}, kCleanup), 1,
       "stderr end\n"},
      {"start fails",
       [](FakeRunner& r) {
         r.reply("ps", wslc_state("created"));
         r.reply("start", {}, -1);
       },
       concat({ps, "start corvo__proj__res_1", "kill corvo__proj__res_1"}, kCleanup), 1, "stderr end\n"},
      {"create fails",
       [](FakeRunner& r) {
         r.reply("images", {"localhost/corvo__proj__wu latest 0123 now 1 MB\n"});
         r.reply("create", {"Error: name in use\n"});
       },
       concat({ps, "images", "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" corvo__proj__wu"}, kCleanup), 1,
       "stderr end\n"},
      {"image query fails", [](FakeRunner& r) { r.reply("images", {"Error: bad\n"}, 0, 125); }, {ps, "images"}, 1,
       "the engine's list of images could not be read (error -1)\n"},
      {"image query finds no engine", [](FakeRunner& r) { r.reply("images", {}, -107); }, {ps, "images"}, 0,
       "engine unreachable: image query; trying again later\n", 60},
      {"build fails",
       [](FakeRunner& r) { r.reply("build", {"Error: no such file Dockerfile\n"}); },
       {ps, "images", "build \".\" -t corvo__proj__wu -f Dockerfile"}, 1,
       "the image could not be built; the engine's output is above\n"},
  };
  for (const auto& c : cases) {
    FakeRunner fresh;
    job.engine = &fresh;
    job.config.verbose = 0;
    c.script(fresh);
    StderrCapture log;
    try {
      start_container(job);
      ADD_FAILURE() << c.name << ": did not end";
    } catch (const JobEnded& end) {
      EXPECT_EQ(end.finished, c.temporary_delay == 0) << c.name;
      EXPECT_EQ(end.code, c.status) << c.name;
      EXPECT_EQ(end.temporary_delay, c.temporary_delay) << c.name;
    }
    EXPECT_EQ(fresh.commands, c.commands) << c.name;
    std::string text = log.text();
    EXPECT_EQ(text.substr(text.size() - c.last_line.size()), c.last_line) << c.name << ": " << text;
  }
}

class MainLoopTest : public JobTest {
 protected:
  // Runs the main loop to the job's end, which it must reach.
  JobEnded run_to_end() {
    StderrCapture log;
    try {
      run_main_loop(job);
    } catch (const JobEnded& end) {
      log_text = log.text();
      return end;
    }
    ADD_FAILURE() << "main loop returned";
    return {false, -1};
  }
  std::string log_text;
};

TEST_F(MainLoopTest, PollsEveryTenthTickAndFinishesWithTheExitStatus) {
  job.config.verbose = 0;
  job.init_data.ncpus = 2.0;
  job.cpu_time = 100;
  write_file("fraction_done", "0.25\n");
  runner.reply("ps", {"{\"Status\":\"Up\"}\n"});
  runner.reply("ps", {"{\"Status\":\"Up\"}\n"});
  runner.reply("ps", {"{\"Status\":\"Exited (3) now\"}\n"});
  JobEnded end = run_to_end();
  EXPECT_TRUE(end.finished);
  EXPECT_EQ(end.code, 3);
  // Polls at ticks 0, 10 and 20, each after a one-second sleep.
  EXPECT_EQ(clock.pauses.size(), 21u);
  ASSERT_EQ(runtime.progress.size(), 2u);
  // Without figures, both CPUs for the time that passed: one second, then ten.
  EXPECT_EQ(runtime.progress[0].cpu_time, 102);
  EXPECT_EQ(runtime.progress[1].cpu_time, 122);
  EXPECT_EQ(runtime.progress[0].fraction_done, 0.25);
  EXPECT_EQ(runtime.progress[0].wss, 1e8);
  EXPECT_EQ(runner.commands.back(), "image rm corvo__proj__wu");
}

TEST_F(MainLoopTest, TimeSpentPausedIsNotCredited) {
  job.config.verbose = 0;
  FakeRunner podman(ENGINE_PODMAN);
  job.engine = &podman;
  podman.reply("ps", {"corvo__proj__res_1|Up 1 second\n"});
  podman.reply("ps", {"corvo__proj__res_1|Up 11 seconds\n"});
  podman.reply("ps", {"corvo__proj__res_1|Exited (0) now\n"});
  for (int i = 0; i < 2; ++i) podman.reply("stats", {"100.00% 10MB / 1GB\n"});
  // Running until second 6, paused until second 11, running again.
  const CLIENT_STATUS running, suspended{.is_suspended = 1};
  for (int i = 0; i < 5; ++i) runtime.statuses.push_back(running);
  for (int i = 0; i < 5; ++i) runtime.statuses.push_back(suspended);
  JobEnded end = run_to_end();
  EXPECT_TRUE(end.finished);
  ASSERT_EQ(runtime.progress.size(), 2u);
  EXPECT_DOUBLE_EQ(runtime.progress[0].cpu_time, 1);  // the first second
  EXPECT_DOUBLE_EQ(runtime.progress[1].cpu_time, 6);  // five more seconds: the paused five left out
}

TEST_F(MainLoopTest, APollFailingForThirtySecondsKillsAndCleansUp) {
  job.config.verbose = 0;
  for (int i = 0; i < 16; ++i) runner.reply("ps", {}, -1);
  JobEnded end = run_to_end();
  EXPECT_TRUE(end.finished);
  EXPECT_EQ(end.code, 1);
  // Tried at ticks 0, 2, ..., 30.
  EXPECT_EQ(runner.commands,
            concat(Lines(16, "ps --all --filter \"name=corvo__proj__res_1\" --format json"),
                   concat({"kill corvo__proj__res_1"}, kCleanup)));
  EXPECT_EQ(clock.pauses.size(), 31u);
}

TEST_F(MainLoopTest, AnEngineBackWithinThirtySecondsIsRiddenOut) {
  job.config.verbose = 0;
  const std::string ps = "ps --all --filter \"name=corvo__proj__res_1\" --format json";
  for (int i = 0; i < 5; ++i) runner.reply("ps", {}, -107);
  runner.reply("ps", {"{\"Status\":\"Up\"}\n"});
  runner.reply("ps", {"{\"Status\":\"Exited (0) now\"}\n"});
  JobEnded end = run_to_end();
  EXPECT_TRUE(end.finished);
  EXPECT_EQ(end.code, 0);
  // Failures at ticks 0 to 8, the engine back at 10, the exit seen at 20.
  EXPECT_EQ(std::count(runner.commands.begin(), runner.commands.end(), ps), 7);
  EXPECT_EQ(clock.pauses.size(), 21u);
}

TEST_F(MainLoopTest, AnEngineGoneForGoodLeavesTheContainerForALaterRun) {
  job.config.verbose = 0;
  FakeRunner podman(ENGINE_PODMAN);
  for (int i = 0; i < 16; ++i) podman.reply("ps", {"Cannot connect to Podman. Is the service running?\n"}, 0, 125);
  job.engine = &podman;
  JobEnded end = run_to_end();
  EXPECT_FALSE(end.finished);
  EXPECT_EQ(end.temporary_delay, 60);
  // The container's process is asked for once, to find its counters.
  Lines expected(16, "ps --all -f \"name=^corvo__proj__res_1$\" --format \"{{.Names}}|{{.Status}}\"");
  expected.insert(expected.begin(), "inspect --format '{{.State.Pid}} {{.Id}}' corvo__proj__res_1");
  EXPECT_EQ(podman.commands, expected);
  EXPECT_NE(runtime.temporary_reason.find("engine"), std::string::npos);
  EXPECT_NE(log_text.find("engine unreachable: container poll; trying again later\n"), std::string::npos);
}

TEST_F(MainLoopTest, SuspendPausesOnceAndResumeUnpausesWithoutReports) {
  job.config.verbose = 0;
  const CLIENT_STATUS running, suspended{.is_suspended = 1}, quitting{.quit_asked = 1};
  // Tick 0 runs, then ten suspended seconds, then resume, then quit.
  runtime.statuses = {running};
  for (int i = 0; i < 10; ++i) runtime.statuses.push_back(suspended);
  runtime.statuses.push_back(running);
  runtime.statuses.push_back(quitting);
  for (int i = 0; i < 2; ++i) runner.reply("ps", {"{\"Status\":\"Up\"}\n"});
  StderrCapture log;
  try {
    run_main_loop(job);
  } catch (const JobEnded& end) {
    EXPECT_FALSE(end.finished);
    EXPECT_EQ(end.code, 0);
  }
  const std::string ps = "ps --all --filter \"name=corvo__proj__res_1\" --format json";
  EXPECT_EQ(runner.commands, (Lines{ps, "stats --format json corvo__proj__res_1", "pause corvo__proj__res_1", ps,
                                    "unpause corvo__proj__res_1", "pause corvo__proj__res_1"}));
  // Only tick 0 reported: at tick 10 the container was paused.
  EXPECT_EQ(runtime.progress.size(), 1u);
}

TEST_F(MainLoopTest, ASuspendAfterTheContainerExitedFinishesTheJob) {
  job.config.verbose = 0;
  runtime.status.is_suspended = 1;
  runner.reply("pause", {"Error: container corvo__proj__res_1 is not running\n"}, 0, 125);
  runner.reply("ps", {"{\"Status\":\"Exited (0) now\"}\n"});
  JobEnded end = run_to_end();
  EXPECT_TRUE(end.finished);
  EXPECT_EQ(end.code, 0);
  const std::string ps = "ps --all --filter \"name=corvo__proj__res_1\" --format json";
  EXPECT_EQ(runner.commands, concat({"pause corvo__proj__res_1", ps}, kCleanup));
}

TEST_F(MainLoopTest, ASuspendWhileTheEngineStallsIsAppliedWhenItAnswers) {
  job.config.verbose = 0;
  runtime.status.is_suspended = 1;
  runner.reply("pause", {}, -102);
  runner.reply("ps", {"{\"Status\":\"Up\"}\n"});
  runner.reply("ps", {"{\"Status\":\"Up\"}\n"});
  runner.reply("ps", {"{\"Status\":\"Exited (0) now\"}\n"});
  JobEnded end = run_to_end();
  EXPECT_TRUE(end.finished);
  // The pause that failed, then the one that worked; none after it.
  EXPECT_EQ(std::count(runner.commands.begin(), runner.commands.end(), "pause corvo__proj__res_1"), 2);
  EXPECT_FALSE(job.container_running);
}

class ClientControlTest : public JobTest {};

TEST_F(ClientControlTest, RequestsInOrderOfPrecedence) {
  struct {
    const char* name;
    CLIENT_STATUS status;
    Lines commands;
    std::string log;
  } cases[] = {
      {"lost beats quit", {.client_lost = 1, .is_suspended = 1, .quit_asked = 1, .abort_asked = 1}, {"pause corvo__proj__res_1"},
       "no heartbeat from client - pausing and exiting\n"},
      {"quit beats abort", {.is_suspended = 1, .quit_asked = 1, .abort_asked = 1}, {"pause corvo__proj__res_1"},
       "got quit request from client - pausing container\n"},
      {"abort beats suspend", {.is_suspended = 1, .abort_asked = 1}, concat({"kill corvo__proj__res_1"}, kCleanup),
       "got abort request from client\nstderr from container:\nstderr end\n"},
  };
  for (const auto& c : cases) {
    FakeRunner fresh;
    job.engine = &fresh;
    job.config.verbose = 0;
    runtime.status = c.status;
    StderrCapture log;
    try {
      poll_client_msgs(job);
      ADD_FAILURE() << c.name;
    } catch (const JobEnded& end) {
      EXPECT_FALSE(end.finished) << c.name;
      EXPECT_EQ(end.code, 0) << c.name;
    }
    EXPECT_EQ(fresh.commands, c.commands) << c.name;
    EXPECT_EQ(log.text(), c.log) << c.name;
  }
}

TEST_F(ClientControlTest, SuspendLinesOnlyAtVerbosityTwo) {
  job.config.verbose = 2;
  job.container_running = false;
  runtime.status.is_suspended = 1;
  {
    StderrCapture log;
    EXPECT_EQ(poll_client_msgs(job), 0);
    EXPECT_EQ(log.text(), "client: suspended\n");
  }
  job.config.verbose = 1;
  runtime.status.is_suspended = 0;
  job.container_running = true;
  StderrCapture log;
  EXPECT_EQ(poll_client_msgs(job), 0);
  EXPECT_EQ(log.text(), "");
  EXPECT_TRUE(runner.commands.empty());
}

TEST_F(ClientControlTest, FractionDoneFile) {
  struct {
    const char* content;
    double value;
  } cases[] = {
      {nullptr, 0}, {"0.25\n", 0.25}, {"abc", 0}, {"", 0}, {" 7e-1 rest", 0.7},
      // The client takes a finite decimal from 0 to 1, nothing else.
      {"1.5", 1}, {"1e300", 1}, {"-0.5", 0}, {"nan", 0}, {"-inf", 0}, {"inf", 0}, {"1e999", 0}, {"0x1p-2", 0},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("fraction_done");
    if (c.content != nullptr) write_file("fraction_done", c.content);
    EXPECT_DOUBLE_EQ(read_fraction_done(), c.value) << (c.content ? c.content : "(missing)");
  }
}

TEST_F(StartContainerTest, CleanUpBeforeTheEngineIsSetUpSendsNothing) {
  job.engine_ready = false;
  StderrCapture log;
  cleanup_container(job);
  EXPECT_EQ(log.text(), "stderr from container:\nstderr end\n");
  EXPECT_TRUE(runner.commands.empty());
}
