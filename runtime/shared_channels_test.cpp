// The channels of the shared block: what a send and a receive may do.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <thread>

#include "lib/result_codes.h"
#include "runtime/client_runtime.h"
#include "runtime/diagnostics.h"
#include "runtime/log_prefix.h"
#include "runtime/shared_channels.h"
#include "runtime_test_fixture.h"
#include "test_support.h"

TEST(SharedChannels, SendAndReceiveRules) {
  SHM_CHANNEL channel{};
  char buffer[kChannelSize] = "untouched";
  EXPECT_FALSE(channel_receive(channel, buffer));
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_TRUE(channel_empty(channel));

  EXPECT_TRUE(channel_send(channel, "<quit/>"));
  EXPECT_FALSE(channel_send(channel, "<abort/>"));
  EXPECT_EQ(message_in(channel), "<quit/>");
  EXPECT_TRUE(channel_receive(channel, buffer));
  EXPECT_STREQ(buffer, "<quit/>");
  EXPECT_EQ(channel.bytes[0], 0);
  EXPECT_TRUE(channel_send(channel, "<abort/>"));

  SHM_CHANNEL long_one{};
  std::string text(1030, 'x');
  ASSERT_TRUE(channel_send(long_one, text.c_str()));
  EXPECT_EQ(message_in(long_one), std::string(1022, 'x'));

  // A client that fills all 1023 bytes without a terminator.
  SHM_CHANNEL unterminated{};
  unterminated.bytes[0] = 1;
  std::memset(unterminated.bytes + 1, 'y', 1023);
  ASSERT_TRUE(channel_receive(unterminated, buffer));
  EXPECT_EQ(std::string(buffer), std::string(1022, 'y'));

  SHM_CHANNEL odd_flag{};
  odd_flag.bytes[0] = 7;
  EXPECT_FALSE(channel_send(odd_flag, "x"));
}
