#include "test_support.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/wsl_cmd.h"
#include "platform/process.h"
#include "platform/stderr_capture.h"

int FakeRunner::run_engine_command(const EngineCommand& engine_command, std::vector<std::string>& lines, bool show,
                                   int& exit_status) {
  std::string command = render_posix(engine_command);
  commands.push_back(command);
  arguments.push_back(engine_command.arguments());
  shows.push_back(show);
  lines.clear();
  exit_status = 0;
  for (auto it = replies_.begin(); it != replies_.end(); ++it) {
    if (command.rfind(it->prefix, 0) == 0) {
      Reply reply = *it;
      replies_.erase(it);
      lines = reply.lines;
      exit_status = reply.exit_status;
      return reply.result;
    }
  }
  return 0;
}

int FakeRunner::stream_engine_command(const EngineCommand& command, const OutputSink& sink, bool show,
                                      int& exit_status) {
  std::vector<std::string> lines;
  int result = run_engine_command(command, lines, show, exit_status);
  for (const auto& line : lines) sink(line);
  return result;
}

std::filesystem::path make_temp_dir() {
  static std::mt19937_64 random{std::random_device{}()};
  for (;;) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("quayside-test-" + std::to_string(platform::current_process_id()) + "-" +
                                 std::to_string(random() % 1000000000));
    if (std::filesystem::create_directory(dir)) return dir;
  }
}

void write_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void TempDirTest::SetUp() {
  previous_dir_ = std::filesystem::current_path();
  dir = make_temp_dir();
  std::filesystem::current_path(dir);
}

void TempDirTest::TearDown() {
  std::filesystem::current_path(previous_dir_);
  std::filesystem::remove_all(dir);
}

void JobTest::SetUp() {
  previous_dir_ = std::filesystem::current_path();
  dir = make_temp_dir();
  std::filesystem::current_path(dir);
  job.engine = &runner;
  job.runtime = &runtime;
  job.clock = &clock;
  runtime.clock = &clock;
  job.job_container = "corvo__proj__res_1";
  job.job_image = "corvo__proj__wu";
  job.init_data.ncpus = 1.0;
  job.engine_ready = true;
}

void JobTest::TearDown() {
  std::filesystem::current_path(previous_dir_);
  std::filesystem::remove_all(dir);
}

StderrCapture::StderrCapture() {
  file_ = std::filesystem::temp_directory_path() /
          ("quayside-stderr-" + std::to_string(platform::current_process_id()) + "-" +
           std::to_string(reinterpret_cast<std::uintptr_t>(this)));
  saved_fd_ = platform::capture_standard_error(file_.string());
}

StderrCapture::~StderrCapture() { text(); }

std::string StderrCapture::text() {
  if (!done_) {
    platform::restore_standard_error(saved_fd_);
    done_ = true;
  }
  std::string captured = read_file(file_);
  std::filesystem::remove(file_);
  return captured;
}

int read_from_pipe(platform::PipedProcess& process, std::string& reply, double timeout, const char* marker,
                   Clock& clock) {
  reply.clear();
  std::string_view wanted = marker != nullptr ? marker : "";
  return read_until(
      process, ReplyLimits{timeout, 0, nullptr},
      [&](std::string_view bytes) {
        // Only the new bytes, and a marker's length before them, can hold a
        // marker not seen yet.
        std::size_t from = reply.size() >= wanted.size() ? reply.size() - wanted.size() + 1 : 0;
        if (wanted.empty()) from = 0;
        reply.append(bytes);
        return marker != nullptr && reply.size() >= wanted.size() &&
               (wanted.empty() || reply.find(wanted, from) != std::string::npos);
      },
      clock);
}
