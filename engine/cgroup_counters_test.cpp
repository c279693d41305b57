#include "engine/cgroup_counters.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

namespace {

const std::string kId = "bc3ed80bd696314b7109facb2a8bc8cf5c9108d94e511c38b5db1b79a13c5039";

FileLines file(Lines lines) { return {true, std::move(lines)}; }

}  // namespace

TEST(CgroupCounters, TheContainersOwnGroupIsFoundInEachLayout) {
  struct {
    const char* name;
    Lines proc_cgroup;
    int version;
    std::string cpu_dir, memory_dir, freezer_dir;
  } cases[] = {
      {"v1, Podman with cgroupfs",
       {"9:name=systemd:/libpod_parent/libpod-" + kId + "\n", "6:freezer:/libpod_parent/libpod-" + kId + "\n",
        "4:memory:/libpod_parent/libpod-" + kId + "\n", "2:cpuacct:/libpod_parent/libpod-" + kId + "\n",
        "1:cpu:/libpod_parent/libpod-" + kId + "\n", "0::/libpod_parent/libpod-" + kId + "\n"},
       1, "/sys/fs/cgroup/cpuacct/libpod_parent/libpod-" + kId, "/sys/fs/cgroup/memory/libpod_parent/libpod-" + kId,
       "/sys/fs/cgroup/freezer/libpod_parent/libpod-" + kId},
      {"v1, Docker, joined controllers, no freezer",
       {"4:cpu,cpuacct:/docker/" + kId, "3:memory:/docker/" + kId}, 1,
       "/sys/fs/cgroup/cpu,cpuacct/docker/" + kId, "/sys/fs/cgroup/memory/docker/" + kId, ""},
      {"v2, Docker with systemd", {"0::/system.slice/docker-" + kId + ".scope\n"}, 2,
       "/sys/fs/cgroup/system.slice/docker-" + kId + ".scope", "", ""},
      {"v2, rootless Podman, a group below the container's",
       {"0::/user.slice/user-1000.slice/user@1000.service/user.slice/libpod-" + kId + ".scope/container"}, 2,
       "/sys/fs/cgroup/user.slice/user-1000.slice/user@1000.service/user.slice/libpod-" + kId + ".scope/container",
       "", ""},
  };
  for (const auto& c : cases) {
    CgroupPlace place;
    std::string why;
    ASSERT_TRUE(find_cgroup(c.proc_cgroup, kId, place, why)) << c.name << ": " << why;
    EXPECT_EQ(place.version, c.version) << c.name;
    EXPECT_EQ(place.cpu_dir, c.cpu_dir) << c.name;
    EXPECT_EQ(place.memory_dir, c.memory_dir) << c.name;
    EXPECT_EQ(place.freezer_dir, c.freezer_dir) << c.name;
  }
}

TEST(CgroupCounters, AGroupThatIsNotPlainlyTheContainersIsRefused) {
  struct {
    const char* name;
    Lines proc_cgroup;
    const char* why;
  } cases[] = {
      {"a rootless engine without groups: the user's session", {"0::/user.slice/user-1000.slice/session-2.scope"},
       "is not the container's own"},
      {"the root group", {"0::/"}, "is not the container's own"},
      {"v1 without the memory controller", {"4:cpu,cpuacct:/docker/" + kId}, "no cgroup with CPU and memory counters"},
      {"a way out of the tree", {"0::/docker/" + kId + "/../../etc"}, "is not a plain path"},
      {"a control character", {"0::/docker/" + kId + "\x01x"}, "is not a plain path"},
      {"a NUL in a controller's name",
       {std::string("4:memory,") + '\0' + "x:/docker/" + kId, "2:cpuacct:/docker/" + kId}, "is not a plain path"},
      {"nothing readable", {"garbage", ""}, "no cgroup with CPU and memory counters"},
  };
  for (const auto& c : cases) {
    CgroupPlace place;
    std::string why;
    EXPECT_FALSE(find_cgroup(c.proc_cgroup, kId, place, why)) << c.name;
    EXPECT_EQ(place.version, 0) << c.name;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
  }
}

TEST(CgroupCounters, CountersOfEachVersion) {
  CgroupPlace v2{2, "/sys/fs/cgroup/g", "", ""};
  CgroupPlace v1{1, "/c/g", "/m/g", "/f/g"};
  EXPECT_EQ(counter_files(v2), (Lines{"/sys/fs/cgroup/g/cpu.stat", "/sys/fs/cgroup/g/memory.current",
                                      "/sys/fs/cgroup/g/memory.stat", "/sys/fs/cgroup/g/cgroup.events"}));
  EXPECT_EQ(counter_files(v1), (Lines{"/c/g/cpuacct.usage", "/m/g/memory.usage_in_bytes", "/m/g/memory.stat",
                                      "/c/g/cgroup.procs", "/f/g/freezer.state"}));
  struct {
    const char* name;
    CgroupPlace place;
    std::vector<FileLines> files;
    bool ok;
    CgroupReading reading;
  } cases[] = {
      {"v2, running",
       v2,
       {file({"usage_usec 2500000", "user_usec 2000000"}), file({"10485760"}),
        file({"anon 100", "inactive_file 4194304", "active_file 1"}), file({"populated 1", "frozen 0"})},
       true,
       {2.5, 6291456, true, false}},
      {"v2, paused", v2,
       {file({"usage_usec 1"}), file({"5"}), file({"inactive_file 9"}), file({"populated 1", "frozen 1"})}, true,
       {1e-6, 0, true, true}},
      {"v2, emptied", v2,
       {file({"usage_usec 7000000"}), file({"0"}), file({"inactive_file 0"}), file({"populated 0", "frozen 0"})},
       true, {7, 0, false, false}},
      {"v2, gone", v2, {FileLines{}, FileLines{}, FileLines{}, FileLines{}}, false, {}},
      {"v2, a file of other figures", v2,
       {file({"usage 3"}), file({"5"}), file({"inactive_file 1"}), file({"populated 1"})}, false, {}},
      {"v1, running",
       v1,
       {file({"3000000000"}), file({"479232"}), file({"inactive_file 0", "total_inactive_file 4096"}),
        file({"26985", "27001"}), file({"THAWED"})},
       true,
       {3, 475136, true, false}},
      {"v1, frozen and empty", v1,
       {file({"1"}), file({"1"}), file({"inactive_file 0"}), file({}), file({"FROZEN"})}, true,
       {1e-9, 1, false, true}},
      {"v1, the group removed", v1, {FileLines{}, FileLines{}, FileLines{}, FileLines{}, FileLines{}}, false, {}},
      {"too few files", v1, {file({"1"})}, false, {}},
  };
  for (const auto& c : cases) {
    CgroupReading reading;
    EXPECT_EQ(read_counters(c.place, c.files, reading), c.ok) << c.name;
    if (!c.ok) continue;
    EXPECT_DOUBLE_EQ(reading.cpu_seconds, c.reading.cpu_seconds) << c.name;
    EXPECT_DOUBLE_EQ(reading.working_set, c.reading.working_set) << c.name;
    EXPECT_EQ(reading.populated, c.reading.populated) << c.name;
    EXPECT_EQ(reading.frozen, c.reading.frozen) << c.name;
  }
}
