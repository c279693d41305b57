#include "platform/posix/slot_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/temporary_name.h"

namespace platform {
namespace {

bool acceptable(const struct stat& info, const SlotOpen& how) {
  return S_ISREG(info.st_mode) && !(how.sole_name && info.st_nlink > 1);
}

// Opens without following a link or waiting for a FIFO's other end, then
// checks what was opened: a name swapped between the look and the open is
// caught here.
unique_fd open_checked(const std::string& path, const SlotOpen& how, int create, bool& unfit, int& error) {
  unfit = false;
  int flags = how.access | create | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  unique_fd fd(retry_eintr([&] { return ::open(path.c_str(), flags, 0666); }));
  if (!fd.valid()) {
    error = errno;
    // A link (ELOOP), a FIFO nobody reads (ENXIO), a directory (EISDIR).
    unfit = error == ELOOP || error == ENXIO || error == EISDIR || error == ENODEV || error == ETXTBSY;
    return fd;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) {
    error = errno;
    return unique_fd();
  }
  if (!acceptable(info, how)) {
    unfit = true;
    error = EINVAL;
    return unique_fd();
  }
  int status = ::fcntl(fd.get(), F_GETFL);
  if (status == -1 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) == -1) {
    error = errno;
    return unique_fd();
  }
  error = 0;
  return fd;
}

}  // namespace

bool remove_slot_entry(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  if (errno == EISDIR || errno == EPERM) return ::rmdir(path.c_str()) == 0 || errno == ENOENT;
  return false;
}

unique_fd open_slot_entry(const std::string& path, const SlotOpen& how, int& error) {
  // A look first, so that a device or FIFO is never even opened.
  struct stat info {};
  bool unfit = false;
  if (::lstat(path.c_str(), &info) == 0) {
    unfit = !acceptable(info, how);
  } else if (errno != ENOENT) {
    error = errno;
    return unique_fd();
  }
  if (!unfit) {
    unique_fd fd = open_checked(path, how, how.owned ? O_CREAT : 0, unfit, error);
    if (fd.valid() || !unfit) return fd;
  }
  if (!how.owned) {
    error = S_ISLNK(info.st_mode) || error == ELOOP ? ELOOP : EINVAL;
    return unique_fd();
  }
  if (!remove_slot_entry(path)) {
    error = errno;
    return unique_fd();
  }
  return open_checked(path, how, O_CREAT | O_EXCL, unfit, error);
}

int replace_through_temporary(const std::string& destination, const std::function<int(int fd)>& write) {
  // A fresh name that nothing can have planted beforehand: O_EXCL with
  // O_NOFOLLOW refuses whatever stands there, link or not.
  unique_fd fd;
  std::string path;
  for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
    path = temporary_name(destination);
    fd.reset(retry_eintr([&] {
      return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    }));
    if (!fd.valid() && errno != EEXIST) return errno;
  }
  if (!fd.valid()) return EEXIST;
  int code = write(fd.get());
  if (code == 0 && ::fsync(fd.get()) != 0) code = errno;
  if (::close(fd.release()) != 0 && code == 0) code = errno;
  // rename replaces the name itself: a link or a second name standing there
  // is dropped, never written through. Only a directory stands in the way.
  if (code == 0 && ::rename(path.c_str(), destination.c_str()) != 0) {
    code = errno;
    if ((code == EISDIR || code == ENOTEMPTY || code == EEXIST) && remove_slot_entry(destination) &&
        ::rename(path.c_str(), destination.c_str()) == 0)
      code = 0;
  }
  if (code != 0) ::unlink(path.c_str());
  return code;
}

}  // namespace platform
