// Status messages to the client, the web-graphics address and the sporadic
// files.
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

TEST_F(RuntimeTest, StatusMessages) {
  ASSERT_EQ(runtime.send_progress_ext(12.5, 12.5, 0.25, 0, 0), 0);
  EXPECT_EQ(take_status(),
            "<current_cpu_time>1.250000e+01</current_cpu_time>\n<checkpoint_cpu_time>1.250000e+01"
            "</checkpoint_cpu_time>\n<fraction_done>2.500000e-01</fraction_done>\n");

  inside(runtime).want_network = 1;
  inside(runtime).ac_state = 2;
  ASSERT_EQ(runtime.send_progress_ext(1, 2, 0.5, 77, 1048576), 0);
  EXPECT_EQ(take_status(),
            "<current_cpu_time>1.000000e+00</current_cpu_time>\n<checkpoint_cpu_time>2.000000e+00"
            "</checkpoint_cpu_time>\n<fraction_done>5.000000e-01</fraction_done>\n<other_pid>77</other_pid>\n"
            "<sporadic_ac>2</sporadic_ac>\n<wss>1048576.000000</wss>\n<want_network>1</want_network>\n");

  ASSERT_EQ(runtime.send_progress(0, 0, 0), 0);
  EXPECT_EQ(runtime.send_progress(0, 0, 0), RC_WRITE_FAILED);
  EXPECT_EQ(take_status(),
            "<current_cpu_time>0.000000e+00</current_cpu_time>\n<checkpoint_cpu_time>0.000000e+00"
            "</checkpoint_cpu_time>\n<fraction_done>0.000000e+00</fraction_done>\n<sporadic_ac>2</sporadic_ac>\n"
            "<want_network>1</want_network>\n");

  inside(runtime).ac_state = 0;
  inside(runtime).want_network = 0;
  inside(runtime).init_data.fraction_done_start = 0.5;
  inside(runtime).init_data.fraction_done_end = 1.0;
  inside(runtime).fraction_done = 0.5;
  inside(runtime).last_cpu_time = 3;
  inside(runtime).last_checkpoint_cpu_time = 1;
  inside(runtime).send_timer_status();
  EXPECT_EQ(take_status(),
            "<current_cpu_time>3.000000e+00</current_cpu_time>\n<checkpoint_cpu_time>1.000000e+00"
            "</checkpoint_cpu_time>\n<want_network>0</want_network>\n<fraction_done>7.500000e-01</fraction_done>\n");
  inside(runtime).fraction_done = -1;
  inside(runtime).send_timer_status();
  EXPECT_EQ(take_status().find("fraction_done"), std::string::npos);

  runtime.send_progress_ext(0, 0, 0, 0, std::nan(""));
  EXPECT_EQ(take_status().find("wss"), std::string::npos);
}

TEST_F(RuntimeTest, StandaloneSendsNothing) {
  inside(runtime).standalone = true;
  EXPECT_EQ(runtime.send_progress_ext(1, 1, 1, 0, 1), 0);
  EXPECT_EQ(runtime.send_progress(1, 1, 1), 0);
  inside(runtime).send_timer_status();
  runtime.announce_web_graphics("http://localhost:1");
  tick_to(10);
  EXPECT_TRUE(channel_empty(area.status_out));
  EXPECT_TRUE(channel_empty(area.graphics_out));
}

TEST_F(RuntimeTest, WebGraphicsWaitsForAnEmptyChannel) {
  ASSERT_TRUE(channel_send(area.graphics_out, "old"));
  runtime.announce_web_graphics("http://localhost:1");
  runtime.announce_web_graphics("http://localhost:4242");
  tick_to(10);
  EXPECT_EQ(message_in(area.graphics_out), "old");
  char buffer[kChannelSize];
  channel_receive(area.graphics_out, buffer);
  tick_to(20);
  EXPECT_EQ(message_in(area.graphics_out), "<web_graphics_url>http://localhost:4242</web_graphics_url>");
  channel_receive(area.graphics_out, buffer);
  tick_to(30);
  EXPECT_TRUE(channel_empty(area.graphics_out));
}

TEST_F(RuntimeTest, SporadicFilesThatCantBeOpened) {
  StderrCapture log;
  EXPECT_EQ(runtime.open_sporadic_files("no/such/dir"), RC_FOPEN_FAILED);
  EXPECT_EQ(log.text(), "can't open sporadic file no/such/dir/ac\ncan't open sporadic file no/such/dir/ca\n");
  EXPECT_FALSE(inside(runtime).sporadic_open.load());
}
