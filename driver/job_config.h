// The job's configuration from job.toml: where the job directory is mounted,
// which image, GPU, ports, extra options and the driver's verbosity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The client sends only the log's tail; a job that prints without end must
// not fill the volunteer's disk.
inline constexpr std::int64_t kDefaultLogMaxBytes = 16 * 1024 * 1024;

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
  // The most of the container's log copied into the slot (its head and its
  // tail); 0 copies it whole.
  std::int64_t log_max_bytes = kDefaultLogMaxBytes;
};

// Reads the configuration file into config. Returns 0 when the
// configuration is usable (also when the default file is missing) and
// nonzero when a file named on the command line (named) is missing, the
// file can't be parsed, a value has the wrong type, or a value can't be
// handed to the engine; messages go to standard error and name the file,
// the line and the key ("job.toml:3: use_gpu: expected true or false, found
// the string \"yes\""). Unknown keys are named, with the keys they may have
// meant, and passed over. The verbosity keeps the command line's value
// unless the file sets it.
int parse_config(const std::string& file_name, JOB_CONFIG& config, bool named = false);

// Prints the configuration to standard error.
void print_config(const JOB_CONFIG& config);
