#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/posix/unique_fd.h"

namespace platform {
namespace {

class PosixChildProcess final : public ChildProcess {
 public:
  explicit PosixChildProcess(pid_t pid) : pid_(pid) {}
  ~PosixChildProcess() override {
    int ignored = 0;
    if (!finished(ignored)) {
      kill();
      ::waitpid(pid_, nullptr, 0);
    }
  }

  int pid() const override { return static_cast<int>(pid_); }

  bool finished(int& exit_code) override {
    if (done_) {
      exit_code = exit_code_;
      return true;
    }
    int status = 0;
    pid_t got = retry_eintr([&] { return ::waitpid(pid_, &status, WNOHANG); });
    if (got != pid_) return false;
    done_ = true;
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    exit_code = exit_code_;
    return true;
  }

  int wait() override {
    if (!done_) {
      int status = 0;
      if (retry_eintr([&] { return ::waitpid(pid_, &status, 0); }) == pid_) {
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else {
        exit_code_ = -1;
      }
      done_ = true;
    }
    return exit_code_;
  }

  void kill() override {
    if (!done_) ::kill(pid_, SIGKILL);
  }

 private:
  pid_t pid_;
  bool done_ = false;
  int exit_code_ = 0;
};


}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::start(const std::vector<std::string>& argv, const std::string& directory) {
  if (argv.empty()) return nullptr;
  std::vector<char*> pointers;
  for (const auto& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  // A pipe that closes on exec tells the parent whether exec worked.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return nullptr;
  unique_fd read_end(report[0]), write_end(report[1]);
  pid_t pid = ::fork();
  if (pid < 0) return nullptr;
  if (pid == 0) {
    // A group of its own: the terminal's Ctrl-C reaches the parent alone,
    // which tells the child in its own way.
    ::setpgid(0, 0);
    ::signal(SIGINT, SIG_DFL);
    if (::chdir(directory.c_str()) == 0) ::execvp(pointers[0], pointers.data());
    int error = errno;
    ssize_t ignored = ::write(write_end.get(), &error, sizeof error);
    (void)ignored;
    ::_exit(127);
  }
  write_end.reset();
  int error = 0;
  if (retry_eintr([&] { return ::read(read_end.get(), &error, sizeof error); }) > 0) {
    ::waitpid(pid, nullptr, 0);
    return nullptr;
  }
  return std::make_unique<PosixChildProcess>(pid);
}



}  // namespace platform
