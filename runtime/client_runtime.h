// The job-side half of the client protocol: start-up with its slot lock and
// init data, the shared block, the 100 ms timer thread that takes the
// client's messages and checks that the client lives, status messages,
// sporadic files, the web-graphics address, and the common end of the
// process. One instance serves the process (client_runtime()); tests make
// their own and drive timer_tick() directly.
//
// Threads: start-up, the reporting calls and finish run on the main thread;
// the timer thread alone takes messages and writes the client status, which
// the main thread reads without a lock, field by field. Which thread or lock
// owns each member is annotated, and checked by clang (-Wthread-safety).
#pragma once

#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <memory>
#include <string>
#include <vector>

#include "lib/clock.h"
#include "lib/exclusive_file_lock.h"
#include "lib/init_data.h"
#include "lib/thread_annotations.h"
#include "platform/slot_file.h"
#include "platform/threads.h"
#include "runtime/corvo_api.h"
#include "runtime/shared_channels.h"

// The client status as the timer thread keeps it: each field one atomic.
struct CLIENT_STATUS_CELLS {
#define CLIENT_STATUS_CELL(type, name) std::atomic<type> name{0};
  CLIENT_STATUS_FIELDS(CLIENT_STATUS_CELL)
#undef CLIENT_STATUS_CELL

  // Each field as it is now (not one moment for all).
  CLIENT_STATUS copy() const;
};

class ClientRuntime {
 public:
  explicit ClientRuntime(Clock& wait_clock = system_clock()) : clock(wait_clock) {}

  // Start-up and end (startup.cpp); main thread.
  int startup(const RUNTIME_OPTIONS& options);
  int load_init_data();
  [[noreturn]] void end_process(int status);
  // Asks the client to start the job again after delay seconds, for the
  // reason given, and ends the process with 0 (finish.cpp).
  [[noreturn]] void temporary_exit(int delay, const char* reason);
  // Writes a status file for the client whole or not at all; a failure is
  // said on standard error. Returns 0 or the system's error number.
  int write_status_file(const char* name, const std::string& text);
  [[noreturn]] void finish(int status);

  // What start-up found; fixed before the timer thread starts.
  bool is_standalone() const { return standalone; }
  const INIT_DATA& job_init_data() const { return init_data; }

  // The timer thread's tick, every 100 ms (timer.cpp); tests call it
  // directly, as the timer thread.
  void timer_tick();
  // Waits up to seconds, less when the client's requests change meanwhile
  // (suspend, resume, quit, abort, client loss, network use). Main thread.
  void wait_for_request(double seconds) EXCLUDES(request_mutex);
  // The client's status as the timer thread last took it, field by field.
  CLIENT_STATUS client_status() const { return status.copy(); }
  bool heartbeat_heard() const { return heartbeat_seen.load(std::memory_order_relaxed); }

  // Reporting (reporting.cpp); main thread.
  int send_progress_ext(double cpu_time, double checkpoint_cpu_time, double fraction, int other_pid, double wss);
  int send_progress(double cpu_time, double checkpoint_cpu_time, double fraction);
  void set_network_wanted(bool wanted) { want_network = wanted ? 1 : 0; }
  void announce_web_graphics(const char* address) EXCLUDES(web_graphics_mutex);
  int open_sporadic_files(const std::string& directory);

 private:
  friend struct ClientRuntimeInside;  // the tests' view of the state below

  // The timer thread's steps (timer.cpp, reporting.cpp).
  void signal_request_change() REQUIRES(timer_role) EXCLUDES(request_mutex);
  void apply_pulse(const char* text) REQUIRES(timer_role);
  void apply_control_message() REQUIRES(timer_role);
  void check_client() REQUIRES(timer_role);
  void client_lost_now() REQUIRES(timer_role);
  double process_cpu_seconds() REQUIRES(timer_role);
  void send_timer_status() REQUIRES(timer_role);
  void send_web_graphics() REQUIRES(timer_role) EXCLUDES(web_graphics_mutex);
  void sync_sporadic_files() REQUIRES(timer_role);

  void take_slot_lock();
  int start_timer_thread();
  // Direct action (direct_action.cpp): the requests carried out on this
  // process, on the timer thread.
  void act_on_suspend() REQUIRES(timer_role);
  void act_on_resume() REQUIRES(timer_role);
  [[noreturn]] void act_on_end(int exit_status) REQUIRES(timer_role);
  void suspend_job_threads() REQUIRES(timer_role);
  void resume_job_threads() REQUIRES(timer_role);

  // Set by start-up on the main thread before the timer thread starts, then
  // only read, by either thread.
  Clock& clock;
  RUNTIME_OPTIONS options;
  bool standalone = true;
  EXCLUSIVE_FILE_LOCK slot_lock;  // main thread: taken at start-up, let go at the end
  INIT_DATA init_data;
  SHM_AREA* shm = nullptr;
  double initial_cpu_time = 0;
  platform::thread_ref main_thread = 0;

  // The timer thread's own. Start-up sets the first values before the
  // thread starts, as the thread's stand-in.
  ThreadRole timer_role;
  std::int32_t tick_count GUARDED_BY(timer_role) = 0;
  std::int32_t heartbeat_deadline GUARDED_BY(timer_role) = 0;
  std::int32_t running_ticks GUARDED_BY(timer_role) = 0;
  std::int32_t last_request_bits GUARDED_BY(timer_role) = 0;  // the requests as last signalled
  double last_cpu_time GUARDED_BY(timer_role) = 0;
  double last_checkpoint_cpu_time GUARDED_BY(timer_role) = 0;
  platform::thread_ref timer_thread GUARDED_BY(timer_role) = 0;
  std::vector<platform::thread_ref> suspended_threads GUARDED_BY(timer_role);
  std::int32_t ca_written GUARDED_BY(timer_role) = 0;
  long long ac_mtime GUARDED_BY(timer_role) = 0;

  // Shared, each value one atomic.
  CLIENT_STATUS_CELLS status;  // written by the timer thread (and start-up)
  std::atomic<double> fraction_done{-1};
  std::atomic<int> want_network{0};
  std::atomic<std::int32_t> ac_state{0};
  std::atomic<bool> heartbeat_seen{false};
  std::atomic<bool> finishing{false};  // the main thread is ending the job
  std::atomic<bool> stopped{false};    // the timer thread does nothing more

  // The main thread's wait for a change of the client's requests.
  Mutex request_mutex;
  std::condition_variable_any request_signal;
  std::uint64_t request_generation GUARDED_BY(request_mutex) = 0;

  // Direct action holds this while it acts on one control message.
  Mutex control_mutex;

  // Web graphics: the last address announced, sent by the timer thread.
  Mutex web_graphics_mutex;
  std::string web_graphics_address GUARDED_BY(web_graphics_mutex);
  std::atomic<bool> web_graphics_pending{false};

  // Sporadic files: opened by the main thread, then used by the timer
  // thread alone once sporadic_open says so.
  std::unique_ptr<platform::SlotFile> ac_file;
  std::unique_ptr<platform::SlotFile> ca_file;
  std::atomic<bool> sporadic_open{false};
};

// The process's runtime.
ClientRuntime& client_runtime();

// The text present in the built program that names the protocol version.
extern const char* const corvo_api_version;
