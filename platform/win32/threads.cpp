#include "platform/threads.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/win32/unique_handle.h"

namespace platform {

thread_ref current_thread() { return static_cast<thread_ref>(::GetCurrentThreadId()); }

bool lower_current_thread_to_idle() { return ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_IDLE) != 0; }

std::vector<thread_ref> threads_of_this_process() {
  std::vector<thread_ref> threads;
  unique_handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot.valid()) return threads;
  THREADENTRY32 entry;
  entry.dwSize = sizeof entry;
  DWORD self = ::GetCurrentProcessId();
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == self) threads.push_back(entry.th32ThreadID);
  }
  return threads;
}

bool suspend_thread(thread_ref thread) {
  unique_handle handle(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, static_cast<DWORD>(thread)));
  return handle.valid() && ::SuspendThread(handle.get()) != static_cast<DWORD>(-1);
}

bool resume_thread(thread_ref thread) {
  unique_handle handle(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, static_cast<DWORD>(thread)));
  return handle.valid() && ::ResumeThread(handle.get()) != static_cast<DWORD>(-1);
}

}  // namespace platform
