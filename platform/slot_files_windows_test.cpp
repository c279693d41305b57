// Files of the slot directory as the container may leave them, on Windows:
// a symbolic link to a file outside, a directory in the way. Whatever
// quayside writes lands in a plain file of its own, nothing outside changes,
// and the job's own files are not read through a link.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "lib/file_util.h"
#include "platform/files.h"
#include "platform/slot_file.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

class SlotFilesWindowsTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    fs::create_directory(dir / "outside");
    write_file(dir / "outside" / "precious", "precious text\n");
  }
  // A symbolic link at name to the file outside; false when the system
  // lets nobody here make one that leads there.
  bool plant_link(const char* name) {
    std::wstring target = (dir / "outside" / "precious").wstring();
    if (::CreateSymbolicLinkW((dir / name).wstring().c_str(), target.c_str(), 0) == 0) return false;
    // Some systems make a link that leads nowhere: a test of it shows nothing.
    return fs::exists(dir / name) && read_file(dir / name) == "precious text\n";
  }
  std::string outside() { return read_file(dir / "outside" / "precious"); }
};

}  // namespace

TEST_F(SlotFilesWindowsTest, WritesReplaceALinkAndNeverGoThroughIt) {
  if (!plant_link("status")) GTEST_SKIP() << "symbolic links to a file can't be made here";
  int error = 0;
  EXPECT_TRUE(platform::replace_file_with((dir / "status").string(), "7\n", error)) << error;
  EXPECT_FALSE(fs::is_symlink(dir / "status"));
  EXPECT_EQ(read_file(dir / "status"), "7\n");
  EXPECT_EQ(outside(), "precious text\n");

  fs::remove(dir / "status");
  ASSERT_TRUE(plant_link("ca"));
  auto file = platform::SlotFile::open((dir / "ca").string(), true);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->write_at_start("xx", 2));
  EXPECT_FALSE(fs::is_symlink(dir / "ca"));
  EXPECT_EQ(outside(), "precious text\n");
}

TEST_F(SlotFilesWindowsTest, TheJobsFilesAreNotReadThroughALink) {
  if (!plant_link("job.toml")) GTEST_SKIP() << "symbolic links to a file can't be made here";
  std::string text;
  EXPECT_EQ(platform::read_slot_file((dir / "job.toml").string(), 1 << 20, text), platform::SlotRead::not_regular);
  EXPECT_EQ(platform::open_slot_file_for_reading((dir / "job.toml").string()), nullptr);
}

TEST_F(SlotFilesWindowsTest, AnEmptyDirectoryInTheWayOfTheFinishFileIsRemoved) {
  fs::create_directory(dir / "corvo_finish_called");
  int error = 0;
  EXPECT_TRUE(platform::replace_file_with((dir / "corvo_finish_called").string(), "0\n", error)) << error;
  EXPECT_EQ(read_file(dir / "corvo_finish_called"), "0\n");
  std::string text;
  write_file(dir / "job.toml", std::string(11, 'x'));
  EXPECT_EQ(platform::read_slot_file((dir / "job.toml").string(), 10, text), platform::SlotRead::too_large);
  EXPECT_EQ(platform::read_slot_file((dir / "none.toml").string(), 10, text), platform::SlotRead::missing);
}

TEST_F(SlotFilesWindowsTest, AFinishFileHeldOpenElsewhereIsReplacedOnceItIsLetGo) {
  write_file(dir / "corvo_finish_called", "1\n");
  // A scanner holds it without sharing anything, for a second.
  HANDLE held = ::CreateFileW((dir / "corvo_finish_called").wstring().c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  int error = 0;
  EXPECT_FALSE(platform::replace_file_with((dir / "corvo_finish_called").string(), "0\n", error));
  std::thread scanner([held] {
    ::Sleep(1000);
    ::CloseHandle(held);
  });
  EXPECT_EQ(replace_file_retry((dir / "corvo_finish_called").string(), "0\n"), 0);
  scanner.join();
  EXPECT_EQ(read_file(dir / "corvo_finish_called"), "0\n");
}

TEST_F(SlotFilesWindowsTest, FilesDeepInALongPathAreWrittenReadAndRemoved) {
  std::string deep = dir.string();
  int error = 0;
  while (deep.size() < 320) {
    deep += "\\" + std::string(60, 'd');
    ASSERT_TRUE(platform::create_directory(deep, error)) << error;
  }
  std::string finish = deep + "\\corvo_finish_called";
  ASSERT_TRUE(platform::replace_file_with(finish, "0\n", error)) << error;
  std::string text;
  EXPECT_EQ(platform::read_slot_file(finish, 100, text), platform::SlotRead::ok);
  EXPECT_EQ(text, "0\n");
  EXPECT_TRUE(platform::path_exists(finish));
  EXPECT_TRUE(platform::delete_file(finish, error)) << error;
  EXPECT_FALSE(platform::path_exists(finish));
  // The test's own clean-up can't reach so deep.
  while (deep.size() > dir.string().size()) {
    ::RemoveDirectoryW((L"\\\\?\\" + std::filesystem::path(deep).wstring()).c_str());
    deep.resize(deep.rfind('\\'));
  }
}
