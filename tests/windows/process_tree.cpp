// A stand-in for a program that leaves something behind, for tests under
// wine of how quayside waits for and ends the programs it starts.
//   process_tree spawn-helper   starts "hold 60" with this process's output
//                               handles, prints "helper PID", and ends
//   process_tree hold SECONDS   prints "holding PID", then waits
//   process_tree silent SECONDS waits without a word
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int spawn_helper() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" hold 60";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) return 2;
  std::printf("helper %lu\n", info.dwProcessId);
  std::fflush(stdout);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "spawn-helper") == 0) return spawn_helper();
  if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
    std::printf("holding %lu\n", ::GetCurrentProcessId());
    std::fflush(stdout);
  }
  if (argc == 3 && (std::strcmp(argv[1], "hold") == 0 || std::strcmp(argv[1], "silent") == 0)) {
    ::Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
    return 0;
  }
  std::fputs("usage: process_tree spawn-helper | hold SECONDS | silent SECONDS\n", stderr);
  return 64;
}
