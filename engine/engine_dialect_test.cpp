// How a command's reply is judged for each engine: from the runner's result,
// the program's exit status and what it printed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_dialect.h"
#include "engine/engine_reply.h"
#include "engine/engine_type.h"
#include "lib/result_codes.h"
#include "test_support.h"

using Lines = std::vector<std::string>;
using Outcome = EngineReply::Outcome;

TEST(EngineReply, EachEnginesRepliesAreJudgedByItsOwnTexts) {
  struct {
    const char* name;
    int engine;
    int result;
    int exit_status;
    Lines lines;
    bool error_line_refuses;
    Outcome outcome;
  } cases[] = {
      {"done", ENGINE_PODMAN, 0, 0, {"abc\n"}, true, Outcome::ok},
      {"done, an error mentioned in a build", ENGINE_PODMAN, 0, 0, {"Error: in a test\n"}, false, Outcome::ok},
      {"an Error line with status 0", ENGINE_DOCKER, 0, 0, {"Error: No such container: c\n"}, true, Outcome::refused},
      {"\"error\" in small letters is no refusal", ENGINE_DOCKER, 0, 0, {"error\n"}, true, Outcome::ok},
      {"an exit status", ENGINE_WSLC, 0, 125, {"no such container\n"}, true, Outcome::refused},
      {"Docker's daemon down", ENGINE_DOCKER, 0, 1,
       {"Cannot connect to the Docker daemon at unix:///var/run/docker.sock. Is the docker daemon running?\n"}, true,
       Outcome::unreachable},
      {"Podman's service down", ENGINE_PODMAN, 0, 125, {"Error: unable to connect to Podman socket\n"}, true,
       Outcome::unreachable},
      {"the WSL containers service down", ENGINE_WSLC, 0, 1, {"the service is not running\n"}, true,
       Outcome::unreachable},
      {"the tool's own \"Cannot connect\"", ENGINE_WSLC, 0, 1, {"Cannot connect to the service\n"}, true,
       Outcome::unreachable},
      {"Podman's words to Docker", ENGINE_DOCKER, 0, 125, {"unable to connect to Podman\n"}, true, Outcome::refused},
      {"an unreachable text with status 0 is no failure", ENGINE_PODMAN, 0, 0,
       {"Cannot connect to Podman\n"}, true, Outcome::ok},
      {"the shell ended", ENGINE_PODMAN, RC_CONNECT_FAILED, -1, {}, true, Outcome::unreachable},
      {"silence past the limit", ENGINE_DOCKER, RC_TIMED_OUT, -1, {}, true, Outcome::unreachable},
      {"a failed read", ENGINE_WSLC, RC_READ_FAILED, -1, {}, true, Outcome::unreachable},
      {"a request of the client", ENGINE_PODMAN, RC_RESULT_ABORTED_BY_USER, -1, {}, true, Outcome::given_up},
      {"the program could not run", ENGINE_WSLC, -1, -1, {}, true, Outcome::failed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(judge_reply(engine_dialect(c.engine), c.result, c.exit_status, c.lines, c.error_line_refuses),
              c.outcome)
        << c.name;
  }
  for (int result : {int{RC_CONNECT_FAILED}, int{RC_TIMED_OUT}, int{RC_READ_FAILED}}) EXPECT_TRUE(channel_lost(result)) << result;
  for (int result : {0, -1, int{RC_RESULT_ABORTED_BY_USER}}) EXPECT_FALSE(channel_lost(result)) << result;
}

TEST(EngineReply, ABuildsOutputTellsALostNetwork) {
  const EngineDialect& dialect = engine_dialect(ENGINE_PODMAN);
  struct {
    Lines lines;
    bool lost;
  } cases[] = {
      {{"STEP 1/2: FROM debian\n", "Error: unable to copy from source docker://debian\n"}, true},
      {{"dial tcp: lookup registry: network is unreachable\n"}, true},
      {{"server misbehaving\n"}, true},
      {{"Error: no such file Dockerfile\n"}, false},
      {{}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(dialect.says_network_lost(c.lines), c.lost) << c.lines.size();
  EXPECT_FALSE(dialect.says_refused({}));
  EXPECT_TRUE(dialect.says_refused({"a\n", "an Error here\n"}));
  EXPECT_FALSE(dialect.says_refused({"error\n"}));
}

TEST(EngineDialect, EachEnginesPollReplyIsReadByItsOwnForm) {
  const std::string name = "corvo__proj__res_1";
  struct {
    const char* case_name;
    int engine;
    Lines reply;
    POLL_OUTCOME outcome;
    int exit_code;
  } cases[] = {
      {"Docker, up", ENGINE_DOCKER, {name + "|Up 1 minute\n"}, POLL_RUNNING, 0},
      {"Podman, exited", ENGINE_PODMAN, {name + "|Exited (137) 5 s ago\n"}, POLL_EXITED, 137},
      {"another container's line", ENGINE_PODMAN, {name + "0|Exited (9) now\n"}, POLL_FAILED, 0},
      {"an unreadable code", ENGINE_DOCKER, {name + "|Exited (oops)\n"}, POLL_FAILED, 0},
      {"nothing listed", ENGINE_DOCKER, {}, POLL_FAILED, 0},
      {"the tool, up", ENGINE_WSLC, {"{\"Status\":\"Up 1 minute\"}\n"}, POLL_RUNNING, 0},
      {"the tool, exited", ENGINE_WSLC, {"{\"Status\":\"Exited (3) 1 second ago\"}\n"}, POLL_EXITED, 3},
      {"the tool, no status", ENGINE_WSLC, {"{\"State\":\"running\"}\n"}, POLL_FAILED, 0},
  };
  for (const auto& c : cases) {
    int exit_code = 0;
    POLL_OUTCOME outcome = POLL_FAILED;
    {
      StderrCapture quiet;  // the readers say what they can't read
      outcome = engine_dialect(c.engine).read_poll(c.reply, name, exit_code);
    }
    EXPECT_EQ(outcome, c.outcome) << c.case_name;
    if (c.outcome == POLL_EXITED) {
      EXPECT_EQ(exit_code, c.exit_code) << c.case_name;
    }
  }
}

TEST(EngineDialect, EachEnginesStateReplyIsReadByItsOwnForm) {
  const std::string name = "corvo__proj__res_1";
  struct {
    const char* case_name;
    int engine;
    Lines reply;
    int result;
    CONTAINER_STATE state;
  } cases[] = {
      {"Podman, nothing listed", ENGINE_PODMAN, {}, 0, CONTAINER_ABSENT},
      {"Docker, paused", ENGINE_DOCKER, {name + "|Up 2 minutes (Paused)\n"}, 0, CONTAINER_PAUSED},
      {"Podman, created", ENGINE_PODMAN, {name + "|Created\n"}, 0, CONTAINER_CREATED},
      {"Docker, a longer name only", ENGINE_DOCKER, {name + "0|Up\n"}, 0, CONTAINER_ABSENT},
      {"the tool, running", ENGINE_WSLC, {"{\"State\":\"running\"}\n"}, 0, CONTAINER_RUNNING},
      {"the tool, no state", ENGINE_WSLC, {"{\"Status\":\"Up\"}\n"}, -1, CONTAINER_ABSENT},
      {"the tool, not a document", ENGINE_WSLC, {"Up\n"}, -1, CONTAINER_ABSENT},
  };
  for (const auto& c : cases) {
    CONTAINER_STATE state = CONTAINER_OTHER;
    int result = 0;
    {
      StderrCapture quiet;
      result = engine_dialect(c.engine).read_state(c.reply, name, state);
    }
    EXPECT_EQ(result, c.result) << c.case_name;
    EXPECT_EQ(state, c.state) << c.case_name;
  }
}

TEST(EngineDialect, EachEnginesStatsReplyIsReadByItsOwnForm) {
  struct {
    const char* case_name;
    int engine;
    Lines reply;
    StatsReading reading;
    double percent;
    double bytes;
    double cpu_seconds;  // -1: not told
  } cases[] = {
      {"Docker, binary units", ENGINE_DOCKER, {"12.5% 1.5MiB / 2GiB\n"}, StatsReading::ok, 12.5, 1.5 * 1024 * 1024, -1},
      {"Podman, with its CPU count", ENGINE_PODMAN, {"99.0% 2kB / 1GB 2500000000\n"}, StatsReading::ok, 99, 2000,
       2.5},
      {"Docker ignores a trailing number", ENGINE_DOCKER, {"1% 1B / 1GB 7\n"}, StatsReading::ok, 1, 1, -1},
      {"Podman, an odd line before the figures", ENGINE_PODMAN, {"--\n", "5% 1MB / 2GB x\n"}, StatsReading::ok, 5,
       1e6, -1},
      {"a unit no engine prints", ENGINE_PODMAN, {"5% 1parsecs / 2GB\n"}, StatsReading::no_unit, 5, 0, -1},
      {"nothing", ENGINE_DOCKER, {}, StatsReading::nothing, 0, 0, -1},
      {"no figures", ENGINE_DOCKER, {"no such container\n"}, StatsReading::unreadable, 0, 0, -1},
      {"the tool", ENGINE_WSLC, {"{\"CPUPerc\":\"3.5%\",\"MemUsage\":\"10MiB / 1GiB\"}\n"}, StatsReading::ok, 3.5,
       10 * 1024 * 1024, -1},
      {"the tool, no memory", ENGINE_WSLC, {"{\"CPUPerc\":\"3.5%\"}\n"}, StatsReading::no_unit, 3.5, 0, -1},
      {"the tool, not a document", ENGINE_WSLC, {"3.5%\n"}, StatsReading::bad_document, 0, 0, -1},
  };
  for (const auto& c : cases) {
    double percent = 0, bytes = 0, cpu_seconds = -1;
    StatsReading reading;
    {
      StderrCapture quiet;
      reading = engine_dialect(c.engine).read_stats(c.reply, percent, bytes, cpu_seconds);
    }
    EXPECT_EQ(reading, c.reading) << c.case_name;
    if (c.reading == StatsReading::ok || c.reading == StatsReading::no_unit) {
      EXPECT_DOUBLE_EQ(percent, c.percent) << c.case_name;
    }
    if (c.reading == StatsReading::ok) {
      EXPECT_DOUBLE_EQ(bytes, c.bytes) << c.case_name;
    }
    EXPECT_DOUBLE_EQ(cpu_seconds, c.cpu_seconds) << c.case_name;
  }
}
