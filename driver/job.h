// The job driver's process-wide state: what the command line, job.toml and
// the init data said, the job's names, and how far the container has come.
// Main thread only.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "driver/job_config.h"
#include "driver/job_runtime.h"
#include "engine/cgroup_counters.h"
#include "engine/engine_runner.h"
#include "lib/clock.h"
#include "lib/init_data.h"
#include "platform/build_mutex.h"
#include "platform/piped_process.h"

struct JOB {
  // From the command line.
  std::string config_file = "job.toml";
  bool config_file_named = false;  // given with --config: it must exist
  std::string recipe_file = "Dockerfile";
  std::vector<std::string> job_args;
  bool sporadic = false;

  JOB_CONFIG config;     // holds the verbosity
  INIT_DATA init_data;   // the driver's own copy
  bool standalone = false;

  std::string project_name;
  std::string job_image;       // at most 511 characters
  std::string job_container;   // at most 511 characters

  double cpu_time = 0;
  double running_seconds = 0;  // the container's unpaused time since the last report
  double last_wss = 0;         // the memory in use at the last report
  double last_cpus = -1;       // the CPU rate the engine showed at the last report, if it did
  double last_cpu_seconds = -1;  // the engine's count of the container's CPU time then, if it keeps one
  std::set<std::string> said_once;  // messages printed once only
  bool engine_ready = false;        // the engine connection is set up
  bool building = false;            // an image build is under way
  std::vector<std::string> dangling_before_build;  // untagged images when the build began
  double engine_failing_since = -1;  // when the engine's queries began to fail; -1: they answer
  double engine_failure_told = 0;    // seconds of it already told in the log
  int suspended_said = -1;
  // A standalone run at a terminal: the engine's "logs -f", and whether the
  // terminal has seen the container's output that way.
  std::shared_ptr<platform::PipedProcess> log_follower;
  bool log_followed = false;           // the client's suspension as last logged; -1: not yet
  bool container_absent = false;     // the engine said there is no container, and none was made since
  bool engine_outage_seen = false;   // an engine command failed since the container started
  // The container's cgroup while it runs (version 0: watched through the
  // engine's queries), its last reading and when it was taken.
  CgroupPlace counters;
  CgroupReading counter_reading;
  double counter_reading_time = -1;
  bool counter_reading_fresh = false;   // taken by this cycle's watch, not yet reported
  double counter_cpus = 0;              // the CPUs in use between the last two readings
  bool container_started = false;      // this run started the container: its counts began at 0
  bool container_running = false;
  int container_exit_status = 0;

  // The services the driver works through; set before the job starts.
  EngineRunner* engine = nullptr;
  JobRuntime* runtime = nullptr;
  Clock* clock = nullptr;

  // The machine-wide lock of builds and image removals, opened when first
  // needed.
  std::shared_ptr<platform::MachineMutex> build_lock;
  bool build_lock_held = false;

  int verbose() const { return config.verbose; }
};
