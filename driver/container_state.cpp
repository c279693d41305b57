#include "driver/container_state.h"

#include <cstdio>
#include <vector>

#include "driver/container_op.h"

int get_container_state(JOB& job, CONTAINER_STATE& state) {
  state = CONTAINER_ABSENT;
  const EngineDialect& dialect = job.engine->dialect();
  std::vector<std::string> lines;
  int exit_status = 0;
  int result =
      run_engine(job, dialect.state_query(job.job_container), lines, job.verbose() >= 2, exit_status);
  if (result != 0) {
    std::fputs("ps command failed\n", stderr);
    return result;
  }
  // A query the engine refused tells nothing: the container may well be there.
  if (exit_status != 0) {
    std::fputs("ps command failed\n", stderr);
    print_command_output("ps", lines);
    return -1;
  }
  return dialect.read_state(lines, job.job_container, state);
}

POLL_OUTCOME poll_container(JOB& job) {
  const EngineDialect& dialect = job.engine->dialect();
  std::vector<std::string> lines;
  int exit_status = 0;
  if (run_engine(job, dialect.poll_query(job.job_container), lines, job.verbose() >= 2, exit_status) != 0 ||
      exit_status != 0) {
    std::fputs("poll: ps command failed\n", stderr);
    if (exit_status > 0) print_command_output("ps", lines);
    return POLL_FAILED;
  }
  return dialect.read_poll(lines, job.job_container, job.container_exit_status);
}
