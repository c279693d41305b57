#include "driver/engine_call.h"

#include <cstdio>

#include "engine/engine_reply.h"
#include "lib/result_codes.h"

int run_engine(JOB& job, const EngineCommand& command, std::vector<std::string>& lines, bool show, int& exit_status) {
  int result = job.engine->run_engine_command(command, lines, show, exit_status);
  note_reachability(job, result, exit_status, lines);
  return result;
}

void note_reachability(JOB& job, int result, int exit_status, const std::vector<std::string>& lines) {
  job.engine_unreachable =
      judge_reply(job.engine->dialect(), result, exit_status, lines) == EngineReply::Outcome::unreachable;
}

void print_command_output(const char* name, const std::vector<std::string>& lines) {
  std::fprintf(stderr, "Output from '%s' command:\n", name);
  for (const auto& line : lines) std::fprintf(stderr, "   %s", line.c_str());
}

int container_op(JOB& job, const char* op) {
  std::vector<std::string> lines;
  EngineCommand command = job.engine->dialect().container_op(op, job.job_container);
  int exit_status = 0;
  int result = run_engine(job, command, lines, job.verbose() >= 1, exit_status);
  EngineReply::Outcome outcome = judge_reply(job.engine->dialect(), result, exit_status, lines);
  if (outcome == EngineReply::Outcome::ok) return 0;
  if (outcome == EngineReply::Outcome::given_up) {
    std::fprintf(stderr, "%s command given up for the client's request\n", op);
    return result;
  }
  if (result != 0) {
    std::fprintf(stderr, "%s command failed: %d\n", op, result);
    return result;
  }
  // The program ran and refused, or said that the engine can't be reached.
  print_command_output(op, lines);
  return -1;
}
