// The stats query and what a report credits, with a recording fake engine.
#include <gtest/gtest.h>

#include "driver/client_control.h"
#include "driver/container_stats.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

class StatsTest : public JobTest {};

TEST_F(StatsTest, EngineTextForm) {
  FakeRunner podman(ENGINE_PODMAN);
  job.engine = &podman;
  job.init_data.ncpus = 2.0;
  struct {
    Lines reply;
    int result;
    double cpus, wss;
    std::string log;
  } cases[] = {
      // Docker prints binary units, Podman decimal ones.
      {{"50.00% 1.5MiB / 2GiB\n"}, 0, 0.5, 1.5 * 1048576, ""},
      {{"garbage\n", "12% 3kB / 1GB\n"}, 0, 0.12, 3000, ""},
      {{"1.00% 2.4GB / 8GB\n"}, 0, 0.01, 2.4e9, ""},
      {{"1.00% 512KiB / 8GiB\n"}, 0, 0.01, 512 * 1024.0, ""},
      {{"1.00% 1.5TB / 8TB\n"}, 0, 0.01, 1.5e12, ""},
      {{"1.00% 2TiB / 8TiB\n"}, 0, 0.01, 2 * 1099511627776.0, ""},
      {{"1.00% 900B / 8GB\n"}, 0, 0.01, 900, ""},
      {{"150.25% 1G / 2G\n"}, 0, 1.5025, 1073741824, ""},
      {{"350% 1G / 2G\n"}, 0, 2.0, 1073741824, "stats command returned excessive CPU usage\n"},
      // An exited container shows no memory: it has gone.
      {{"0.00% 0B / 0B\n"}, kContainerGone, 0, 0, "stats command returned zero memory\n"},
      {{"1% 0B / 2G\n"}, kContainerGone, 0, 0, "stats command returned zero memory\n"},
      {{"1% 5PB / 9PB\n"}, -1, 0, 0, ""},
      {{"1% 5 / 9\n"}, -1, 0, 0, ""},
      {{"nothing useful\n"}, -1, 0, 0, "stats command parse failed\n"},
      {{}, -1, 0, 0, "stats command returned nothing\n"},
  };
  const JOB fresh = job;
  for (const auto& c : cases) {
    job = fresh;  // each row with a job that has said nothing yet
    podman.reply("stats", c.reply);
    CONTAINER_STATS stats;
    StderrCapture log;
    EXPECT_EQ(get_container_stats(job, stats), c.result) << c.reply.size();
    if (c.result == 0) {
      EXPECT_DOUBLE_EQ(stats.cpus, c.cpus);
      EXPECT_DOUBLE_EQ(stats.wss, c.wss);
    }
    EXPECT_EQ(log.text(), c.log);
  }
  EXPECT_EQ(podman.commands.back(),
            "stats --no-stream --format \"{{.CPUPerc}} {{.MemUsage}} {{.CPUNano}}\" corvo__proj__res_1");
}

TEST_F(StatsTest, AMessageThatWouldRepeatEveryReportIsSaidOnce) {
  FakeRunner podman(ENGINE_PODMAN);
  job.engine = &podman;
  job.init_data.ncpus = 2.0;
  StderrCapture log;
  for (int i = 0; i < 3; ++i) {
    podman.reply("stats", {"350% 1G / 2G\n"});
    CONTAINER_STATS stats;
    EXPECT_EQ(get_container_stats(job, stats), 0);
    EXPECT_DOUBLE_EQ(stats.cpus, 2.0);
  }
  EXPECT_EQ(log.text(), "stats command returned excessive CPU usage\n");
}

