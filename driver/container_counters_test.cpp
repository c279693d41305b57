#include "driver/container_counters.h"

#include <gtest/gtest.h>

#include "driver/container_stats.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

namespace {

const std::string kId = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::string kGroup = "/sys/fs/cgroup/system.slice/libpod-" + kId + ".scope";
const std::string kPs = "ps --all -f \"name=^corvo__proj__res_1$\" --format \"{{.Names}}|{{.Status}}\"";
const std::string kInspect = "inspect --format '{{.State.Pid}} {{.Id}}' corvo__proj__res_1";

class ContainerCountersTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    job.engine = &podman;
    job.init_data.ncpus = 4;
    prepare();
  }
  // A fresh engine with a running container in its group.
  void prepare() {
    podman = FakeRunner(ENGINE_PODMAN);
    podman.reply("inspect", {"4242 " + kId + "\n"});
    podman.files["/proc/4242/cgroup"] = {true, {"0::/system.slice/libpod-" + kId + ".scope"}};
    count(1.5, 1000, true);
  }
  // The group's counters now: CPU seconds, memory in use, whether a process is left.
  void count(double cpu_seconds, double memory, bool populated) {
    podman.files[kGroup + "/cpu.stat"] = {true, {"usage_usec " + std::to_string(static_cast<long long>(cpu_seconds * 1e6))}};
    podman.files[kGroup + "/memory.current"] = {true, {std::to_string(static_cast<long long>(memory))}};
    podman.files[kGroup + "/memory.stat"] = {true, {"anon 1", "inactive_file 200"}};
    podman.files[kGroup + "/cgroup.events"] = {true, {populated ? "populated 1" : "populated 0", "frozen 0"}};
  }
  std::string locate() {
    StderrCapture log;
    locate_counters(job);
    return log.text();
  }
  FakeRunner podman{ENGINE_PODMAN};
};

}  // namespace

TEST_F(ContainerCountersTest, ARunningContainerIsWatchedWithoutEnginePrograms) {
  EXPECT_EQ(locate(), "container counters: cgroup v2 at " + kGroup + "; no engine program runs while the container does\n");
  EXPECT_EQ(podman.commands, Lines{kInspect});
  // Ten seconds later the job has used 5 more seconds of CPU.
  clock.time += 10;
  count(6.5, 5000, true);
  EXPECT_EQ(watch_container(job), POLL_RUNNING);
  CONTAINER_STATS stats;
  ASSERT_EQ(get_container_stats(job, stats), 0);
  EXPECT_DOUBLE_EQ(job.last_cpu_seconds, 1.5);  // a container found running: counted from here
  EXPECT_DOUBLE_EQ(stats.cpu_seconds, 6.5);
  EXPECT_DOUBLE_EQ(stats.cpus, 0.5);
  EXPECT_DOUBLE_EQ(stats.wss, 4800);  // usage less the inactive file cache
  EXPECT_EQ(podman.commands, Lines{kInspect});
  // The group emptied: the engine tells how the container ended.
  count(7, 0, false);
  podman.reply("ps", {"corvo__proj__res_1|Exited (3) 1 second ago\n"});
  EXPECT_EQ(watch_container(job), POLL_EXITED);
  EXPECT_EQ(job.container_exit_status, 3);
  EXPECT_EQ(podman.commands, (Lines{kInspect, kPs}));
}

TEST_F(ContainerCountersTest, AContainerThisRunStartedIsCreditedFromItsStart) {
  job.container_started = true;
  locate();
  EXPECT_DOUBLE_EQ(job.last_cpu_seconds, 0);
}

TEST_F(ContainerCountersTest, CountersThatStopAnsweringAreGivenUpForTheEnginesQueries) {
  locate();
  podman.files.erase(kGroup + "/cpu.stat");
  podman.reply("ps", {"corvo__proj__res_1|Up 1 minute\n"});
  StderrCapture log;
  EXPECT_EQ(watch_container(job), POLL_RUNNING);
  EXPECT_EQ(log.text(), "container counters: " + kGroup +
                            " no longer tell a running container; the engine's ps and stats from now on\n");
  podman.reply("stats", {"25% 1MB / 2GB 9000000000\n"});
  CONTAINER_STATS stats;
  ASSERT_EQ(get_container_stats(job, stats), 0);
  EXPECT_DOUBLE_EQ(stats.cpu_seconds, 9);
  std::size_t reads = podman.file_reads.size();
  podman.reply("ps", {"corvo__proj__res_1|Up 1 minute\n"});
  EXPECT_EQ(watch_container(job), POLL_RUNNING);
  EXPECT_EQ(podman.file_reads.size(), reads);
}

TEST_F(ContainerCountersTest, AChannelThatFailsForAMomentGivesNothingUp) {
  locate();
  podman.files_readable = false;
  podman.reply("ps", {"corvo__proj__res_1|Up 1 minute\n"});
  EXPECT_EQ(watch_container(job), POLL_RUNNING);
  EXPECT_EQ(job.counters.version, 2);
  podman.files_readable = true;
  EXPECT_EQ(watch_container(job), POLL_RUNNING);
  EXPECT_EQ(podman.commands, (Lines{kInspect, kPs}));
}

TEST_F(ContainerCountersTest, WhereCountersCantServeTheLogSaysWhy) {
  struct {
    const char* name;
    std::function<void()> setup;
    std::string why;
  } cases[] = {
      {"no process (the container ended at once)",
       [&] {
         podman = FakeRunner(ENGINE_PODMAN);
         podman.reply("inspect", {"0 " + kId + "\n"});
       }, "the engine did not tell the container's process"},
      {"no shell", [&] { podman.files_readable = false; }, "the engine's side can't be read without a program"},
      {"a rootless engine's session group",
       [&] { podman.files["/proc/4242/cgroup"] = {true, {"0::/user.slice/user-1000.slice/session-3.scope"}}; },
       "the cgroup /user.slice/user-1000.slice/session-3.scope is not the container's own"},
      {"counters unreadable", [&] { podman.files.erase(kGroup + "/memory.stat"); },
       "the counters in " + kGroup + " can't be read"},
  };
  for (const auto& c : cases) {
    prepare();
    c.setup();
    EXPECT_EQ(locate(), "container counters: the engine's ps and stats (" + c.why + ")\n") << c.name;
    EXPECT_EQ(job.counters.version, 0) << c.name;
  }
  FakeRunner wslc(ENGINE_WSLC);
  job.engine = &wslc;
  EXPECT_EQ(locate(), "container counters: the engine's ps and stats (the engine's tool does not tell the container's process)\n");
  EXPECT_TRUE(wslc.commands.empty());
}
