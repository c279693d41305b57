// The fraction-done file is the container's: whatever it is, reading it
// never waits.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "driver/progress.h"
#include "test_support.h"

class FractionDoneTest : public TempDirTest {};

TEST_F(FractionDoneTest, AFifoOrADirectoryReadsAsNothing) {
  ASSERT_EQ(::mkfifo("fraction_done", 0600), 0);
  EXPECT_EQ(read_fraction_done(), 0);
  std::filesystem::remove("fraction_done");
  std::filesystem::create_directory("fraction_done");
  EXPECT_EQ(read_fraction_done(), 0);
  std::filesystem::remove("fraction_done");
  write_file("fraction_done", "0.5" + std::string(1 << 20, ' '));
  EXPECT_EQ(read_fraction_done(), 0.5);
}

TEST_F(FractionDoneTest, ALinkIsNotFollowed) {
  write_file("elsewhere", "0.5");
  ASSERT_EQ(::symlink("elsewhere", "fraction_done"), 0);
  EXPECT_EQ(read_fraction_done(), 0);
}
