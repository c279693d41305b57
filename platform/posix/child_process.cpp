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

std::atomic<bool> interrupted{false};

void on_interrupt(int) { interrupted.store(true); }

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

void* create_named_block(const std::string& name, std::size_t size) {
  std::string object = "/" + name;
  ::shm_unlink(object.c_str());
  unique_fd fd(::shm_open(object.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!fd.valid() || ::ftruncate(fd.get(), static_cast<off_t>(size)) != 0) return nullptr;
  void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
  if (address == MAP_FAILED) return nullptr;
  std::memset(address, 0, size);
  return address;
}

void remove_named_block(const std::string& name) { ::shm_unlink(("/" + name).c_str()); }

void catch_interrupts() {
  struct sigaction action{};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool interrupt_requested() { return interrupted.load(); }

}  // namespace platform
