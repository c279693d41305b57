// The command line of corvo-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct SimOptions {
  std::string job_dir;
  std::vector<std::string> job_args;  // after "--"
  std::string slot;                   // empty: a new temporary directory
  double ncpus = 1;
  double wu_cpu_time = 0;
  double fraction_done_start = 0;
  double fraction_done_end = 1;
  bool client_pid = false;
  std::string engine = "podman";
  bool wslc = false;
  std::string quayside;  // empty: the one built beside corvo-sim
  std::string project_dir = "/var/lib/corvo/projects/sim.example.org";
  std::string wu_name;  // empty: from the job directory's name
  bool heartbeat = true;
  bool network_suspended = false;
  std::vector<std::pair<double, std::string>> control_at;  // seconds, message
  std::string control_file;  // each line added to it is sent as a request
  bool json = false;
  bool show_log = false;
  double timeout = 0;  // 0: none
};

extern const char kSimUsage[];

// The client's message for a request as a control file names it: the words
// "suspend", "resume", "quit" and "abort", or their messages ("<quit/>"),
// blanks around them allowed. Empty for anything else.
std::string request_message(const std::string& line);

// Reads the arguments after the program name. Returns the options, or no
// value after printing what is wrong.
std::optional<SimOptions> read_sim_options(const std::vector<std::string>& arguments);
