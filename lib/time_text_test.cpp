#include "lib/time_text.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "lib/clock.h"

TEST(TimeText, ZeroIsDashes) {
  EXPECT_STREQ(time_text(0, false), "---");
  EXPECT_STREQ(time_text(0, true), "---");
}

TEST(TimeText, UtcTimes) {
  struct {
    double when;
    const char* text;
  } cases[] = {
      {1.0, "01-Jan-1970 00:00:01 UTC"},
      {1700000000.9, "14-Nov-2023 22:13:20 UTC"},
      {951782400, "29-Feb-2000 00:00:00 UTC"},
  };
  for (const auto& c : cases) EXPECT_STREQ(time_text(c.when, true), c.text) << c.when;
}

TEST(TimeText, LocalTimeHasTheSameShape) {
  std::string text = time_text(now_seconds(), false);
  EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d\d-[A-Z][a-z][a-z]-\d{4} \d\d:\d\d:\d\d)"))) << text;
}

TEST(Clock, NowIsSecondsSince1970AndPauseTruncatesToMilliseconds) {
  double now = now_seconds();
  EXPECT_GT(now, 1.7e9);
  double before = now_seconds();
  pause_seconds(0.0015);
  EXPECT_GE(now_seconds() - before, 0.001);
}
