// Docker and Podman: their command-line clients print text in a format
// asked for, or the default table.
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "engine/dialects.h"
#include "engine/engine_json.h"
#include "lib/text_util.h"

namespace {

// Docker and Podman: text replies in a given format or the default table.
class TextReplyDialect : public EngineDialect {
 public:
  EngineCommand state_query(const std::string& container) const override {
    EngineCommand command{"ps", "--all", "--filter"};
    return command.add_quoted("name=^" + container + "$").add("--format").add_quoted("{{.Names}}|{{.Status}}");
  }

  // The name and the status alone: the default table's COMMAND column is
  // the image's, and may say anything ("Exited (0)" too).
  EngineCommand poll_query(const std::string& container) const override {
    EngineCommand command{"ps", "--all", "-f"};
    return command.add_quoted("name=^" + container + "$").add("--format").add_quoted("{{.Names}}|{{.Status}}");
  }

  EngineCommand stats_query(const std::string& container) const override {
    EngineCommand command{"stats", "--no-stream", "--format"};
    return command.add_quoted(cumulative_cpu() ? "{{.CPUPerc}} {{.MemUsage}} {{.CPUNano}}" : "{{.CPUPerc}} {{.MemUsage}}")
        .add(container);
  }

  int read_state(const std::vector<std::string>& lines, const std::string& container,
                 CONTAINER_STATE& state) const override {
    state = CONTAINER_ABSENT;
    for (const auto& full_line : lines) {
      std::string line = full_line.substr(0, 1023);
      std::string state_text;
      if (!own_status(line, container, state_text)) continue;
      std::fprintf(stderr, "container state: %s\n", state_text.c_str());
      state = state_from_text(state_text.c_str());
      // "Up 14 seconds" names no state: a container that is up and not
      // paused runs, and its work goes on.
      if (state == CONTAINER_OTHER && state_text.rfind("Up", 0) == 0) state = CONTAINER_RUNNING;
      return 0;
    }
    return 0;
  }

  POLL_OUTCOME read_poll(const std::vector<std::string>& lines, const std::string& container,
                         int& exit_code) const override {
    for (const auto& line : lines) {
      // Only our own container's line counts, not one whose name extends ours.
      std::string status;
      if (!own_status(line, container, status)) continue;
      static const std::string kExited = "Exited (";
      if (status.rfind(kExited, 0) != 0) return POLL_RUNNING;
      if (!read_exit_code(status, kExited.size(), exit_code)) {
        std::fprintf(stderr, "can't read exit code in: %s", line.c_str());
        return POLL_FAILED;
      }
      return POLL_EXITED;
    }
    std::fputs("Container name not found in ps output; quitting\n", stderr);
    return POLL_FAILED;
  }

  StatsReading read_stats(const std::vector<std::string>& lines, double& percent, double& bytes,
                          double& cpu_seconds) const override {
    if (lines.empty()) return StatsReading::nothing;
    for (const auto& line : lines) {
      int used = 0;
      double amount = 0;
      std::string unit;
      if (std::sscanf(line.c_str(), "%lf%% %n", &percent, &used) < 1 || used == 0) continue;
      if (!read_amount(line.c_str() + used, amount, unit)) continue;
      if (!memory_bytes(amount, unit, bytes)) return StatsReading::no_unit;
      // The CPU nanoseconds so far close the line when asked for.
      std::size_t end = line.find_last_not_of(" \r\n");
      std::size_t start = line.find_last_of(' ', end);
      std::string last = line.substr(start + 1, end - start);
      if (cumulative_cpu() && !last.empty() && last.find_first_not_of("0123456789") == std::string::npos) {
        cpu_seconds = std::strtod(last.c_str(), nullptr) / 1e9;
      }
      return StatsReading::ok;
    }
    return StatsReading::unreadable;
  }

 protected:
  // Whether "stats" can tell the container's CPU time so far.
  virtual bool cumulative_cpu() const { return false; }

 private:
  // Reads the number between "Exited (" and the next ')'. False when there
  // is no ')' or no number before it.
  static bool read_exit_code(const std::string& line, std::size_t after_marker, int& code) {
    std::size_t close = line.find(')', after_marker);
    if (close == std::string::npos) return false;
    std::string inside = line.substr(after_marker, close - after_marker);
    char* end = nullptr;
    long value = std::strtol(inside.c_str(), &end, 10);
    if (end == inside.c_str()) return false;
    code = static_cast<int>(value);
    return true;
  }

  // A "NAME|STATUS" line of exactly our container: its status, with the
  // line end as it came.
  static bool own_status(const std::string& line, const std::string& container, std::string& status) {
    if (line.size() <= container.size() || line.compare(0, container.size(), container) != 0 ||
        line[container.size()] != '|')
      return false;
    status = line.substr(container.size() + 1);
    return true;
  }
};

class DockerDialect final : public TextReplyDialect {
 public:
  ENGINE_TYPE type() const override { return ENGINE_DOCKER; }
  bool host_cpus_query(EngineCommand& command) const override {
    command = EngineCommand{"info", "--format"}.add_quoted("{{.NCPU}}");
    return true;
  }

 protected:
  std::vector<const char*> unreachable_texts() const override {
    return {"Cannot connect to the Docker daemon", "error during connect", "Is the docker daemon running"};
  }
};

class PodmanDialect final : public TextReplyDialect {
 public:
  ENGINE_TYPE type() const override { return ENGINE_PODMAN; }
  bool host_cpus_query(EngineCommand& command) const override {
    command = EngineCommand{"info", "--format"}.add_quoted("{{.Host.CPUs}}");
    return true;
  }

 protected:
  std::vector<const char*> unreachable_texts() const override {
    return {"Cannot connect to Podman", "unable to connect to Podman"};
  }
  // Podman's CPU percentage of a single "stats" is the average since the
  // container started; its CPU nanoseconds tell what ran since the last look.
  bool cumulative_cpu() const override { return true; }
  // A failed pull is not tried again behind the job's back.
  std::vector<std::string> build_options() const override { return {"--retry", "0"}; }
  // Logs kept in a file that "logs" can read after the container exited.
  std::vector<std::string> create_options() const override { return {"--log-driver=k8s-file"}; }
  // Podman has no --gpus: NVIDIA's GPUs come as the CDI device.
  std::vector<std::string> gpu_options() const override { return {"--device", "nvidia.com/gpu=all"}; }

 public:
  bool build_containers_query(EngineCommand& command) const override {
    command = EngineCommand{"ps", "--all", "--external", "--format"}.add_quoted("{{.ID}}|{{.Names}}|{{.Status}}");
    return true;
  }
};

}  // namespace

const EngineDialect& docker_dialect() {
  static const DockerDialect dialect;
  return dialect;
}

const EngineDialect& podman_dialect() {
  static const PodmanDialect dialect;
  return dialect;
}
