#include "lib/file_util.h"

#include <sys/stat.h>

#include <filesystem>

#include "lib/dir_listing.h"
#include "lib/exclusive_file_lock.h"
#include "lib/result_codes.h"
#include "lib/system_info.h"
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

TEST_F(FileUtilTest, OpenThatKeepsFailingGivesUpWithNull) {
  fs::create_directory("sub");
  ::chmod("sub", 0500);
  FakeClock clock;
  std::FILE* file = open_file_retry("sub/x", "w", clock);
  ::chmod("sub", 0700);
  if (::geteuid() == 0) {
    // root may write anywhere; nothing to check but that it opened.
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    return;
  }
  EXPECT_EQ(file, nullptr);
  EXPECT_GE(clock.time - 1000.0, 5.0);
}

TEST_F(FileUtilTest, SizesDirectoriesAndCopies) {
  write_file("a", "12345");
  double size = 0;
  EXPECT_EQ(size_of_file("a", size), 0);
  EXPECT_EQ(size, 5.0);
  EXPECT_EQ(size_of_file("absent", size), RC_STAT_FAILED);

  EXPECT_TRUE(path_exists("a"));
  EXPECT_FALSE(path_is_directory("a"));
  EXPECT_EQ(make_directory("d"), 0);
  EXPECT_EQ(make_directory("d"), 0);
  EXPECT_TRUE(path_is_directory("d"));
  EXPECT_EQ(make_directory("a"), EEXIST);
  EXPECT_EQ(make_directory("no/such/parent"), ENOENT);

  write_file("b", "old and longer");
  EXPECT_EQ(copy_file_over("a", "b"), 0);
  EXPECT_EQ(read_file("b"), "12345");
  EXPECT_EQ(copy_file_over("absent", "c"), ENOENT);

  EXPECT_EQ(working_dir_path(""), fs::current_path().string());
  EXPECT_EQ(working_dir_path("x/y"), fs::current_path().string() + "/x/y");
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

TEST_F(FileUtilTest, ASecondLockIsRefusedInThisProcessAndInAChild) {
  EXCLUSIVE_FILE_LOCK first;
  ASSERT_EQ(first.acquire("corvo_lockfile"), 0);
  EXPECT_TRUE(first.held);

  EXCLUSIVE_FILE_LOCK second;
  EXPECT_EQ(second.acquire("corvo_lockfile"), EWOULDBLOCK);
  EXPECT_FALSE(second.held);

  std::string child = test_binary_path() + " --child lock corvo_lockfile";
  int status = std::system(child.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), EWOULDBLOCK);

  FakeClock clock;
  EXPECT_EQ(first.release("corvo_lockfile", clock), 0);
  EXPECT_FALSE(first.held);
  EXPECT_FALSE(fs::exists("corvo_lockfile"));

  status = std::system(child.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(FileUtilTest, ALeftOverLockFileDoesNotBlock) {
  write_file("corvo_lockfile", "");
  EXCLUSIVE_FILE_LOCK lock;
  EXPECT_EQ(lock.acquire("corvo_lockfile"), 0);
}

TEST(SystemInfo, ErrorTextHasTheMessageAndTheCode) {
  char buffer[256];
  EXPECT_STREQ(system_error_text(2, buffer, sizeof buffer), "No such file or directory (0x2)");
  char tiny[8];
  EXPECT_STREQ(system_error_text(2, tiny, sizeof tiny), "No such");
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
