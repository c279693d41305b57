#include "platform/slot_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/slot_open.h"
#include "platform/posix/unique_fd.h"

namespace platform {
namespace {

class PosixSlotFile final : public SlotFile {
 public:
  explicit PosixSlotFile(unique_fd fd) : fd_(std::move(fd)) {}

  bool write_at_start(const char* data, std::size_t size) override {
    return retry_eintr([&] { return ::pwrite(fd_.get(), data, size, 0); }) == static_cast<ssize_t>(size);
  }

  long read_at_start(char* data, std::size_t size) override {
    return static_cast<long>(retry_eintr([&] { return ::pread(fd_.get(), data, size, 0); }));
  }

  bool modification_time(long long& time) override {
    struct stat info{};
    if (::fstat(fd_.get(), &info) != 0) return false;
    time = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    return true;
  }

 private:
  unique_fd fd_;
};

}  // namespace

std::unique_ptr<SlotFile> SlotFile::open(const std::string& path, bool for_writing) {
  int error = 0;
  unique_fd fd = open_slot_entry(
      path, SlotOpen{.access = for_writing ? O_WRONLY : O_RDONLY, .owned = true, .sole_name = for_writing}, error);
  if (!fd.valid()) return nullptr;
  return std::make_unique<PosixSlotFile>(std::move(fd));
}

}  // namespace platform
