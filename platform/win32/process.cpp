#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

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

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(to_utf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

std::string own_executable_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return to_utf8(path);
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
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
