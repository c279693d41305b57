#include "engine/engine_dialect.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "engine/dialects.h"
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

bool read_amount(const char* text, double& amount, std::string& unit) {
  char letters[16] = "";
  int read = std::sscanf(text, "%lf%15[A-Za-z]", &amount, letters);
  unit = letters;
  return read >= 1;
}

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

bool EngineDialect::read_process(const std::vector<std::string>& lines, long& pid, std::string& id) {
  for (const auto& line : lines) {
    std::istringstream words(line);
    long number = 0;
    std::string word;
    if (!(words >> number >> word) || number <= 0) continue;
    if (word.size() < 12 || word.find_first_not_of("0123456789abcdef") != std::string::npos) continue;
    pid = number;
    id = word;
    return true;
  }
  return false;
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

const EngineDialect& engine_dialect(int type) {
  switch (type) {
    case ENGINE_PODMAN: return podman_dialect();
    case ENGINE_WSLC: return wslc_dialect();
    default: return docker_dialect();
  }
}
