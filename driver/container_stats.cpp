#include "driver/container_stats.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/container_counters.h"
#include "driver/engine_call.h"

namespace {

// Prints a message that would otherwise repeat every ten seconds only once.
void say_once(JOB& job, const char* text) {
  if (job.said_once.insert(text).second) std::fputs(text, stderr);
}

}  // namespace

int get_container_stats(JOB& job, CONTAINER_STATS& stats) {
  // The counters read by this cycle's watch, where they serve.
  if (take_counter_figures(job, stats.cpus, stats.wss, stats.cpu_seconds)) {
    stats.cpus = std::min(stats.cpus, static_cast<double>(job.init_data.ncpus));
    return 0;
  }
  const EngineDialect& dialect = job.engine->dialect();
  // A count kept outside the replies is read first: at the moment the
  // caller measured the running time, however long the query then takes.
  double counted = -1;
  if (!job.engine->read_cpu_counter(job.job_container, counted)) counted = -1;
  EngineReply reply = call_engine(job, dialect.stats_query(job.job_container), job.verbose() >= 2);
  const std::vector<std::string>& lines = reply.lines;
  if (reply.result != 0 || reply.exit_status != 0) {
    say_once(job, "stats command failed\n");
    return -1;
  }
  double p = 0, m = 0;
  switch (dialect.read_stats(lines, p, m, stats.cpu_seconds)) {
    case StatsReading::ok: break;
    case StatsReading::no_unit: return -1;
    case StatsReading::nothing: say_once(job, "stats command returned nothing\n"); return -1;
    case StatsReading::unreadable: say_once(job, "stats command parse failed\n"); return -1;
    case StatsReading::bad_document: return -1;
  }
  stats.cpus = p * 0.01;
  stats.wss = m;
  if (stats.wss == 0) {
    say_once(job, "stats command returned zero memory\n");
    return kContainerGone;
  }
  if (stats.cpu_seconds < 0) stats.cpu_seconds = counted;
  if (stats.cpus > job.init_data.ncpus) {
    say_once(job, "stats command returned excessive CPU usage\n");
    stats.cpus = job.init_data.ncpus;
  }
  return 0;
}
