// The call every engine command of the job goes through: it runs the
// command, notes whether the engine can be reached, and judges the reply;
// and the container operations (pause, unpause, kill) made with it.
#pragma once

#include <string>
#include <vector>

#include "driver/job.h"

// Runs an engine command for the job as run_engine_command does, and notes
// in job.engine_unreachable whether a failure means that the engine can't
// be reached (no reply, a dead shell, or the engine's client saying so)
// rather than that it refused the command.
int run_engine(JOB& job, const EngineCommand& command, std::vector<std::string>& lines, bool show, int& exit_status);

// Notes in job.engine_unreachable what a command's outcome says of the
// engine, as run_engine does; for commands whose output was streamed.
void note_reachability(JOB& job, int result, int exit_status, const std::vector<std::string>& lines);

// Prints "Output from '%s' command:\n" and every line indented by three
// blanks.
void print_command_output(const char* name, const std::vector<std::string>& lines);

// Runs "op job_container". Returns 0; the runner's nonzero result after
// "%s command failed: %d\n"; or -1 after the engine's words when it exited
// with a nonzero status or printed "Error".
int container_op(JOB& job, const char* op);
