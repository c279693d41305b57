// The job-side half of the client protocol: start-up with its slot lock and
// init data, the shared block, the 100 ms timer thread that takes the
// client's messages and checks that the client lives, status messages,
// sporadic files, the web-graphics address, and the common end of the
// process. One instance serves the process (client_runtime()); tests make
// their own and drive timer_tick() directly.
//
// Threads: start-up, the reporting calls and finish run on the main thread;
// the timer thread alone takes messages and writes the client status, which
// the main thread reads without a lock, field by field.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <string>

#include "lib/clock.h"
#include "lib/exclusive_file_lock.h"
#include "lib/init_data.h"
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

struct ClientRuntime {
  explicit ClientRuntime(Clock& wait_clock = system_clock()) : clock(wait_clock) {}

  // Start-up and end (startup.cpp).
  int startup(const RUNTIME_OPTIONS& options);
  int load_init_data();
  [[noreturn]] void end_process(int status);
  // Asks the client to start the job again after delay seconds, for the
  // reason given, and ends the process with 0 (finish.cpp).
  [[noreturn]] void temporary_exit(int delay, const char* reason);
  // Writes a status file for the client whole or not at all; a failure is
  // said on standard error. Returns 0 or the system's error number.
  int write_status_file(const char* name, const std::string& text);

  // Timer (timer.cpp).
  void timer_tick();
  // Wakes wait_for_request when the client's requests have changed.
  void signal_request_change();
  // Waits up to seconds, less when the client's requests change meanwhile
  // (suspend, resume, quit, abort, client loss, network use). Main thread.
  void wait_for_request(double seconds);
  void apply_pulse(const char* text);
  void apply_control_message();
  void check_client();
  double process_cpu_seconds();

  // Reporting (reporting.cpp).
  int send_progress_ext(double cpu_time, double checkpoint_cpu_time, double fraction, int other_pid, double wss);
  int send_progress(double cpu_time, double checkpoint_cpu_time, double fraction);
  void send_timer_status();
  void announce_web_graphics(const char* address);
  void send_web_graphics();
  int open_sporadic_files(const std::string& directory);
  void sync_sporadic_files();

  // Finish (finish.cpp).
  [[noreturn]] void finish(int status);

  Clock& clock;
  RUNTIME_OPTIONS options;
  bool standalone = true;  // written before the timer thread starts
  EXCLUSIVE_FILE_LOCK slot_lock;
  INIT_DATA init_data;
  SHM_AREA* shm = nullptr;

  // Progress values.
  double initial_cpu_time = 0;
  double last_cpu_time = 0;
  double last_checkpoint_cpu_time = 0;
  std::atomic<double> fraction_done{-1};
  std::atomic<int> want_network{0};
  std::atomic<std::int32_t> ac_state{0};

  // Timer state; written by the timer thread only.
  std::int32_t tick_count = 0;
  std::int32_t heartbeat_deadline = 0;
  std::int32_t running_ticks = 0;
  std::atomic<bool> heartbeat_seen{false};
  std::atomic<bool> finishing{false};
  std::atomic<bool> stopped{false};
  // The client's requests as last signalled, and the main thread's wait.
  std::int32_t last_request_bits = 0;  // timer thread only
  std::mutex request_mutex;
  std::condition_variable request_signal;
  std::uint64_t request_generation = 0;  // under request_mutex
  std::mutex control_mutex;
  platform::thread_ref main_thread = 0;
  platform::thread_ref timer_thread = 0;
  std::vector<platform::thread_ref> suspended_threads;

  CLIENT_STATUS_CELLS status;

  // Web graphics: the last address announced, sent by the timer thread.
  std::mutex web_graphics_mutex;
  std::string web_graphics_address;
  std::atomic<bool> web_graphics_pending{false};

  // Sporadic files: opened by the main thread, synchronised by the timer.
  std::unique_ptr<platform::SlotFile> ac_file;
  std::unique_ptr<platform::SlotFile> ca_file;
  std::atomic<bool> sporadic_open{false};
  std::int32_t ca_written = 0;
  long long ac_mtime = 0;

 private:
  void take_slot_lock();
  int start_timer_thread();
  // Direct action (direct_action.cpp): the requests carried out on this
  // process, on the timer thread.
  void act_on_suspend();
  void act_on_resume();
  [[noreturn]] void act_on_end(int exit_status);
  void suspend_job_threads();
  void resume_job_threads();
  void client_lost_now();
};

// The process's runtime.
ClientRuntime& client_runtime();

// The text present in the built program that names the protocol version.
extern const char* const corvo_api_version;
