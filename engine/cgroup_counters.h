// A running container's counters as the kernel keeps them in its control
// group: where they are (found once from the container's main process) and
// what they say. Read each cycle without starting any program, they stand in
// for the engine's "stats" and "ps" while the container runs.
#pragma once

#include <string>
#include <vector>

// What one file read on the engine's side held: its lines, without line
// ends, or found false when it could not be opened.
struct FileLines {
  bool found = false;
  std::vector<std::string> lines;
};

// Where a container's counters are: its group in cgroup version 1 (one
// directory per controller) or version 2 (one directory).
struct CgroupPlace {
  int version = 0;          // 0: not found
  std::string cpu_dir;      // v2: the group's directory; v1: its cpuacct directory
  std::string memory_dir;   // v1 only
  std::string freezer_dir;  // v1 only; empty when the freezer is not mounted
};

// The place of the group of the process whose /proc/PID/cgroup lines are
// given, when it is the container's own (its path holds container_id).
// False with why when the layout is unknown, the path is not the
// container's (a rootless engine without cgroups of its own), or the path
// is not a plain one.
bool find_cgroup(const std::vector<std::string>& proc_cgroup, const std::string& container_id, CgroupPlace& place,
                 std::string& why);

// The files read each cycle, in the order read_counters takes them.
std::vector<std::string> counter_files(const CgroupPlace& place);

struct CgroupReading {
  double cpu_seconds = 0;  // CPU time of everything in the group so far
  double working_set = 0;  // memory in use less the inactive file cache, in bytes, as the engines count it
  bool populated = false;  // a process is still in the group
  bool frozen = false;     // the group is paused
};

// Reads the files of counter_files. False when a counter can't be read (the
// group has gone, or a file says something unexpected).
bool read_counters(const CgroupPlace& place, const std::vector<FileLines>& files, CgroupReading& reading);
