#include "platform/crash_report.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace platform {
namespace {

std::atomic<bool> aborted_by_client{false};
constexpr int kAbortedExitCode = -197;

void write_backtrace() {
  void* frames[62];
  USHORT count = ::CaptureStackBackTrace(0, 62, frames, nullptr);
  std::fputs("Stack trace:\n", stderr);
  for (USHORT i = 0; i < count; ++i) std::fprintf(stderr, "  %p\n", frames[i]);
}

[[noreturn]] void end_after_report(unsigned code) {
  std::fflush(stderr);
  UINT exit_code = aborted_by_client.load() ? static_cast<UINT>(kAbortedExitCode) : code;
  ::TerminateProcess(::GetCurrentProcess(), exit_code);
  ::ExitProcess(exit_code);
}

LONG WINAPI unhandled_exception(EXCEPTION_POINTERS* pointers) {
  std::fputs("Unhandled Exception Detected...\n", stderr);
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  std::fprintf(stderr, "Reason: 0x%08lx at address %p\n", static_cast<unsigned long>(record->ExceptionCode),
               record->ExceptionAddress);
  write_backtrace();
  end_after_report(record->ExceptionCode);
}

void terminate_handler() {
  std::fputs("Unhandled Exception Detected...\n", stderr);
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "Exception: %s\n", error.what());
    } catch (...) {
      std::fputs("Exception: unknown\n", stderr);
    }
  }
  write_backtrace();
  end_after_report(static_cast<unsigned>(EXCEPTION_BREAKPOINT));
}

void invalid_parameter(const wchar_t* expression, const wchar_t* function, const wchar_t* file, unsigned line,
                       uintptr_t) {
  if (expression != nullptr && function != nullptr && file != nullptr) {
    std::fprintf(stderr, "ERROR: Invalid parameter detected in function %S. File: %S Line: %d\n", function, file,
                 static_cast<int>(line));
    std::fprintf(stderr, "ERROR: Expression: %S\n", expression);
  } else {
    std::fputs("ERROR: Invalid parameter detected in CRT function\n", stderr);
  }
  raise_debug_break();
}

}  // namespace

void install_crash_handlers() {
  ::SetUnhandledExceptionFilter(unhandled_exception);
  std::set_terminate(terminate_handler);
  ::_set_invalid_parameter_handler(invalid_parameter);
}

void mark_aborted_by_client() { aborted_by_client.store(true); }

void raise_debug_break() { ::DebugBreak(); }

}  // namespace platform
