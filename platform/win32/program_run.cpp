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
  DWORD attributes = ::GetFileAttributesW(to_wide_path(path).c_str());
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

namespace {

// A job object that ends every process in it when its last handle closes:
// a command's program and whatever that program starts in turn.
unique_handle kill_on_close_job() {
  unique_handle job(::CreateJobObjectW(nullptr, nullptr));
  if (!job.valid()) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    job.reset();
  }
  return job;
}

// Lets the processes of a command that ended by itself live on after the
// job's handle is closed, as they would have without quayside.
void release_job(HANDLE job) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
}

}  // namespace

bool run_program(const std::string& path, const std::vector<std::string>& argv,
                 const std::function<void(std::string_view)>& sink, int& exit_status,
                 const std::function<bool()>& stop, int* start_error) {
  exit_status = -1;
  auto failed_start = [&](DWORD code) {
    if (start_error != nullptr) *start_error = static_cast<int>(code);
    return false;
  };
  if (path.empty() || argv.empty()) return failed_start(ERROR_FILE_NOT_FOUND);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_raw = nullptr, write_raw = nullptr;
  if (!::CreatePipe(&read_raw, &write_raw, &inherit, 0)) return failed_start(::GetLastError());
  unique_handle read_end(read_raw), write_end(write_raw);
  ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  unique_handle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    OPEN_EXISTING, 0, nullptr));
  unique_handle job = kill_on_close_job();
  if (!job.valid()) return failed_start(::GetLastError());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = input.get();
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  PROCESS_INFORMATION info{};
  // The program is named by its full path: nothing is searched for, least
  // of all in the current directory. It inherits its two streams only. It
  // starts suspended, so that it is in the job before it can start anything.
  if (!start_process(path, windows_command_line(argv), startup, {input.get(), write_end.get()},
                     CREATE_NO_WINDOW | CREATE_SUSPENDED, info)) {
    return failed_start(::GetLastError());
  }
  unique_handle process(info.hProcess), thread(info.hThread);
  if (!::AssignProcessToJobObject(job.get(), process.get())) {
    DWORD code = ::GetLastError();
    ::TerminateProcess(process.get(), 1);
    return failed_start(code);
  }
  ::ResumeThread(thread.get());
  write_end.reset();
  input.reset();
  // Pipes can't be waited on: what is waiting is peeked and read, never
  // more, so a read never blocks, even when the program has ended and
  // something it started still holds the pipe. The output ends when every
  // writer has closed it; stop is asked at least every 200 ms meanwhile.
  char chunk[65536];
  bool stopped = false;
  ULONGLONG last_asked = ::GetTickCount64();
  DWORD nap = 1;
  for (;;) {
    DWORD available = 0;
    if (!::PeekNamedPipe(read_end.get(), nullptr, 0, nullptr, &available, nullptr)) break;  // every writer gone
    if (available > 0) {
      DWORD got = 0;
      DWORD want = available < sizeof chunk ? available : static_cast<DWORD>(sizeof chunk);
      if (!::ReadFile(read_end.get(), chunk, want, &got, nullptr) || got == 0) break;
      sink(std::string_view(chunk, got));
      nap = 1;
      continue;
    }
    ULONGLONG now = ::GetTickCount64();
    if (stop && now - last_asked >= 200) {
      last_asked = now;
      if (stop()) {
        stopped = true;
        break;
      }
    }
    ::WaitForSingleObject(process.get(), nap);
    nap = nap * 2 > 50 ? 50 : nap * 2;
  }
  // A program that closed its output may still run: its end is waited for
  // as its output was.
  while (!stopped && ::WaitForSingleObject(process.get(), 200) == WAIT_TIMEOUT) stopped = stop && stop();
  if (stopped) {
    // Everything the command started goes with it.
    ::TerminateJobObject(job.get(), 1);
    ::WaitForSingleObject(process.get(), INFINITE);
  }
  DWORD code = 0;
  if (!stopped && ::GetExitCodeProcess(process.get(), &code)) exit_status = static_cast<int>(code);
  if (!stopped) release_job(job.get());
  return true;
}

}  // namespace platform
