#include "platform/threads.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

// Threads are parked by a signal whose handler sleeps while the thread's id
// is in this table; resuming removes the id. The handler uses only
// async-signal-safe calls.
constexpr std::size_t kParkSlots = 256;
std::array<std::atomic<long>, kParkSlots> parked{};
constexpr int kParkSignal = SIGUSR2;

long own_tid() { return static_cast<long>(::syscall(SYS_gettid)); }

bool is_parked(long tid) {
  for (const auto& slot : parked) {
    if (slot.load() == tid) return true;
  }
  return false;
}

void park_handler(int) {
  int saved_errno = errno;
  long tid = own_tid();
  timespec nap{0, 10 * 1000 * 1000};
  while (is_parked(tid)) ::nanosleep(&nap, nullptr);
  errno = saved_errno;
}

void install_park_handler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action{};
    action.sa_handler = park_handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(kParkSignal, &action, nullptr);
  });
}

}  // namespace

thread_ref current_thread() { return own_tid(); }

bool lower_current_thread_to_idle() {
  // On Linux the nice value belongs to the thread, so this leaves the other
  // threads (the timer) at their priority.
  return ::setpriority(PRIO_PROCESS, static_cast<id_t>(own_tid()), 19) == 0;
}

std::vector<thread_ref> threads_of_this_process() {
  std::vector<thread_ref> threads;
  DIR* dir = ::opendir("/proc/self/task");
  if (dir == nullptr) return threads;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    threads.push_back(std::strtoll(entry->d_name, nullptr, 10));
  }
  ::closedir(dir);
  return threads;
}

bool suspend_thread(thread_ref thread) {
  install_park_handler();
  long tid = static_cast<long>(thread);
  for (auto& slot : parked) {
    long expected = 0;
    if (slot.compare_exchange_strong(expected, tid)) {
      if (::syscall(SYS_tgkill, ::getpid(), tid, kParkSignal) == 0) return true;
      slot.store(0);
      return false;
    }
  }
  return false;
}

bool resume_thread(thread_ref thread) {
  long tid = static_cast<long>(thread);
  for (auto& slot : parked) {
    long expected = tid;
    if (slot.compare_exchange_strong(expected, 0)) return true;
  }
  return false;
}

}  // namespace platform
