#include "platform/process.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace platform {

process_ref current_process() { return static_cast<process_ref>(::getpid()); }

int current_process_id() { return static_cast<int>(::getpid()); }

namespace {

double timeval_seconds(const timeval& tv) {
  return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) * 1e-6;
}

// Another process's times come from /proc: fields 14 and 15 of its stat line.
bool proc_cpu_seconds(process_ref process, double& seconds) {
  std::string path = "/proc/" + std::to_string(process) + "/stat";
  std::FILE* file = std::fopen(path.c_str(), "re");
  if (file == nullptr) return false;
  char line[1024];
  bool read = std::fgets(line, sizeof line, file) != nullptr;
  std::fclose(file);
  if (!read) return false;
  // The command name in parentheses may hold blanks; fields follow its last ')'.
  const char* after_name = std::strrchr(line, ')');
  if (after_name == nullptr) return false;
  unsigned long user = 0, system = 0;
  if (std::sscanf(after_name + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu",
                  &user, &system) != 2) {
    return false;
  }
  long ticks = ::sysconf(_SC_CLK_TCK);
  if (ticks <= 0) return false;
  seconds = static_cast<double>(user + system) / static_cast<double>(ticks);
  return true;
}

}  // namespace

bool process_cpu_seconds(process_ref process, double& seconds) {
  if (process != current_process()) return proc_cpu_seconds(process, seconds);
  rusage usage{};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return false;
  seconds = timeval_seconds(usage.ru_utime) + timeval_seconds(usage.ru_stime);
  return true;
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

std::string own_executable_path() {
  char path[4096];
  ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  return std::string(path, static_cast<std::size_t>(length));
}

void restrict_program_search() {}

void terminate_process_now(int status) { ::_exit(status); }

}  // namespace platform
