#include "driver/job_config.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "driver/shell_words.h"
#include "lib/file_util.h"
#include "platform/files.h"
#include "toml/reader.h"

namespace {

// Copies the keys that are present; a key of the wrong type raises the
// value's type error.
void read_keys(const Value& root, JOB_CONFIG& config) {
  auto text = [&](const char* key, std::string& field) {
    if (const Value* v = root.lookup(key)) field = v->get_string();
  };
  auto list = [&](const char* key, std::vector<std::string>& field) {
    if (const Value* v = root.lookup(key)) {
      for (const Value& element : v->get_array()) field.push_back(element.get_string());
    }
  };
  text("workdir", config.workdir);
  text("project_dir_mount", config.project_dir_mount);
  text("image_name", config.image_name);
  if (const Value* v = root.lookup("use_gpu")) config.use_gpu = v->get_bool();
  if (const Value* v = root.lookup("web_graphics_guest_port")) config.web_graphics_guest_port = v->get_int();
  list("mount", config.mount);
  list("portmap", config.portmap);
  text("build_args", config.build_args);
  text("create_args", config.create_args);
  if (const Value* v = root.lookup("verbose")) config.verbose = v->get_int();
}

// The text with every NUL byte shown as \0, for messages.
std::string visible(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\0' ? std::string("\\0") : std::string(1, c);
  return out;
}

int refuse(const char* key, const std::string& text, const std::string& problem = "") {
  std::fprintf(stderr, "bad %s: %s\n", key, visible(text).c_str());
  if (!problem.empty()) std::fprintf(stderr, "   %s\n", problem.c_str());
  return 1;
}

// Every value reaches the engine as process arguments: none may hold a NUL
// byte, and the free-form options must split into plain words.
int check_values(JOB_CONFIG& config) {
  struct {
    const char* key;
    const std::string& text;
  } texts[] = {{"workdir", config.workdir}, {"project_dir_mount", config.project_dir_mount},
               {"image_name", config.image_name}};
  for (const auto& t : texts) {
    if (t.text.find('\0') != std::string::npos) return refuse(t.key, t.text, "NUL byte");
  }
  for (const auto& m : config.mount) {
    if (m.find('\0') != std::string::npos) return refuse("mount", m, "NUL byte");
  }
  for (const auto& p : config.portmap) {
    if (p.find('\0') != std::string::npos) return refuse("portmap", p, "NUL byte");
  }
  std::string problem;
  if (!split_option_words(config.build_args, config.build_arg_words, problem)) {
    return refuse("build_args", config.build_args, problem);
  }
  if (!split_option_words(config.create_args, config.create_arg_words, problem)) {
    return refuse("create_args", config.create_args, problem);
  }
  return 0;
}

}  // namespace

namespace {

// The job's configuration is read whole; a real one is a few hundred bytes.
constexpr std::size_t kConfigLimit = 1 << 20;

}  // namespace

int parse_config(const std::string& file_name, JOB_CONFIG& config) {
  config.workdir = "/app";
  config.use_gpu = false;
  std::string text;
  switch (platform::read_slot_file(file_name, kConfigLimit, text)) {
    case platform::SlotRead::ok:
      break;
    case platform::SlotRead::missing:
      std::fputs("no job.toml config file\n", stderr);
      return 0;
    case platform::SlotRead::not_regular:
      std::fprintf(stderr, "%s is not a regular file (a link, a FIFO or a device); it is not read\n",
                   file_name.c_str());
      return 1;
    case platform::SlotRead::too_large:
      std::fprintf(stderr, "%s is larger than 1 MiB, far above any job's configuration; it is not read\n",
                   file_name.c_str());
      return 1;
    case platform::SlotRead::failed:
      std::fprintf(stderr, "%s can't be read\n", file_name.c_str());
      return 1;
  }
  std::istringstream file(text);
  ParseOutcome outcome = parse_toml(file);
  if (!outcome.valid()) {
    std::fprintf(stderr, "TOML error: %s\n", outcome.error.c_str());
    return 1;
  }
  // A key of the wrong type makes the configuration as unusable as a
  // syntax error.
  try {
    read_keys(outcome.root, config);
  } catch (const std::runtime_error& error) {
    std::fprintf(stderr, "TOML error: %s\n", error.what());
    return 1;
  }
  return check_values(config);
}
void print_config(const JOB_CONFIG& config) {
  std::fputs("quayside config:\n", stderr);
  if (!config.workdir.empty()) std::fprintf(stderr, "   workdir: %s\n", config.workdir.c_str());
  if (!config.project_dir_mount.empty()) {
    std::fprintf(stderr, "   project dir mounted at: %s\n", config.project_dir_mount.c_str());
  }
  std::fprintf(stderr, "   use GPU: %s\n", config.use_gpu ? "yes" : "no");
  if (config.web_graphics_guest_port != 0) {
    std::fprintf(stderr, "   Web graphics guest port: %d\n", config.web_graphics_guest_port);
  }
  for (const auto& m : config.mount) std::fprintf(stderr, "   mount: %s\n", m.c_str());
  for (const auto& p : config.portmap) std::fprintf(stderr, "   portmap: %s\n", p.c_str());
  if (!config.build_args.empty()) std::fprintf(stderr, "   build args: %s\n", config.build_args.c_str());
  if (!config.create_args.empty()) std::fprintf(stderr, "   create args: %s\n", config.create_args.c_str());
  std::fprintf(stderr, "   verbose: %d\n", config.verbose);
}
