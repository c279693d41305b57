#include "driver/container_op.h"

#include <cstdio>

#include "lib/result_codes.h"

int run_engine(JOB& job, const EngineCommand& command, std::vector<std::string>& lines, bool show, int& exit_status) {
  int result = job.engine->run_engine_command(command, lines, show, exit_status);
  note_reachability(job, result, exit_status, lines);
  return result;
}

void note_reachability(JOB& job, int result, int exit_status, const std::vector<std::string>& lines) {
  bool channel_lost = result == RC_CONNECT_FAILED || result == RC_TIMED_OUT || result == RC_READ_FAILED;
  job.engine_unreachable =
      channel_lost || (result == 0 && exit_status != 0 && job.engine->dialect().says_unreachable(lines));
}

bool output_has_text(const std::vector<std::string>& lines, const char* text) {
  for (const auto& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
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
  if (result == RC_RESULT_ABORTED_BY_USER) {
    std::fprintf(stderr, "%s command given up for the client's request\n", op);
    return result;
  }
  if (result != 0) {
    std::fprintf(stderr, "%s command failed: %d\n", op, result);
    return result;
  }
  if (exit_status != 0 || output_has_text(lines, "Error")) {
    print_command_output(op, lines);
    return -1;
  }
  return 0;
}
