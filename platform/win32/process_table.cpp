#include "platform/process_table.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/win32/unique_handle.h"

namespace platform {

ProbeResult probe_process(int pid) {
  if (pid < 1) return ProbeResult::lost;  // no client has such an id
  unique_handle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(pid)));
  if (!process.valid()) return ::GetLastError() == ERROR_ACCESS_DENIED ? ProbeResult::alive : ProbeResult::lost;
  // A process that can still be opened may have ended already.
  DWORD code = 0;
  if (::GetExitCodeProcess(process.get(), &code) && code != STILL_ACTIVE) return ProbeResult::lost;
  return ProbeResult::alive;
}

std::vector<ProcessEntry> process_table() {
  std::vector<ProcessEntry> table;
  unique_handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return table;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
    table.push_back({static_cast<int>(entry.th32ProcessID), static_cast<int>(entry.th32ParentProcessID)});
  }
  return table;
}

bool terminate_process(int pid, int exit_code) {
  unique_handle process(::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid)));
  return process.valid() && ::TerminateProcess(process.get(), static_cast<UINT>(exit_code));
}

}  // namespace platform
