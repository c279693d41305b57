// Start-up of the runtime and the common end of the process.
#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>

#include "lib/file_util.h"
#include "lib/result_codes.h"
#include "lib/system_info.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/process_table.h"
#include "platform/streams.h"
#include "runtime/client_runtime.h"
#include "runtime/diagnostics.h"
#include "runtime/log_prefix.h"

const char* const corvo_api_version = "API_VERSION_8.3.0";

namespace {

constexpr const char* kLockFile = "corvo_lockfile";
constexpr double kLockRetrySeconds = 35;

// Every descendant of root, each once, found through the parent links.
std::vector<int> descendants_of(int root) {
  std::vector<platform::ProcessEntry> table = platform::process_table();
  std::vector<int> found;
  std::vector<int> frontier{root};
  while (!frontier.empty()) {
    int parent = frontier.back();
    frontier.pop_back();
    for (const auto& entry : table) {
      if (entry.parent_pid != parent || entry.pid == root) continue;
      if (std::find(found.begin(), found.end(), entry.pid) != found.end()) continue;
      found.push_back(entry.pid);
      frontier.push_back(entry.pid);
    }
  }
  return found;
}

}  // namespace

CLIENT_STATUS CLIENT_STATUS_CELLS::copy() const {
  CLIENT_STATUS out;
#define CLIENT_STATUS_COPY(type, name) out.name = name.load(std::memory_order_relaxed);
  CLIENT_STATUS_FIELDS(CLIENT_STATUS_COPY)
#undef CLIENT_STATUS_COPY
  return out;
}

int ClientRuntime::startup(const RUNTIME_OPTIONS& startup_options) {
  options = startup_options;
  if (!diagnostics().set_up) {
    int result = setup_diagnostics(DIAG_RUNTIME_FLAGS | DIAG_CLIENT_JOB, "stdout", "stderr");
    if (result != 0) return result;
  }
  status.client_lost = 0;
  status.is_suspended = 0;
  status.quit_asked = 0;
  status.abort_asked = 0;
  if (options.slot_owner) take_slot_lock();

  standalone = false;
  if (load_init_data() != 0) standalone = true;
  if (!standalone) {
    std::string name = std::string("shm_") + init_data.comm_obj_name;
    shm = attach_shared_memory(name.substr(0, 255));
    if (shm == nullptr) {
      std::fprintf(stderr, "%s Can't set up shared mem: %d. Will run in standalone mode.\n", log_prefix(), -1);
      standalone = true;
    }
  }
  // A person at a terminal sees a standalone run's log; a client's job
  // keeps it in the slot alone.
  if (!standalone) platform::stop_terminal_copy();
  // The timer thread does not run yet: its first values are set here.
  timer_role.assume();
  initial_cpu_time = last_cpu_time = last_checkpoint_cpu_time = init_data.wu_cpu_time;
  fraction_done = -1;
  if (standalone) options.watch_client = 0;
  heartbeat_deadline = tick_count + 300;

  int result = start_timer_thread();
  if (result != 0) return result;
  if (!options.keep_main_priority) platform::lower_current_thread_to_idle();
  return 0;
}

void ClientRuntime::take_slot_lock() {
  int refused = slot_lock.acquire(kLockFile);
  if (refused == 0) return;
  std::fprintf(stderr, "%s Can't acquire lockfile (%d) - waiting %ds\n", log_prefix(), refused,
               static_cast<int>(kLockRetrySeconds));
  clock.pause(kLockRetrySeconds);
  refused = slot_lock.acquire(kLockFile);
  if (refused == 0) return;
  std::fprintf(stderr, "%s Can't acquire lockfile (%d) - exiting\n", log_prefix(), refused);
  char text[512];
  std::fprintf(stderr, "%s Error: %s\n", log_prefix(), system_error_text(refused, text, sizeof text));
  // Ask the client to try again later. Even when the file can't be made,
  // running beside the other instance would have both drive one container,
  // so the process ends either way.
  write_status_file("corvo_temporary_exit",
                    "600\nWaiting to acquire slot directory lock.  Another instance may be running.\n");
  end_process(0);
}

int ClientRuntime::load_init_data() {
  init_data.project_preferences.reset();
  init_data.reset();
  std::FILE* file = path_exists("init_data.xml") ? open_file_retry("init_data.xml", "r", clock) : nullptr;
  if (file == nullptr) {
    std::fprintf(stderr, "%s Can't open init data file - running in standalone mode\n", log_prefix());
    return RC_FOPEN_FAILED;
  }
  int result = parse_init_data_file(file, init_data);
  std::fclose(file);
  if (result != 0) {
    std::fprintf(stderr, "%s Can't parse init data file - running in standalone mode\n", log_prefix());
    return result;
  }
  return 0;
}

int ClientRuntime::start_timer_thread() {
  main_thread = platform::current_thread();
  try {
    std::thread timer([this] {
      timer_role.assume();
      timer_thread = platform::current_thread();
      for (;;) {
        platform::sleep_milliseconds(100);
        timer_tick();
        if (status.is_suspended.load(std::memory_order_relaxed) == 0) ++running_ticks;
      }
    });
    timer.detach();  // runs until the process ends
  } catch (const std::system_error& failure) {
    std::fprintf(stderr, "%s start_timer_thread(): CreateThread() failed, errno %d\n", log_prefix(),
                 failure.code().value());
    return failure.code().value() != 0 ? failure.code().value() : -1;
  }
  return 0;
}

void ClientRuntime::end_process(int exit_status) {
  if (options.slot_owner && slot_lock.held) slot_lock.release(kLockFile, clock);
  if (options.kill_children_at_exit) {
    for (int pid : descendants_of(platform::current_process_id())) platform::terminate_process(pid, 0);
  }
  finish_diagnostics();
  std::fflush(nullptr);
  platform::finish_standard_error();
  platform::terminate_process_now(exit_status);
}

ClientRuntime& client_runtime() {
  // Never destroyed: the timer thread uses it until the process ends.
  static ClientRuntime* runtime = new ClientRuntime();
  return *runtime;
}
