#include "driver/container_state.h"

#include <gtest/gtest.h>

#include "lib/result_codes.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

TEST(StateFromText, FirstWordFoundDecides) {
  struct {
    const char* text;
    CONTAINER_STATE state;
  } cases[] = {
      {"created", CONTAINER_CREATED},
      {"Up 2 minutes (Paused)\n", CONTAINER_PAUSED},
      {"RUNNING", CONTAINER_RUNNING},
      {"Exited (137) 3 seconds ago\n", CONTAINER_EXITED},
      {"Up 2 minutes\n", CONTAINER_OTHER},
      {"", CONTAINER_OTHER},
      {"created, then running", CONTAINER_CREATED},
  };
  for (const auto& c : cases) EXPECT_EQ(state_from_text(c.text), c.state) << c.text;
}

class ContainerStateTest : public JobTest {};

TEST_F(ContainerStateTest, WslcStateFromJson) {
  struct {
    Lines reply;
    int result;
    CONTAINER_STATE state;
    std::string log;
  } cases[] = {
      {{}, 0, CONTAINER_ABSENT, ""},
      {{"{\"State\":\"running\",\"Status\":\"Up\"}\n"}, 0, CONTAINER_RUNNING, ""},
      {{"{\"State\":\"exited\"}\n", "ignored\n"}, 0, CONTAINER_EXITED, ""},
      {{"{\"Status\":\"Up\"}\n"}, -1, CONTAINER_ABSENT, "No State in {\"Status\":\"Up\"}\n\n"},
      {{"{\"State\":3}\n"}, -1, CONTAINER_ABSENT, "No State in {\"State\":3}\n\n"},
      {{"[1]\n"}, -1, CONTAINER_ABSENT, "No State in [1]\n\n"},
  };
  for (const auto& c : cases) {
    runner.reply("ps", c.reply);
    CONTAINER_STATE state = CONTAINER_RUNNING;
    StderrCapture log;
    EXPECT_EQ(get_container_state(job, state).code, c.result);
    EXPECT_EQ(state, c.state);
    EXPECT_EQ(log.text(), c.log);
  }
  EXPECT_EQ(runner.commands.back(), "ps --all --filter \"name=corvo__proj__res_1\" --format json");
}

TEST_F(ContainerStateTest, WslcUnparsableJsonAndFailedCommand) {
  runner.reply("ps", {"not json\n"});
  CONTAINER_STATE state;
  StderrCapture log;
  EXPECT_EQ(get_container_state(job, state).code, -1);
  EXPECT_EQ(log.text().rfind("failed to parse ps output not json\n: [json.exception.parse_error", 0), 0u);

  runner.reply("ps", {}, -1);
  StderrCapture log2;
  EXPECT_EQ(get_container_state(job, state).code, -1);
  EXPECT_EQ(log2.text(), "ps command failed\n");
}

TEST_F(ContainerStateTest, EngineStateFromNamesAndStatus) {
  FakeRunner podman(ENGINE_PODMAN);
  job.engine = &podman;
  struct {
    Lines reply;
    CONTAINER_STATE state;
    std::string log;
  } cases[] = {
      {{}, CONTAINER_ABSENT, ""},
      {{"NAMES|STATUS\n"}, CONTAINER_ABSENT, ""},
      {{"corvo__proj__res_1|Exited (137) 2 seconds ago\n"}, CONTAINER_EXITED,
       "container state: Exited (137) 2 seconds ago\n\n"},
      {{"other|Up\n", "corvo__proj__res_1|Up 1 minute (Paused)\n"}, CONTAINER_PAUSED,
       "container state: Up 1 minute (Paused)\n\n"},
      // Only a line of exactly our name and a status counts.
      {{"corvo__proj__res_1\n", "corvo__proj__res_1|Up\n"}, CONTAINER_RUNNING, "container state: Up\n\n"},
      {{"x corvo__proj__res_1|Up\n", "corvo__proj__res_10|Up\n"}, CONTAINER_ABSENT, ""},
      {{"corvo__proj__res_1|Up 3 minutes\n"}, CONTAINER_RUNNING, "container state: Up 3 minutes\n\n"},
      {{"corvo__proj__res_1|Restarting (1) 2 seconds ago\n"}, CONTAINER_OTHER,
       "container state: Restarting (1) 2 seconds ago\n\n"},
  };
  for (const auto& c : cases) {
    podman.reply("ps", c.reply);
    CONTAINER_STATE state;
    StderrCapture log;
    EXPECT_EQ(get_container_state(job, state).code, 0);
    EXPECT_EQ(state, c.state);
    EXPECT_EQ(log.text(), c.log);
  }
  EXPECT_EQ(podman.commands.back(),
            "ps --all --filter \"name=^corvo__proj__res_1$\" --format \"{{.Names}}|{{.Status}}\"");
  EXPECT_FALSE(podman.shows.back());

  podman.reply("ps", {}, -107);
  CONTAINER_STATE state;
  EXPECT_EQ(get_container_state(job, state).code, -107);
}

