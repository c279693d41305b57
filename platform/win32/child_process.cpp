#include "platform/child_process.h"

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>

#include "platform/win32/process_start.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/windows_arguments.h"

namespace platform {
namespace {

class WindowsChildProcess final : public ChildProcess {
 public:
  explicit WindowsChildProcess(const PROCESS_INFORMATION& info)
      : process_(info.hProcess), thread_(info.hThread), pid_(static_cast<int>(info.dwProcessId)) {}

  int pid() const override { return pid_; }

  bool finished(int& exit_code) override {
    if (::WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return false;
    exit_code = code();
    return true;
  }

  int wait() override {
    ::WaitForSingleObject(process_.get(), INFINITE);
    return code();
  }

  void kill() override { ::TerminateProcess(process_.get(), 1); }

 private:
  int code() {
    DWORD value = 0;
    ::GetExitCodeProcess(process_.get(), &value);
    return static_cast<int>(value);
  }
  unique_handle process_, thread_;
  int pid_;
};


}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::start(const std::vector<std::string>& argv, const std::string& directory) {
  if (argv.empty()) return nullptr;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // No handle of this process is inherited; the console's standard streams
  // reach the child as they always do. A process group of its own: the
  // console's Ctrl-C reaches the parent, which tells the child its own way.
  if (!start_process({}, windows_command_line(argv), startup, {}, CREATE_NEW_PROCESS_GROUP, info, directory))
    return nullptr;
  return std::make_unique<WindowsChildProcess>(info);
}



}  // namespace platform
