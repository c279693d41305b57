#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/slot_open.h"
#include "platform/posix/unique_fd.h"
#include "platform/system_error.h"

namespace platform {
namespace {

// Reads up to max_bytes from the descriptor's position into text.
bool read_at_most(int fd, std::size_t max_bytes, std::string& text) {
  text.resize(max_bytes);
  std::size_t done = 0;
  while (done < max_bytes) {
    ssize_t got = retry_eintr([&] { return ::read(fd, text.data() + done, max_bytes - done); });
    if (got < 0) return false;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  text.resize(done);
  return true;
}

}  // namespace

bool path_exists(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0;
}

bool path_is_directory(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool file_size(const std::string& path, double& size) {
  struct stat info{};
  if (::stat(path.c_str(), &info) != 0) return false;
  size = static_cast<double>(info.st_size);
  return true;
}

bool create_directory(const std::string& path, int& error) {
  if (::mkdir(path.c_str(), 0777) == 0) return succeeded(0, error);
  int code = errno;
  if (code == EEXIST && path_is_directory(path)) return succeeded(0, error);
  return succeeded(code, error);
}

bool copy_file(const std::string& source, const std::string& destination, int& error) {
  unique_fd in(retry_eintr([&] { return ::open(source.c_str(), O_RDONLY | O_CLOEXEC); }));
  if (!in.valid()) return succeeded(errno, error);
  // The copy keeps the source's permissions, as the system's own copy does:
  // a program copied into the slot stays a program.
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) return succeeded(errno, error);
  const mode_t mode = info.st_mode & 07777;
  unique_fd out(retry_eintr([&] {
    return ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  }));
  if (!out.valid()) return succeeded(errno, error);
  if (::fchmod(out.get(), mode) != 0) return succeeded(errno, error);
  std::vector<char> buffer(65536);
  for (;;) {
    ssize_t got = retry_eintr([&] { return ::read(in.get(), buffer.data(), buffer.size()); });
    if (got < 0) return succeeded(errno, error);
    if (got == 0) return succeeded(0, error);
    for (ssize_t done = 0; done < got;) {
      ssize_t put = retry_eintr([&] { return ::write(out.get(), buffer.data() + done, got - done); });
      if (put < 0) return succeeded(errno, error);
      done += put;
    }
  }
}

bool replace_file_with(const std::string& destination, const std::string& text, int& error) {
  return succeeded(replace_through_temporary(destination, [&](int fd) {
                     std::size_t done = 0;
                     while (done < text.size()) {
                       ssize_t put =
                           retry_eintr([&] { return ::write(fd, text.data() + done, text.size() - done); });
                       if (put < 0) return errno;
                       done += static_cast<std::size_t>(put);
                     }
                     return 0;
                   }),
                   error);
}

bool delete_file(const std::string& path, int& error) {
  return succeeded(::unlink(path.c_str()) == 0 ? 0 : errno, error);
}

std::FILE* open_file_shared(const std::string& path, const char* mode) {
  // "e" asks glibc for O_CLOEXEC so the stream never leaks into children.
  std::string with_cloexec = std::string(mode) + "e";
  std::FILE* stream = nullptr;
  do {
    stream = std::fopen(path.c_str(), with_cloexec.c_str());
  } while (stream == nullptr && errno == EINTR);
  return stream;
}

bool read_regular_file_start(const std::string& path, std::size_t max_bytes, std::string& text) {
  text.clear();
  int error = 0;
  unique_fd fd = open_slot_entry(path, SlotOpen{.access = O_RDONLY}, error);
  return fd.valid() && read_at_most(fd.get(), max_bytes, text);
}

SlotRead read_slot_file(const std::string& path, std::size_t max_bytes, std::string& text) {
  text.clear();
  int error = 0;
  unique_fd fd = open_slot_entry(path, SlotOpen{.access = O_RDONLY}, error);
  if (!fd.valid()) {
    if (error == ENOENT) return SlotRead::missing;
    return error == ELOOP || error == EINVAL ? SlotRead::not_regular : SlotRead::failed;
  }
  // One byte more than allowed tells a file that is too large.
  if (!read_at_most(fd.get(), max_bytes + 1, text)) return SlotRead::failed;
  return text.size() > max_bytes ? SlotRead::too_large : SlotRead::ok;
}

std::FILE* open_slot_file_for_reading(const std::string& path) {
  int error = 0;
  unique_fd fd = open_slot_entry(path, SlotOpen{.access = O_RDONLY}, error);
  if (!fd.valid()) return nullptr;
  std::FILE* stream = ::fdopen(fd.get(), "r");
  if (stream != nullptr) fd.release();
  return stream;
}

std::string current_directory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string full_path(const std::string& path) {
  if (!path.empty() && path[0] == '/') return std::filesystem::path(path).lexically_normal().string();
  std::string here = current_directory();
  if (here.empty()) return {};
  return std::filesystem::path(here + "/" + path).lexically_normal().string();
}

}  // namespace platform
