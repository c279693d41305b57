#include "driver/container_state.h"

#include <cstdio>
#include <vector>

int get_container_state(JOB& job, CONTAINER_STATE& state) {
  state = CONTAINER_ABSENT;
  const EngineDialect& dialect = job.engine->dialect();
  std::vector<std::string> lines;
  int result = job.engine->run_engine_command(dialect.state_query(job.job_container), lines, job.verbose() >= 2);
  if (result != 0) {
    std::fputs("ps command failed\n", stderr);
    return result;
  }
  return dialect.read_state(lines, job.job_container, state);
}

POLL_OUTCOME poll_container(JOB& job) {
  const EngineDialect& dialect = job.engine->dialect();
  std::vector<std::string> lines;
  if (job.engine->run_engine_command(dialect.poll_query(job.job_container), lines, job.verbose() >= 2) != 0) {
    std::fputs("poll: ps command failed\n", stderr);
    return POLL_FAILED;
  }
  return dialect.read_poll(lines, job.job_container, job.container_exit_status);
}
