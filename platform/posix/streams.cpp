#include "platform/streams.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "platform/posix/slot_open.h"
#include "platform/posix/unique_fd.h"
#include "platform/terminal_text.h"

namespace platform {
namespace {

std::atomic<bool> copy_to_terminal{false};
bool write_all(int fd, const char* data, std::size_t size);

// The file standard error was sent to, and its name: the container may
// replace the name while the job runs.
int error_file = -1;
std::string error_file_name;

// Puts the log back under its name when the container replaced the name
// (with a link to a file of its choosing, say): the client reads the log by
// that name.
void restore_error_file_name() {
  if (error_file < 0) return;
  struct stat ours {}, named {};
  if (::fstat(error_file, &ours) != 0) return;
  if (::lstat(error_file_name.c_str(), &named) == 0 && S_ISREG(named.st_mode) && named.st_dev == ours.st_dev &&
      named.st_ino == ours.st_ino)
    return;
  replace_through_temporary(error_file_name, [](int to) {
    char buffer[65536];
    for (off_t at = 0;;) {
      ssize_t got = retry_eintr([&] { return ::pread(error_file, buffer, sizeof buffer, at); });
      if (got < 0) return errno;
      if (got == 0) return 0;
      if (!write_all(to, buffer, static_cast<std::size_t>(got))) return errno != 0 ? errno : EIO;
      at += got;
    }
  });
}
std::atomic<bool> copier_running{false};

bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t put = retry_eintr([&] { return ::write(fd, data, size); });
    if (put <= 0) return false;
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

// The terminal copy's state, shared by its thread and the callers below.
// The thread reads and writes only with the lock held, so that a caller
// holding it and finding the pipe empty knows every earlier byte is through.
struct TerminalCopy {
  std::mutex lock;
  int pipe_read = -1;
  int tty = -1;
  bool held = false;
  TerminalText escaper;
  std::string shown;

  // With the lock held.
  void show(std::string_view bytes) {
    shown.clear();
    escaper.escape(bytes, shown);
    write_all(tty, shown.data(), shown.size());
  }
};
TerminalCopy terminal_copy;

// Standard error through a pipe that a thread empties into the file and the
// terminal, so that both get every byte in the order written.
bool start_terminal_copy(unique_fd file) {
  unique_fd terminal(::fcntl(2, F_DUPFD_CLOEXEC, 3));
  int ends[2];
  if (!terminal.valid() || ::pipe2(ends, O_CLOEXEC) != 0) return false;
  unique_fd read_end(ends[0]), write_end(ends[1]);
  if (retry_eintr([&] { return ::dup2(write_end.get(), 2); }) < 0) return false;
  copy_to_terminal = true;
  copier_running = true;
  terminal_copy.pipe_read = read_end.get();
  terminal_copy.tty = terminal.get();
  std::thread([from = std::move(read_end), to = std::move(file), tty = std::move(terminal)] {
    char buffer[4096];
    // The file keeps the bytes; the terminal is shown control characters
    // escaped, so that nothing the container printed can act on it.
    for (;;) {
      struct pollfd ready = {from.get(), POLLIN, 0};
      if (retry_eintr([&] { return ::poll(&ready, 1, -1); }) < 0) break;
      std::lock_guard<std::mutex> held(terminal_copy.lock);
      ssize_t got = retry_eintr([&] { return ::read(from.get(), buffer, sizeof buffer); });
      if (got <= 0) break;
      write_all(to.get(), buffer, static_cast<std::size_t>(got));
      if (!copy_to_terminal || terminal_copy.held) continue;
      terminal_copy.show(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    std::lock_guard<std::mutex> held(terminal_copy.lock);
    terminal_copy.pipe_read = -1;
    terminal_copy.tty = -1;
    copier_running = false;
  }).detach();
  return true;
}

}  // namespace

void stop_terminal_copy() { copy_to_terminal = false; }

bool terminal_copy_active() { return copier_running && copy_to_terminal; }

void show_on_terminal(std::string_view bytes) {
  std::lock_guard<std::mutex> held(terminal_copy.lock);
  if (terminal_copy.tty < 0 || !copy_to_terminal) return;
  terminal_copy.show(bytes);
}

void hold_terminal_copy(bool held) {
  std::fflush(stderr);
  // Until the thread has taken what is in the pipe (at most two seconds).
  for (int i = 0; i < 2000; ++i) {
    {
      std::lock_guard<std::mutex> lock(terminal_copy.lock);
      int waiting = 0;
      if (terminal_copy.pipe_read < 0 || ::ioctl(terminal_copy.pipe_read, FIONREAD, &waiting) != 0 ||
          waiting == 0 || i == 1999) {
        terminal_copy.held = held;
        return;
      }
    }
    ::usleep(1000);
  }
}

void finish_standard_error() {
  std::fflush(stderr);
  if (!copier_running) {
    restore_error_file_name();
    return;
  }
  // Descriptor 2 was the pipe's last writer: the copy ends once it has
  // taken everything.
  unique_fd nothing(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  if (nothing.valid()) ::dup2(nothing.get(), 2);
  for (int i = 0; i < 200 && copier_running; ++i) ::usleep(10000);
  restore_error_file_name();
}

bool redirect_stream(StandardStream stream, const std::string& path, bool append) {
  // Readable as well: the log may have to be copied back under its name.
  int error = 0;
  unique_fd fd = open_slot_entry(
      path, SlotOpen{.access = O_RDWR | (append ? O_APPEND : O_TRUNC), .owned = true, .sole_name = true}, error);
  if (!fd.valid()) return false;
  if (stream == StandardStream::error) {
    if (error_file >= 0) ::close(error_file);
    error_file = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 3);
    error_file_name = path;
  }
  std::FILE* file = stream == StandardStream::error ? stderr : stdout;
  int target = stream == StandardStream::error ? 2 : 1;
  std::fflush(file);
  bool copied = stream == StandardStream::error && !copier_running && ::isatty(2) == 1 &&
                start_terminal_copy(std::move(fd));
  // dup2 gives descriptor 2 (or 1) without close-on-exec, as a standard
  // stream should be.
  if (!copied && retry_eintr([&] { return ::dup2(fd.get(), target); }) < 0) return false;
  if (stream == StandardStream::error) {
    std::setvbuf(stderr, nullptr, _IONBF, 0);
  } else {
    static char buffer[512];
    std::setvbuf(stdout, buffer, _IOLBF, sizeof buffer);
  }
  return true;
}

}  // namespace platform
