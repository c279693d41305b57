// File helpers where the results are POSIX error numbers and texts, and
// the lock tried from a child process started through the shell.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "lib/exclusive_file_lock.h"
#include "lib/file_util.h"
#include "lib/result_codes.h"
#include "lib/system_info.h"
#include "test_support.h"

namespace fs = std::filesystem;

class FileUtilPosixTest : public TempDirTest {};

TEST_F(FileUtilPosixTest, OpenThatKeepsFailingGivesUpWithNull) {
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

TEST_F(FileUtilPosixTest, SizesDirectoriesAndCopies) {
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
  // A program stays a program, also over a file that wasn't one.
  write_file("tool", "#!/bin/sh\n");
  ASSERT_EQ(::chmod("tool", 0750), 0);
  EXPECT_EQ(copy_file_over("tool", "c"), 0);
  EXPECT_EQ(copy_file_over("tool", "b"), 0);
  for (const char* copy : {"c", "b"}) {
    struct stat info {};
    ASSERT_EQ(::stat(copy, &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0750u) << copy;
  }

  EXPECT_EQ(working_dir_path(""), fs::current_path().string());
  EXPECT_EQ(working_dir_path("x/y"), fs::current_path().string() + "/x/y");
}

TEST_F(FileUtilPosixTest, ASecondLockIsRefusedWithWouldBlock) {
  EXCLUSIVE_FILE_LOCK first;
  ASSERT_EQ(first.acquire("corvo_lockfile"), 0);
  EXCLUSIVE_FILE_LOCK second;
  EXPECT_EQ(second.acquire("corvo_lockfile"), EWOULDBLOCK);
}

TEST(SystemInfo, ErrorTextHasTheMessageAndTheCode) {
  char buffer[256];
  EXPECT_STREQ(system_error_text(2, buffer, sizeof buffer), "No such file or directory (0x2)");
  char tiny[8];
  EXPECT_STREQ(system_error_text(2, tiny, sizeof tiny), "No such");
}
