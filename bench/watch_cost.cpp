// What watching one running container costs its host, per cycle of the
// job's main loop (one every 10 s): the engine's "ps" and "stats" started
// for each cycle (as where the counters can't serve), against the
// container's cgroup counters read by the engine shell's builtins. For each
// way a child process sets up the engine connection and runs the cycles;
// the CPU time of the child, of everything it started (the shell and the
// engine's programs) and of the engine's services (dockerd, containerd)
// over that time is the cost.
//
// usage: watch_cost podman|docker CONTAINER [CYCLES]   (default 50)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/cgroup_counters.h"
#include "engine/docker_conn.h"

namespace {

// The CPU seconds so far of every process of the given name (the engine's
// services), read from /proc.
double service_cpu_seconds(const std::vector<std::string>& names) {
  double total = 0;
  long ticks_per_second = ::sysconf(_SC_CLK_TCK);
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream comm(entry.path() / "comm");
    std::string name;
    if (!std::getline(comm, name)) continue;
    bool wanted = false;
    for (const auto& n : names) wanted = wanted || name == n;
    if (!wanted) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
      if (i == 14) utime = std::atof(field.c_str());
      if (i == 15) {
        stime = std::atof(field.c_str());
        break;
      }
    }
    total += (utime + stime) / static_cast<double>(ticks_per_second);
  }
  return total;
}

double children_cpu_seconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

// Sets up the connection, finds the container's cgroup, then runs the
// cycles of one way. Returns 0, or 1 when a cycle did not read the figures.
int run_cycles(int engine, const std::string& container, int cycles, bool counters) {
  DOCKER_CONN connection;
  WSL_DISTRO_DESC distro;
  distro.docker_type = engine;
  if (connection.init(distro) != 0) return 1;
  const EngineDialect& dialect = connection.dialect();
  CgroupPlace place;
  if (counters) {
    EngineCommand query;
    std::vector<std::string> lines;
    long pid = 0;
    std::string id, why;
    std::vector<FileLines> files;
    if (!dialect.process_query(container, query) || connection.run_engine_command(query, lines, false) != 0 ||
        !EngineDialect::read_process(lines, pid, id) ||
        !connection.read_engine_files({"/proc/" + std::to_string(pid) + "/cgroup"}, files) ||
        !find_cgroup(files[0].lines, id, place, why)) {
      std::fprintf(stderr, "the container's cgroup can't be found: %s\n", why.c_str());
      return 1;
    }
  }
  for (int i = 0; i < cycles; ++i) {
    if (counters) {
      std::vector<FileLines> files;
      CgroupReading reading;
      if (!connection.read_engine_files(counter_files(place), files) || !read_counters(place, files, reading) ||
          !reading.populated)
        return 1;
    } else {
      std::vector<std::string> lines;
      int exit_status = 0;
      if (connection.run_engine_command(dialect.poll_query(container), lines, false, exit_status) != 0 ||
          exit_status != 0)
        return 1;
      if (connection.run_engine_command(dialect.stats_query(container), lines, false, exit_status) != 0 ||
          exit_status != 0)
        return 1;
      double seconds = 0;
      connection.read_cpu_counter(container, seconds);  // Docker's count from its service, as a job reads it
    }
  }
  return 0;
}

struct Cost {
  bool ok = false;
  double seconds = 0;  // CPU seconds in all
};

Cost measure(int engine, const std::string& container, int cycles, bool counters,
             const std::vector<std::string>& services) {
  double children_before = children_cpu_seconds();
  double services_before = service_cpu_seconds(services);
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    int result = run_cycles(engine, container, cycles, counters);
    // The shell, its closed input read, ends: it is waited for, so that its
    // CPU time and that of the programs it ran count.
    while (::wait(nullptr) > 0) {
    }
    std::fflush(nullptr);
    ::_exit(result);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  double used = children_cpu_seconds() - children_before + service_cpu_seconds(services) - services_before;
  return {WIFEXITED(status) && WEXITSTATUS(status) == 0, used};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: watch_cost podman|docker CONTAINER [CYCLES]\n", stderr);
    return 2;
  }
  std::string engine_name = argv[1];
  int engine = engine_name == "docker" ? ENGINE_DOCKER : ENGINE_PODMAN;
  std::string container = argv[2];
  int cycles = argc > 3 ? std::max(1, std::atoi(argv[3])) : 50;
  std::vector<std::string> services{"dockerd", "containerd"};
  constexpr double kCycleSeconds = 10;
  bool ok = true;
  std::printf("%s, %d cycles each; one cycle every %.0f s of a running job:\n", engine_name.c_str(), cycles,
              kCycleSeconds);
  // Each way once without cycles: its set-up (the shell, and for the
  // counters the one query of the container's process), paid once a run.
  for (bool counters : {false, true}) {
    Cost setup = measure(engine, container, 0, counters, services);
    Cost run = measure(engine, container, cycles, counters, services);
    ok = ok && setup.ok && run.ok;
    double per_cycle = std::max(0.0, run.seconds - setup.seconds) / cycles;
    std::printf("  %-32s %8.2f ms of CPU per cycle = %6.3f %% of a core (set-up once: %.1f ms)%s\n",
                counters ? "cgroup counters, shell builtins" : "engine ps and stats per cycle", per_cycle * 1e3,
                per_cycle / kCycleSeconds * 100, setup.seconds * 1e3, setup.ok && run.ok ? "" : "   FAILED");
  }
  return ok ? 0 : 1;
}
