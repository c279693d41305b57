#include "driver/container_stats.h"

#include "driver/engine_json.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Prints a message that would otherwise repeat every ten seconds only once.
void say_once(JOB& job, const char* text) {
  if (job.said_once.insert(text).second) std::fputs(text, stderr);
}

// Reads CPU percent p, memory amount m and its unit character u, or gives
// -1 with the message of the failed step.
int read_wslc_stats(JOB& job, double& p, double& m, char& u) {
  std::vector<std::string> lines;
  if (job.engine->run_engine_command("stats --format json " + job.job_container, lines, job.verbose() >= 2) != 0) {
    say_once(job, "stats command failed\n");
    return -1;
  }
  if (lines.empty()) {
    say_once(job, "stats command returned nothing\n");
    return -1;
  }
  nlohmann::json document;
  if (!parse_json_line(lines[0], "stats: failed to parse %s: %s\n", document)) return -1;
  std::string text;
  if (!string_member(document, "CPUPerc", text)) {
    std::fprintf(stderr, "status: missing CPU in %s\n", lines[0].c_str());
  } else {
    std::sscanf(text.c_str(), "%lf", &p);
  }
  if (!string_member(document, "MemUsage", text)) {
    std::fprintf(stderr, "status: missing mem in %s\n", lines[0].c_str());
  } else if (std::sscanf(text.c_str(), "%lf%c", &m, &u) < 2) {
    u = '\0';
  }
  return 0;
}

int read_engine_stats(JOB& job, double& p, double& m, char& u) {
  std::vector<std::string> lines;
  std::string command = "stats --no-stream  --format \"{{.CPUPerc}} {{.MemUsage}}\" " + job.job_container;
  if (job.engine->run_engine_command(command, lines, job.verbose() >= 2) != 0) {
    say_once(job, "stats command failed\n");
    return -1;
  }
  if (lines.empty()) {
    say_once(job, "stats command returned nothing\n");
    return -1;
  }
  for (const auto& line : lines) {
    if (std::sscanf(line.c_str(), "%lf%% %lf%c", &p, &m, &u) == 3) return 0;
  }
  say_once(job, "stats command parse failed\n");
  return -1;
}

}  // namespace

int get_container_stats(JOB& job, CONTAINER_STATS& stats) {
  double p = 0, m = 0;
  char u = '\0';
  int result = job.engine->engine_type() == ENGINE_WSLC ? read_wslc_stats(job, p, m, u) : read_engine_stats(job, p, m, u);
  if (result != 0) return -1;
  switch (u) {
    case 'B': case 'b': break;
    case 'K': case 'k': m *= 1024; break;
    case 'M': case 'm': m *= 1048576; break;
    case 'G': case 'g': m *= 1073741824; break;
    default: return -1;
  }
  stats.cpus = p * 0.01;
  stats.wss = m;
  if (stats.wss == 0) {
    say_once(job, "stats command returned zero memory\n");
    return -1;
  }
  if (stats.cpus > job.init_data.ncpus) {
    say_once(job, "stats command returned excessive CPU usage\n");
    stats.cpus = job.init_data.ncpus;
  }
  return 0;
}
