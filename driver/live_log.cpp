#include "driver/live_log.h"

#include "platform/program_run.h"
#include "platform/streams.h"

void start_following_log(JOB& job) {
  if (!job.standalone || job.log_follower != nullptr || !platform::terminal_copy_active()) return;
  std::string program = platform::find_on_path(job.engine->dialect().program());
  if (program.empty()) return;
  job.log_follower =
      platform::PipedProcess::start(program, {job.engine->dialect().program(), "logs", "-f", job.job_container});
}

void show_followed_log(JOB& job) {
  if (job.log_follower == nullptr) return;
  char buffer[65536];
  // Bounded per call: a container that prints without pause must not keep
  // the client unanswered.
  for (int i = 0; i < 16 && job.log_follower->bytes_waiting() > 0; ++i) {
    long got = job.log_follower->read(buffer, sizeof buffer);
    if (got <= 0) break;
    platform::show_on_terminal(std::string_view(buffer, static_cast<std::size_t>(got)));
  }
}

void stop_following_log(JOB& job) {
  if (job.log_follower == nullptr) return;
  // What the engine still sends about an ended container comes within a
  // moment.
  job.log_follower->wait_readable(200);
  show_followed_log(job);
  job.log_follower->kill();
  job.log_follower.reset();
  job.log_followed = true;
}
