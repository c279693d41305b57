// The stats query, with a recording fake engine.
#include <gtest/gtest.h>

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

