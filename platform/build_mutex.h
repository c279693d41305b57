// A machine-wide mutex that serialises image builds of all jobs on the
// machine. Released by its owner, or by the system when the owner dies.
#pragma once

#include <memory>
#include <string>

namespace platform {

class MachineMutex {
 public:
  virtual ~MachineMutex() = default;

  // Opens (creating if needed) the mutex of that name without taking it.
  // Null on failure.
  static std::unique_ptr<MachineMutex> open(const std::string& name);

  // Waits at most seconds (0: without limit) to own it; an owner that ended
  // without releasing it counts as released. False on time-out or failure.
  virtual bool wait(double seconds) = 0;

  virtual void release() = 0;
};

}  // namespace platform