// A failed query tells the job whether to wait for the engine or to give up
// on the container: the answer travels with the step, not beside it.
TEST_F(ContainerStateTest, FailedQuerySaysWhetherAnEngineAnswered) {
  FakeRunner podman(ENGINE_PODMAN);
  job.engine = &podman;
  struct {
    const char* name;
    Lines reply;
    int result;
    int exit_status;
    int code;
    bool unreachable;
  } cases[] = {
      {"the shell ended", {}, RC_CONNECT_FAILED, -1, RC_CONNECT_FAILED, true},
      {"silence past the limit", {}, RC_TIMED_OUT, -1, RC_TIMED_OUT, true},
      {"the service is down", {"Error: unable to connect to Podman socket\n"}, 0, 125, -1, true},
      {"the engine refused", {"Error: something else\n"}, 0, 125, -1, false},
      {"the program could not run", {}, -1, -1, -1, false},
  };
  for (const auto& c : cases) {
    podman.reply("ps", c.reply, c.result, c.exit_status);
    podman.reply("ps", c.reply, c.result, c.exit_status);
    CONTAINER_STATE state;
    StderrCapture log;
    EngineStep step = get_container_state(job, state);
    EXPECT_EQ(step.code, c.code) << c.name;
    EXPECT_EQ(step.unreachable, c.unreachable) << c.name;
    bool unreachable = !c.unreachable;
    EXPECT_EQ(poll_container(job, &unreachable), POLL_FAILED) << c.name;
    EXPECT_EQ(unreachable, c.unreachable) << c.name;
  }
  podman.reply("ps", {"corvo__proj__res_1|Up\n"});
  bool unreachable = true;
  EXPECT_EQ(poll_container(job, &unreachable), POLL_RUNNING);
  EXPECT_FALSE(unreachable);
}

TEST_F(ContainerStateTest, WslcPoll) {
  struct {
    Lines reply;
    int result;
    POLL_OUTCOME outcome;
    int exit_status;
    std::string log;
  } cases[] = {
      {{"{\"Status\":\"Up 1 minute\"}\n"}, 0, POLL_RUNNING, 0, ""},
      {{"{\"Status\":\"Exited (3) 1 second ago\"}\n"}, 0, POLL_EXITED, 3, ""},
      {{"{\"Status\":\"Exited (x)\"}\n"}, 0, POLL_RUNNING, 0, ""},
      {{}, 0, POLL_FAILED, 0, ""},
      {{}, -1, POLL_FAILED, 0, "poll: ps command failed\n"},
      {{"{\"State\":\"running\"}\n"}, 0, POLL_FAILED, 0, "No Status in {\"State\":\"running\"}\n\n"},
      {{"{\"Status\":null}\n"}, 0, POLL_FAILED, 0, "No Status in {\"Status\":null}\n\n"},
  };
  for (const auto& c : cases) {
    job.container_exit_status = 0;
    runner.reply("ps", c.reply, c.result);
    StderrCapture log;
    EXPECT_EQ(poll_container(job), c.outcome);
    EXPECT_EQ(job.container_exit_status, c.exit_status);
    EXPECT_EQ(log.text(), c.log);
  }
}

TEST_F(ContainerStateTest, EnginePoll) {
  FakeRunner docker(ENGINE_DOCKER);
  job.engine = &docker;
  struct {
    Lines reply;
    int result;
    POLL_OUTCOME outcome;
    int exit_status;
    std::string log;
  } cases[] = {
      {{"corvo__proj__res_1|Up 1 minute\n"}, 0, POLL_RUNNING, 0, ""},
      {{"corvo__proj__res_1|Exited (137) 5 s ago\n"}, 0, POLL_EXITED, 137, ""},
      {{"corvo__proj__res_1|Exited ( -2) now\n"}, 0, POLL_EXITED, -2, ""},
      {{}, 0, POLL_FAILED, 0, "Container name not found in ps output; quitting\n"},
      {{}, -1, POLL_FAILED, 0, "poll: ps command failed\n"},
      {{"corvo__proj__res_1|Exited (oops)\n"}, 0, POLL_FAILED, 0,
       "can't read exit code in: corvo__proj__res_1|Exited (oops)\n"},
      {{"corvo__proj__res_1|Exited (12\n"}, 0, POLL_FAILED, 0, "can't read exit code in: corvo__proj__res_1|Exited (12\n"},
      {{"corvo__proj__res_10|Exited (9) now\n", "corvo__proj__res_1|Up 1 minute\n"}, 0, POLL_RUNNING, 0, ""},
      {{"corvo__proj__res_10|Exited (9) now\n"}, 0, POLL_FAILED, 0,
       "Container name not found in ps output; quitting\n"},
      // Only the status counts, whatever else a line says: an image's command
      // or a name that holds ours.
      {{"corvo__proj__res_1|Up 1 minute /bin/Exited (0)\n"}, 0, POLL_RUNNING, 0, ""},
      {{"x corvo__proj__res_1|Exited (0) now\n"}, 0, POLL_FAILED, 0,
       "Container name not found in ps output; quitting\n"},
  };
  for (const auto& c : cases) {
    job.container_exit_status = 0;
    docker.reply("ps", c.reply, c.result);
    StderrCapture log;
    EXPECT_EQ(poll_container(job), c.outcome);
    EXPECT_EQ(job.container_exit_status, c.exit_status);
    EXPECT_EQ(log.text(), c.log);
  }
  EXPECT_EQ(docker.commands.back(), "ps --all -f \"name=^corvo__proj__res_1$\" --format \"{{.Names}}|{{.Status}}\"");
}
