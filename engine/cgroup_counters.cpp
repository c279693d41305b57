#include "engine/cgroup_counters.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

const std::string kCgroupRoot = "/sys/fs/cgroup";

// A group's path as the kernel writes it: absolute, without "." or ".."
// parts and without control characters, so that the files named from it
// are the group's own.
bool plain_path(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  for (unsigned char c : path) {
    if (c < 0x20 || c == 0x7f) return false;
  }
  std::istringstream parts(path);
  std::string part;
  while (std::getline(parts, part, '/')) {
    if (part == "." || part == "..") return false;
  }
  return true;
}

bool holds_controller(const std::string& list, const char* controller) {
  std::istringstream names(list);
  std::string name;
  while (std::getline(names, name, ',')) {
    if (name == controller) return true;
  }
  return false;
}

// The number that is a file's whole first line.
bool first_number(const FileLines& file, double& value) {
  if (!file.found || file.lines.empty()) return false;
  const std::string& line = file.lines[0];
  char* end = nullptr;
  value = std::strtod(line.c_str(), &end);
  return end != line.c_str() && (*end == '\0' || *end == ' ');
}

// The number after "key " on a line of a file of keyed lines.
bool keyed_number(const FileLines& file, const std::string& key, double& value) {
  if (!file.found) return false;
  for (const auto& line : file.lines) {
    if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 || line[key.size()] != ' ') continue;
    char* end = nullptr;
    value = std::strtod(line.c_str() + key.size() + 1, &end);
    return end != line.c_str() + key.size() + 1;
  }
  return false;
}

}  // namespace

bool find_cgroup(const std::vector<std::string>& proc_cgroup, const std::string& container_id, CgroupPlace& place,
                 std::string& why) {
  place = CgroupPlace{};
  // Each group found: its directory, and its path as the kernel wrote it.
  struct Group {
    std::string dir, path;
  };
  Group unified, cpu, memory, freezer;
  for (std::string line : proc_cgroup) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    // HIERARCHY:CONTROLLERS:PATH; the path may hold ':'.
    std::size_t first = line.find(':');
    std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    std::string controllers = line.substr(first + 1, second - first - 1);
    std::string path = line.substr(second + 1);
    if (line.compare(0, first, "0") == 0 && controllers.empty()) unified = {kCgroupRoot + path, path};
    if (controllers.empty() || controllers.find('/') != std::string::npos || controllers[0] == '.') continue;
    Group group{kCgroupRoot + "/" + controllers + path, path};
    if (holds_controller(controllers, "cpuacct")) cpu = group;
    if (holds_controller(controllers, "memory")) memory = group;
    if (holds_controller(controllers, "freezer")) freezer = group;
  }
  std::vector<Group> groups;
  if (!cpu.dir.empty() && !memory.dir.empty()) {
    place.version = 1;
    place.cpu_dir = cpu.dir;
    place.memory_dir = memory.dir;
    place.freezer_dir = freezer.dir;
    groups = {cpu, memory};
    if (!freezer.dir.empty()) groups.push_back(freezer);
  } else if (!unified.dir.empty()) {
    place.version = 2;
    place.cpu_dir = unified.dir;
    groups = {unified};
  } else {
    why = "no cgroup with CPU and memory counters";
    return false;
  }
  for (const auto& group : groups) {
    // The whole directory: a controller's name is part of it on v1.
    if (!plain_path(group.dir)) {
      why = "the cgroup path " + group.dir + " is not a plain path";
    } else if (container_id.empty() || group.path.find(container_id) == std::string::npos) {
      why = "the cgroup " + group.path + " is not the container's own";
    } else {
      continue;
    }
    place = CgroupPlace{};
    return false;
  }
  return true;
}

std::vector<std::string> counter_files(const CgroupPlace& place) {
  if (place.version == 2) {
    const std::string& d = place.cpu_dir;
    return {d + "/cpu.stat", d + "/memory.current", d + "/memory.stat", d + "/cgroup.events"};
  }
  std::vector<std::string> files{place.cpu_dir + "/cpuacct.usage", place.memory_dir + "/memory.usage_in_bytes",
                                 place.memory_dir + "/memory.stat", place.cpu_dir + "/cgroup.procs"};
  if (!place.freezer_dir.empty()) files.push_back(place.freezer_dir + "/freezer.state");
  return files;
}

bool read_counters(const CgroupPlace& place, const std::vector<FileLines>& files, CgroupReading& reading) {
  if (place.version == 0 || files.size() != counter_files(place).size()) return false;
  double cpu = 0, usage = 0, inactive = 0;
  if (place.version == 2) {
    double populated = 0, frozen = 0;
    if (!keyed_number(files[0], "usage_usec", cpu) || !first_number(files[1], usage) ||
        !keyed_number(files[2], "inactive_file", inactive) || !keyed_number(files[3], "populated", populated)) {
      return false;
    }
    keyed_number(files[3], "frozen", frozen);  // kernels before 5.2 have no freezer here
    reading.cpu_seconds = cpu / 1e6;
    reading.populated = populated != 0;
    reading.frozen = frozen != 0;
  } else {
    if (!first_number(files[0], cpu) || !first_number(files[1], usage) || !files[3].found) return false;
    // The group's own count, with its children's, where the kernel gives it.
    if (!keyed_number(files[2], "total_inactive_file", inactive) && !keyed_number(files[2], "inactive_file", inactive)) {
      return false;
    }
    reading.cpu_seconds = cpu / 1e9;
    reading.populated = !files[3].lines.empty();
    reading.frozen = files.size() > 4 && files[4].found && !files[4].lines.empty() && files[4].lines[0] != "THAWED";
  }
  reading.working_set = std::max(0.0, usage - inactive);
  return true;
}
