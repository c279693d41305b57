// The tests' view of a ClientRuntime's state, which the program itself
// reaches only through the runtime's calls: the tests set a state up and
// look at what a tick or a report made of it.
#pragma once

#include "runtime/client_runtime.h"

struct ClientRuntimeInside {
  explicit ClientRuntimeInside(ClientRuntime& r)
      : runtime(r),
        options(r.options),
        standalone(r.standalone),
        init_data(r.init_data),
        shm(r.shm),
        initial_cpu_time(r.initial_cpu_time),
        main_thread(r.main_thread),
        tick_count(r.tick_count),
        heartbeat_deadline(r.heartbeat_deadline),
        last_cpu_time(r.last_cpu_time),
        last_checkpoint_cpu_time(r.last_checkpoint_cpu_time),
        status(r.status),
        fraction_done(r.fraction_done),
        want_network(r.want_network),
        ac_state(r.ac_state),
        heartbeat_seen(r.heartbeat_seen),
        finishing(r.finishing),
        stopped(r.stopped),
        sporadic_open(r.sporadic_open) {}

  // The timer thread's steps, run as the timer thread would.
  void apply_pulse(const char* text) {
    runtime.timer_role.assume();
    runtime.apply_pulse(text);
  }
  void send_timer_status() {
    runtime.timer_role.assume();
    runtime.send_timer_status();
  }

  ClientRuntime& runtime;
  RUNTIME_OPTIONS& options;
  bool& standalone;
  INIT_DATA& init_data;
  SHM_AREA*& shm;
  double& initial_cpu_time;
  platform::thread_ref& main_thread;
  std::int32_t& tick_count;
  std::int32_t& heartbeat_deadline;
  double& last_cpu_time;
  double& last_checkpoint_cpu_time;
  CLIENT_STATUS_CELLS& status;
  std::atomic<double>& fraction_done;
  std::atomic<int>& want_network;
  std::atomic<std::int32_t>& ac_state;
  std::atomic<bool>& heartbeat_seen;
  std::atomic<bool>& finishing;
  std::atomic<bool>& stopped;
  std::atomic<bool>& sporadic_open;
};

inline ClientRuntimeInside inside(ClientRuntime& runtime) { return ClientRuntimeInside(runtime); }
