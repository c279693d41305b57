#include "platform/shell_capture.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdio>

namespace platform {
namespace {

class PosixShellCapture final : public ShellCapture {
 public:
  explicit PosixShellCapture(std::FILE* pipe) : pipe_(pipe) {}
  ~PosixShellCapture() override {
    if (pipe_ != nullptr) ::pclose(pipe_);
  }

  bool read_line(char* buffer, std::size_t size) override {
    if (pipe_ == nullptr || size < 2) return false;
    for (;;) {
      if (std::fgets(buffer, static_cast<int>(size), pipe_) != nullptr) return true;
      if (!std::ferror(pipe_) || errno != EINTR) return false;
      std::clearerr(pipe_);
    }
  }

  int finish() override {
    if (pipe_ == nullptr) return -1;
    int status = ::pclose(pipe_);
    pipe_ = nullptr;
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

 private:
  std::FILE* pipe_;
};

}  // namespace

std::unique_ptr<ShellCapture> ShellCapture::start(const std::string& command_line) {
  // "e" keeps the read end out of other children that this process starts.
  std::FILE* pipe = ::popen(command_line.c_str(), "re");
  if (pipe == nullptr) return nullptr;
  return std::make_unique<PosixShellCapture>(pipe);
}

}  // namespace platform
