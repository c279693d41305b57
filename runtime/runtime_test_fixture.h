// The fixture of the runtime's tests: a runtime attached to a block in this
// process's memory, and this test binary run again as a child.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

#include "client_runtime_inside.h"
#include "runtime/client_runtime.h"
#include "runtime/shared_channels.h"
#include "test_support.h"

inline std::string message_in(SHM_CHANNEL& channel) { return reinterpret_cast<const char*>(channel.bytes + 1); }

// A runtime attached to a block in this process's memory, as in client mode.
class RuntimeTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::memset(&area, 0, sizeof area);
    inside(runtime).shm = &area;
    inside(runtime).standalone = false;
    inside(runtime).options.watch_client = 1;
    inside(runtime).options.obey_control = 1;
    inside(runtime).heartbeat_deadline = 300;
  }
  void pulse(const char* text) { ASSERT_TRUE(channel_send(area.pulse_in, text)); }
  void control(const char* text) { ASSERT_TRUE(channel_send(area.control_in, text)); }
  // Runs ticks until tick_count reaches target, with stderr captured.
  std::string tick_to(int target) {
    StderrCapture log;
    while (inside(runtime).tick_count < target) runtime.timer_tick();
    return log.text();
  }
  std::string take_status() {
    char text[kChannelSize];
    return channel_receive(area.status_out, text) ? text : "(empty)";
  }

  FakeClock clock;
  ClientRuntime runtime{clock};
  SHM_AREA area;
};



class DiagnosticsTest : public TempDirTest {};
