// Files of the slot directory as the container may leave them: a link to a
// file outside, a link to a device, a FIFO, a directory, a second name of a
// file outside. Whatever quayside writes or locks there lands in a plain
// file of its own, nothing outside changes, and nothing waits.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/slot_file.h"
#include "platform/streams.h"
#include "test_support.h"

namespace {

constexpr char kOutside[] = "outside/precious";
constexpr char kOriginal[] = "precious text\n";

struct Planted {
  const char* what;
  std::function<void(const char*)> plant;
};

const Planted kPlanted[] = {
    {"link to a file outside", [](const char* name) { ASSERT_EQ(::symlink("outside/precious", name), 0); }},
    {"dangling link", [](const char* name) { ASSERT_EQ(::symlink("outside/none", name), 0); }},
    {"link to a device", [](const char* name) { ASSERT_EQ(::symlink("/dev/zero", name), 0); }},
    {"FIFO", [](const char* name) { ASSERT_EQ(::mkfifo(name, 0600), 0); }},
    {"second name of a file outside", [](const char* name) { ASSERT_EQ(::link("outside/precious", name), 0); }},
    {"empty directory", [](const char* name) { ASSERT_EQ(::mkdir(name, 0700), 0); }},
};

bool plain_file_of_one_name(const char* name) {
  struct stat info {};
  return ::lstat(name, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
}

class SlotFilesTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directory("outside");
    write_file(kOutside, kOriginal);
  }
  void expect_outside_untouched(const char* what) {
    EXPECT_EQ(read_file(kOutside), kOriginal) << what;
    EXPECT_FALSE(std::filesystem::exists("outside/none")) << what;
  }
};

}  // namespace

TEST_F(SlotFilesTest, AStatusFileReplacesWhateverStandsThere) {
  for (const auto& planted : kPlanted) {
    for (const char* name : {"status", "status.tmp"}) {
      std::filesystem::remove_all("status");
      std::filesystem::remove_all("status.tmp");
      planted.plant(name);
      int error = 0;
      EXPECT_TRUE(platform::replace_file_with("status", "7\n", error)) << planted.what << " at " << name;
      EXPECT_TRUE(plain_file_of_one_name("status")) << planted.what << " at " << name;
      EXPECT_EQ(read_file("status"), "7\n") << planted.what << " at " << name;
      expect_outside_untouched(planted.what);
    }
  }
}

TEST_F(SlotFilesTest, SporadicFilesAndTheLockAreMadeAnew) {
  for (const auto& planted : kPlanted) {
    std::filesystem::remove_all("ca");
    planted.plant("ca");
    auto written = platform::SlotFile::open("ca", true);
    ASSERT_NE(written, nullptr) << planted.what;
    EXPECT_TRUE(written->write_at_start("xx", 2)) << planted.what;
    EXPECT_TRUE(plain_file_of_one_name("ca")) << planted.what;
    expect_outside_untouched(planted.what);

    std::filesystem::remove_all("ac");
    planted.plant("ac");
    auto read = platform::SlotFile::open("ac", false);
    ASSERT_NE(read, nullptr) << planted.what;
    char byte = 0;
    EXPECT_GE(read->read_at_start(&byte, 1), 0) << planted.what;  // a second name is only read

    std::filesystem::remove_all("lock");
    planted.plant("lock");
    int error = 0;
    auto lock = platform::FileLock::acquire("lock", error);
    EXPECT_NE(lock, nullptr) << planted.what << ": " << error;
    struct stat info {};
    EXPECT_TRUE(::lstat("lock", &info) == 0 && S_ISREG(info.st_mode)) << planted.what;
    expect_outside_untouched(planted.what);
  }
}

TEST_F(SlotFilesTest, TheLogGoesIntoAFileOfItsOwn) {
  for (const auto& planted : kPlanted) {
    for (bool append : {true, false}) {
      std::filesystem::remove_all("stderr.txt");
      planted.plant("stderr.txt");
      pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        bool redirected = platform::redirect_stream(platform::StandardStream::error, "stderr.txt", append);
        std::fputs("a log line\n", stderr);
        ::_exit(redirected ? 0 : 1);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << planted.what;
      EXPECT_TRUE(plain_file_of_one_name("stderr.txt")) << planted.what;
      EXPECT_EQ(read_file("stderr.txt"), "a log line\n") << planted.what;
      expect_outside_untouched(planted.what);
    }
  }
}

TEST_F(SlotFilesTest, TheJobsOwnFilesAreRefusedUnlessPlainAndSmall) {
  for (const auto& planted : kPlanted) {
    std::filesystem::remove_all("job.toml");
    planted.plant("job.toml");
    std::string text;
    platform::SlotRead expected = std::string(planted.what) == "second name of a file outside"
                                      ? platform::SlotRead::ok  // only read, never written
                                      : platform::SlotRead::not_regular;
    EXPECT_EQ(platform::read_slot_file("job.toml", 1 << 20, text), expected) << planted.what;
    EXPECT_EQ(platform::open_slot_file_for_reading("job.toml") != nullptr, expected == platform::SlotRead::ok)
        << planted.what;
    expect_outside_untouched(planted.what);
  }
  std::filesystem::remove_all("job.toml");
  std::string text;
  EXPECT_EQ(platform::read_slot_file("job.toml", 10, text), platform::SlotRead::missing);
  write_file("job.toml", std::string(11, 'x'));
  EXPECT_EQ(platform::read_slot_file("job.toml", 10, text), platform::SlotRead::too_large);
  write_file("job.toml", std::string(10, 'x'));
  EXPECT_EQ(platform::read_slot_file("job.toml", 10, text), platform::SlotRead::ok);
  EXPECT_EQ(text, std::string(10, 'x'));
}
