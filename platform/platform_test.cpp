// The platform services that both systems provide, tried with this test
// binary as the other process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/wsl_cmd.h"
#include "platform/build_mutex.h"
#include "platform/child_process.h"
#include "platform/piped_process.h"
#include "platform/process.h"
#include "platform/shared_block.h"
#include "platform/socket.h"
#include "runtime/shared_channels.h"
#include "test_support.h"

TEST(Platform, ALongLivedChildAnswersEachLineUntilItsMarker) {
  auto child = platform::PipedProcess::start(test_binary_path(), {test_binary_path(), "--child", "echo-lines"});
  ASSERT_NE(child, nullptr);
  std::string reply;
  for (int i = 1; i <= 3; ++i) {
    std::string marker = "MARK" + std::to_string(i);
    ASSERT_TRUE(child->write_text("line " + std::to_string(i) + "\n" + marker + "\n"));
    ASSERT_EQ(read_from_pipe(*child, reply, 30, marker.c_str()), 0);
    EXPECT_NE(reply.find("line " + std::to_string(i)), std::string::npos) << reply;
  }
  EXPECT_FALSE(child->exited());
}

TEST(Platform, ANamedBlockIsSeenByAChild) {
  std::string name = "quayside_test_block_" + std::to_string(platform::current_process_id());
  auto* area = static_cast<SHM_AREA*>(platform::create_named_block(name, sizeof(SHM_AREA)));
  ASSERT_NE(area, nullptr);
  ASSERT_TRUE(channel_send(area->control_in, "<quit/>"));
  auto child = platform::ChildProcess::start({test_binary_path(), "--child", "block", name}, ".");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->wait(), 0);
  char text[kChannelSize] = "";
  EXPECT_TRUE(channel_receive(area->status_out, text));
  EXPECT_STREQ(text, "seen <quit/>");
  EXPECT_TRUE(channel_empty(area->control_in));
  platform::remove_named_block(name);
}

TEST(Platform, AMutexWhoseHolderEndedCanBeTaken) {
  std::string name = "quayside_test_mutex_" + std::to_string(platform::current_process_id());
  auto child = platform::ChildProcess::start({test_binary_path(), "--child", "hold-mutex", name}, ".");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->wait(), 0);
  auto mutex = platform::MachineMutex::open(name);
  ASSERT_NE(mutex, nullptr);
  EXPECT_TRUE(mutex->wait(5));
  mutex->release();
}

TEST(Platform, AFreeLoopbackPort) {
  int port = 0;
  platform::PortStep step = platform::PortStep::socket;
  int error = 0;
  ASSERT_TRUE(platform::free_loopback_port(port, step, error)) << error;
  EXPECT_GT(port, 0);
  EXPECT_LT(port, 65536);
}
