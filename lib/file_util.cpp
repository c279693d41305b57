#include "lib/file_util.h"

#include <cstring>
#include <random>

#include "lib/result_codes.h"
#include "platform/files.h"

namespace {

// A random pause of 0 to 2 seconds between attempts, so that two processes
// contending for one file don't keep colliding.
void random_pause(Clock& clock) {
  thread_local std::minstd_rand generator{std::random_device{}()};
  std::uniform_int_distribution<int> draw(0, 32767);
  clock.pause(draw(generator) * 2.0 / 32767);
}

// Repeats attempt after random pauses until it succeeds or 5 seconds have
// passed since the first failure. Returns whether it succeeded.
template <typename Attempt>
bool retry_for_five_seconds(Clock& clock, Attempt attempt) {
  if (attempt()) return true;
  double first_failure = clock.now();
  do {
    random_pause(clock);
    if (attempt()) return true;
  } while (clock.now() - first_failure < 5.0);
  return false;
}

}  // namespace

bool path_exists(const std::string& path) { return platform::path_exists(path); }

bool path_is_directory(const std::string& path) { return platform::path_is_directory(path); }

int size_of_file(const std::string& path, double& size) {
  return platform::file_size(path, size) ? 0 : RC_STAT_FAILED;
}

int make_directory(const std::string& path) {
  int error = 0;
  return platform::create_directory(path, error) ? 0 : error;
}

int copy_file_over(const std::string& source, const std::string& destination) {
  int error = 0;
  return platform::copy_file(source, destination, error) ? 0 : error;
}

int delete_file_retry(const std::string& path, Clock& clock) {
  if (!platform::path_exists(path)) return 0;
  int error = 0;
  bool deleted = retry_for_five_seconds(clock, [&] { return platform::delete_file(path, error); });
  return deleted ? 0 : RC_UNLINK_FAILED;
}

int replace_file_retry(const std::string& path, const std::string& text, Clock& clock) {
  int error = 0;
  retry_for_five_seconds(clock, [&] { return platform::replace_file_with(path, text, error); });
  return error;
}

std::FILE* open_file_retry(const std::string& path, const char* mode, Clock& clock) {
  const bool reading = std::strchr(mode, 'r') != nullptr && std::strchr(mode, '+') == nullptr;
  if (reading && !platform::path_exists(path)) return nullptr;
  std::FILE* stream = nullptr;
  retry_for_five_seconds(clock, [&] {
    stream = reading ? platform::open_slot_file_for_reading(path) : platform::open_file_shared(path, mode);
    return stream != nullptr;
  });
  return stream;
}

bool read_whole_file(const std::string& path, std::string& text) {
  std::FILE* file = platform::open_file_shared(path, "rb");
  if (file == nullptr) return false;
  text.clear();
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

std::string working_dir_path(const std::string& relative) {
  std::string path = platform::current_directory();
  if (!relative.empty()) path += "/" + relative;
  return path;
}
