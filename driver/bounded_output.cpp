#include "driver/bounded_output.h"

#include <algorithm>
#include <cstdio>

#include "lib/text_util.h"

BoundedOutput::BoundedOutput(std::size_t head_limit, std::size_t tail_limit, bool echo, bool keep_head,
                             const char* left_out_note)
    : head_limit_(head_limit),
      tail_limit_(tail_limit),
      echo_(echo),
      keep_head_(keep_head),
      left_out_note_(left_out_note) {}

void BoundedOutput::take(std::string_view bytes) {
  total_ += bytes.size();
  std::size_t to_head = std::min(bytes.size(), head_limit_ - head_taken_);
  if (to_head > 0) {
    head_taken_ += to_head;
    if (keep_head_) head_.append(bytes.substr(0, to_head));
    if (echo_) std::fwrite(bytes.data(), 1, to_head, stderr);
    bytes.remove_prefix(to_head);
  }
  if (bytes.empty()) return;
  if (bytes.size() >= tail_limit_) {
    tail_.assign(bytes.substr(bytes.size() - tail_limit_));
    return;
  }
  // Dropped from the front in large steps, so that the tail is moved
  // seldom however small the pieces.
  if (tail_.size() + bytes.size() > 2 * tail_limit_) tail_.erase(0, tail_.size() + bytes.size() - tail_limit_);
  tail_.append(bytes);
}

void BoundedOutput::finish() {
  if (tail_.size() > tail_limit_) tail_.erase(0, tail_.size() - tail_limit_);
  if (!echo_) return;
  if (left_out() > 0) std::fprintf(stderr, "\n   ... %llu bytes %s ...\n", left_out(), left_out_note_);
  std::fwrite(tail_.data(), 1, tail_.size(), stderr);
}

std::vector<std::string> BoundedOutput::lines() const {
  std::vector<std::string> lines = split_lines(head_, '\n', true);
  std::vector<std::string> tail = split_lines(tail_.substr(tail_.size() > tail_limit_ ? tail_.size() - tail_limit_ : 0),
                                              '\n', true);
  lines.insert(lines.end(), tail.begin(), tail.end());
  return lines;
}
