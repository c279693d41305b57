#include "driver/job_lifecycle.h"

#include <algorithm>
#include <cstdio>

#include "driver/cleanup.h"
#include "driver/client_control.h"
#include "driver/command_line.h"
#include "driver/container_counters.h"
#include "driver/container_create.h"
#include "driver/container_state.h"
#include "driver/engine_call.h"
#include "driver/engine_faults.h"
#include "driver/engine_policy.h"
#include "driver/image.h"
#include "driver/job_names.h"
#include "driver/live_log.h"
#include "driver/progress.h"
#include "driver/shell_words.h"
#include "engine/docker_conn.h"
#include "engine/wsl_init.h"
#include "lib/file_util.h"
#include "lib/version.h"
#include "platform/files.h"
#include "platform/interrupts.h"
#include "platform/process.h"
#include "runtime/corvo_api.h"

namespace {

// A failure the job can't do without ends it with status 1, unless the
// client asked for its end meanwhile: a request is never a failure.
[[noreturn]] void fail_job(JOB& job) {
  check_exit_request(job);
  finish_job(job, 1);
}

// A paused container is unpaused; failing that it is killed and started
// afresh. Returns whether it still needs a start.
bool recover_paused(JOB& job) {
  if (container_op(job, "unpause").ok()) return false;
  std::fputs("unpause failed; killing\n", stderr);
  if (container_op(job, "kill").ok()) return true;
  std::fputs("kill also failed - quitting\n", stderr);
  fail_job(job);
}

}  // namespace

void prepare_job(JOB& job) {
  if (parse_config(job.config_file, job.config, job.config_file_named) != 0) {
    std::fputs("can't parse config file\n", stderr);
    job.runtime->exit(1);
  }
  job.standalone = job.runtime->standalone();
  if (job.standalone) {
    job.config.verbose = 1;
    // Named after the directory, so that two standalone jobs never take
    // each other's container for their own.
    job.job_image = job.job_container = standalone_name(platform::current_directory());
    job.project_name = "project";
    // The start-up read init_data.xml already, or said that there is none.
    job.runtime->copy_init_data(job.init_data);
    job.init_data.ncpus = 1.0;
    job.init_data.wu_cpu_time = 0.0;
  } else {
    job.runtime->copy_init_data(job.init_data);
    // The project's directory is mounted by this name: one that names no
    // directory of its own would hand the container every project, or the
    // client's whole data directory.
    if (!project_name_of(job.init_data.project_dir, job.project_name)) {
      std::fprintf(stderr, "project_dir in init_data.xml names no project directory: \"%s\"\n",
                   job.init_data.project_dir);
      job.runtime->finish(1);
    }
    name_job(job);
    job.cpu_time = job.init_data.wu_cpu_time;
  }
  // Alone, with nothing to build the image from, nothing can happen.
  if (job.standalone && job.config.image_name.empty() && !path_exists(job.recipe_file)) {
    std::fprintf(stderr, "no %s in this directory and no image_name in job.toml\n", job.recipe_file.c_str());
    job.runtime->exit(1);
  }
  // The image name goes onto the engine's command line as it stands.
  if (has_shell_characters(job.config.image_name)) {
    std::fprintf(stderr, "bad image_name: %s\n", job.config.image_name.c_str());
    job.runtime->exit(1);
  }
  // What the job asks of the engine stays within what the volunteer allows.
  const std::string client_dir = job.standalone ? "" : job.init_data.corvo_dir;
  ENGINE_POLICY policy;
  read_engine_policy(client_dir, policy);
  std::string refused = engine_policy_refusal(job.config, policy, client_dir, platform::current_directory());
  if (!refused.empty()) {
    std::fprintf(stderr, "%s\n", refused.c_str());
    job.runtime->finish(1);
  }
  if (job.verbose() != 0) print_config(job.config);
  if (job.sporadic) {
    int result = job.runtime->open_sporadic_files(".");
    if (result != 0) {
      std::fputs("can't create sporadic files\n", stderr);
      finish_job(job, result);
    }
  }
}

