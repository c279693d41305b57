// A command line run through the system's command interpreter, its output
// read line by line (the benchmark's way of running an engine per command).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/shell_capture.h"

namespace {

using Lines = std::vector<std::string>;

// Every line the command prints, and its exit status.
int capture(const std::string& command, Lines& lines) {
  lines.clear();
  auto child = platform::ShellCapture::start(command);
  if (child == nullptr) return -2;
  char buffer[4096];
  while (child->read_line(buffer, sizeof buffer)) lines.emplace_back(buffer);
  return child->finish();
}

}  // namespace

TEST(ShellCapture, LinesAndExitStatus) {
  struct {
    const char* command;
    int status;
    Lines lines;
  } cases[] = {
      {"printf 'a\\n\\nb\\n'", 0, {"a\n", "\n", "b\n"}},
      {"printf 'x\\ny'", 0, {"x\n", "y"}},
      {"true", 0, {}},
      {"echo partial; exit 1", 1, {"partial\n"}},
      {"exit 3", 3, {}},
      {"echo to-stderr 1>&2", 0, {}},
  };
  for (const auto& c : cases) {
    Lines lines;
    EXPECT_EQ(capture(c.command, lines), c.status) << c.command;
    EXPECT_EQ(lines, c.lines) << c.command;
  }
}

TEST(ShellCapture, LongLinesArriveIn4095BytePieces) {
  Lines lines;
  ASSERT_EQ(capture("head -c 9000 /dev/zero | tr '\\0' z; echo", lines), 0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(4095, 'z'));
  EXPECT_EQ(lines[1], std::string(4095, 'z'));
  EXPECT_EQ(lines[2], std::string(810, 'z') + "\n");
}
