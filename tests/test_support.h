// Fakes and fixtures shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driver/job.h"
#include "engine/engine_runner.h"
#include "engine/read_until.h"
#include "engine/wsl_cmd.h"
#include "lib/clock.h"
#include "platform/piped_process.h"

// A clock whose pauses only move its time forward.
class FakeClock final : public Clock {
 public:
  double now() override { return time; }
  double steady() override { return time; }
  void pause(double seconds) override {
    pauses.push_back(seconds);
    time += static_cast<long>(seconds * 1000) / 1000.0;
  }
  double time = 1000.0;
  std::vector<double> pauses;
};

// Records every command and answers from a script of replies, matched by
// the beginning of the command's shell text; unmatched commands get an
// empty reply and 0.
class FakeRunner final : public EngineRunner {
 public:
  struct Reply {
    std::string prefix;
    int result = 0;
    std::vector<std::string> lines;
    int exit_status = 0;
  };

  explicit FakeRunner(ENGINE_TYPE type = ENGINE_WSLC) : type_(type) {}

  // Queues a reply for the next command that begins with prefix. The
  // engine's exit status is 1 when the output holds "Error", else 0, unless
  // given.
  void reply(const std::string& prefix, std::vector<std::string> lines, int result = 0, int exit_status = -2) {
    if (exit_status == -2) {
      exit_status = 0;
      for (const auto& line : lines) {
        if (line.find("Error") != std::string::npos) exit_status = 1;
      }
    }
    replies_.push_back({prefix, result, std::move(lines), exit_status});
  }

  const EngineDialect& dialect() const override { return engine_dialect(type_); }
  using EngineRunner::run_engine_command;
  int run_engine_command(const EngineCommand& command, std::vector<std::string>& lines, bool show,
                         int& exit_status) override;
  // Runs the command as above and hands the reply's lines to sink.
  int stream_engine_command(const EngineCommand& command, const OutputSink& sink, bool show,
                            int& exit_status) override;

  // The engine's CPU counter: the next reading, negative for none.
  bool read_cpu_counter(const std::string&, double& seconds) override {
    if (cpu_counter < 0) return false;
    seconds = cpu_counter;
    return true;
  }
  double cpu_counter = -1;

  // Files on the engine's side, by path; false for every read when
  // files_readable is off (as on the direct path).
  bool read_engine_files(const std::vector<std::string>& paths, std::vector<FileLines>& out) override {
    file_reads.push_back(paths);
    if (!files_readable) return false;
    out.clear();
    for (const auto& path : paths) out.push_back(files.count(path) != 0 ? files[path] : FileLines{});
    return true;
  }
  std::map<std::string, FileLines> files;
  bool files_readable = true;
  std::vector<std::vector<std::string>> file_reads;

  std::vector<std::string> commands;                 // as the engine shell would read them
  std::vector<std::vector<std::string>> arguments;   // the words the engine would receive
  std::vector<bool> shows;

 private:
  ENGINE_TYPE type_;
  std::deque<Reply> replies_;
};

// Thrown by FakeRuntime where the real runtime would end the process.
struct JobEnded {
  bool finished;  // true for a finish, false for a plain exit
  int code;
  int temporary_delay = 0;  // a temporary exit: its delay
};

class FakeRuntime final : public JobRuntime {
 public:
  bool standalone() override { return is_standalone; }
  void copy_init_data(INIT_DATA& data) override { data = init_data; }
  int open_sporadic_files(const char* directory) override {
    sporadic_dir = directory;
    return sporadic_result;
  }
  CLIENT_STATUS client_status() override {
    if (statuses.empty()) return status;
    CLIENT_STATUS next = statuses.front();
    statuses.pop_front();
    return next;
  }
  bool heartbeat_seen() override { return heartbeat; }
  void send_progress_ext(double cpu_time, double fraction_done, double wss) override {
    progress.push_back({cpu_time, fraction_done, wss});
  }
  void send_progress_zero() override { ++zero_reports; }
  void set_network_wanted(bool wanted) override { network_wanted = wanted; }
  void announce_web_graphics(const char* address) override { web_graphics = address; }
  // The client's requests don't change between calls: a wait is a pause.
  void wait_for_request(double seconds) override {
    if (clock != nullptr) clock->pause(seconds);
  }
  void end_with_finish(int code) override { throw JobEnded{true, code}; }
  void end_with_temporary_exit(int delay, const char* reason) override {
    temporary_reason = reason;
    throw JobEnded{false, 0, delay};
  }
  void end_with_exit(int code) override { throw JobEnded{false, code}; }

 public:

  struct Progress {
    double cpu_time, fraction_done, wss;
  };
  bool is_standalone = false;
  INIT_DATA init_data;
  std::string sporadic_dir;  // where the sporadic files were opened
  int sporadic_result = 0;
  CLIENT_STATUS status;                 // returned once the queue is empty
  std::deque<CLIENT_STATUS> statuses;   // returned one per call first
  bool heartbeat = true;
  Clock* clock = nullptr;
  std::string temporary_reason;
  std::vector<Progress> progress;
  int zero_reports = 0;
  bool network_wanted = false;
  std::string web_graphics;
};

// A job wired to fakes, run in a fresh temporary directory that is the
// current directory for the test.
class JobTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  FakeRunner runner;
  FakeRuntime runtime;
  FakeClock clock;
  JOB job;
  std::filesystem::path dir;

 private:
  std::filesystem::path previous_dir_;
};

// A fresh temporary directory made current for the test's life.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::filesystem::path dir;

 private:
  std::filesystem::path previous_dir_;
};

// Makes a new empty temporary directory.
std::filesystem::path make_temp_dir();

// Writes text to a file.
void write_file(const std::filesystem::path& path, const std::string& text);
std::string read_file(const std::filesystem::path& path);

// Captures what the code under test writes to standard error.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  std::string text();  // everything written so far; stops the capture

 private:
  int saved_fd_ = -1;
  std::filesystem::path file_;
  bool done_ = false;
};

// The path of this test binary, for tests that run it again as a child.
const std::string& test_binary_path();

// read_until the reply holds marker (any output when it is empty; with no
// marker, until the end), with timeout seconds of silence at most. The
// reply is kept whole, as bytes.
int read_from_pipe(platform::PipedProcess& process, std::string& reply, double timeout, const char* marker,
                   Clock& clock = system_clock());
