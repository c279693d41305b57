#include "platform/build_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/posix/unique_fd.h"

namespace platform {
namespace {

class FlockMutex final : public MachineMutex {
 public:
  explicit FlockMutex(unique_fd fd) : fd_(std::move(fd)) {}

  bool wait(double seconds) override {
    double deadline = wall_clock_seconds() + seconds;
    for (;;) {
      if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) return true;
      if (errno != EWOULDBLOCK && errno != EINTR) return false;
      if (seconds != 0 && wall_clock_seconds() >= deadline) return false;
      sleep_milliseconds(100);
    }
  }

  void release() override { ::flock(fd_.get(), LOCK_UN); }

 private:
  unique_fd fd_;
};

}  // namespace

std::unique_ptr<MachineMutex> MachineMutex::open(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + name + ".lock";
  unique_fd fd(retry_eintr([&] { return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666); }));
  if (!fd.valid()) return nullptr;
  return std::make_unique<FlockMutex>(std::move(fd));
}

}  // namespace platform
