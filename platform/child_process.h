// A child process started with an argument vector in a directory, whose
// standard streams are this process's. Used by the client simulator.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

class ChildProcess {
 public:
  virtual ~ChildProcess() = default;

  // Starts program (found through PATH when it has no directory part) with
  // arguments in directory. Null when it can't be started.
  static std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv, const std::string& directory);

  virtual int pid() const = 0;

  // True once the child has ended, with its exit code (the signal number
  // plus 128 when a signal ended it). Does not wait.
  virtual bool finished(int& exit_code) = 0;

  // Waits for the child to end and returns its exit code as finished does.
  virtual int wait() = 0;

  // Ends the child at once.
  virtual void kill() = 0;
};

}  // namespace platform
