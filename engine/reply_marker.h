// The end markers of the engine shell's replies, and the reader that finds
// them. Each command line ends with "echo EOM.<token>.<n> $?": a random
// 64-bit token chosen once per process and the command's sequence number,
// so that no engine output can end a reply early and the end of a reply
// left over from an earlier command is recognised.
// The reader takes the reply as bytes in pieces of any size, hands the
// engine's output on as soon as it can't be part of the marker, and keeps
// at most one marker line's worth: memory stays bounded and every byte is
// looked at a bounded number of times.
#pragma once

#include <cstdint>
#include <functional>
#include <functional>
#include <string>
#include <string_view>

using OutputSink = std::function<void(std::string_view)>;

class ReplyMarkers {
 public:
  ReplyMarkers();  // a random token
  explicit ReplyMarkers(std::uint64_t token);
  ReplyMarkers(const ReplyMarkers&) = delete;  // the searcher points into prefix_
  ReplyMarkers& operator=(const ReplyMarkers&) = delete;

  // The marker of the next command ("EOM.<token hex>.<n>"); from now on
  // take looks for it, with nothing held from an earlier reply.
  std::string next();

  // Takes the next bytes of the reply. Output goes to sink (a newline is
  // added at the end when the output did not end with one); the marker
  // line of an earlier command is dropped. Returns true when the current
  // command's marker line has arrived, with its exit status; bytes after
  // it are dropped.
  bool take(std::string_view bytes, const OutputSink& sink, int& exit_status);

 private:
  std::string prefix_;  // "EOM.<token hex>."
  // Skips ahead by up to the prefix's length: output made of the marker's
  // own letters costs no more than any other.
  std::boyer_moore_horspool_searcher<std::string::const_iterator> search_;
  std::uint64_t sequence_ = 0;
  std::string held_;    // bytes that may still begin the marker
  char last_ = '\n';    // the last byte handed on
  bool any_output_ = false;
};
