#include "driver/client_control.h"

#include <algorithm>
#include <cstdio>

#include "driver/build_lock.h"
#include "driver/cleanup.h"
#include "driver/container_stats.h"
#include "driver/engine_call.h"
#include "driver/image.h"
#include "lib/text_util.h"
#include "platform/files.h"

void check_exit_request(JOB& job) {
  CLIENT_STATUS status = job.runtime->client_status();
  if (!ends_job(status)) return;
  std::fputs("client exit request during init\n", stderr);
  // The commands from here on carry out the request: none is given up.
  job.engine->set_requests(nullptr);
  // A quit or a lost client keeps whatever exists for the next run (of a
  // build stopped midway, the layers the next build reuses); an abort
  // leaves nothing of the job behind, not even the beginning of an image.
  bool abort = status.abort_asked && !status.client_lost && !status.quit_asked;
  if (job.building) remove_build_leftovers(job, abort);
  if (abort && job.engine_ready) {
    container_op(job, "kill");
    cleanup_container(job);
  }
  release_build_lock(job);
  job.runtime->exit(0);
}

int poll_client_msgs(JOB& job) {
  CLIENT_STATUS status = job.runtime->client_status();
  if (ends_job(status)) {
    // The commands from here on carry out the request: none is given up.
    job.engine->set_requests(nullptr);
  }
  if (status.client_lost || status.quit_asked) {
    std::fputs(status.client_lost ? "no heartbeat from client - pausing and exiting\n"
                                  : "got quit request from client - pausing container\n",
               stderr);
    // A container that ended just before has done its work: it finishes
    // now rather than run again at the next start.
    if (!container_op(job, "pause").ok()) end_if_exited(job);
    job.runtime->exit(0);
  }
  if (status.abort_asked) {
    std::fputs("got abort request from client\n", stderr);
    container_op(job, "kill");
    cleanup_container(job);
    job.runtime->exit(0);
  }
  // A pause or unpause that fails is tried again at the next turn, so that
  // a suspend that comes while the engine stalls is applied once it answers
  // (unless a resume came first); a container that has exited meanwhile
  // ends the job as any exit does.
  // Said when it changes, not at every look.
  if (job.verbose() == 2 && job.suspended_said != (status.is_suspended ? 1 : 0)) {
    std::fputs(status.is_suspended ? "client: suspended\n" : "client: not suspended\n", stderr);
  }
  job.suspended_said = status.is_suspended ? 1 : 0;
  if (status.is_suspended) {
    if (!job.container_running) return 0;
    if (container_op(job, "pause").ok()) {
      job.container_running = false;
    } else {
      end_if_exited(job);
    }
    return 0;
  }
  if (job.container_running) return 0;
  if (container_op(job, "unpause").ok()) {
    job.container_running = true;
  } else {
    end_if_exited(job);
  }
  return 0;
}
