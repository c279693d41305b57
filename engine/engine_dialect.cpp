#include "engine/engine_dialect.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "engine/engine_json.h"
#include "lib/text_util.h"

CONTAINER_STATE state_from_text(const char* text) {
  if (find_nocase(text, "created") != nullptr) return CONTAINER_CREATED;
  if (find_nocase(text, "running") != nullptr) return CONTAINER_RUNNING;
  if (find_nocase(text, "paused") != nullptr) return CONTAINER_PAUSED;
  if (find_nocase(text, "exited") != nullptr) return CONTAINER_EXITED;
  return CONTAINER_OTHER;
}

EngineCommand EngineDialect::build(const BuildRequest& wanted) const {
  EngineCommand command{"build"};
  command.add_quoted(".").add_all(build_options());
  command.add("-t").add(wanted.image).add("-f").add(wanted.recipe_file).add_all(wanted.extra_args);
  return command.set_deadline(0);
}

CommandWord EngineDialect::mount_source(const std::string& below_slot) const {
  // The engine shell expands the slot directory, so the engine sees an
  // absolute source: older clients refuse a relative one.
  std::string rest = below_slot.empty() ? "/" : "/" + below_slot + "/";
  return CommandWord{{{WordPart::slot_dir, ""}, {WordPart::quoted, rest}}};
}

namespace {

// "SOURCE:TARGET" with the target shown in double quotes.
CommandWord bind_mount(CommandWord source, const std::string& target) {
  source.parts.push_back({WordPart::plain, ":"});
  source.parts.push_back({WordPart::quoted, target});
  return source;
}

}  // namespace

EngineCommand EngineDialect::create(const CreateRequest& wanted) const {
  EngineCommand command{"create", "--name", wanted.container, "-v"};
  command.add_word(bind_mount(mount_source(""), wanted.workdir));
  if (!wanted.project_target.empty()) {
    command.add("-v").add_word(bind_mount(mount_source(wanted.project_source), wanted.project_target));
  }
  if (!wanted.job_args.empty()) {
    // One environment variable: every argument after one blank.
    std::string value;
    for (const auto& argument : wanted.job_args) value += " " + argument;
    command.add("-e").add_word(CommandWord{{{WordPart::plain, "ARGS="}, {WordPart::quoted, value}}});
  }
  for (const auto& m : wanted.mounts) command.add("-v").add(m);
  for (const auto& p : wanted.portmaps) command.add("-p").add(p);
  if (wanted.cpus > 1.0) {
    char cpus[64];
    std::snprintf(cpus, sizeof cpus, "%f", wanted.cpus);
    command.add("--cpus").add(cpus);
  }
  if (wanted.gpus) command.add_all(gpu_options());
  if (wanted.host_port != 0 && wanted.guest_port != 0) {
    command.add("-p").add(std::to_string(wanted.host_port) + ":" + std::to_string(wanted.guest_port));
  }
  command.add_all(wanted.extra_args).add_all(create_options());
  return command.add(wanted.image);
}

namespace {

// The repository and the tag of an image name ("latest" when it has none).
void split_image_name(const std::string& image, std::string& repository, std::string& tag) {
  std::size_t colon = image.rfind(':');
  std::size_t slash = image.rfind('/');
  if (colon != std::string::npos && (slash == std::string::npos || colon > slash)) {
    repository = image.substr(0, colon);
    tag = image.substr(colon + 1);
  } else {
    repository = image;
    tag = "latest";
  }
}

// Whether a listed repository is the one asked for: the engine may show a
// short name with the registry it stands for.
bool same_repository(const std::string& listed, const std::string& wanted) {
  if (listed == wanted) return true;
  for (const char* registry : {"localhost/", "docker.io/library/", "docker.io/"}) {
    if (listed == registry + wanted) return true;
  }
  return false;
}

}  // namespace

