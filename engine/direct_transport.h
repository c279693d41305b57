// The engine's program started for each command, without a command
// interpreter (the WSL containers tool). Main thread only.
#pragma once

#include "engine/engine_transport.h"
#include "lib/clock.h"

class DirectTransport final : public EngineTransport {
 public:
  explicit DirectTransport(Clock& clock = system_clock()) : clock_(clock) {}

  // Starts the program found on PATH (never in the current directory) with
  // the command's words, its standard error joined to its output; the
  // slot's part of a word is the slot's full path. A program not found
  // gives -1; one that can't be started is tried four times within about
  // 1.5 s, each failure logged with the system's error, then gives
  // RC_CONNECT_FAILED. The deadline, the silence limit (also while a helper
  // holds the output after the program ended) and a request end the
  // program with all it started: RC_TIMED_OUT or
  // RC_RESULT_ABORTED_BY_USER.
  int run(const char* program, const EngineCommand& command, const ReplyLimits& limits, const OutputSink& sink,
          int& exit_status) override;
  bool keeps_output_of_failures() const override { return true; }

 private:
  Clock& clock_;  // the limits' time, and the pauses between start attempts
};
