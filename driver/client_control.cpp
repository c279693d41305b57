#include "driver/client_control.h"

#include <algorithm>
#include <cstdio>

#include "driver/build_lock.h"
#include "driver/cleanup.h"
#include "driver/container_op.h"
#include "driver/container_stats.h"
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
    if (container_op(job, "pause") != 0) end_if_exited(job);
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
    if (container_op(job, "pause") == 0) {
      job.container_running = false;
    } else {
      end_if_exited(job);
    }
    return 0;
  }
  if (job.container_running) return 0;
  if (container_op(job, "unpause") == 0) {
    job.container_running = true;
  } else {
    end_if_exited(job);
  }
  return 0;
}

void report_progress(JOB& job) {
  CONTAINER_STATS stats;
  int result = get_container_stats(job, stats);
  if (result == kContainerGone) {
    // Nothing ran since the container exited: nothing to credit.
    stats.cpus = 0;
    stats.wss = job.last_wss;
  } else if (result != 0) {
    // Without figures the job is taken to use all its CPUs and 100 MB.
    stats.cpus = job.init_data.ncpus;
    stats.wss = 1e8;
  }
  // The CPU share is credited for the time the container really ran since
  // the last report, however long the queries took; where the engine counts
  // the container's CPU time itself, what its count grew by.
  // A rate seen at both ends of the stretch counts half each: a job that
  // stopped or started working during it is credited half of it.
  double rate = job.last_cpus >= 0 && result == 0 ? (job.last_cpus + stats.cpus) / 2 : stats.cpus;
  double credit = rate * job.running_seconds;
  job.last_cpus = result == 0 ? stats.cpus : -1;
  if (result == 0 && stats.cpu_seconds >= 0) {
    if (job.last_cpu_seconds >= 0) {
      // A count that went back belongs to a container started afresh.
      credit = stats.cpu_seconds >= job.last_cpu_seconds ? stats.cpu_seconds - job.last_cpu_seconds
                                                         : stats.cpu_seconds;
    }
    job.last_cpu_seconds = stats.cpu_seconds;
  } else {
    // This stretch was credited by rate: a later count must not cover it again.
    job.last_cpu_seconds = -1;
  }
  job.cpu_time += credit;
  job.running_seconds = 0;
  job.last_wss = stats.wss;
  if (job.verbose() == 2) std::fprintf(stderr, "reporting CPU %f WSS %f\n", job.cpu_time, stats.wss);
  job.runtime->send_progress_ext(job.cpu_time, read_fraction_done(), stats.wss);
}

double read_fraction_done() {
  // The container writes this file: it may be anything, of any size.
  std::string text;
  if (!platform::read_regular_file_start("fraction_done", 64, text)) return 0;
  // The client takes a finite fraction from 0 to 1, written as a decimal.
  double value = 0;
  if (!read_plain_decimal(text.c_str(), value)) return 0;
  return std::clamp(value, 0.0, 1.0);
}
