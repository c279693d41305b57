#include "platform/shell_capture.h"

#include <cstdio>

namespace platform {
namespace {

class WindowsShellCapture final : public ShellCapture {
 public:
  explicit WindowsShellCapture(std::FILE* pipe) : pipe_(pipe) {}
  ~WindowsShellCapture() override {
    if (pipe_ != nullptr) ::_pclose(pipe_);
  }

  bool read_line(char* buffer, std::size_t size) override {
    return pipe_ != nullptr && size >= 2 && std::fgets(buffer, static_cast<int>(size), pipe_) != nullptr;
  }

  int finish() override {
    if (pipe_ == nullptr) return -1;
    int status = ::_pclose(pipe_);
    pipe_ = nullptr;
    return status;
  }

 private:
  std::FILE* pipe_;
};

}  // namespace

std::unique_ptr<ShellCapture> ShellCapture::start(const std::string& command_line) {
  std::FILE* pipe = ::_popen(command_line.c_str(), "rt");
  if (pipe == nullptr) return nullptr;
  return std::make_unique<WindowsShellCapture>(pipe);
}

}  // namespace platform
