#include "platform/piped_process.h"

#include <windows.h>
#include <wslapi.h>

#include <vector>

#include "platform/program_run.h"
#include "platform/win32/process_start.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/windows_arguments.h"

namespace platform {

namespace {

using WslLaunchFunction = HRESULT(WINAPI*)(PCWSTR, PCWSTR, BOOL, HANDLE, HANDLE, HANDLE, HANDLE*);
WslLaunchFunction wsl_launch = nullptr;  // loaded once; the library stays loaded

// The two pipes of a shell: its input and its joined output and error. The
// shell's ends are inheritable, this process's ends are not. Every end is
// owned: whatever fails on the way, nothing stays open.
struct ShellPipes {
  unique_handle shell_stdin, command_pipe, reply_pipe, shell_stdout;

  bool make() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!::CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
    reply_pipe.reset(read_end);
    shell_stdout.reset(write_end);
    if (!::CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
    shell_stdin.reset(read_end);
    command_pipe.reset(write_end);
    return ::SetHandleInformation(reply_pipe.get(), HANDLE_FLAG_INHERIT, 0) &&
           ::SetHandleInformation(command_pipe.get(), HANDLE_FLAG_INHERIT, 0);
  }
};

class WindowsPipedProcess final : public PipedProcess {
 public:
  // Every pipe end stays open for the life of this object: the shell's own
  // ends too, so writes never fail and reads never see the end. The shell
  // goes into a job that ends with this process or with kill().
  // A suspended_thread, when given, is resumed once the process is in the
  // job, so that nothing it starts escapes the job.
  WindowsPipedProcess(ShellPipes pipes, HANDLE process, HANDLE suspended_thread = nullptr)
      : pipes_(std::move(pipes)), process_(process), job_(::CreateJobObjectW(nullptr, nullptr)) {
    if (job_.valid()) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      ::SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
      ::AssignProcessToJobObject(job_.get(), process_.get());
    }
    if (suspended_thread != nullptr) ::ResumeThread(suspended_thread);
  }

  void kill() override {
    if (job_.valid()) ::TerminateJobObject(job_.get(), 1);
    if (process_.valid()) {
      ::TerminateProcess(process_.get(), 1);
      ::WaitForSingleObject(process_.get(), 5000);
    }
  }

  bool write_text(const std::string& text) override {
    std::size_t done = 0;
    while (done < text.size()) {
      DWORD written = 0;
      if (!::WriteFile(pipes_.command_pipe.get(), text.data() + done, static_cast<DWORD>(text.size() - done),
                       &written, nullptr)) {
        return false;
      }
      done += written;
    }
    return true;
  }

  long bytes_waiting() override {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipes_.reply_pipe.get(), nullptr, 0, nullptr, &available, nullptr)) return -1;
    return static_cast<long>(available);
  }

  bool wait_readable(int milliseconds) override {
    // Pipes can't be waited on: peek with sleeps that grow from 1 ms. The
    // time is read from the clock: a sleep lasts at least a timer tick
    // (15.6 ms by default), however short it was asked to be.
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds < 0 ? 0 : milliseconds);
    DWORD nap = 1;
    for (;;) {
      if (bytes_waiting() != 0 || exited()) return true;
      ULONGLONG now = ::GetTickCount64();
      if (now >= deadline) return false;
      ULONGLONG left = deadline - now;
      ::Sleep(nap < left ? nap : static_cast<DWORD>(left));
      nap = nap * 2 > 200 ? 200 : nap * 2;
    }
  }

  long read(char* buffer, std::size_t size) override {
    DWORD read = 0;
    if (!::ReadFile(pipes_.reply_pipe.get(), buffer, static_cast<DWORD>(size), &read, nullptr)) return -1;
    return static_cast<long>(read);
  }

  bool exited() override {
    DWORD code = 0;
    return !process_.valid() || !::GetExitCodeProcess(process_.get(), &code) || code != STILL_ACTIVE;
  }

 private:
  ShellPipes pipes_;
  unique_handle process_;
  unique_handle job_;  // its close ends the shell
};

}  // namespace

std::unique_ptr<PipedProcess> PipedProcess::start(const std::string& path, const std::vector<std::string>& argv) {
  if (path.empty() || argv.empty()) return nullptr;
  ShellPipes pipes;
  if (!pipes.make()) return nullptr;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = pipes.shell_stdin.get();
  startup.hStdOutput = pipes.shell_stdout.get();
  startup.hStdError = pipes.shell_stdout.get();
  PROCESS_INFORMATION info{};
  // The program is named by its full path: nothing is searched for, least
  // of all in the current directory. It inherits its two pipe ends only.
  if (!start_process(path, windows_command_line(argv), startup,
                     {pipes.shell_stdin.get(), pipes.shell_stdout.get()}, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                     info)) {
    return nullptr;
  }
  unique_handle thread(info.hThread);
  return std::make_unique<WindowsPipedProcess>(std::move(pipes), info.hProcess, thread.get());
}

std::unique_ptr<PipedProcess> PipedProcess::start_distro_shell(const std::vector<std::string>& wsl_argv) {
  // wsl.exe writes its own messages in UTF-16 unless told otherwise; the
  // setting is inherited by every later child and read by wsl.exe alone.
  ::SetEnvironmentVariableW(L"WSL_UTF8", L"1");
  return start(system_program("wsl.exe"), wsl_argv);
}

bool PipedProcess::prepare_wsl_launch(std::string& error_text) {
  if (wsl_launch != nullptr) return true;
  // From the system directory only: a library of that name in the slot
  // must never be loaded.
  HMODULE library = ::LoadLibraryExW(L"wslapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library == nullptr) {
    error_text = "Can't load wslapi.dll";
    return false;
  }
  wsl_launch = reinterpret_cast<WslLaunchFunction>(reinterpret_cast<void*>(::GetProcAddress(library, "WslLaunch")));
  if (wsl_launch == nullptr) {
    error_text = "WslLaunch not in wslapi.dll";
    return false;
  }
  return true;
}

std::unique_ptr<PipedProcess> PipedProcess::launch_wsl(const std::string& distro, const std::string& command,
                                                       bool use_cwd, int& error) {
  std::string error_text;
  if (!prepare_wsl_launch(error_text)) {
    error = -1;
    return nullptr;
  }
  ShellPipes pipes;
  if (!pipes.make()) {
    error = -1;
    return nullptr;
  }
  HANDLE process = nullptr;
  HRESULT result = wsl_launch(to_wide_string(distro).c_str(), to_wide_string(command).c_str(), use_cwd ? TRUE : FALSE,
                              pipes.shell_stdin.get(), pipes.shell_stdout.get(), pipes.shell_stdout.get(), &process);
  if (result != S_OK) {
    error = static_cast<int>(result);
    return nullptr;
  }
  error = 0;
  return std::make_unique<WindowsPipedProcess>(std::move(pipes), process);
}

}  // namespace platform
