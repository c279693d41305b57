#include "platform/crash_report.h"

#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>

namespace platform {
namespace {

std::atomic<bool> aborted_by_client{false};
constexpr int kAbortedExitCode = -197;

void write_text(const char* text) {
  ssize_t ignored = ::write(2, text, std::strlen(text));
  (void)ignored;
}

void write_backtrace() {
  void* frames[64];
  int count = ::backtrace(frames, 64);
  write_text("Stack trace:\n");
  ::backtrace_symbols_fd(frames, count, 2);
}

[[noreturn]] void end_after_report(int code) {
  ::_exit(aborted_by_client.load() ? kAbortedExitCode : code);
}

void fatal_signal_handler(int signal_number) {
  write_text("Unhandled Exception Detected...\n");
  char line[96];
  std::snprintf(line, sizeof line, "Signal: %d (%s)\n", signal_number,
                signal_number == SIGTRAP ? "debug break" : ::strsignal(signal_number));
  write_text(line);
  write_backtrace();
  end_after_report(128 + signal_number);
}

void terminate_handler() {
  write_text("Unhandled Exception Detected...\n");
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& error) {
      write_text("Exception: ");
      write_text(error.what());
      write_text("\n");
    } catch (...) {
      write_text("Exception: unknown\n");
    }
  } else {
    write_text("terminate called without an active exception\n");
  }
  write_backtrace();
  end_after_report(128 + SIGABRT);
}

}  // namespace

void install_crash_handlers() {
  // Load the unwinder now: the first backtrace() may allocate, which a
  // signal handler must not do.
  void* warm_up[1];
  ::backtrace(warm_up, 1);
  struct sigaction action{};
  action.sa_handler = fatal_signal_handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  for (int signal_number : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP}) {
    ::sigaction(signal_number, &action, nullptr);
  }
  std::set_terminate(terminate_handler);
}

void mark_aborted_by_client() { aborted_by_client.store(true); }

void raise_debug_break() { ::raise(SIGTRAP); }

}  // namespace platform
