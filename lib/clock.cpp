#include "lib/clock.h"

#include <chrono>

#include "platform/clock.h"

namespace {

class SystemClock final : public Clock {
 public:
  double now() override { return platform::wall_clock_seconds(); }
  double steady() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  void pause(double seconds) override { platform::sleep_milliseconds(static_cast<long>(seconds * 1000)); }
};

}  // namespace

Clock& system_clock() {
  static SystemClock clock;
  return clock;
}

double now_seconds() { return system_clock().now(); }

void pause_seconds(double seconds) { system_clock().pause(seconds); }