void start_container(JOB& job) {
  CONTAINER_STATE state = CONTAINER_ABSENT;
  // An engine that fails for a while is waited for; the client is heard
  // meanwhile.
  double first_failure = job.clock->now();
  EngineStep step;
  bool failure_said = false;
  while (!(step = get_container_state(job, state)).ok()) {
    if (!failure_said) std::fprintf(stderr, "get_container_state() failed: %d\n", step.code);
    failure_said = true;
    check_exit_request(job);
    if (job.clock->now() - first_failure >= kEngineRetrySeconds) {
      if (step.unreachable) wait_for_engine(job, "container state query");
      std::fprintf(stderr, "the engine did not tell the container's state for %.0f s; the job ends\n",
                   job.clock->now() - first_failure);
      job.runtime->finish(1);
    }
    job.runtime->wait_for_request(kEngineRetryPause);
  }
  engine_answered();
  bool needs_start = true;
  switch (state) {
    case CONTAINER_ABSENT:
      job.container_absent = true;
      if (job.verbose() != 0) std::fprintf(stderr, "creating container %s\n", job.job_container.c_str());
      step = create_container(job);
      if (!step.ok()) {
        check_exit_request(job);
        std::fprintf(stderr, "the container could not be created (error %d); the engine's output is above\n",
                     step.code);
        if (step.unreachable) wait_for_engine(job, "container creation");
        fail_job(job);
      }
      break;
    case CONTAINER_CREATED:
      std::fputs("container is created\n", stderr);
      break;
    case CONTAINER_RUNNING:
      std::fputs("container is already running\n", stderr);
      needs_start = false;
      break;
    case CONTAINER_PAUSED:
      std::fputs("container is paused; unpausing\n", stderr);
      needs_start = recover_paused(job);
      break;
    case CONTAINER_EXITED:
      // One that ended by itself has done its work, which is never run
      // again; one that was killed (by the host, the engine or quayside, as
      // at a reboot) starts again.
      if (poll_container(job) == POLL_EXITED && job.container_exit_status >= 0 &&
          job.container_exit_status < kKilledStatus) {
        std::fprintf(stderr, "container has exited with status %d; finishing\n", job.container_exit_status);
        finish_job(job, job.container_exit_status);
      }
      std::fputs("container is exited; restarting\n", stderr);
      break;
    case CONTAINER_OTHER:
      std::fputs("container is in other state; restarting\n", stderr);
      container_op(job, "kill");
      break;
  }
  if (!needs_start) return;
  if (job.verbose() != 0) std::fputs("starting container\n", stderr);
  step = container_op(job, "start");
  if (!step.ok()) {
    check_exit_request(job);
    std::fprintf(stderr, "the container could not be started (error %d); the engine's output is above\n", step.code);
    if (step.unreachable) wait_for_engine(job, "container start");
    container_op(job, "kill");
    fail_job(job);
  }
  job.container_started = true;
}

void run_main_loop(JOB& job) {
  job.container_running = true;
  locate_counters(job);
  start_following_log(job);
  long tick = 0;
  long next_poll = 0;
  double failing_since = -1;
  double tick_start = job.clock->now();
  double mark = tick_start;
  // Counts the time just passed while the container ran, before a request
  // may change that.
  auto count_running = [&] {
    double now = job.clock->now();
    if (job.container_running) job.running_seconds += now - mark;
    mark = now;
  };
  // The client is answered as soon as it asks; the container is polled on
  // whole ticks of one second.
  job.runtime->wait_for_request(1);
  count_running();
  int result = poll_client_msgs(job);
  while (result == 0) {
    double now = job.clock->now();
    if (now - tick_start >= 1) {
      tick_start = now;
      if (tick >= next_poll) {
        bool unreachable = false;
        switch (watch_container(job, &unreachable)) {
          case POLL_EXITED:
            end_exited_container(job);
          case POLL_FAILED:
            // Tried again every few seconds for a while before the job
            // gives up on the engine.
            job.engine_outage_seen = true;
            if (failing_since < 0) failing_since = now;
            if (now - failing_since >= kEngineRetrySeconds) {
              if (unreachable) wait_for_engine(job, "container poll");
              container_op(job, "kill");
              fail_job(job);
            }
            next_poll = tick + static_cast<long>(kEngineRetryPause);
            break;
          case POLL_RUNNING:
            failing_since = -1;
            next_poll = tick + 10;
            if (job.container_running) report_progress(job);
            break;
        }
      }
      ++tick;
    }
    job.runtime->wait_for_request(std::max(0.0, tick_start + 1 - job.clock->now()));
    show_followed_log(job);
    count_running();
    result = poll_client_msgs(job);
  }
  std::fprintf(stderr, "poll_client_msgs() returned %d\n", result);
  job.runtime->exit(0);
}

int run_quayside(const std::vector<std::string>& arguments) {
  static JOB job;  // process-wide: lives until the process ends
  static DOCKER_CONN connection;
  job.runtime = &corvo_runtime();
  job.clock = &system_clock();
  connection.clock = job.clock;  // one clock for the driver's waits and the commands' limits
  job.engine = &connection;
  job.config.verbose = 1;
  // Before anything is written or started.
  if (answer_help_or_version(arguments, "quayside", kQuaysideUsage)) return 0;
  platform::restrict_program_search();
  // Ctrl-C, a plain kill or a closed terminal ends the job as a quit does.
  platform::catch_interrupts();
  if (read_command_line(arguments, job) != 0) return 1;

  RUNTIME_OPTIONS options;
  options.keep_main_priority = 0;  // the driver runs at idle priority
  options.slot_owner = 1;
  options.watch_client = 1;
  options.obey_control = 1;
  corvo_startup(options);
  std::fprintf(stderr, "quayside %d starting\n", kQuaysideVersion);

  prepare_job(job);
  int result = wsl_init(job.init_data, job.standalone, connection);
  if (result != 0) {
    std::fprintf(stderr, "wsl_init() failed: %d\n", result);
    finish_job(job, 1);
  }
  if (!connection.shell_is_in_slot()) {
    std::fputs("the engine's shell does not see the slot directory as its working directory (a slot on a share or "
               "on a drive WSL does not mount?): the slot can't be mounted into the container\n",
               stderr);
    finish_job(job, 1);
  }
  job.engine_ready = true;
  // A quit, an abort or the client's loss while a command runs gives that
  // command up at once, so that the client is answered.
  connection.set_requests([] {
    CLIENT_STATUS status = job.runtime->client_status();
    return request_bits(status) & kRequestsEndingJob;
  });
  std::fprintf(stderr, "Using %s\n", connection.dialect().display_name());
  start_container(job);
  run_main_loop(job);
}
