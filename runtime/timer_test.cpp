// The timer thread's tick: the client's pulse and control messages, the
// client's loss, the progress it reports itself, and direct action.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <thread>

#include "lib/result_codes.h"
#include "client_runtime_inside.h"
#include "runtime/client_runtime.h"
#include "runtime/diagnostics.h"
#include "runtime/log_prefix.h"
#include "runtime/shared_channels.h"
#include "runtime_test_fixture.h"
#include "test_support.h"

TEST_F(RuntimeTest, PulseMessages) {
  inside(runtime).tick_count = 5;
  inside(runtime).apply_pulse("<heartbeat/><wss>1.5e9</wss>");
  EXPECT_EQ(inside(runtime).heartbeat_deadline, 305);
  EXPECT_EQ(inside(runtime).status.wss.load(), 1.5e9);
  EXPECT_EQ(inside(runtime).status.max_wss.load(), 0);
  EXPECT_TRUE(inside(runtime).heartbeat_seen.load());

  // Before each message: wss 7, max_wss 0, network suspended, sporadic_ca 5.
  struct {
    const char* text;
    double wss;
    double max_wss;
    int network_suspended;
    int sporadic_ca;
  } cases[] = {
      {"<wss>letters</wss>", 0, 0, 0, 5},
      {"<max_wss> 2e6</max_wss>", 7, 2e6, 0, 5},
      {"<wss>1e999</wss>", 7, 0, 0, 5},
      {"<wss>12.5</wss>", 12.5, 0, 0, 5},
      // Decimal numbers only.
      {"<wss>0x10</wss>", 7, 0, 0, 5},
      {"<wss>inf</wss>", 7, 0, 0, 5},
      {"<wss>-nan</wss>", 7, 0, 0, 5},
      {"<max_wss>NAN</max_wss>", 7, 0, 0, 5},
      {"<network_suspended/>", 7, 0, 1, 5},
      {"<network_suspended />", 7, 0, 1, 5},
      {"<network_suspended>0</network_suspended>", 7, 0, 0, 5},
      {"<sporadic_ca>0x10</sporadic_ca>", 7, 0, 0, 16},
      {"<sporadic_ca>010</sporadic_ca>", 7, 0, 0, 8},
      {"<sporadic_ca>-3</sporadic_ca>", 7, 0, 0, -3},
      {"<sporadic_ca>99999999999</sporadic_ca>", 7, 0, 0, 5},
  };
  for (const auto& c : cases) {
    inside(runtime).status.wss = 7;
    inside(runtime).status.max_wss = 0;
    inside(runtime).status.network_suspended = 1;
    inside(runtime).status.sporadic_ca = 5;
    inside(runtime).apply_pulse(c.text);
    EXPECT_EQ(inside(runtime).status.wss.load(), c.wss) << c.text;
    EXPECT_EQ(inside(runtime).status.max_wss.load(), c.max_wss) << c.text;
    EXPECT_EQ(inside(runtime).status.network_suspended.load(), c.network_suspended) << c.text;
    EXPECT_EQ(inside(runtime).status.sporadic_ca.load(), c.sporadic_ca) << c.text;
  }
}

TEST_F(RuntimeTest, ControlMessagesInOrder) {
  struct {
    const char* text;
    int suspended, quit, abort, reread;
  } steps[] = {
      {"<suspend/>", 1, 0, 0, 0},
      {"<suspend/><resume/>", 0, 0, 0, 0},
      {"<resume/><suspend/>", 0, 0, 0, 0},  // the checks run in a fixed order
      {"<suspend/>", 1, 0, 0, 0},
      {"<quit/>", 1, 1, 0, 0},
      {"<resume/>", 0, 1, 0, 0},  // a quit is never taken back
      {"<reread_app_info/>", 0, 1, 0, 1},
      {"<abort/>", 0, 1, 1, 1},
      {"<nothing/>", 0, 1, 1, 1},
  };
  for (const auto& step : steps) {
    control(step.text);
    runtime.timer_tick();
    CLIENT_STATUS s = inside(runtime).status.copy();
    EXPECT_EQ(s.is_suspended, step.suspended) << step.text;
    EXPECT_EQ(s.quit_asked, step.quit) << step.text;
    EXPECT_EQ(s.abort_asked, step.abort) << step.text;
    EXPECT_EQ(s.reread_asked, step.reread) << step.text;
  }
}

TEST_F(RuntimeTest, ChannelsAreLeftAloneWhenSwitchedOff) {
  inside(runtime).options.watch_client = 0;
  inside(runtime).options.obey_control = 0;
  pulse("<heartbeat/>");
  control("<quit/>");
  tick_to(20);
  EXPECT_FALSE(channel_empty(area.pulse_in));
  EXPECT_FALSE(channel_empty(area.control_in));
  EXPECT_EQ(inside(runtime).status.quit_asked.load(), 0);
  EXPECT_EQ(inside(runtime).status.client_lost.load(), 0);
}

TEST_F(RuntimeTest, ClientLossWithoutAClientIdFollowsTheHeartbeat) {
  EXPECT_EQ(tick_to(39), "");
  pulse("<heartbeat/>");
  tick_to(40);  // taken at tick 40: deadline 340
  EXPECT_EQ(tick_to(340), "");
  EXPECT_EQ(inside(runtime).status.client_lost.load(), 0);
  std::string log = tick_to(350);
  EXPECT_EQ(inside(runtime).status.client_lost.load(), 1);
  EXPECT_TRUE(std::regex_match(log, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \(\d+\): No heartbeat from client for )"
                                               R"(30 sec - exiting\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \(\d+\): timer )"
                                               R"(handler: client dead, exiting\n)")))
      << log;
  // The lines repeat every second while the process runs.
  EXPECT_NE(tick_to(360), "");
}

TEST_F(RuntimeTest, ClientLossWithNoPulseAtAll) {
  tick_to(309);
  EXPECT_EQ(inside(runtime).status.client_lost.load(), 0);
  tick_to(310);
  EXPECT_EQ(inside(runtime).status.client_lost.load(), 1);
}

TEST_F(RuntimeTest, TimerReportsProgressWhenAsked) {
  inside(runtime).options.timer_reports_progress = 1;
  inside(runtime).initial_cpu_time = 3600;
  tick_to(10);
  std::string message = take_status();
  double cpu = 0;
  ASSERT_EQ(std::sscanf(message.c_str(), "<current_cpu_time>%le", &cpu), 1) << message;
  EXPECT_GE(cpu, 3600);
  EXPECT_LT(cpu, 3600 + 60);

  // While suspended no report; at finish one last one, then nothing.
  inside(runtime).status.is_suspended = 1;
  tick_to(20);
  EXPECT_EQ(take_status(), "(empty)");
  inside(runtime).finishing = true;
  inside(runtime).fraction_done = 1.0;
  runtime.timer_tick();
  EXPECT_NE(take_status().find("<fraction_done>"), std::string::npos);
  EXPECT_TRUE(inside(runtime).stopped.load());
  int ticks = inside(runtime).tick_count;
  runtime.timer_tick();
  EXPECT_EQ(inside(runtime).tick_count, ticks);
}
