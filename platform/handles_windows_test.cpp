// Windows handles and waits: a child inherits only the handles it is given,
// paths and texts beyond the ANSI code page arrive whole, and the reply wait
// lasts what it was asked to by the clock.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "lib/file_util.h"
#include "lib/utf8_path.h"
#include "platform/child_process.h"
#include "platform/dir_search.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/piped_process.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

class HandlesTest : public TempDirTest {};

std::unique_ptr<platform::PipedProcess> start_echo_child() {
  return platform::PipedProcess::start(test_binary_path(), {test_binary_path(), "--child", "echo-lines"});
}

TEST_F(HandlesTest, AChildDoesNotHoldStandardErrorsFile) {
  std::string path = (dir / "stderr.txt").string();
  auto child = platform::ChildProcess::start({test_binary_path(), "--child", "stderr-child", path}, dir.string());
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->wait(), 0) << "the file could not be deleted while the child ran";
  EXPECT_FALSE(fs::exists(dir / "stderr.txt"));
}

TEST_F(HandlesTest, AChildInheritsOnlyTheHandlesItIsGiven) {
  // A handle made inheritable by someone else in this process.
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  std::wstring file = (dir / "open.txt").wstring();
  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  auto child = start_echo_child();
  ASSERT_NE(child, nullptr);
  ::CloseHandle(handle);
  EXPECT_TRUE(::DeleteFileW(file.c_str())) << ::GetLastError();
  child->kill();
}

TEST_F(HandlesTest, TheReplyWaitIsMeasuredByTheClock) {
  auto child = start_echo_child();
  ASSERT_NE(child, nullptr);
  for (int limit : {50, 300}) {
    ULONGLONG start = ::GetTickCount64();
    EXPECT_FALSE(child->wait_readable(limit));
    ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_GE(elapsed + 16, static_cast<ULONGLONG>(limit)) << limit;  // the tick counter's own step
    EXPECT_LT(elapsed, static_cast<ULONGLONG>(limit) + 250) << limit;
  }
  ASSERT_TRUE(child->write_text("line\n"));
  EXPECT_TRUE(child->wait_readable(10000));
  child->kill();
}

TEST_F(HandlesTest, PathsBeyondTheAnsiCodePage) {
  const std::string name = "J\xc3\xb6rg-\xce\xa9";  // Jörg-Ω
  const std::string base = platform::current_directory() + "\\" + name;
  int error = 0;
  EXPECT_TRUE(platform::create_directory(base, error)) << error;
  EXPECT_TRUE(platform::path_is_directory(base));
  EXPECT_TRUE(fs::is_directory(utf8_path(base)));
  std::FILE* file = platform::open_file_shared(base + "\\job-\xce\xa9.toml", "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("verbose = 1\n", file);
  std::fclose(file);
  std::string text;
  EXPECT_TRUE(read_whole_file(base + "\\job-\xce\xa9.toml", text));
  EXPECT_EQ(text, "verbose = 1\n");
  auto search = platform::DirSearch::start(base + "\\");
  ASSERT_NE(search, nullptr);
  std::string entry, names;
  while (search->next(entry)) names += entry + ";";
  EXPECT_NE(names.find("job-\xce\xa9.toml;"), std::string::npos) << names;

  ::SetCurrentDirectoryW(utf8_path(base).c_str());
  EXPECT_EQ(platform::current_directory(), base);
  ::SetEnvironmentVariableW(L"QUAYSIDE_TEST_VALUE", utf8_path(name).c_str());
  std::string value;
  EXPECT_TRUE(platform::environment_value("QUAYSIDE_TEST_VALUE", value));
  EXPECT_EQ(value, name);
  EXPECT_FALSE(platform::environment_value("QUAYSIDE_TEST_UNSET", value));
}

}  // namespace
