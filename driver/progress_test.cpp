// What a report credits and sends, with a recording fake engine.
#include <gtest/gtest.h>

#include "driver/progress.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

class ProgressTest : public JobTest {};

TEST_F(ProgressTest, CreditForTheTimeTheContainerRan) {
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

TEST_F(ProgressTest, DockerCountsCpuTimeOutsideItsReplies) {
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
