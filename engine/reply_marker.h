// The end markers of the engine shell's replies. Each command line ends with
// "echo EOM.<token>.<n> $?": a random 64-bit token chosen once per process
// and the command's sequence number, so that no engine output can end a
// reply early and a reply left over from an earlier command is recognised.
#pragma once

#include <cstdint>
#include <string>

class ReplyMarkers {
 public:
  ReplyMarkers();  // a random token
  explicit ReplyMarkers(std::uint64_t token);

  // The marker of the next command ("EOM.<token hex>.<n>"); from now on
  // take_reply looks for it.
  std::string next();

  // Looks in buffer for the current command's marker followed by a blank,
  // its exit status and a newline. Output of earlier commands is dropped
  // from buffer, up to and including their marker lines. Returns true when
  // the reply is complete, with the output before the marker (a newline
  // added when it did not end with one) and the exit status.
  bool take_reply(std::string& buffer, std::string& output, int& exit_status) const;

 private:
  std::string prefix_;  // "EOM.<token hex>."
  std::uint64_t sequence_ = 0;
};
