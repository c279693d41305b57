// The engine shell with a real /bin/sh, and the engine choice that starts it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/docker_conn.h"
#include "engine/shell_transport.h"
#include "engine/wsl_init.h"
#include "lib/result_codes.h"
#include "programs_on_path.h"
#include "test_support.h"

// A fake engine program first on PATH for the test's life.
class ShellPathTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    path_first_ = std::make_unique<PathFirst>(dir);
  }
  void TearDown() override {
    path_first_.reset();
    TempDirTest::TearDown();
  }
  void fake(const char* name, const std::string& body) { write_program(dir / name, "#!/bin/sh\n" + body); }
  // The runner distro with Podman: on Linux, a /bin/sh in this directory.
  static WSL_DISTRO_DESC runner_distro() {
    WSL_DISTRO_DESC distro;
    distro.distro_name = "corvo-tavi-runner";
    distro.docker_type = ENGINE_PODMAN;
    distro.distro_version = 4;
    return distro;
  }
  std::unique_ptr<PathFirst> path_first_;
};

TEST_F(ShellPathTest, CommandsRunInOneLongLivedShell) {
  fake("podman",
       "case \"$1\" in\n"
       "  ppid) echo $PPID ;;\n"
       "  fail) exit 3 ;;\n"
       "  *) echo \"args: $*\"; echo oops >&2; printf 'no newline' ;;\n"
       "esac\n");
  DOCKER_CONN connection;
  ASSERT_EQ(connection.init(runner_distro()), 0);
  EXPECT_EQ(connection.engine, ENGINE_PODMAN);
  std::vector<std::string> lines;
  StderrCapture log;
  int status = -5;
  ASSERT_EQ(connection.run_engine_command(EngineCommand{"images"}, lines, true, status), 0);
  EXPECT_EQ(status, 0);
  // A last line without a newline gets one; the marker line is not output.
  EXPECT_EQ(lines, (std::vector<std::string>{"args: images\n", "oops\n", "no newline\n"}));
  EXPECT_EQ(log.text(),
            "running docker command: images\nprogram: podman\ncommand output:\nargs: images\noops\nno newline\n");
  // The same shell serves every command, and each brings its own status.
  ASSERT_EQ(connection.run_engine_command(EngineCommand{"ppid"}, lines, false), 0);
  std::vector<std::string> first = lines;
  ASSERT_EQ(connection.run_engine_command(EngineCommand{"ppid"}, lines, false), 0);
  EXPECT_EQ(lines, first);
  ASSERT_EQ(connection.run_engine_command(EngineCommand{"fail"}, lines, false, status), 0);
  EXPECT_EQ(status, 3);
}

TEST_F(ShellPathTest, AShellThatDiedGivesConnectFailed) {
  fake("podman", "kill -9 $PPID\n");
  WSL_DISTRO_DESC distro;
  distro.docker_type = ENGINE_PODMAN;
  DOCKER_CONN connection;
  ASSERT_EQ(connection.init(distro), 0);
  std::vector<std::string> lines{"kept"};
  StderrCapture log;
  EXPECT_EQ(connection.run_engine_command(EngineCommand{"ps"}, lines, false), RC_CONNECT_FAILED);
  EXPECT_EQ(connection.run_engine_command(EngineCommand{"ps"}, lines, false), RC_CONNECT_FAILED);
  EXPECT_EQ(lines, (std::vector<std::string>{"kept"}));
  // Each time a fresh shell takes the dead one's place.
  EXPECT_EQ(log.text(),
            "read_from_pipe() error: connect() failed\nengine shell restarted\n"
            "read_from_pipe() error: connect() failed\nengine shell restarted\n");
}

TEST_F(ShellPathTest, ACommandThatNeverAnswersLeavesAFreshShellForTheNext) {
  fake("podman",
       "case \"$1\" in\n"
       "  hang) echo $$ > hung.pid; exec sleep 1000 ;;\n"
       "  *) echo \"ok $1\" ;;\n"
       "esac\n");
  WSL_DISTRO_DESC distro;
  distro.docker_type = ENGINE_PODMAN;
  DOCKER_CONN connection;
  ASSERT_EQ(connection.init(distro), 0);
  connection.reply_limit = 1;
  std::vector<std::string> lines;
  {
    StderrCapture log;
    EXPECT_EQ(connection.run_engine_command(EngineCommand{"hang"}, lines, false), RC_TIMED_OUT);
    EXPECT_EQ(log.text(), "read_from_pipe() error: timeout\nengine shell restarted\n");
  }
  ASSERT_EQ(connection.run_engine_command(EngineCommand{"next"}, lines, false), 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"ok next\n"}));
  // The hung engine program went with its shell.
  pid_t hung = std::stoi(read_file(dir / "hung.pid"));
  bool gone = false;
  for (int i = 0; i < 500 && !gone; ++i) {
    gone = ::kill(hung, 0) != 0;
    if (!gone) ::usleep(10000);
  }
  EXPECT_TRUE(gone);
}

