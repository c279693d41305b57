// The job's configuration from job.toml: where the job directory is mounted,
// which image, GPU, ports, extra options and the driver's verbosity.
#pragma once

#include <string>
#include <vector>

struct JOB_CONFIG {
  std::string workdir = "/app";
  std::string project_dir_mount;
  std::string image_name;
  bool use_gpu = false;
  int web_graphics_guest_port = 0;
  std::vector<std::string> mount;
  std::vector<std::string> portmap;
  std::string build_args;
  std::string create_args;
  std::vector<std::string> build_arg_words;   // build_args split into words
  std::vector<std::string> create_arg_words;  // create_args split into words
  int verbose = 1;  // 0 quiet, 1 normal, 2 detailed
};

// Reads the configuration file into config. Returns 0 when the
// configuration is usable (also when the file is missing) and nonzero when
// the file can't be parsed or a value can't be handed to the engine ("bad
// create_args: %s", "bad workdir: %s", ...); messages go to standard error.
// The verbosity keeps the command line's value unless the file sets it.
int parse_config(const std::string& file_name, JOB_CONFIG& config);

// Prints the configuration to standard error.
void print_config(const JOB_CONFIG& config);
