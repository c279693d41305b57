#include "platform/interrupts.h"

#include <signal.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> interrupted{false};

void on_interrupt(int) { interrupted.store(true); }

}  // namespace

void catch_interrupts() {
  struct sigaction action{};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
}

bool interrupt_requested() { return interrupted.load(); }

}  // namespace platform
