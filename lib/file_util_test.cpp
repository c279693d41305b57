#include "lib/file_util.h"


#include <filesystem>

#include "lib/dir_listing.h"
#include "lib/exclusive_file_lock.h"
#include "lib/result_codes.h"
#include "lib/system_info.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "test_support.h"

namespace fs = std::filesystem;

class FileUtilTest : public TempDirTest {};

TEST_F(FileUtilTest, DeleteOfAMissingFileSucceedsWithoutWaiting) {
  FakeClock clock;
  EXPECT_EQ(delete_file_retry("absent", clock), 0);
  EXPECT_TRUE(clock.pauses.empty());
}

TEST_F(FileUtilTest, DeleteRemovesAFile) {
  write_file("doomed", "x");
  FakeClock clock;
  EXPECT_EQ(delete_file_retry("doomed", clock), 0);
  EXPECT_FALSE(fs::exists("doomed"));
  EXPECT_TRUE(clock.pauses.empty());
}

TEST_F(FileUtilTest, DeleteThatKeepsFailingGivesUpAfterFiveSeconds) {
  // A directory can't be unlinked, so every attempt fails.
  fs::create_directory("stuck");
  FakeClock clock;
  double start = clock.time;
  EXPECT_EQ(delete_file_retry("stuck", clock), RC_UNLINK_FAILED);
  EXPECT_FALSE(clock.pauses.empty());
  for (double pause : clock.pauses) {
    EXPECT_GE(pause, 0.0);
    EXPECT_LE(pause, 2.0);
  }
  EXPECT_GE(clock.time - start, 5.0);
  EXPECT_LT(clock.time - start, 7.0);
}

TEST_F(FileUtilTest, ReplaceWritesAtOnceOrGivesUpAfterFiveSeconds) {
  FakeClock clock;
  write_file("status", "old\n");
  EXPECT_EQ(replace_file_retry("status", "new\n", clock), 0);
  EXPECT_EQ(read_file("status"), "new\n");
  EXPECT_TRUE(clock.pauses.empty());
  // A directory with something in it can't be replaced.
  fs::create_directories("stuck/inside");
  double start = clock.time;
  EXPECT_NE(replace_file_retry("stuck", "new\n", clock), 0);
  EXPECT_GE(clock.time - start, 5.0);
  EXPECT_LT(clock.time - start, 7.0);
  EXPECT_TRUE(fs::is_directory("stuck/inside"));
}

TEST_F(FileUtilTest, OpenForReadingAMissingFileGivesNullAtOnce) {
  FakeClock clock;
  EXPECT_EQ(open_file_retry("absent", "r", clock), nullptr);
  EXPECT_TRUE(clock.pauses.empty());
}

TEST_F(FileUtilTest, OpenForWritingCreatesTheFile) {
  FakeClock clock;
  std::FILE* file = open_file_retry("made", "w", clock);
  ASSERT_NE(file, nullptr);
  std::fputs("hello", file);
  std::fclose(file);
  EXPECT_EQ(read_file("made"), "hello");
  EXPECT_TRUE(clock.pauses.empty());
}

TEST_F(FileUtilTest, DirListingHidesDotNamesAndPlainFilesHaveNoEntries) {
  fs::create_directory("d");
  write_file("d/one", "");
  write_file("d/two", "");
  write_file("d/.hidden", "");
  DIR_LISTING listing;
  listing.open("d/");
  std::vector<std::string> names;
  std::string name;
  while (listing.next(name)) names.push_back(name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
  EXPECT_FALSE(listing.next(name));

  DIR_LISTING file_listing;
  file_listing.open("d/one");
  EXPECT_FALSE(file_listing.next(name));
}

TEST_F(FileUtilTest, ALeftOverLockFileDoesNotBlock) {
  write_file("corvo_lockfile", "");
  EXCLUSIVE_FILE_LOCK lock;
  EXPECT_EQ(lock.acquire("corvo_lockfile"), 0);
}

TEST_F(FileUtilTest, ASecondLockIsRefusedFromAnotherHandleAndAChild) {
  EXCLUSIVE_FILE_LOCK first;
  ASSERT_EQ(first.acquire("corvo_lockfile"), 0);
  EXPECT_TRUE(first.held);
  EXCLUSIVE_FILE_LOCK second;
  EXPECT_NE(second.acquire("corvo_lockfile"), 0);
  EXPECT_FALSE(second.held);

  auto child = platform::ChildProcess::start({test_binary_path(), "--child", "lock", "corvo_lockfile"}, dir.string());
  ASSERT_NE(child, nullptr);
  EXPECT_NE(child->wait(), 0);
  // Asking again for a lock already held fails and keeps it held.
  EXPECT_NE(first.acquire("corvo_lockfile"), 0);
  EXPECT_TRUE(first.held);
  auto still = platform::ChildProcess::start({test_binary_path(), "--child", "lock", "corvo_lockfile"}, dir.string());
  ASSERT_NE(still, nullptr);
  EXPECT_NE(still->wait(), 0);

  FakeClock clock;
  EXPECT_EQ(first.release("corvo_lockfile", clock), 0);
  EXPECT_FALSE(first.held);
  EXPECT_FALSE(fs::exists("corvo_lockfile"));
  auto again = platform::ChildProcess::start({test_binary_path(), "--child", "lock", "corvo_lockfile"}, dir.string());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->wait(), 0);
}

TEST(SystemInfo, CpuTimeOfThisProcessGrowsWithWork) {
  double before = 0, after = 0;
  ASSERT_EQ(cpu_seconds_of(platform::current_process(), before), 0);
  volatile double sink = 0;
  for (int i = 0; i < 20000000; ++i) sink = sink + i * 0.5;
  ASSERT_EQ(cpu_seconds_of(platform::current_process(), after), 0);
  EXPECT_GT(after, before);
  EXPECT_EQ(cpu_seconds_of(-5, after), -1);
}
