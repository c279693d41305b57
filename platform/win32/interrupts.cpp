#include "platform/interrupts.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI on_control(DWORD event) {
  // Only a process of a service hears of a log-off, and then it is some
  // user's, not the end of the client that runs the job: nothing to do.
  if (event == CTRL_LOGOFF_EVENT) return TRUE;
  interrupted.store(true);
  // A closed console or a shutdown ends the process as soon as this
  // returns: it is held here while the main thread carries the quit out and
  // ends the process, for as long as the system allows.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_SHUTDOWN_EVENT) ::Sleep(30000);
  return TRUE;
}

}  // namespace

void catch_interrupts() { ::SetConsoleCtrlHandler(on_control, TRUE); }

bool interrupt_requested() { return interrupted.load(); }

}  // namespace platform
