// Feeds arbitrary messages to the runtime as the client's pulse and control
// channels would carry them, and runs the timer's tick over them. No crash,
// no sanitizer report.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "lib/clock.h"
#include "runtime/client_runtime.h"
#include "tests/client_runtime_inside.h"
#include "runtime/shared_channels.h"

namespace {

class StillClock final : public Clock {
 public:
  double now() override { return 1000; }
  double steady() override { return 1000; }
  void pause(double) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static StillClock clock;
  static SHM_AREA area;
  // One runtime, as in the program; each input starts it afresh.
  static ClientRuntime* runtime = new ClientRuntime(clock);
  ClientRuntimeInside in(*runtime);
  in.status.client_lost = 0;
  in.status.is_suspended = 0;
  in.status.quit_asked = 0;
  in.status.abort_asked = 0;
  in.status.network_suspended = 0;
  in.tick_count = 0;
  in.heartbeat_deadline = 300;
  std::memset(&area, 0, sizeof area);
  in.shm = &area;
  in.standalone = false;
  in.options.watch_client = 1;
  in.options.obey_control = 1;
  in.options.act_directly = 0;  // the requests are noted, not acted on: the process goes on
  std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t half = text.size() / 2;
  std::string pulse = text.substr(0, half).substr(0, kChannelSize - 2);
  std::string control = text.substr(half).substr(0, kChannelSize - 2);
  pulse = pulse.substr(0, std::strlen(pulse.c_str()));
  control = control.substr(0, std::strlen(control.c_str()));
  in.apply_pulse(pulse.c_str());
  channel_send(area.control_in, control.c_str());
  for (int i = 0; i < 12; ++i) runtime->timer_tick();
  return 0;
}
