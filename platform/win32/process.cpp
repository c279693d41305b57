#include "platform/process.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace platform {

process_ref current_process() { return static_cast<process_ref>(::GetCurrentProcessId()); }

int current_process_id() { return static_cast<int>(::GetCurrentProcessId()); }

bool process_cpu_seconds(process_ref process, double& seconds) {
  unique_handle opened;
  HANDLE handle = ::GetCurrentProcess();
  if (process != current_process()) {
    opened.reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process)));
    if (!opened.valid()) return false;
    handle = opened.get();
  }
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(handle, &created, &exited, &kernel, &user)) return false;
  auto ticks = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  seconds = (ticks(kernel) + ticks(user)) * 1e-7;
  return true;
}

std::string own_executable_path() {
  char path[MAX_PATH * 4];
  DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return {};
  return std::string(path, length);
}

void restrict_program_search() {
  // Children (and their children) skip the current directory when they
  // look for a program; this process loads libraries from the system's
  // directories and its own, never from the current one.
  ::SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1");
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  ::SetDllDirectoryW(L"");
}

void terminate_process_now(int status) {
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
  ::ExitProcess(static_cast<UINT>(status));
}

}  // namespace platform
