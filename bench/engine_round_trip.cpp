// Round trip of engine commands through the long-lived engine shell, against
// the same commands started as a child process each, with an engine program
// that does nothing. Prints the median and 99th percentile of each.
//
// usage: engine_round_trip [COMMANDS]   (default 500)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/docker_conn.h"
#include "platform/child_process.h"
#include "platform/shell_capture.h"

namespace fs = std::filesystem;
using BenchClock = std::chrono::steady_clock;

namespace {

struct Figures {
  double median_ms;
  double p99_ms;
};

Figures measure(int count, const std::function<void()>& command) {
  std::vector<double> times;
  for (int i = 0; i < count; ++i) {
    auto start = BenchClock::now();
    command();
    times.push_back(std::chrono::duration<double, std::milli>(BenchClock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 99 / 100)]};
}

void report(const char* what, const Figures& f) {
  std::printf("%-44s median %7.3f ms   p99 %7.3f ms\n", what, f.median_ms, f.p99_ms);
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 500;
  if (count <= 0) count = 500;
  // A do-nothing engine: "podman" is /bin/true, first on PATH.
  fs::path dir = fs::temp_directory_path() / ("quayside-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::create_symlink("/bin/true", dir / "podman");
  std::string path = dir.string() + ":" + std::getenv("PATH");
  setenv("PATH", path.c_str(), 1);

  WSL_DISTRO_DESC distro;
  distro.distro_name = "corvo-tavi-runner";
  distro.docker_type = ENGINE_PODMAN;
  DOCKER_CONN shell_path;
  if (shell_path.init(distro) != 0) {
    std::fprintf(stderr, "can't start the engine shell\n");
    return 1;
  }
  std::vector<std::string> lines;
  int status = 0;
  // Warm up the shell and the page cache before measuring.
  for (int i = 0; i < 20; ++i) shell_path.run_engine_command(EngineCommand{"ps", "--all"}, lines, false, status);

  std::printf("%d commands of a do-nothing engine (/bin/true)\n", count);
  Figures own = measure(count, [&] {
    auto child = platform::ChildProcess::start({(dir / "podman").string(), "ps", "--all"}, ".");
    child->wait();
  });
  report("engine started as a child process each time", own);
  Figures shell = measure(count, [&] { shell_path.run_engine_command(EngineCommand{"ps", "--all"}, lines, false, status); });
  report("through the long-lived engine shell", shell);
  // The way engine commands once ran: a command interpreter started for
  // each, its output read line by line.
  Figures interpreter = measure(count, [&] {
    auto capture = platform::ShellCapture::start("podman ps --all 2>&1");
    char line[4096];
    while (capture->read_line(line, sizeof line)) lines.emplace_back(line);
    capture->finish();
  });
  report("through the command interpreter each time", interpreter);
  std::printf("shell path above the engine's own run: median %+.3f ms\n", shell.median_ms - own.median_ms);
  fs::remove_all(dir);
  return 0;
}