bool EngineDialect::image_listed(const std::vector<std::string>& lines, const std::string& image) const {
  // A name by digest is not listed by it; it is looked for as it stands.
  if (image.find('@') != std::string::npos) {
    for (const auto& line : lines) {
      if (line.find(image + " ") != std::string::npos) return true;
    }
    return false;
  }
  std::string repository;
  std::string tag;
  split_image_name(image, repository, tag);
  // The first two columns of each line: repository and tag, exactly.
  for (const auto& line : lines) {
    std::istringstream columns(line);
    std::string listed_repository;
    std::string listed_tag;
    if (!(columns >> listed_repository >> listed_tag)) continue;
    if (listed_tag == tag && same_repository(listed_repository, repository)) return true;
  }
  return false;
}

bool EngineDialect::dangling_images_query(EngineCommand& command) const {
  command = EngineCommand{"images", "--all", "--quiet", "--filter", "dangling=true"};
  return true;
}

namespace {

// An engine's ID: hexadecimal digits, nothing else.
bool engine_id(const std::string& text) {
  return !text.empty() && text.size() <= 128 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string without_line_end(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

}  // namespace

std::vector<std::string> EngineDialect::read_ids(const std::vector<std::string>& lines) const {
  std::vector<std::string> ids;
  for (const auto& line : lines) {
    std::string id = without_line_end(line);
    if (engine_id(id)) ids.push_back(id);
  }
  return ids;
}

std::vector<std::string> EngineDialect::read_build_containers(const std::vector<std::string>& lines) const {
  // "ID|NAME|STATUS": a builder's working container is in "Storage", named
  // "...working-container".
  static const std::string kSuffix = "working-container";
  std::vector<std::string> ids;
  for (const auto& full_line : lines) {
    std::string line = without_line_end(full_line);
    std::size_t first = line.find('|');
    std::size_t last = line.rfind('|');
    if (first == std::string::npos || last == first) continue;
    std::string id = line.substr(0, first);
    std::string name = line.substr(first + 1, last - first - 1);
    bool builder = name.size() >= kSuffix.size() && name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
    if (engine_id(id) && builder && line.substr(last + 1) == "Storage") ids.push_back(id);
  }
  return ids;
}

bool memory_bytes(double amount, const std::string& unit, double& bytes) {
  static const struct {
    const char* unit;
    double scale;
  } units[] = {{"B", 1},          {"kB", 1e3},          {"KB", 1e3},          {"MB", 1e6},
               {"GB", 1e9},       {"TB", 1e12},         {"KiB", 1024.0},      {"MiB", 1048576.0},
               {"GiB", 1073741824.0}, {"TiB", 1099511627776.0}, {"K", 1024.0}, {"M", 1048576.0},
               {"G", 1073741824.0}, {"T", 1099511627776.0}, {"b", 1},        {"k", 1024.0},
               {"m", 1048576.0},  {"g", 1073741824.0}};
  for (const auto& u : units) {
    if (unit == u.unit) {
      bytes = amount * u.scale;
      return true;
    }
  }
  return false;
}

namespace {

// Reads a number and the letters of its unit at the start of text.
bool read_amount(const char* text, double& amount, std::string& unit) {
  char letters[16] = "";
  int read = std::sscanf(text, "%lf%15[A-Za-z]", &amount, letters);
  unit = letters;
  return read >= 1;
}

}  // namespace

EngineDialect::Answer EngineDialect::read_out_of_memory(const std::vector<std::string>& lines) const {
  if (lines.size() != 1) return Answer::unknown;
  std::string text = lines[0];
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (text == "true") return Answer::yes;
  if (text == "false") return Answer::no;
  return Answer::unknown;
}

int EngineDialect::read_host_cpus(const std::vector<std::string>& lines) const {
  for (const auto& line : lines) {
    char* end = nullptr;
    long cpus = std::strtol(line.c_str(), &end, 10);
    if (end != line.c_str() && cpus > 0 && cpus < 100000) return static_cast<int>(cpus);
  }
  return 0;
}

namespace {

bool any_line_holds(const std::vector<std::string>& lines, const std::vector<const char*>& texts) {
  for (const auto& line : lines) {
    for (const char* text : texts) {
      if (line.find(text) != std::string::npos) return true;
    }
  }
  return false;
}

}  // namespace

bool EngineDialect::says_unreachable(const std::vector<std::string>& lines) const {
  return any_line_holds(lines, unreachable_texts());
}

bool EngineDialect::says_refused(const std::vector<std::string>& lines) const {
  return any_line_holds(lines, {"Error"});
}

bool EngineDialect::says_network_lost(const std::vector<std::string>& lines) const {
  return any_line_holds(lines, {"unable to copy", "unreachable", "misbehaving"});
}

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

 public:

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

// The WSL containers tool: run directly, JSON replies.
class WslcDialect final : public EngineDialect {
 public:
  ENGINE_TYPE type() const override { return ENGINE_WSLC; }
  bool host_cpus_query(EngineCommand&) const override { return false; }
  bool dangling_images_query(EngineCommand&) const override { return false; }
  bool out_of_memory_query(const std::string&, EngineCommand&) const override { return false; }

  EngineCommand state_query(const std::string& container) const override {
    return EngineCommand{"ps", "--all", "--filter"}.add_quoted("name=" + container).add("--format").add("json");
  }
  EngineCommand poll_query(const std::string& container) const override { return state_query(container); }
  EngineCommand stats_query(const std::string& container) const override {
    return {"stats", "--format", "json", container};
  }

  int read_state(const std::vector<std::string>& lines, const std::string&, CONTAINER_STATE& state) const override {
    state = CONTAINER_ABSENT;
    if (lines.empty()) return 0;
    nlohmann::json document;
    if (!parse_json_line(lines[0], "failed to parse ps output %s: %s\n", document)) return -1;
    std::string state_text;
    if (!required_member(document, "State", lines[0], state_text)) return -1;
    state = state_from_text(state_text.c_str());
    return 0;
  }

  POLL_OUTCOME read_poll(const std::vector<std::string>& lines, const std::string&, int& exit_code) const override {
    if (lines.empty()) return POLL_FAILED;
    nlohmann::json document;
    if (!parse_json_line(lines[0], "poll: failed to parse ps output %s: %s\n", document)) return POLL_FAILED;
    std::string status;
    if (!required_member(document, "Status", lines[0], status)) return POLL_FAILED;
    int code = 0;
    if (std::sscanf(status.c_str(), "Exited (%d)", &code) == 1) {
      exit_code = code;
      return POLL_EXITED;
    }
    return POLL_RUNNING;
  }

  StatsReading read_stats(const std::vector<std::string>& lines, double& percent, double& bytes,
                          double&) const override {
    if (lines.empty()) return StatsReading::nothing;
    nlohmann::json document;
    if (!parse_json_line(lines[0], "stats: failed to parse %s: %s\n", document)) return StatsReading::bad_document;
    std::string text;
    if (!string_member(document, "CPUPerc", text)) {
      std::fprintf(stderr, "status: missing CPU in %s\n", lines[0].c_str());
    } else {
      std::sscanf(text.c_str(), "%lf", &percent);
    }
    if (!string_member(document, "MemUsage", text)) {
      std::fprintf(stderr, "status: missing mem in %s\n", lines[0].c_str());
      return StatsReading::no_unit;
    }
    double amount = 0;
    std::string unit;
    if (!read_amount(text.c_str(), amount, unit) || !memory_bytes(amount, unit, bytes)) return StatsReading::no_unit;
    return StatsReading::ok;
  }

 protected:
  std::vector<const char*> unreachable_texts() const override { return {"Cannot connect", "service is not running"}; }

 private:
  // The string member key of a "ps" line's document; without it, says so
  // ("No State in LINE") and gives false.
  static bool required_member(const nlohmann::json& document, const char* key, const std::string& line,
                              std::string& value) {
    if (string_member(document, key, value)) return true;
    std::fprintf(stderr, "No %s in %s\n", key, line.c_str());
    return false;
  }
};

}  // namespace

const EngineDialect& engine_dialect(int type) {
  static const DockerDialect docker;
  static const PodmanDialect podman;
  static const WslcDialect wslc;
  switch (type) {
    case ENGINE_PODMAN: return podman;
    case ENGINE_WSLC: return wslc;
    default: return docker;
  }
}
