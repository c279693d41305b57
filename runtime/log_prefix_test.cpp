// The prefix of the runtime's log lines.
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

TEST(LogPrefix, FormatAndLimits) {
  char buffer[256];
  EXPECT_TRUE(std::regex_match(log_prefix(buffer, sizeof buffer),
                               std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \(\d+\):)")))
      << buffer;
  std::size_t full = std::strlen(buffer);
  char exact[64];
  log_prefix(exact, full);  // exactly len characters: the last one is lost
  EXPECT_EQ(std::strlen(exact), full - 1);
  char tiny[10];
  EXPECT_STREQ(log_prefix(tiny, sizeof tiny), "sprintf()");
}
