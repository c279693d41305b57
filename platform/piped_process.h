// A child process whose standard input is one pipe and whose standard
// output and standard error share a second one: the long-lived shell that
// engine commands are written into. This process keeps both ends of both
// pipes open for its whole life, so a write never fails for a dead reader
// and a read never sees end of file; the end of the shell shows only in its
// process state. Main thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class PipedProcess {
 public:
  virtual ~PipedProcess() = default;

  // Starts the program at path with argv (argv[0] is the name it is given),
  // without a command interpreter. Null when it can't be started.
  static std::unique_ptr<PipedProcess> start(const std::string& path, const std::vector<std::string>& argv);

  // Starts the shell of a WSL distro with the system's "wsl" program and
  // its arguments (wsl -d NAME ...). On Linux the host plays the distro:
  // /bin/sh is started instead and wsl is not run.
  static std::unique_ptr<PipedProcess> start_distro_shell(const std::vector<std::string>& wsl_argv);

  // Loads the WSL launch entry point. False with error_text set ("Can't
  // load wslapi.dll", ...). On Linux there is nothing to load.
  static bool prepare_wsl_launch(std::string& error_text);

  // Launches a distro's default shell (empty command) through the WSL
  // launch entry point, in this process's directory when use_cwd is set.
  // Null with the system's result in error when the launch fails. On Linux
  // this starts /bin/sh.
  static std::unique_ptr<PipedProcess> launch_wsl(const std::string& distro, const std::string& command, bool use_cwd,
                                                  int& error);

  // Writes the whole text into the shell's input. False when the write
  // fails.
  virtual bool write_text(const std::string& text) = 0;

  // Bytes waiting in the reply pipe without reading them; -1 on failure.
  virtual long bytes_waiting() = 0;

  // Waits up to milliseconds for output to read or for the shell to end.
  // Returns true when one of them came, false when the time ran out.
  virtual bool wait_readable(int milliseconds) = 0;

  // Reads at most size bytes that are waiting. Returns the count, or -1.
  virtual long read(char* buffer, std::size_t size) = 0;

  // Whether the shell has ended (or its state can't be queried).
  virtual bool exited() = 0;

  // Ends the shell at once, with every process it started that is still
  // in its group (on Windows, its job).
  virtual void kill() = 0;
};

}  // namespace platform
