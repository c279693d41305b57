#include "driver/engine_call.h"

#include <cstdio>
#include <utility>

#include "lib/result_codes.h"

EngineReply call_engine(JOB& job, const EngineCommand& command, bool show) {
  std::vector<std::string> lines;
  int exit_status = 0;
  int result = job.engine->run_engine_command(command, lines, show, exit_status);
  return judged_reply(job, result, exit_status, std::move(lines));
}

EngineReply judged_reply(JOB& job, int result, int exit_status, std::vector<std::string> lines,
                         bool error_line_refuses) {
  EngineReply reply;
  reply.outcome = judge_reply(job.engine->dialect(), result, exit_status, lines, error_line_refuses);
  reply.result = result;
  reply.exit_status = exit_status;
  reply.lines = std::move(lines);
  return reply;
}

EngineStep failed_step(const EngineReply& reply) {
  return {reply.result != 0 ? reply.result : -1, reply.outcome == EngineReply::Outcome::unreachable};
}

void print_command_output(const char* name, const std::vector<std::string>& lines) {
  std::fprintf(stderr, "Output from '%s' command:\n", name);
  for (const auto& line : lines) std::fprintf(stderr, "   %s", line.c_str());
}

EngineStep container_op(JOB& job, const char* op) {
  EngineReply reply = call_engine(job, job.engine->dialect().container_op(op, job.job_container), job.verbose() >= 1);
  if (reply.ok()) return {};
  if (reply.outcome == EngineReply::Outcome::given_up) {
    std::fprintf(stderr, "%s command given up for the client's request\n", op);
  } else if (reply.result != 0) {
    std::fprintf(stderr, "%s command failed: %d\n", op, reply.result);
  } else {
    // The program ran and refused, or said that the engine can't be reached.
    print_command_output(op, reply.lines);
  }
  return failed_step(reply);
}
