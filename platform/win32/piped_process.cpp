#include "platform/piped_process.h"

#include <windows.h>
#include <wslapi.h>

#include <vector>

#include "platform/program_run.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/windows_arguments.h"

namespace platform {

namespace {

using WslLaunchFunction = HRESULT(WINAPI*)(PCWSTR, PCWSTR, BOOL, HANDLE, HANDLE, HANDLE, HANDLE*);
WslLaunchFunction wsl_launch = nullptr;  // loaded once; the library stays loaded

// The two pipes of a shell: its input and its joined output and error. The
// shell's ends are inheritable, this process's ends are not.
struct ShellPipes {
  HANDLE shell_stdin = nullptr, command_pipe = nullptr, reply_pipe = nullptr, shell_stdout = nullptr;

  bool make(std::string* error_text) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto fail = [&](const char* text) {
      if (error_text != nullptr) *error_text = text;
      return false;
    };
    if (!::CreatePipe(&reply_pipe, &shell_stdout, &inherit, 0)) return fail("Can't create out pipe");
    if (!::SetHandleInformation(reply_pipe, HANDLE_FLAG_INHERIT, 0)) return fail("Can't inherit out pipe");
    if (!::CreatePipe(&shell_stdin, &command_pipe, &inherit, 0)) return fail("Can't create in pipe");
    if (!::SetHandleInformation(command_pipe, HANDLE_FLAG_INHERIT, 0)) return fail("Can't inherit in pipe");
    return true;
  }
};

class WindowsPipedProcess final : public PipedProcess {
 public:
  // Every handle stays open for the life of this process: the shell's own
  // pipe ends too, so writes never fail and reads never see the end. The
  // shell goes into a job that ends with this process or with kill().
  WindowsPipedProcess(const ShellPipes& pipes, HANDLE process)
      : pipes_(pipes), process_(process), job_(::CreateJobObjectW(nullptr, nullptr)) {
    if (job_ == nullptr) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    ::AssignProcessToJobObject(job_, process_);
  }

  void kill() override {
    if (job_ != nullptr) ::TerminateJobObject(job_, 1);
    if (process_ != nullptr) {
      ::TerminateProcess(process_, 1);
      ::WaitForSingleObject(process_, 5000);
    }
  }

  bool write_text(const std::string& text) override {
    std::size_t done = 0;
    while (done < text.size()) {
      DWORD written = 0;
      if (!::WriteFile(pipes_.command_pipe, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                       nullptr)) {
        return false;
      }
      done += written;
    }
    return true;
  }

  long bytes_waiting() override {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipes_.reply_pipe, nullptr, 0, nullptr, &available, nullptr)) return -1;
    return static_cast<long>(available);
  }

  bool wait_readable(int milliseconds) override {
    // Pipes can't be waited on: peek with sleeps that grow from 1 ms.
    DWORD nap = 1;
    for (int waited = 0; waited < milliseconds;) {
      if (bytes_waiting() != 0 || exited()) return true;
      DWORD step = nap < static_cast<DWORD>(milliseconds - waited) ? nap : static_cast<DWORD>(milliseconds - waited);
      ::Sleep(step);
      waited += static_cast<int>(step);
      nap = nap * 2 > 200 ? 200 : nap * 2;
    }
    return bytes_waiting() != 0 || exited();
  }

  long read(char* buffer, std::size_t size) override {
    DWORD read = 0;
    if (!::ReadFile(pipes_.reply_pipe, buffer, static_cast<DWORD>(size), &read, nullptr)) return -1;
    return static_cast<long>(read);
  }

  bool exited() override {
    DWORD code = 0;
    return process_ == nullptr || !::GetExitCodeProcess(process_, &code) || code != STILL_ACTIVE;
  }

 private:
  ShellPipes pipes_;
  HANDLE process_;
  HANDLE job_;  // kept open until the process ends: its close ends the shell
};

}  // namespace

std::unique_ptr<PipedProcess> PipedProcess::start(const std::string& path, const std::vector<std::string>& argv) {
  if (path.empty() || argv.empty()) return nullptr;
  ShellPipes pipes;
  if (!pipes.make(nullptr)) return nullptr;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = pipes.shell_stdin;
  startup.hStdOutput = pipes.shell_stdout;
  startup.hStdError = pipes.shell_stdout;
  PROCESS_INFORMATION info{};
  std::wstring application = to_wide_string(path);
  std::wstring line = to_wide_string(windows_command_line(argv));
  // The program is named by its full path: nothing is searched for, least
  // of all in the current directory.
  if (!::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
    return nullptr;
  }
  ::CloseHandle(info.hThread);
  return std::make_unique<WindowsPipedProcess>(pipes, info.hProcess);
}

std::unique_ptr<PipedProcess> PipedProcess::start_distro_shell(const std::vector<std::string>& wsl_argv) {
  return start(system_program("wsl.exe"), wsl_argv);
}

int PipedProcess::prepare_wsl_launch(std::string& error_text) {
  if (wsl_launch != nullptr) return 0;
  // From the system directory only: a library of that name in the slot
  // must never be loaded.
  HMODULE library = ::LoadLibraryExW(L"wslapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library == nullptr) {
    error_text = "Can't load wslapi.dll";
    return -1;
  }
  wsl_launch = reinterpret_cast<WslLaunchFunction>(reinterpret_cast<void*>(::GetProcAddress(library, "WslLaunch")));
  if (wsl_launch == nullptr) {
    error_text = "WslLaunch not in wslapi.dll";
    return -1;
  }
  return 0;
}

std::unique_ptr<PipedProcess> PipedProcess::launch_wsl(const std::string& distro, const std::string& command,
                                                       bool use_cwd, long& error) {
  std::string error_text;
  if (prepare_wsl_launch(error_text) != 0) {
    error = -1;
    return nullptr;
  }
  ShellPipes pipes;
  if (!pipes.make(nullptr)) {
    error = -1;
    return nullptr;
  }
  HANDLE process = nullptr;
  HRESULT result = wsl_launch(to_wide_string(distro).c_str(), to_wide_string(command).c_str(), use_cwd ? TRUE : FALSE,
                              pipes.shell_stdin, pipes.shell_stdout, pipes.shell_stdout, &process);
  if (result != S_OK) {
    error = static_cast<long>(result);
    return nullptr;
  }
  error = 0;
  return std::make_unique<WindowsPipedProcess>(pipes, process);
}

}  // namespace platform
