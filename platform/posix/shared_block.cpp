#include "platform/shared_block.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cstring>

#include "platform/posix/unique_fd.h"

namespace platform {

void* attach_named_block(const std::string& name, std::size_t size) {
  unique_fd fd(retry_eintr([&] { return ::shm_open(("/" + name).c_str(), O_RDWR | O_CLOEXEC, 0); }));
  if (!fd.valid()) return nullptr;
  // A shorter object would fault on the first access past its end.
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || info.st_size < static_cast<off_t>(size)) return nullptr;
  void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
  // The mapping stays for the life of the process; the descriptor is no
  // longer needed once it is made.
  return address == MAP_FAILED ? nullptr : address;
}

void* create_named_block(const std::string& name, std::size_t size) {
  std::string object = "/" + name;
  ::shm_unlink(object.c_str());
  unique_fd fd(::shm_open(object.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!fd.valid() || ::ftruncate(fd.get(), static_cast<off_t>(size)) != 0) return nullptr;
  void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
  if (address == MAP_FAILED) return nullptr;
  std::memset(address, 0, size);
  return address;
}

void remove_named_block(const std::string& name) { ::shm_unlink(("/" + name).c_str()); }

}  // namespace platform
