// Feeds arbitrary engine output to every reply reader of every engine: the
// state, poll and stats readers (JSON lines and text lines), the image
// listing, the host's CPU count, the unreachable-engine test, the ID lists
// of a build's leftovers, the container's process, its cgroup's place and
// counters, and Docker's service-socket reply. No crash, no
// sanitizer report, no exception escaping a reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/cgroup_counters.h"
#include "engine/docker_api.h"
#include "engine/engine_dialect.h"
#include "lib/text_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = split_lines(text, '\n', true);
  for (int type : {1, 2, 3}) {
    const EngineDialect& dialect = engine_dialect(type);
    CONTAINER_STATE state = CONTAINER_ABSENT;
    dialect.read_state(lines, "corvo__p__r_0", state);
    int exit_code = 0;
    dialect.read_poll(lines, "corvo__p__r_0", exit_code);
    double percent = 0, bytes = 0, cpu_seconds = -1;
    dialect.read_stats(lines, percent, bytes, cpu_seconds);
    dialect.image_listed(lines, "corvo__p__w");
    dialect.read_host_cpus(lines);
    dialect.says_unreachable(lines);
    dialect.read_ids(lines);
    dialect.read_build_containers(lines);
  }
  long pid = 0;
  std::string id;
  EngineDialect::read_process(lines, pid, id);
  // The lines as /proc/PID/cgroup, then as every counter file of the place
  // found (or of both versions' places).
  CgroupPlace place;
  std::string why;
  find_cgroup(lines, "0123456789ab", place, why);
  std::vector<std::string> plain = split_lines(text, '\n', false);
  for (const CgroupPlace& where : {place, CgroupPlace{1, "/c", "/m", "/f"}, CgroupPlace{2, "/g", "", ""}}) {
    if (where.version == 0) continue;
    std::vector<FileLines> files(counter_files(where).size(), FileLines{true, plain});
    CgroupReading reading;
    read_counters(where, files, reading);
  }
  // The same bytes as a reply of Docker's service socket.
  double seconds = 0;
  read_docker_cpu_seconds(text, seconds);
  return 0;
}
