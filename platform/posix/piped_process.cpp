#include "platform/piped_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <poll.h>
#include <sys/syscall.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/posix/unique_fd.h"

extern char** environ;

namespace platform {
namespace {

class PosixPipedProcess final : public PipedProcess {
 public:
  PosixPipedProcess(pid_t pid, unique_fd command_write, unique_fd command_read, unique_fd reply_read,
                    unique_fd reply_write)
      : pid_(pid),
        command_write_(std::move(command_write)),
        command_read_(std::move(command_read)),
        reply_read_(std::move(reply_read)),
        reply_write_(std::move(reply_write)),
        // Readable once the shell has ended; without it the wait only sees
        // output and the end shows at the next poll.
        pid_fd_(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0))) {}

  bool write_text(const std::string& text) override {
    std::size_t done = 0;
    while (done < text.size()) {
      ssize_t put = retry_eintr([&] { return ::write(command_write_.get(), text.data() + done, text.size() - done); });
      if (put < 0) return false;
      done += static_cast<std::size_t>(put);
    }
    return true;
  }

  long bytes_waiting() override {
    int count = 0;
    if (::ioctl(reply_read_.get(), FIONREAD, &count) != 0) return -1;
    return count;
  }

  bool wait_readable(int milliseconds) override {
    pollfd fds[2] = {{reply_read_.get(), POLLIN, 0}, {pid_fd_.get(), POLLIN, 0}};
    nfds_t count = pid_fd_.valid() && !exited_ ? 2 : 1;
    int ready = retry_eintr([&] { return ::poll(fds, count, milliseconds); });
    return ready > 0;
  }

  long read(char* buffer, std::size_t size) override {
    return static_cast<long>(retry_eintr([&] { return ::read(reply_read_.get(), buffer, size); }));
  }

  void kill() override {
    if (exited_) return;
    // The shell leads its own group: the engine programs it started go too.
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    retry_eintr([&] { return ::waitpid(pid_, nullptr, 0); });
    exited_ = true;
  }

  bool exited() override {
    if (exited_) return true;
    int status = 0;
    pid_t got = retry_eintr([&] { return ::waitpid(pid_, &status, WNOHANG); });
    if (got == pid_ || got < 0) exited_ = true;
    return exited_;
  }

 private:
  pid_t pid_;
  bool exited_ = false;
  // The shell's own ends stay open here too, so that writing to a dead
  // shell neither fails nor raises SIGPIPE, as on the platform this
  // protocol was made for.
  unique_fd command_write_, command_read_, reply_read_, reply_write_;
  unique_fd pid_fd_;

 public:
  unique_fd guard;  // never written: its end tells the watcher this process is gone
};

// A watcher in the shell's process group that ends the whole group when
// this process ends, however it ends (even by SIGKILL): it waits for the
// end of a pipe whose only writer is this process. Returns that writer.
unique_fd start_guard(pid_t group) {
  int guard[2];
  if (::pipe2(guard, O_CLOEXEC) != 0) return unique_fd();
  unique_fd read_end(guard[0]), write_end(guard[1]);
  std::string target = std::to_string(group);
  const char* argv[] = {"/bin/sh", "-c", "read _; kill -9 -\"$1\"", "quayside-guard", target.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, read_end.get(), 0);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  ::posix_spawnattr_setpgroup(&attributes, group);
  pid_t pid = 0;
  int error = ::posix_spawn(&pid, argv[0], &actions, &attributes, const_cast<char* const*>(argv), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attributes);
  return error == 0 ? std::move(write_end) : unique_fd();
}

// Starts argv with its standard input on one pipe and its output and error
// on another, in this process's directory and environment.
std::unique_ptr<PipedProcess> start_with_pipes(const char* path, const char* const* argv) {
  int command[2], reply[2];
  if (::pipe2(command, O_CLOEXEC) != 0) return nullptr;
  unique_fd command_read(command[0]), command_write(command[1]);
  if (::pipe2(reply, O_CLOEXEC) != 0) return nullptr;
  unique_fd reply_read(reply[0]), reply_write(reply[1]);
  pid_t pid = ::fork();
  if (pid < 0) return nullptr;
  if (pid == 0) {
    ::setpgid(0, 0);
    ::signal(SIGPIPE, SIG_DFL);
    if (::dup2(command_read.get(), 0) < 0 || ::dup2(reply_write.get(), 1) < 0 || ::dup2(reply_write.get(), 2) < 0) {
      ::_exit(127);
    }
    ::execv(path, const_cast<char* const*>(argv));
    ::_exit(127);
  }
  ::setpgid(pid, pid);  // also here, so that a kill right away finds the group
  auto process = std::make_unique<PosixPipedProcess>(pid, std::move(command_write), std::move(command_read),
                                                     std::move(reply_read), std::move(reply_write));
  process->guard = start_guard(pid);
  return process;
}

std::unique_ptr<PipedProcess> start_shell() {
  const char* argv[] = {"/bin/sh", nullptr};
  return start_with_pipes(argv[0], argv);
}

}  // namespace

std::unique_ptr<PipedProcess> PipedProcess::start(const std::string& path, const std::vector<std::string>& argv) {
  if (argv.empty()) return nullptr;
  std::vector<const char*> pointers;
  for (const auto& argument : argv) pointers.push_back(argument.c_str());
  pointers.push_back(nullptr);
  return start_with_pipes(path.c_str(), pointers.data());
}

std::unique_ptr<PipedProcess> PipedProcess::start_distro_shell(const std::vector<std::string>&) {
  return start_shell();
}

bool PipedProcess::prepare_wsl_launch(std::string&) { return true; }

std::unique_ptr<PipedProcess> PipedProcess::launch_wsl(const std::string&, const std::string&, bool, int& error) {
  auto shell = start_shell();
  error = shell == nullptr ? -1 : 0;
  return shell;
}

}  // namespace platform
