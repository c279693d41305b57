// The call every engine command of the job goes through: it runs the
// command and judges the reply; and the container operations (pause,
// unpause, kill) made with it.
#pragma once

#include <string>
#include <vector>

#include "driver/job.h"
#include "engine/engine_reply.h"

// What one step of the job's work with the engine came to: 0 when it went
// through, else the code its failure is told by; and whether it failed
// because no engine answered (then the job waits for the engine rather than
// failing).
struct EngineStep {
  int code = 0;
  bool unreachable = false;

  bool ok() const { return code == 0; }
};

// Runs an engine command for the job as run_engine_command does and judges
// the reply with the engine's dialect.
EngineReply call_engine(JOB& job, const EngineCommand& command, bool show);

// The judgement of a reply whose output was streamed rather than kept whole.
EngineReply judged_reply(JOB& job, int result, int exit_status, std::vector<std::string> lines,
                         bool error_line_refuses = true);

// The step a failed reply makes: the runner's result, or -1 when the program
// ran and refused.
EngineStep failed_step(const EngineReply& reply);

// Prints "Output from '%s' command:\n" and every line indented by three
// blanks.
void print_command_output(const char* name, const std::vector<std::string>& lines);

// Runs "op job_container". Its code is 0; the runner's nonzero result after
// "%s command failed: %d\n"; or -1 after the engine's words when it exited
// with a nonzero status or printed "Error".
EngineStep container_op(JOB& job, const char* op);
