#include "platform/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/unique_fd.h"

extern char** environ;

namespace platform {

std::string find_on_path(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  const char* path = std::getenv("PATH");
  std::string entries = path != nullptr ? path : "";
  std::size_t start = 0;
  while (start <= entries.size()) {
    std::size_t end = entries.find(':', start);
    if (end == std::string::npos) end = entries.size();
    std::string dir = entries.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || dir[0] != '/') continue;
    std::string candidate = dir + "/" + name;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

std::string system_program(const std::string& name) { return find_on_path(name); }

std::string engine_program_for_shell(const std::string& name) { return find_on_path(name); }

bool run_program(const std::string& path, const std::vector<std::string>& argv,
                 const std::function<void(std::string_view)>& sink, int& exit_status,
                 const std::function<bool()>& stop, int* start_error) {
  exit_status = -1;
  auto failed_start = [&](int code) {
    if (start_error != nullptr) *start_error = code;
    return false;
  };
  if (path.empty() || argv.empty()) return failed_start(ENOENT);
  std::vector<char*> pointers;
  for (const auto& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return failed_start(errno);
  unique_fd read_end(pipe_ends[0]), write_end(pipe_ends[1]);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_adddup2(&actions, write_end.get(), 1);
  ::posix_spawn_file_actions_adddup2(&actions, write_end.get(), 2);
  pid_t pid = 0;
  int error = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, pointers.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return failed_start(error);
  write_end.reset();
  char chunk[65536];
  bool stopped = false;
  for (;;) {
    pollfd ready{read_end.get(), POLLIN, 0};
    if (retry_eintr([&] { return ::poll(&ready, 1, 200); }) == 0) {
      if (stop && stop()) {
        ::kill(pid, SIGKILL);
        stopped = true;
        break;
      }
      continue;
    }
    ssize_t got = retry_eintr([&] { return ::read(read_end.get(), chunk, sizeof chunk); });
    if (got <= 0) break;
    sink(std::string_view(chunk, static_cast<std::size_t>(got)));
  }
  // A program that closed its output may still run: its end is waited for
  // as its output was.
  int status = 0;
  pid_t ended = 0;
  int nap = 1;
  while (!stopped && (ended = retry_eintr([&] { return ::waitpid(pid, &status, WNOHANG); })) == 0) {
    pollfd nothing{-1, 0, 0};
    ::poll(&nothing, 1, nap);
    nap = nap * 2 > 200 ? 200 : nap * 2;
    if (stop && stop()) {
      ::kill(pid, SIGKILL);
      stopped = true;
    }
  }
  if (stopped) ended = retry_eintr([&] { return ::waitpid(pid, &status, 0); });
  if (ended != pid) return true;
  // A program that could not be executed after the spawn ends with 127.
  if (WIFEXITED(status) && !stopped) exit_status = WEXITSTATUS(status);
  return true;
}

}  // namespace platform
