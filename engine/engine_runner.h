// What the job driver needs from the engine connection: engine commands
// run (their output kept or streamed), the container's CPU counter where
// the engine keeps one, the client's requests to give commands up, and the
// dialect of the engine in use. An interface so that tests can put a recording fake in its
// place.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/cgroup_counters.h"
#include "engine/engine_command.h"
#include "engine/engine_dialect.h"
#include "engine/reply_marker.h"

class EngineRunner {
 public:
  virtual ~EngineRunner() = default;

  // The words and readers of the engine in use.
  virtual const EngineDialect& dialect() const = 0;

  // Runs the engine command. Fills lines with the engine's combined
  // output, one element per line with its line end, and exit_status with
  // the engine program's exit status (-1 when it did not run). Returns 0 or
  // a result code. With show, the command and its output are copied to
  // standard error.
  virtual int run_engine_command(const EngineCommand& command, std::vector<std::string>& lines, bool show,
                                 int& exit_status) = 0;

  // Runs the command as run_engine_command does, handing the output to
  // sink piece by piece as it arrives instead of keeping it.
  virtual int stream_engine_command(const EngineCommand& command, const OutputSink& sink, bool show,
                                    int& exit_status) = 0;

  // The container's CPU time so far, in seconds, where the engine counts it
  // outside its command replies; false where it can't be had.
  virtual bool read_cpu_counter(const std::string& container, double& seconds) {
    (void)container;
    (void)seconds;
    return false;
  }

  // Reads small files on the engine's side (the host of the engine's
  // containers) without starting any program, into files, one for each
  // path; false where the connection can't, or the reply failed.
  virtual bool read_engine_files(const std::vector<std::string>& paths, std::vector<FileLines>& files) {
    (void)paths;
    (void)files;
    return false;
  }

  // requests() tells the client's requests as bits; a command is given up
  // (RC_RESULT_ABORTED_BY_USER, with everything it started ended) while a
  // bit is set, also one set before it began. Whoever carries a request out
  // switches the source off first (null), so that its own commands run.
  virtual void set_requests(std::function<int()> requests) { (void)requests; }

  // The same, for callers that judge the engine by its output alone.
  int run_engine_command(const EngineCommand& command, std::vector<std::string>& lines, bool show) {
    int exit_status = 0;
    return run_engine_command(command, lines, show, exit_status);
  }
};
