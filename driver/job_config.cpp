#include "driver/job_config.h"

#include <cstdio>

#include "lib/file_util.h"

int parse_config(const std::string& file_name, JOB_CONFIG& config) {
  config.workdir = "/app";
  config.use_gpu = false;
  std::FILE* file = open_file_retry(file_name, "r");
  if (file == nullptr) {
    std::fputs("no job.toml config file\n", stderr);
    return 0;
  }
  // Stand-in: the TOML reader is not built yet, so the keys keep their defaults.
  std::fclose(file);
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
