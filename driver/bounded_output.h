// An engine command's output that may be of any size (an image build can
// print gigabytes): shown as it arrives up to a head, then only its tail is
// kept, and at the end the tail is shown after one line saying how much was
// left out. Memory stays bounded by head and tail: the tail is a ring of its
// limit, made when the head is full. Main thread only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class BoundedOutput {
 public:
  // With echo, the output reaches standard error as described; without, it
  // is only kept.
  // What finish says of the bytes dropped, after their count.
  static constexpr const char* kLeftOut = "left out";

  // Without keep_head the head is only shown, not kept for lines(): memory
  // then holds the tail alone.
  BoundedOutput(std::size_t head_limit, std::size_t tail_limit, bool echo, bool keep_head = true,
                const char* left_out_note = kLeftOut);

  void take(std::string_view bytes);

  // Shows what is still to be shown: "   ... N bytes left out ...\n" (or
  // the note given) when bytes were dropped, then the tail.
  void finish();

  // The kept lines, head then tail, each with its line end.
  std::vector<std::string> lines() const;

  unsigned long long left_out() const { return total_ - head_taken_ - tail_size_; }

 private:
  std::size_t head_limit_, tail_limit_;
  bool echo_;
  bool keep_head_;
  const char* left_out_note_;
  std::size_t head_taken_ = 0;
  std::string head_;  // shown as it came
  // The last bytes past the head, not shown yet: a ring of tail_limit_
  // bytes (made when the head is full), tail_size_ of them from tail_start_.
  std::vector<char> tail_;
  std::size_t tail_start_ = 0;
  std::size_t tail_size_ = 0;
  // The tail in order: its older part up to the ring's end, then the rest.
  std::pair<std::string_view, std::string_view> tail_parts() const;
  std::string tail_text() const;
  unsigned long long total_ = 0;
};
