// Stand-in programs for the POSIX tests: scripts written into a directory
// that is put first on PATH for as long as a test needs it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"

// Puts a directory first on PATH for its life.
class PathFirst {
 public:
  explicit PathFirst(const std::filesystem::path& dir) : old_(std::getenv("PATH")) {
    setenv("PATH", (dir.string() + ":" + old_).c_str(), 1);
  }
  ~PathFirst() { setenv("PATH", old_.c_str(), 1); }
  PathFirst(const PathFirst&) = delete;
  PathFirst& operator=(const PathFirst&) = delete;

 private:
  std::string old_;
};

// Writes text as a program its owner may run.
inline void write_program(const std::filesystem::path& path, const std::string& text) {
  write_file(path, text);
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}
