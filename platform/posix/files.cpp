#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/posix/unique_fd.h"
#include "platform/system_error.h"

namespace platform {

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

// The system's error number, 0 on success.
static int create_directory_error(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return 0;
  int error = errno;
  if (error == EEXIST && path_is_directory(path)) return 0;
  return error;
}

// The system's error number, 0 on success.
static int copy_file_error(const std::string& source, const std::string& destination) {
  unique_fd in(retry_eintr([&] { return ::open(source.c_str(), O_RDONLY | O_CLOEXEC); }));
  if (!in.valid()) return errno;
  unique_fd out(retry_eintr([&] {
    return ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  }));
  if (!out.valid()) return errno;
  std::vector<char> buffer(65536);
  for (;;) {
    ssize_t got = retry_eintr([&] { return ::read(in.get(), buffer.data(), buffer.size()); });
    if (got < 0) return errno;
    if (got == 0) return 0;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = retry_eintr([&] { return ::write(out.get(), buffer.data() + done, got - done); });
      if (put < 0) return errno;
      done += put;
    }
  }
}

// The system's error number, 0 on success.
static int replace_file_with_error(const std::string& destination, const std::string& path,
                                   const std::string& text) {
  int error = 0;
  {
    unique_fd fd(retry_eintr([&] { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); }));
    if (!fd.valid()) return errno;
    std::size_t done = 0;
    while (done < text.size() && error == 0) {
      ssize_t put = retry_eintr([&] { return ::write(fd.get(), text.data() + done, text.size() - done); });
      if (put < 0) error = errno;
      if (put > 0) done += static_cast<std::size_t>(put);
    }
    if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
    if (::close(fd.release()) != 0 && error == 0) error = errno;
  }
  if (error == 0 && ::rename(path.c_str(), destination.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(path.c_str());
  return error;
}

// The system's error number, 0 on success.
static int delete_file_error(const std::string& path) {
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
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
  // Non-blocking: opening a FIFO for reading would wait for a writer.
  unique_fd fd(retry_eintr([&] { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }));
  if (!fd.valid()) return false;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  text.resize(max_bytes);
  std::size_t done = 0;
  while (done < max_bytes) {
    ssize_t got = retry_eintr([&] { return ::read(fd.get(), text.data() + done, max_bytes - done); });
    if (got < 0) return false;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  text.resize(done);
  return true;
}

std::string current_directory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool create_directory(const std::string& path, int& error) { return succeeded(create_directory_error(path), error); }

bool copy_file(const std::string& source, const std::string& destination, int& error) {
  return succeeded(copy_file_error(source, destination), error);
}

bool replace_file_with(const std::string& destination, const std::string& path, const std::string& text,
                       int& error) {
  return succeeded(replace_file_with_error(destination, path, text), error);
}

bool delete_file(const std::string& path, int& error) { return succeeded(delete_file_error(path), error); }

}  // namespace platform
