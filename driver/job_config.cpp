#include "driver/job_config.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

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

}  // namespace

int parse_config(const std::string& file_name, JOB_CONFIG& config) {
  config.workdir = "/app";
  config.use_gpu = false;
  std::ifstream file(file_name, std::ios::binary);
  if (!file.is_open()) {
    std::fputs("no job.toml config file\n", stderr);
    return 0;
  }
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
  return 0;
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
