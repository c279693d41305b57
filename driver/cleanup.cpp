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
  // The log is copied as it arrives, byte for byte, whatever its size: it
  // is never held whole.
  bool started = false;
  auto copy = [&](std::string_view bytes) {
    if (!started) std::fputs("stderr from container:\n", stderr);
    started = true;
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  };
  int exit_status = 0;
  job.engine->stream_engine_command(dialect.logs(job.job_container), copy, show, exit_status);
  if (!started) std::fputs("stderr from container:\n", stderr);
  std::fputs("stderr end\n", stderr);
  job.engine->run_engine_command(dialect.container_rm(job.job_container), lines, show);
  // An image named in job.toml is not the job's own: it stays.
  if (job.config.image_name.empty()) job.engine->run_engine_command(dialect.image_rm(job.job_image), lines, show);
}
