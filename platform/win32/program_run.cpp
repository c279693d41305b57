#include "platform/program_run.h"

#include <windows.h>

#include <cstdlib>

#include "platform/environment.h"
#include "platform/win32/process_start.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/windows_arguments.h"

namespace platform {
namespace {

bool is_absolute(const std::string& dir) {
  return (dir.size() >= 3 && dir[1] == ':' && (dir[2] == '\\' || dir[2] == '/')) ||
         (dir.size() >= 2 && dir[0] == '\\' && dir[1] == '\\');
}

bool is_file(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(to_wide_string(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

// The distro's shell looks the engine up in the distro, never in the slot.
std::string engine_program_for_shell(const std::string& name) { return name; }

std::string find_on_path(const std::string& name) {
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return {};
  std::string entries;
  environment_value("PATH", entries);
  std::size_t start = 0;
  while (start <= entries.size()) {
    std::size_t end = entries.find(';', start);
    if (end == std::string::npos) end = entries.size();
    std::string dir = entries.substr(start, end - start);
    start = end + 1;
    if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"') dir = dir.substr(1, dir.size() - 2);
    if (!is_absolute(dir)) continue;
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    if (is_file(dir + name)) return dir + name;
  }
  return {};
}

std::string system_program(const std::string& name) {
  wchar_t dir[MAX_PATH + 1];
  UINT length = ::GetSystemDirectoryW(dir, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return to_utf8(std::wstring_view(dir, length)) + "\\" + name;
}

bool run_program(const std::string& path, const std::vector<std::string>& argv,
                 const std::function<void(std::string_view)>& sink, int& exit_status,
                 const std::function<bool()>& stop) {
  exit_status = -1;
  if (path.empty() || argv.empty()) return false;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_raw = nullptr, write_raw = nullptr;
  if (!::CreatePipe(&read_raw, &write_raw, &inherit, 0)) return false;
  unique_handle read_end(read_raw), write_end(write_raw);
  ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  unique_handle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = input.get();
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  PROCESS_INFORMATION info{};
  // The program is named by its full path: nothing is searched for, least
  // of all in the current directory. It inherits its two streams only.
  if (!start_process(path, windows_command_line(argv), startup, {input.get(), write_end.get()}, CREATE_NO_WINDOW,
                     info)) {
    return false;
  }
  unique_handle process(info.hProcess), thread(info.hThread);
  write_end.reset();
  input.reset();
  char chunk[65536];
  bool stopped = false;
  bool ended = stop == nullptr;  // from then on, reads wait for the rest
  for (;;) {
    if (!ended) {
      DWORD available = 0;
      if (!::PeekNamedPipe(read_end.get(), nullptr, 0, nullptr, &available, nullptr)) break;
      if (available == 0) {
        // Pipes can't be waited on: the program's end is, for a moment.
        if (::WaitForSingleObject(process.get(), 200) == WAIT_OBJECT_0) {
          ended = true;
        } else if (stop()) {
          ::TerminateProcess(process.get(), 1);
          stopped = true;
          break;
        }
        continue;
      }
    }
    DWORD got = 0;
    if (!::ReadFile(read_end.get(), chunk, sizeof chunk, &got, nullptr) || got == 0) break;
    sink(std::string_view(chunk, got));
  }
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  if (!stopped && ::GetExitCodeProcess(process.get(), &code)) exit_status = static_cast<int>(code);
  return true;
}

}  // namespace platform
