// The container's log copied into stderr.txt at the end of a job: the real
// quayside binary runs a standalone job against a fake Podman whose "logs"
// prints a large file. Prints, per kind of log, quayside's CPU time, the
// throughput per CPU second and its peak resident memory, and checks that
// stderr.txt holds the log once, whole.
//
// usage: log_copy [MEGABYTES] [--gigabyte]   (default 100; --gigabyte adds a 1 GB log)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Writes size bytes of lines, each line_length bytes of fill and a newline.
void write_log(const fs::path& path, std::size_t size, std::size_t line_length, char fill) {
  std::string line(line_length, fill);
  line += '\n';
  std::ofstream out(path, std::ios::binary);
  for (std::size_t done = 0; done < size; done += line.size()) out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

struct Run {
  bool ok = false;
  double cpu_seconds = 0;
  long peak_kib = 0;
};

Run run_job(const std::string& quayside, const fs::path& slot, const fs::path& bin) {
  Run run;
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(slot.c_str()) != 0) ::_exit(126);
    std::string path = bin.string() + ":" + std::getenv("PATH");
    ::setenv("PATH", path.c_str(), 1);
    ::execl(quayside.c_str(), quayside.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return run;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peak_kib = usage.ru_maxrss;
  return run;
}

// Whether stderr.txt holds the log exactly once, between its two lines.
bool log_copied_once(const fs::path& stderr_txt, const fs::path& log) {
  std::ifstream text(stderr_txt, std::ios::binary), expected(log, std::ios::binary);
  const std::string head = "stderr from container:\n";
  std::string line;
  while (std::getline(text, line)) {
    if (line + "\n" == head) break;
  }
  if (!text) return false;
  std::vector<char> a(1 << 20), b(1 << 20);
  while (expected) {
    expected.read(b.data(), static_cast<std::streamsize>(b.size()));
    std::streamsize want = expected.gcount();
    text.read(a.data(), want);
    if (text.gcount() != want || std::memcmp(a.data(), b.data(), static_cast<std::size_t>(want)) != 0) return false;
  }
  std::getline(text, line);
  if (line != "stderr end") return false;
  // Nothing of the log a second time.
  std::string rest((std::istreambuf_iterator<char>(text)), std::istreambuf_iterator<char>());
  return rest.size() < 4096;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = 100;
  bool gigabyte = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--gigabyte") == 0) {
      gigabyte = true;
    } else {
      megabytes = std::strtoul(argv[i], nullptr, 10);
    }
  }
  std::string quayside = (fs::path(fs::canonical("/proc/self/exe")).parent_path() / "quayside").string();
  fs::path dir = fs::temp_directory_path() / ("quayside-log-bench-" + std::to_string(::getpid()));
  fs::path bin = dir / "bin", slot = dir / "slot";
  fs::create_directories(bin);
  std::ofstream(bin / "podman") << "#!/bin/sh\n"
                                   "case \"$1\" in\n"
                                   "  ps) n=${4#name=^}; echo \"${n%$}|Exited (0) now\" ;;\n"
                                   "  logs) cat \"" << (dir / "container.log").string() << "\" ;;\n"
                                   "esac\n";
  fs::permissions(bin / "podman", fs::perms::owner_all);

  struct Kind {
    const char* name;
    std::size_t size, line_length;
    char fill;
  };
  std::vector<Kind> kinds = {
      {"long lines (1 MiB)", megabytes << 20, (1u << 20) - 1, 'x'},
      {"short lines full of E", megabytes << 20, 79, 'E'},
  };
  if (gigabyte) kinds.push_back({"1 GB of 100-byte lines", std::size_t(1) << 30, 99, 'x'});
  std::printf("%-24s %10s %12s %14s %10s\n", "log", "size MB", "CPU s", "MB per CPU s", "peak MiB");
  int failures = 0;
  for (const auto& kind : kinds) {
    write_log(dir / "container.log", kind.size, kind.line_length, kind.fill);
    fs::remove_all(slot);
    fs::create_directories(slot);
    // A standalone job needs something to build from (never built here: the
    // container is found exited), and this one keeps its log whole.
    std::ofstream(slot / "Dockerfile") << "FROM scratch\n";
    std::ofstream(slot / "job.toml") << "log_max_bytes = 0\n";
    Run run = run_job(quayside, slot, bin);
    bool whole = run.ok && log_copied_once(slot / "stderr.txt", dir / "container.log");
    double mb = static_cast<double>(fs::file_size(dir / "container.log")) / 1e6;
    std::printf("%-24s %10.0f %12.3f %14.0f %10.1f%s\n", kind.name, mb, run.cpu_seconds, mb / run.cpu_seconds,
                static_cast<double>(run.peak_kib) / 1024.0, whole ? "" : "   LOG NOT COPIED WHOLE ONCE");
    if (!whole) ++failures;
  }
  fs::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
