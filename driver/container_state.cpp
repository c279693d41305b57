#include "driver/container_state.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "driver/engine_call.h"

namespace {

// Runs a "ps" query of the container. On failure says failure_text, and
// what the engine answered when it refused; the step's code is 0, the
// runner's result, or -1 for a refusal (a refused query tells nothing: the
// container may well be there).
EngineStep run_ps_query(JOB& job, const EngineCommand& command, std::vector<std::string>& lines,
                        const char* failure_text) {
  EngineReply reply = call_engine(job, command, job.verbose() >= 2);
  lines = std::move(reply.lines);
  double now = job.clock->now();
  if (reply.result == 0 && reply.exit_status == 0) {
    job.engine_failing_since = -1;
    return {};
  }
  // An engine that stays away is described once, then only timed, every
  // ten seconds.
  if (job.engine_failing_since < 0) {
    job.engine_failing_since = now;
    job.engine_failure_told = 0;
    std::fputs(failure_text, stderr);
    if (reply.result == 0) print_command_output("ps", lines);
  } else if (now - job.engine_failing_since >= job.engine_failure_told + 10) {
    job.engine_failure_told += 10;
    std::fprintf(stderr, "the engine's queries have failed for %.0f s\n", now - job.engine_failing_since);
  }
  return failed_step(reply);
}

}  // namespace

EngineStep get_container_state(JOB& job, CONTAINER_STATE& state) {
  state = CONTAINER_ABSENT;
  const EngineDialect& dialect = job.engine->dialect();
  std::vector<std::string> lines;
  EngineStep step = run_ps_query(job, dialect.state_query(job.job_container), lines, "ps command failed\n");
  if (!step.ok()) return step;
  return {dialect.read_state(lines, job.job_container, state)};
}

POLL_OUTCOME poll_container(JOB& job, bool* unreachable) {
  const EngineDialect& dialect = job.engine->dialect();
  std::vector<std::string> lines;
  EngineStep step = run_ps_query(job, dialect.poll_query(job.job_container), lines, "poll: ps command failed\n");
  if (unreachable != nullptr) *unreachable = step.unreachable;
  if (!step.ok()) return POLL_FAILED;
  return dialect.read_poll(lines, job.job_container, job.container_exit_status);
}
