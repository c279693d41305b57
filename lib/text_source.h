// Where an XML reader's bytes come from: an open stream (not owned) or a
// NUL-terminated text in memory (not owned). One thread at a time.
#pragma once

#include <cstddef>
#include <cstdio>

class TEXT_SOURCE {
 public:
  static constexpr int END = -1;

  explicit TEXT_SOURCE(std::FILE* file) : file_(file) {}
  explicit TEXT_SOURCE(const char* text) : text_(text) {}

  // The next byte as 0 to 255, or END at the end of the file or text.
  int getc();

  // Gives the byte just read back to the source.
  void ungetc(int byte);

  // Reads one line with its newline into buffer (at most size - 1 bytes,
  // terminated). Returns false at the end.
  bool read_line(char* buffer, std::size_t size);

  // From now on the source is at its end, whatever is left.
  void exhaust() { exhausted_ = true; }

 private:
  std::FILE* file_ = nullptr;
  const char* text_ = nullptr;
  std::size_t position_ = 0;
  bool exhausted_ = false;
};
