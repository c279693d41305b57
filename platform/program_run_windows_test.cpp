// Process starts on Windows: arguments arrive whole, and nothing planted in
// the current directory (the slot) is ever run or loaded.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/docker_conn.h"
#include "hostile_values.h"
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
