// Process starts on Windows: arguments arrive whole, and nothing planted in
// the current directory (the slot) is ever run or loaded.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/docker_conn.h"
#include "hostile_values.h"
#include "lib/result_codes.h"
#include "platform/child_process.h"
#include "platform/piped_process.h"
#include "platform/process.h"
#include "platform/program_run.h"
#include "platform/windows_arguments.h"
#include "test_support.h"

namespace {

std::wstring wide(const std::string& text) {
  int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

std::string narrow(const wchar_t* text) {
  int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

}  // namespace

TEST(WindowsArguments, EveryHostileValueParsesBackWhole) {
  std::vector<std::string> argv{"wslc.exe", "create", "-e"};
  for (const auto& value : hostile_values()) argv.push_back("ARGS= " + value);
  int count = 0;
  LPWSTR* parsed = ::CommandLineToArgvW(wide(platform::windows_command_line(argv)).c_str(), &count);
  ASSERT_NE(parsed, nullptr);
  ASSERT_EQ(static_cast<std::size_t>(count), argv.size());
  for (int i = 0; i < count; ++i) EXPECT_TRUE(narrow(parsed[i]) == argv[static_cast<std::size_t>(i)]) << i;
  ::LocalFree(parsed);
}

class PlantedProgramsTest : public TempDirTest {};

TEST_F(PlantedProgramsTest, ProgramsAndLibrariesInTheSlotAreNeverUsed) {
  platform::restrict_program_search();
  namespace fs = std::filesystem;
  for (const char* name : {"wslc.exe", "wsl.exe", "PING.EXE", "cmd.exe"}) fs::copy_file(test_binary_path(), dir / name);
  // A real library under the launch library's name: loaded, it would lack
  // the entry point.
  std::string system_dir = fs::path(platform::system_program("kernel32.dll")).parent_path().string();
  fs::copy_file(fs::path(system_dir) / "version.dll", dir / "wslapi.dll");
  std::string old_path = std::getenv("PATH");
  ::SetEnvironmentVariableA("PATH", (".;" + old_path).c_str());
  _putenv_s("PATH", (".;" + old_path).c_str());

  EXPECT_EQ(platform::find_on_path("wslc.exe"), "");
  for (const char* name : {"wsl.exe", "PING.EXE"}) {
    EXPECT_EQ(fs::path(platform::system_program(name)).parent_path().string(), system_dir) << name;
  }
  DOCKER_CONN wslc;
  wslc.init_wslc();
  std::vector<std::string> lines;
  {
    StderrCapture quiet;
    EXPECT_EQ(wslc.run_engine_command(EngineCommand{"images"}, lines, false), -1);
  }
  platform::PipedProcess::start_distro_shell({"wsl", "-d", "none"});
  int status = 0;
  platform::run_program(platform::system_program("PING.EXE"), {"PING.EXE", "-n", "1", "127.0.0.1"},
                        [](std::string_view) {}, status);
  std::string error;
  platform::PipedProcess::prepare_wsl_launch(error);
  EXPECT_NE(error, "WslLaunch not in wslapi.dll");

  _putenv_s("PATH", old_path.c_str());
  ::SetEnvironmentVariableA("PATH", old_path.c_str());
  EXPECT_FALSE(fs::exists(dir / "planted-program-ran"));
}

// Programs started for engine commands, and what they leave behind: a
// helper that holds the output after the program ended, a program that
// says nothing, a start that fails.
namespace {

namespace fs = std::filesystem;

std::string process_tree_path() { return (fs::path(test_binary_path()).parent_path() / "process_tree.exe").string(); }

// The process number after word in text ("helper 1234"); 0 when absent.
DWORD pid_after(const std::string& text, const std::string& word) {
  std::size_t at = text.find(word);
  return at == std::string::npos ? 0 : static_cast<DWORD>(std::strtoul(text.c_str() + at + word.size(), nullptr, 10));
}

bool ends_within(DWORD pid, DWORD milliseconds) {
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return true;  // gone already
  bool ended = ::WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

// PATH with dir in front, for the life of the object.
class PathInFront {
 public:
  explicit PathInFront(const fs::path& dir) : old_(std::getenv("PATH")) {
    set(dir.string() + ";" + old_);
  }
  ~PathInFront() { set(old_); }

 private:
  static void set(const std::string& value) {
    _putenv_s("PATH", value.c_str());
    ::SetEnvironmentVariableA("PATH", value.c_str());
  }
  std::string old_;
};

}  // namespace

TEST(ProgramRun, AHelperHoldingTheOutputIsEndedWithTheCommandGivenUp) {
  std::string output;
  int status = 0;
  ULONGLONG begun = ::GetTickCount64();
  ASSERT_TRUE(platform::run_program(
      process_tree_path(), {"process_tree", "spawn-helper"}, [&](std::string_view bytes) { output.append(bytes); },
      status, [&] { return ::GetTickCount64() - begun > 2000; }));
  EXPECT_LT(::GetTickCount64() - begun, 15000u);
  EXPECT_EQ(status, -1);
  DWORD helper = pid_after(output, "helper ");
  ASSERT_NE(helper, 0u) << output;
  EXPECT_TRUE(ends_within(helper, 10000)) << "the helper outlived the command";
}

TEST(ProgramRun, TheEndOfThisProcessEndsTheProgramAndWhatItStarted) {
  fs::path output = make_temp_dir() / "output";
  auto runner = platform::ChildProcess::start({test_binary_path(), "--child", "run-program-into", output.string(),
                                               process_tree_path(), "process_tree", "spawn-helper"},
                                              {});
  ASSERT_NE(runner, nullptr);
  DWORD helper = 0;
  for (ULONGLONG begun = ::GetTickCount64(); helper == 0 && ::GetTickCount64() - begun < 30000; ::Sleep(50)) {
    if (fs::exists(output)) helper = pid_after(read_file(output), "helper ");
  }
  ASSERT_NE(helper, 0u);
  runner->kill();
  runner->wait();
  EXPECT_TRUE(ends_within(helper, 10000)) << "the helper outlived the process that ran its command";
}

TEST(ProgramRun, AStartThatFailsTellsTheSystemsError) {
  int status = 0, error = 0;
  EXPECT_FALSE(platform::run_program("C:\\nowhere-at-all\\absent.exe", {"absent.exe"}, [](std::string_view) {}, status,
                                     nullptr, &error));
  EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
}

class DirectPathTest : public TempDirTest {
 protected:
  // The stand-in as the WSL containers tool, or a file of that name that
  // is no program at all.
  void install(bool runnable) {
    fs::create_directory(dir / "bin");
    if (runnable) {
      fs::copy_file(process_tree_path(), dir / "bin" / "wslc.exe");
    } else {
      write_file(dir / "bin" / "wslc.exe", "not a program\n");
    }
    path_ = std::make_unique<PathInFront>(dir / "bin");
    conn.init_wslc();
  }
  int run(const EngineCommand& command, std::string& log, double& seconds) {
    std::vector<std::string> lines;
    int status = 0;
    ULONGLONG begun = ::GetTickCount64();
    StderrCapture capture;
    int result = conn.run_engine_command(command, lines, false, status);
    log = capture.text();
    seconds = static_cast<double>(::GetTickCount64() - begun) / 1000;
    return result;
  }
  DOCKER_CONN conn;

 private:
  std::unique_ptr<PathInFront> path_;
};

TEST_F(DirectPathTest, EveryLimitAndRequestEndsAWait) {
  install(true);
  std::string log;
  double seconds = 0;
  // A helper holding the output past the deadline: given up at the
  // deadline, helper and all.
  EXPECT_EQ(run(EngineCommand{"spawn-helper"}.set_deadline(2), log, seconds), RC_TIMED_OUT) << log;
  EXPECT_LT(seconds, 15) << log;
  EXPECT_NE(log.find("command given up: no end within the time allowed"), std::string::npos) << log;
  // Silence for longer than the limit.
  conn.reply_limit = 2;
  EXPECT_EQ(run(EngineCommand{"silent", "60"}, log, seconds), RC_TIMED_OUT) << log;
  EXPECT_LT(seconds, 15) << log;
  // A request of the client, answered at once.
  conn.reply_limit = 600;
  ULONGLONG begun = ::GetTickCount64();
  conn.set_requests([&] { return ::GetTickCount64() - begun > 1000 ? 1 : 0; });
  EXPECT_EQ(run(EngineCommand{"hold", "60"}, log, seconds), RC_RESULT_ABORTED_BY_USER) << log;
  EXPECT_LT(seconds, 15) << log;
}

TEST_F(DirectPathTest, AFailedStartIsTriedAgainAndSaysWhy) {
  install(false);
  std::string log;
  double seconds = 0;
  EXPECT_EQ(run(EngineCommand{"pause", "c"}, log, seconds), RC_CONNECT_FAILED);
  EXPECT_NE(log.find("(attempt 1 of 4): error "), std::string::npos) << log;
  EXPECT_NE(log.find("(attempt 4 of 4): error "), std::string::npos) << log;
  EXPECT_GT(seconds, 1.0);
}
