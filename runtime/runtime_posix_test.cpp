// Runtime behaviour seen from outside the test process: child processes that
// end, crash or redirect their streams, a client process that ends, and
// file times set by hand.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "client_runtime_inside.h"
#include "runtime/client_runtime.h"
#include "runtime_test_fixture.h"
#include "test_support.h"

namespace {

// Runs this test binary as a child in directory with the role; returns its
// exit code.
int run_child(const std::string& directory, const std::string& role) {
  std::string command = "cd '" + directory + "' && '" + test_binary_path() + "' --child " + role + " > child.out 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST_F(RuntimeTest, AClientIdReplacesTheHeartbeat) {
  inside(runtime).init_data.client_pid = ::getpid();
  EXPECT_EQ(tick_to(1000), "");
  EXPECT_EQ(inside(runtime).status.client_lost.load(), 0);

  // A process that has ended counts as lost at the next probe, every 100 ticks.
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  inside(runtime).init_data.client_pid = child;
  tick_to(1090);
  EXPECT_EQ(inside(runtime).status.client_lost.load(), 0);
  std::string log = tick_to(1100);
  EXPECT_EQ(inside(runtime).status.client_lost.load(), 1);
  EXPECT_NE(log.find("): CORVO client no longer exists - exiting\n"), std::string::npos) << log;
}

TEST_F(RuntimeTest, SporadicFiles) {
  ASSERT_EQ(runtime.open_sporadic_files("."), 0);
  EXPECT_EQ(inside(runtime).status.sporadic_ca.load(), 1);
  std::string log = tick_to(10);
  std::string ca = read_file("ca");
  ASSERT_EQ(ca.size(), 256u);
  EXPECT_EQ(ca.substr(0, 2), "1\n");
  EXPECT_EQ(ca.find_first_not_of('\0', 2), std::string::npos);
  EXPECT_EQ(log, "API: error reading AC state: 0\n");
  EXPECT_EQ(tick_to(20), "API: error reading AC state: 0\n");

  write_file("ac", "2\n");
  ::utimensat(AT_FDCWD, "ac", nullptr, 0);
  EXPECT_EQ(tick_to(30), "");
  EXPECT_EQ(inside(runtime).ac_state.load(), 2);
  runtime.send_progress(0, 0, 0);
  EXPECT_NE(take_status().find("<sporadic_ac>2</sporadic_ac>\n"), std::string::npos);

  std::string long_text = "3" + std::string(299, ' ');
  write_file("ac", "x" + long_text);
  struct timespec later[2] = {{0, UTIME_NOW}, {2000000000, 0}};
  ::utimensat(AT_FDCWD, "ac", later, 0);
  EXPECT_EQ(tick_to(40), "API: error parsing AC state: x3" + std::string(253, ' ') + "\n");
  EXPECT_EQ(inside(runtime).ac_state.load(), 0);
  EXPECT_EQ(tick_to(50), "");  // once per change of the file

  inside(runtime).status.sporadic_ca = 7;
  tick_to(60);
  EXPECT_EQ(read_file("ca").substr(0, 2), "7\n");
}

TEST_F(DiagnosticsTest, RedirectionKeepsEarlierTextAndTheOldCopy) {
  write_file("stderr.txt", "earlier\n");
  EXPECT_EQ(run_child(dir.string(), "diagnostics 0x1227"), 0);
  EXPECT_EQ(read_file("stderr.txt"), "earlier\nbefore exit\n");
  EXPECT_EQ(read_file("child.out"), "");

  EXPECT_EQ(run_child(dir.string(), "diagnostics 0x88"), 0);  // keep old, then truncate
  EXPECT_EQ(read_file("stderr.old"), "earlier\nbefore exit\n");
  EXPECT_EQ(read_file("stderr.txt"), "before exit\n");

  std::filesystem::create_directory("stderr.txt.d");
  EXPECT_EQ(run_child(dir.string(), "diagnostics 0x20 stderr.txt.d/x/stderr"), 108);  // -108 as a byte
}

TEST_F(DiagnosticsTest, FinishWritesTheStatusFileAndEndsWithIt) {
  struct {
    int status;
    int exit_code;
  } cases[] = {{0, 0}, {3, 3}, {-108, 148}};
  for (const auto& c : cases) {
    EXPECT_EQ(run_child(dir.string(), "finish " + std::to_string(c.status)), c.exit_code) << c.status;
    EXPECT_EQ(read_file("corvo_finish_called"), std::to_string(c.status) + "\n");
    EXPECT_FALSE(std::filesystem::exists("corvo_lockfile"));
    EXPECT_NE(read_file("stderr.txt").find("): called corvo_finish(" + std::to_string(c.status) + ")\n"),
              std::string::npos);
  }
}

TEST_F(DiagnosticsTest, AFinishFileThatCantBeWrittenNorRemovedAsksForAnotherRun) {
  // Something in the way that can be neither replaced nor removed.
  std::filesystem::create_directories("corvo_finish_called/in the way");
  EXPECT_EQ(run_child(dir.string(), "finish 3"), 0);
  EXPECT_EQ(read_file("corvo_temporary_exit"),
            "60\ncorvo_finish_called can't be written or removed (another program may hold it open).\n");
  EXPECT_NE(read_file("stderr.txt").find("can't write corvo_finish_called"), std::string::npos);
}

TEST_F(DiagnosticsTest, DirectActionEndsTheProcessOnQuitAndAbort) {
  EXPECT_EQ(run_child(dir.string(), "direct '<quit/>'"), 0);
  // An abort ends through the crash report with -197, seen as its low byte.
  EXPECT_EQ(run_child(dir.string(), "direct '<abort/>'"), 256 - 197);
  EXPECT_NE(read_file("child.out").find("Unhandled Exception Detected...\n"), std::string::npos);
  EXPECT_EQ(run_child(dir.string(), "direct '<reread_app_info/>'"), 77);
}

TEST_F(DiagnosticsTest, ACrashIsReported) {
  EXPECT_EQ(run_child(dir.string(), "crash"), 128 + SIGSEGV);
  std::string report = read_file("child.out");
  EXPECT_EQ(report.rfind("Unhandled Exception Detected...\nSignal: 11 (Segmentation fault)\nStack trace:\n", 0), 0u)
      << report;
}
