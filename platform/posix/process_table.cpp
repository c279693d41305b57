#include "platform/process_table.h"

#include <dirent.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

ProbeResult probe_process(int pid) {
  // 0 and below name process groups, not a client.
  if (pid < 1) return ProbeResult::lost;
  if (::kill(pid, 0) == 0 || errno == EPERM) return ProbeResult::alive;
  return ProbeResult::lost;
}

std::vector<ProcessEntry> process_table() {
  std::vector<ProcessEntry> table;
  DIR* dir = ::opendir("/proc");
  if (dir == nullptr) return table;
  while (dirent* entry = ::readdir(dir)) {
    char* end = nullptr;
    long pid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0') continue;
    std::string path = std::string("/proc/") + entry->d_name + "/stat";
    std::FILE* file = std::fopen(path.c_str(), "re");
    if (file == nullptr) continue;
    char line[1024];
    bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    const char* after_name = read ? std::strrchr(line, ')') : nullptr;
    int parent = 0;
    if (after_name != nullptr && std::sscanf(after_name + 1, " %*c %d", &parent) == 1) {
      table.push_back({static_cast<int>(pid), parent});
    }
  }
  ::closedir(dir);
  return table;
}

bool terminate_process(int pid, int) { return ::kill(pid, SIGKILL) == 0; }

}  // namespace platform
