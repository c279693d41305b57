#include "platform/interrupts.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI on_control(DWORD) {
  interrupted.store(true);
  return TRUE;
}

}  // namespace

void catch_interrupts() { ::SetConsoleCtrlHandler(on_control, TRUE); }

bool interrupt_requested() { return interrupted.load(); }

}  // namespace platform
