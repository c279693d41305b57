#include "driver/progress.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "driver/container_stats.h"
#include "lib/text_util.h"
#include "platform/files.h"

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