TEST_F(StatsTest, CreditForTheTimeTheContainerRan) {
  FakeRunner podman(ENGINE_PODMAN);
  job.engine = &podman;
  job.init_data.ncpus = 2.0;
  job.config.verbose = 0;
  struct {
    const char* name;
    Lines reply;
    double running_seconds;
    double credit;
    double wss;
  } cases[] = {
      {"a slow query: the time it took counts", {"50.00% 10MB / 1GB\n"}, 12.3, 6.15, 1e7},
      {"no figures: all CPUs, 100 MB", {"nothing\n"}, 10, 20, 1e8},
      {"the container has gone: nothing, the last memory kept", {"0.00% 0B / 0B\n"}, 10, 0, 1e8},
      {"a paused stretch left out by the caller", {"100.00% 10MB / 1GB\n"}, 4, 4, 1e7},
      {"a job that stopped working during the stretch: half of it", {"0.00% 10MB / 1GB\n"}, 10, 5, 1e7},
      // Podman counts the container's CPU time: its first count starts the
      // tally, each later one credits what it grew by.
      {"podman's first count: the rates at both ends", {"50.00% 10MB / 1GB 5000000000\n"}, 10, 2.5, 1e7},
      {"podman's count grew by 7 s", {"95.00% 10MB / 1GB 12000000000\n"}, 10, 7, 1e7},
      {"grew by 1 s while mostly paused", {"95.00% 10MB / 1GB 13000000000\n"}, 2, 1, 1e7},
      // A stretch credited without the count is not counted again by it.
      {"no figures: all CPUs", {"nothing\n"}, 10, 20, 1e8},
      {"the count after a gap starts afresh: the rate", {"95.00% 10MB / 1GB 25000000000\n"}, 2, 1.9, 1e7},
      {"the count grew by 3 s", {"95.00% 10MB / 1GB 28000000000\n"}, 4, 3, 1e7},
      {"a count that went back: a new container", {"10.00% 10MB / 1GB 1500000000\n"}, 10, 1.5, 1e7},
  };
  for (const auto& c : cases) {
    podman.reply("stats", c.reply);
    job.running_seconds = c.running_seconds;
    double before = job.cpu_time;
    StderrCapture quiet;
    report_progress(job);
    EXPECT_NEAR(job.cpu_time - before, c.credit, 1e-9) << c.name;
    EXPECT_EQ(job.running_seconds, 0) << c.name;
    EXPECT_EQ(runtime.progress.back().wss, c.wss) << c.name;
  }
}

TEST_F(StatsTest, DockerCountsCpuTimeOutsideItsReplies) {
  FakeRunner docker(ENGINE_DOCKER);
  job.engine = &docker;
  job.init_data.ncpus = 2.0;
  struct {
    const char* name;
    double counter;
    const char* reply;
    double running_seconds;
    double credit;
  } cases[] = {
      {"the first count: the rate", 3.0, "100.00% 1MiB / 1GiB\n", 10, 10},
      {"the count grew by 4 s", 7.0, "0.00% 1MiB / 1GiB\n", 10, 4},
      {"the counter out of reach: the rates at both ends", -1, "50.00% 1MiB / 1GiB\n", 10, 2.5},
      {"back: the rate once more", 30.0, "100.00% 1MiB / 1GiB\n", 10, 7.5},
      {"the count grew by 0.5 s", 30.5, "0.00% 1MiB / 1GiB\n", 10, 0.5},
      {"the container has gone: nothing", 31.0, "0.00% 0B / 0B\n", 10, 0},
  };
  for (const auto& c : cases) {
    docker.reply("stats", {c.reply});
    docker.cpu_counter = c.counter;
    job.running_seconds = c.running_seconds;
    double before = job.cpu_time;
    StderrCapture quiet;
    report_progress(job);
    EXPECT_NEAR(job.cpu_time - before, c.credit, 1e-9) << c.name;
  }
}

TEST_F(StatsTest, WslcJsonForm) {
  struct {
    Lines reply;
    int result;
    double cpus, wss;
    std::string log;
  } cases[] = {
      {{"{\"CPUPerc\":\"25.5%\",\"MemUsage\":\"2MiB / 1GiB\"}\n"}, 0, 0.255, 2 * 1048576, ""},
      {{"{\"MemUsage\":\"2M\"}\n"}, 0, 0, 2 * 1048576, "status: missing CPU in {\"MemUsage\":\"2M\"}\n\n"},
      {{"{\"CPUPerc\":\"1%\"}\n"}, -1, 0, 0, "status: missing mem in {\"CPUPerc\":\"1%\"}\n\n"},
      {{"{\"CPUPerc\":1,\"MemUsage\":\"1K\"}\n"}, 0, 0, 1024, "status: missing CPU in {\"CPUPerc\":1,\"MemUsage\":\"1K\"}\n\n"},
      {{"oops\n"}, -1, 0, 0, "stats: failed to parse oops\n: "},
  };
  for (const auto& c : cases) {
    runner.reply("stats", c.reply);
    CONTAINER_STATS stats;
    StderrCapture log;
    EXPECT_EQ(get_container_stats(job, stats), c.result) << c.reply[0];
    if (c.result == 0) {
      EXPECT_DOUBLE_EQ(stats.cpus, c.cpus) << c.reply[0];
      EXPECT_DOUBLE_EQ(stats.wss, c.wss) << c.reply[0];
    }
    EXPECT_EQ(log.text().substr(0, c.log.size()), c.log);
  }
  EXPECT_EQ(runner.commands.back(), "stats --format json corvo__proj__res_1");
  runner.reply("stats", {}, -1);
  CONTAINER_STATS stats;
  StderrCapture log;
  EXPECT_EQ(get_container_stats(job, stats), -1);
  EXPECT_EQ(get_container_stats(job, stats), -1);
  EXPECT_EQ(log.text(), "stats command failed\nstats command returned nothing\n");
}

