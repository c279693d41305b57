#include "platform/temporary_name.h"

#include <atomic>
#include <random>

#include "platform/process.h"

namespace platform {

std::string temporary_name(const std::string& destination) {
  static std::atomic<unsigned> counter{0};
  thread_local std::minstd_rand generator{std::random_device{}()};
  return destination + ".tmp." + std::to_string(current_process_id()) + "." + std::to_string(counter++) + "." +
         std::to_string(generator());
}

}  // namespace platform
