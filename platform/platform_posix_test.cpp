// Platform services whose inputs come from the client: its shared block and
// its process id.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "platform/process_table.h"
#include "platform/shared_block.h"

TEST(SharedBlock, AnObjectShorterThanTheBlockIsNotAttached) {
  std::string name = "quayside_test_short_" + std::to_string(::getpid());
  int fd = ::shm_open(("/" + name).c_str(), O_CREAT | O_RDWR, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 100), 0);
  EXPECT_EQ(platform::attach_named_block(name, 8192), nullptr);
  ASSERT_EQ(::ftruncate(fd, 8192), 0);
  EXPECT_NE(platform::attach_named_block(name, 8192), nullptr);
  ::close(fd);
  ::shm_unlink(("/" + name).c_str());
}

TEST(ProcessProbe, AProcessIdBelowOneIsALostClient) {
  for (int pid : {0, -1, -12345}) EXPECT_EQ(platform::probe_process(pid), platform::ProbeResult::lost) << pid;
  EXPECT_EQ(platform::probe_process(::getpid()), platform::ProbeResult::alive);
}
