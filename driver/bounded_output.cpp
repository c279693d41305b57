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
  if (bytes.empty() || tail_limit_ == 0) return;
  if (tail_.empty()) tail_.resize(tail_limit_);
  if (bytes.size() >= tail_limit_) bytes.remove_prefix(bytes.size() - tail_limit_);
  // Written after the newest byte, over the oldest once the ring is full.
  while (!bytes.empty()) {
    std::size_t end = (tail_start_ + tail_size_) % tail_limit_;
    std::size_t count = std::min(bytes.size(), tail_limit_ - end);
    std::copy_n(bytes.data(), count, tail_.begin() + static_cast<std::ptrdiff_t>(end));
    bytes.remove_prefix(count);
    std::size_t grown = std::min(count, tail_limit_ - tail_size_);
    tail_size_ += grown;
    tail_start_ = (tail_start_ + count - grown) % tail_limit_;
  }
}

std::pair<std::string_view, std::string_view> BoundedOutput::tail_parts() const {
  if (tail_size_ == 0) return {};
  std::size_t first = std::min(tail_size_, tail_limit_ - tail_start_);
  return {std::string_view(tail_.data() + tail_start_, first), std::string_view(tail_.data(), tail_size_ - first)};
}

std::string BoundedOutput::tail_text() const {
  auto [older, newer] = tail_parts();
  return std::string(older) + std::string(newer);
}

void BoundedOutput::finish() {
  if (!echo_) return;
  if (left_out() > 0) std::fprintf(stderr, "\n   ... %llu bytes %s ...\n", left_out(), left_out_note_);
  // Straight from the ring: the tail may be large.
  for (std::string_view part : {tail_parts().first, tail_parts().second}) {
    if (!part.empty()) std::fwrite(part.data(), 1, part.size(), stderr);
  }
}

std::vector<std::string> BoundedOutput::lines() const {
  std::vector<std::string> lines = split_lines(head_, '\n', true);
  std::vector<std::string> tail = split_lines(tail_text(), '\n', true);
  lines.insert(lines.end(), tail.begin(), tail.end());
  return lines;
}
