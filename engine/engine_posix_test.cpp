// The direct path and the interpreter, with shell scripts as fake engines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/docker_conn.h"
#include "engine/engine_type.h"
#include "engine/shell_capture.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

TEST(ShellCapture, LinesAndExitStatus) {
  struct {
    const char* command;
    int result;
    Lines lines;
  } cases[] = {
      {"printf 'a\\n\\nb\\n'", 0, {"a\n", "\n", "b\n"}},
      {"printf 'x\\ny'", 0, {"x\n", "y"}},
      {"true", 0, {}},
      {"echo partial; exit 1", -1, {"partial\n"}},
      {"exit 3", -1, {}},
      {"echo to-stderr 1>&2", 0, {}},
  };
  for (const auto& c : cases) {
    Lines lines{"stale"};
    EXPECT_EQ(run_shell_capture(c.command, lines), c.result) << c.command;
    EXPECT_EQ(lines, c.lines) << c.command;
  }
}

TEST(ShellCapture, LongLinesArriveIn4095BytePieces) {
  Lines lines;
  ASSERT_EQ(run_shell_capture("head -c 9000 /dev/zero | tr '\\0' z; echo", lines), 0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(4095, 'z'));
  EXPECT_EQ(lines[1], std::string(4095, 'z'));
  EXPECT_EQ(lines[2], std::string(810, 'z') + "\n");
}

// Puts a fake "wslc.exe" first on PATH for the test's life.
class DirectPathTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    old_path_ = std::getenv("PATH");
    std::string path = dir.string() + ":" + old_path_;
    setenv("PATH", path.c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", old_path_.c_str(), 1);
    TempDirTest::TearDown();
  }
  void fake_engine(const std::string& body) {
    write_file(dir / "wslc.exe", "#!/bin/sh\n" + body);
    std::filesystem::permissions(dir / "wslc.exe", std::filesystem::perms::owner_all);
  }
  std::string old_path_;
};

TEST_F(DirectPathTest, RunsProgramWithTheCommandAndJoinsStandardError) {
  fake_engine("echo \"args: $*\"; echo oops >&2; printf 'x\\ny'\n");
  DOCKER_CONN connection;
  ASSERT_EQ(connection.init_wslc(), 0);
  EXPECT_EQ(connection.engine, ENGINE_WSLC);
  EXPECT_STREQ(connection.dialect().program(), "wslc.exe");
  Lines lines;
  StderrCapture log;
  EXPECT_EQ(connection.run_engine_command(EngineCommand{"images"}, lines, true), 0);
  EXPECT_EQ(lines, (Lines{"args: images\n", "oops\n", "x\n", "y"}));
  EXPECT_EQ(log.text(),
            "running docker command: images\nprogram: wslc.exe\ncommand output:\n"
            "args: images\noops\nx\ny");
}

TEST_F(DirectPathTest, TheEnginesStatusComesBackAndAMissingProgramFails) {
  fake_engine("echo 'Error: no such container'; exit 1\n");
  DOCKER_CONN connection;
  connection.init_wslc();
  Lines lines;
  int status = 0;
  {
    StderrCapture log;
    EXPECT_EQ(connection.run_engine_command(EngineCommand{"start", "x"}, lines, false, status), 0);
    EXPECT_EQ(log.text(), "");
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(lines, (Lines{"Error: no such container\n"}));
  std::filesystem::remove(dir / "wslc.exe");
  StderrCapture log;
  EXPECT_EQ(connection.run_engine_command(EngineCommand{"start", "x"}, lines, false, status), -1);
  EXPECT_EQ(status, -1);
  EXPECT_EQ(log.text(), "command failed: wslc.exe is not in the absolute directories of PATH\n");
}

TEST_F(DirectPathTest, LongCommandsReachTheEngineWhole) {
  fake_engine("printf '%s' \"$*\" | wc -c\n");
  DOCKER_CONN connection;
  connection.init_wslc();
  EngineCommand command{"create", std::string(3000, 'a')};
  Lines lines;
  ASSERT_EQ(connection.run_engine_command(command, lines, false), 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(std::stoul(lines[0]), render_posix(command).size());
}
