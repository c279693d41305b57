// A command line run through the system command interpreter as a child
// process whose standard output this process reads.
// One owner, one thread.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace platform {

class ShellCapture {
 public:
  virtual ~ShellCapture() = default;

  // Starts the command; null when the interpreter can't be started.
  static std::unique_ptr<ShellCapture> start(const std::string& command_line);

  // Reads one line of at most size - 1 bytes with its line end, as fgets
  // does; a longer line arrives in pieces. Returns false at the end.
  virtual bool read_line(char* buffer, std::size_t size) = 0;

  // Closes the pipe and waits for the child. Returns the child's exit
  // status, or -1 when it did not exit normally or can't be waited for.
  virtual int finish() = 0;
};

}  // namespace platform
