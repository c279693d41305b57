#include "driver/cleanup.h"

#include <cstdio>
#include <vector>

void cleanup_container(JOB& job) {
  bool show = job.verbose() >= 1;
  std::vector<std::string> lines;
  if (!job.engine_ready) {
    // Before the engine is set up there is nothing to reach.
    std::fputs("stderr from container:\nstderr end\n", stderr);
    return;
  }
  const EngineDialect& dialect = job.engine->dialect();
  job.engine->run_engine_command(dialect.logs(job.job_container), lines, show);
  std::fputs("stderr from container:\n", stderr);
  for (const auto& line : lines) std::fputs(line.c_str(), stderr);
  std::fputs("stderr end\n", stderr);
  job.engine->run_engine_command(dialect.container_rm(job.job_container), lines, show);
  // An image named in job.toml is not the job's own: it stays.
  if (job.config.image_name.empty()) job.engine->run_engine_command(dialect.image_rm(job.job_image), lines, show);
}