TEST(DockerConn, InitChoosesByEngineType) {
  WSL_DISTRO_DESC distro;
  distro.docker_type = 3;
  DOCKER_CONN connection;
  StderrCapture log;
  EXPECT_EQ(connection.init(distro), -1);
  EXPECT_EQ(log.text(), "DOCKER_CONN::init(): bad docker type 3\n");
  EXPECT_EQ(connection.engine, ENGINE_WSLC);
  EXPECT_STREQ(connection.dialect().program(), "wslc.exe");
  distro.docker_type = ENGINE_DOCKER;
  DOCKER_CONN docker;
  EXPECT_EQ(docker.init(distro), 0);
  EXPECT_STREQ(docker.dialect().program(), "docker");
}

TEST(WslInit, EngineChoice) {
  auto data = std::make_unique<INIT_DATA>();
  {
    DOCKER_CONN connection;
    StderrCapture log;
    EXPECT_EQ(wsl_init(*data, false, connection), -1);
    EXPECT_EQ(log.text(), "wsl_init(): no usable WSL distro\n");
  }
  {
    DOCKER_CONN connection;
    StderrCapture log;
    EXPECT_EQ(wsl_init(*data, true, connection), 0);
    EXPECT_EQ(log.text(), "Using WSL distro corvo-tavi-runner\n");
    EXPECT_EQ(connection.engine, ENGINE_PODMAN);
  }
  data->host_info.use_wslc = true;
  {
    DOCKER_CONN connection;
    StderrCapture log;
    EXPECT_EQ(wsl_init(*data, false, connection), 0);
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(connection.engine, ENGINE_WSLC);
  }
  data->host_info.use_wslc = false;
  WSL_DISTRO_DESC odd;
  odd.distro_name = "odd";
  odd.docker_version = "1";
  odd.docker_type = 5;
  data->host_info.wsl.distros.push_back(odd);
  {
    DOCKER_CONN connection;
    StderrCapture log;
    EXPECT_EQ(wsl_init(*data, false, connection), -1);
    EXPECT_EQ(log.text(), "Using WSL distro odd\nDOCKER_CONN::init(): bad docker type 5\n");
  }
}

TEST_F(ShellPathTest, TheShellIsCheckedToWorkInTheSlot) {
  fake("podman", "exit 0\n");
  DOCKER_CONN connection;
  ASSERT_EQ(connection.init(runner_distro()), 0);
  EXPECT_TRUE(connection.shell_is_in_slot());
  // A shell somewhere else, as WSL leaves it for a slot it can't translate.
  ASSERT_TRUE(dynamic_cast<ShellTransport&>(*connection.transport()).shell.shell->write_text("cd /\n"));
  EXPECT_FALSE(connection.shell_is_in_slot());
  // The file made for the check is gone either way.
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    EXPECT_EQ(entry.path().filename().string().rfind("quayside_slot_check", 0), std::string::npos) << entry.path();
  }
}

// Files on the engine's side are read by the shell's builtins: what they
// hold comes back byte for byte, whatever it is, and nothing is started.
TEST_F(ShellPathTest, FilesAreReadByTheShellsBuiltins) {
  fake("podman", "echo ran >> podman_ran\n");
  DOCKER_CONN connection;
  ASSERT_EQ(connection.init(runner_distro()), 0);
  std::filesystem::create_directory(dir / "it's a \"dir\"");
  std::string odd = (dir / "it's a \"dir\"" / "$(touch pwned) `x` \\n %s").string();
  write_file(odd, "usage_usec 12\nback\\slash %s $HOME\n  indented\nno end");
  write_file(dir / "empty", "");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::vector<std::string> paths{odd, (dir / "empty").string(), (dir / "missing").string(), dir.string(),
                                 (dir / "fifo").string()};
  std::vector<FileLines> files;
  StderrCapture log;
  ASSERT_TRUE(connection.read_engine_files(paths, files));
  ASSERT_EQ(files.size(), 5u);
  EXPECT_TRUE(files[0].found);
  EXPECT_EQ(files[0].lines,
            (std::vector<std::string>{"usage_usec 12", "back\\slash %s $HOME", "  indented", "no end"}));
  EXPECT_TRUE(files[1].found);
  EXPECT_TRUE(files[1].lines.empty());
  EXPECT_FALSE(files[2].found);
  EXPECT_FALSE(files[3].found);  // a directory can't be read as a file
  EXPECT_FALSE(files[4].found);  // nor a FIFO, which would block the shell
  EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
  EXPECT_FALSE(std::filesystem::exists(dir / "podman_ran"));
  EXPECT_EQ(log.text(), "");
  // A path holding a NUL is not handed on at all.
  EXPECT_FALSE(connection.read_engine_files({std::string("/tmp/a\0b", 8)}, files));
  // The shell goes on serving commands.
  std::vector<std::string> lines;
  ASSERT_EQ(connection.run_engine_command(EngineCommand{"ps"}, lines, false), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "podman_ran"));
}

TEST(DockerConn, TheDirectPathReadsNoFiles) {
  DOCKER_CONN connection;
  ASSERT_EQ(connection.init_wslc(), 0);
  std::vector<FileLines> files;
  EXPECT_FALSE(connection.read_engine_files({"/proc/self/cgroup"}, files));
}
