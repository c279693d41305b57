#include "driver/cleanup.h"

#include <cstdio>
#include <vector>

#include "driver/bounded_output.h"
#include "driver/build_lock.h"
#include "driver/client_control.h"
#include "driver/container_state.h"
#include "driver/engine_call.h"
#include "driver/image.h"
#include "driver/live_log.h"
#include "lib/result_codes.h"
#include "platform/streams.h"

namespace {

// Seconds before the client starts a job again whose container its engine
// killed.
constexpr int kRestartDelay = 60;

// Whether the engine, rather than the job, ended the container. After a
// failed poll any signal counts. An engine that restarted between two polls
// leaves no trace of its own: a container stopped as an engine stops one
// (SIGTERM, or SIGKILL after it) that did not run out of memory counts too.
bool ended_by_engine(JOB& job, bool& outage) {
  int status = job.container_exit_status;
  outage = job.engine_outage_seen;
  if (status < kKilledStatus) return false;
  if (outage) return true;
  if (status != kKilledStatus + 9 && status != kKilledStatus + 15) return false;
  const EngineDialect& dialect = job.engine->dialect();
  EngineCommand query;
  if (!dialect.out_of_memory_query(job.job_container, query)) return false;
  EngineReply reply = call_engine(job, query, job.verbose() >= 2);
  // Given up for a client's request: the request is carried out, and a quit
  // leaves the exited container for the next run to judge.
  if (reply.outcome == EngineReply::Outcome::given_up) check_exit_request(job);
  if (reply.result != 0 || reply.exit_status != 0) return false;
  return dialect.read_out_of_memory(reply.lines) == EngineDialect::Answer::no;
}

}  // namespace

void cleanup_container(JOB& job) {
  bool show = job.verbose() >= 1;
  std::vector<std::string> lines;
  if (!job.engine_ready) {
    // Before the engine is set up there is nothing to reach.
    std::fputs("stderr from container:\nstderr end\n", stderr);
    return;
  }
  const EngineDialect& dialect = job.engine->dialect();
  // The log is copied as it arrives, never held whole: up to half the
  // job's limit from its head, then only its tail is kept (what the client
  // sends on), shown at the end after a line saying how much was left out.
  std::int64_t limit = job.config.log_max_bytes;
  std::size_t half = limit > 0 ? static_cast<std::size_t>(limit / 2) : 0;
  BoundedOutput log(half, limit > 0 ? static_cast<std::size_t>(limit) - half : 0, true, false,
                    "of the container's log left out here (log_max_bytes in job.toml)");
  // A terminal that followed the output as it came is not shown it again.
  stop_following_log(job);
  bool started = false;
  auto copy = [&](std::string_view bytes) {
    if (!started) std::fputs("stderr from container:\n", stderr);
    if (!started && job.log_followed) {
      platform::hold_terminal_copy(true);
      platform::show_on_terminal("   (on this terminal: above, as it came)\n");
    }
    started = true;
    if (limit > 0) {
      log.take(bytes);
    } else {
      std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    }
  };
  int exit_status = 0;
  // A container that was never made has no log: the engine's "no such
  // container" is not the job's output.
  if (!job.container_absent) {
    job.engine->stream_engine_command(dialect.logs(job.job_container), copy, show, exit_status);
  }
  if (!started) std::fputs("stderr from container:\n", stderr);
  log.finish();
  if (job.log_followed) platform::hold_terminal_copy(false);
  std::fputs("stderr end\n", stderr);
  job.engine->run_engine_command(dialect.container_rm(job.job_container), lines, show);
  remove_job_image(job);
}

void remove_job_image(JOB& job) {
  // An image named in job.toml is not the job's own: it stays.
  if (!job.config.image_name.empty()) return;
  with_build_lock(job, [&] {
    std::vector<std::string> lines;
    job.engine->run_engine_command(job.engine->dialect().image_rm(job.job_image), lines, job.verbose() >= 1);
  });
}

void end_exited_container(JOB& job) {
  bool outage = false;
  if (ended_by_engine(job, outage)) {
    if (outage) {
      std::fprintf(stderr, "container was killed (status %d) while the engine was away; it starts again\n",
                   job.container_exit_status);
    } else {
      std::fprintf(stderr, "container was stopped from outside (status %d), not for lack of memory; "
                           "it starts again\n", job.container_exit_status);
    }
    job.runtime->temporary_exit(kRestartDelay, "The container engine restarted and ended the job's container; "
                                               "the job starts it again.");
  }
  finish_job(job, job.container_exit_status);
}

void end_if_exited(JOB& job) {
  if (poll_container(job) != POLL_EXITED) return;
  std::fputs("container has exited\n", stderr);
  end_exited_container(job);
}

void finish_job(JOB& job, int status) {
  // The job's end is what the client hears of: a request that comes now
  // gives none of its clean-up up.
  if (job.engine_ready) job.engine->set_requests(nullptr);
  cleanup_container(job);
  job.runtime->finish(status);
}
