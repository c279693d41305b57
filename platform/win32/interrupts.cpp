#include "platform/interrupts.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI on_control(DWORD event) {
  interrupted.store(true);
  // A closed console, a log-off or a shutdown ends the process as soon as
  // this returns: it is held here while the main thread carries the quit
  // out and ends the process, for as long as the system allows.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) ::Sleep(30000);
  return TRUE;
}

}  // namespace

void catch_interrupts() { ::SetConsoleCtrlHandler(on_control, TRUE); }

bool interrupt_requested() { return interrupted.load(); }

}  // namespace platform
