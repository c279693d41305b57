#include "test_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

int FakeRunner::run_engine_command(const std::string& command, std::vector<std::string>& lines, bool show,
                                   int& exit_status) {
  commands.push_back(command);
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

std::filesystem::path make_temp_dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quayside-test-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  return made;
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
  std::fflush(stderr);
  file_ = std::filesystem::temp_directory_path() / ("quayside-stderr-" + std::to_string(::getpid()) + "-" +
                                                    std::to_string(reinterpret_cast<std::uintptr_t>(this)));
  int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  saved_fd_ = ::dup(2);
  ::dup2(fd, 2);
  ::close(fd);
}

StderrCapture::~StderrCapture() { text(); }

std::string StderrCapture::text() {
  if (!done_) {
    std::fflush(stderr);
    ::dup2(saved_fd_, 2);
    ::close(saved_fd_);
    done_ = true;
  }
  std::string captured = read_file(file_);
  std::filesystem::remove(file_);
  return captured;
}
