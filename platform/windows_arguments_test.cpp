// The Windows command line of an argument vector.
#include "platform/windows_arguments.h"

#include <gtest/gtest.h>

TEST(WindowsArguments, QuotedAsTheChildsRuntimeReadsThem) {
  struct {
    std::string argument;
    std::string quoted;
  } cases[] = {
      {"plain", "plain"},
      {"", "\"\""},
      {"a b", "\"a b\""},
      {"tab\there", "\"tab\there\""},
      {"a\"b", "\"a\\\"b\""},
      {"a\\b", "a\\b"},
      {"a\\", "a\\"},
      {"a b\\", "\"a b\\\\\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"%PATH%", "%PATH%"},
      {"^&echo x", "\"^&echo x\""},
      {"x\"&echo INJECTED>f&rem \"", "\"x\\\"&echo INJECTED>f&rem \\\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::windows_argument(c.argument), c.quoted) << c.argument;
  EXPECT_EQ(platform::windows_command_line({"wsl", "-d", "My Distro", "-u", "root"}),
            "wsl -d \"My Distro\" -u root");
}
