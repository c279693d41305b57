// What came of one engine command, judged in one place from what the runner
// and the engine's program said: the runner's result code, the program's
// exit status and its output, read with the dialect's texts.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_dialect.h"

struct EngineReply {
  enum class Outcome {
    ok,           // the program ran and did what was asked
    refused,      // the program ran and refused (an exit status, an "Error" line)
    unreachable,  // the engine can't be reached: the channel is lost, or its program says so
    failed,       // the program could not be run at all
    given_up,     // given up for a request of the client
  };
  Outcome outcome = Outcome::failed;
  int result = 0;        // the runner's result code: 0 when the program ran
  int exit_status = -1;  // the program's exit status (-1 when it did not run)
  std::vector<std::string> lines;

  bool ok() const { return outcome == Outcome::ok; }
};

// Whether a runner's result code means that the channel to the engine is
// lost: it ended, it failed, or it went silent past its limit.
bool channel_lost(int result);

// The outcome of a command from the runner's result, the program's exit
// status and output. A program that ran and left an "Error" line is
// refused when error_line_refuses is set (every command but a build, whose
// output may mention errors that are not its own).
EngineReply::Outcome judge_reply(const EngineDialect& dialect, int result, int exit_status,
                                 const std::vector<std::string>& lines, bool error_line_refuses = true);
