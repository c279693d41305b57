#include "driver/container_counters.h"

#include <cstdio>
#include <string>
#include <vector>

#include "driver/container_state.h"
#include "driver/engine_call.h"

namespace {

// Reads the counters into the job. False when they can't be read.
bool read_job_counters(JOB& job, bool& channel_failed) {
  std::vector<FileLines> files;
  channel_failed = !job.engine->read_engine_files(counter_files(job.counters), files);
  CgroupReading reading;
  if (channel_failed || !read_counters(job.counters, files, reading)) return false;
  double now = job.clock->now();
  if (job.counter_reading_time >= 0 && now > job.counter_reading_time) {
    double grown = reading.cpu_seconds - job.counter_reading.cpu_seconds;
    job.counter_cpus = grown >= 0 ? grown / (now - job.counter_reading_time) : 0;
  }
  job.counter_reading = reading;
  job.counter_reading_time = now;
  job.counter_reading_fresh = true;
  return true;
}

// Why the counters can't serve, or empty with job.counters set.
std::string find_counters(JOB& job) {
  const EngineDialect& dialect = job.engine->dialect();
  EngineCommand query;
  if (!dialect.process_query(job.job_container, query)) return "the engine's tool does not tell the container's process";
  EngineReply reply = call_engine(job, query, job.verbose() >= 2);
  long pid = 0;
  std::string id;
  if (!reply.ok() || !EngineDialect::read_process(reply.lines, pid, id)) {
    return "the engine did not tell the container's process";
  }
  std::string proc_file = "/proc/" + std::to_string(pid) + "/cgroup";
  std::vector<FileLines> files;
  if (!job.engine->read_engine_files({proc_file}, files)) return "the engine's side can't be read without a program";
  if (!files[0].found) return proc_file + " can't be read";
  std::string why;
  if (!find_cgroup(files[0].lines, id, job.counters, why)) return why;
  bool channel_failed = false;
  if (!read_job_counters(job, channel_failed) || !job.counter_reading.populated) {
    std::string where = job.counters.cpu_dir;
    job.counters = CgroupPlace{};
    return "the counters in " + where + " can't be read";
  }
  return "";
}

}  // namespace

void locate_counters(JOB& job) {
  job.counters = CgroupPlace{};
  job.counter_reading_time = -1;
  job.counter_reading_fresh = false;
  std::string why = find_counters(job);
  if (why.empty()) {
    // The first report credits what the count grew by since the start, when
    // this run started the container; else since now (what ran before was
    // the last run's to report).
    job.last_cpu_seconds = job.container_started ? 0 : job.counter_reading.cpu_seconds;
    std::fprintf(stderr, "container counters: cgroup v%d at %s; no engine program runs while the container does\n",
                 job.counters.version, job.counters.cpu_dir.c_str());
  } else {
    std::fprintf(stderr, "container counters: the engine's ps and stats (%s)\n", why.c_str());
  }
}

POLL_OUTCOME watch_container(JOB& job, bool* unreachable) {
  bool channel_failed = false;
  bool read = job.counters.version != 0 && read_job_counters(job, channel_failed);
  if (read && job.counter_reading.populated) {
    if (unreachable != nullptr) *unreachable = false;
    return POLL_RUNNING;
  }
  // An empty or vanished group: the container has ended, and the engine
  // tells how. A reading that failed for a lost channel is asked again.
  job.counter_reading_fresh = false;
  POLL_OUTCOME outcome = poll_container(job, unreachable);
  if (outcome == POLL_RUNNING && job.counters.version != 0 && !channel_failed) {
    std::fprintf(stderr, "container counters: %s no longer tell a running container; the engine's ps and stats from now on\n",
                 job.counters.cpu_dir.c_str());
    job.counters = CgroupPlace{};
  }
  return outcome;
}

bool take_counter_figures(JOB& job, double& cpus, double& wss, double& cpu_seconds) {
  if (job.counters.version == 0 || !job.counter_reading_fresh) return false;
  job.counter_reading_fresh = false;
  cpus = job.counter_cpus;
  wss = job.counter_reading.working_set;
  cpu_seconds = job.counter_reading.cpu_seconds;
  return true;
}
