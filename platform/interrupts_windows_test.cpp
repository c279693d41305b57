// Console control events reach quayside as a quit, never as the end of the
// process: Ctrl-Break here (Ctrl-C is not delivered to a process started
// in a group of its own, as corvo-sim starts quayside). Under wine, which
// has no console here, it is skipped; no test can send a close event.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/child_process.h"
#include "test_support.h"

TEST(Interrupts, CtrlBreakOnlyAsksForTheQuit) {
  std::filesystem::path ready = make_temp_dir() / "ready";
  auto child = platform::ChildProcess::start({test_binary_path(), "--child", "await-interrupt", ready.string()}, {});
  ASSERT_NE(child, nullptr);
  for (int waited = 0; waited < 600 && !std::filesystem::exists(ready); ++waited) ::Sleep(50);
  ASSERT_TRUE(std::filesystem::exists(ready));
  if (!::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(child->pid()))) {
    child->kill();
    child->wait();
    GTEST_SKIP() << "no console to send the event through (wine without one)";
  }
  EXPECT_EQ(child->wait(), 0);
}
