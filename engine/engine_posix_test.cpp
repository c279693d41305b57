// The direct path, with shell scripts as fake engines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/docker_conn.h"
#include "engine/engine_type.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

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
