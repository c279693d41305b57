// The runtime's operations towards the job, on the process's runtime.
#include "runtime/corvo_api.h"

#include "runtime/client_runtime.h"

int corvo_startup(const RUNTIME_OPTIONS& options) { return client_runtime().startup(options); }

int corvo_standalone() { return client_runtime().is_standalone() ? 1 : 0; }

int corvo_copy_init_data(INIT_DATA& data) {
  data = client_runtime().job_init_data();
  return 0;
}

int corvo_load_init_data() { return client_runtime().load_init_data(); }

int corvo_client_status(CLIENT_STATUS& status) {
  status = client_runtime().client_status();
  return 0;
}

void corvo_wait_for_request(double seconds) { client_runtime().wait_for_request(seconds); }

bool corvo_heartbeat_seen() { return client_runtime().heartbeat_heard(); }

int corvo_send_progress_ext(double cpu_time, double checkpoint_cpu_time, double fraction_done, int other_pid,
                            double, double, double wss) {
  return client_runtime().send_progress_ext(cpu_time, checkpoint_cpu_time, fraction_done, other_pid, wss);
}

int corvo_send_progress(double cpu_time, double checkpoint_cpu_time, double fraction_done) {
  return client_runtime().send_progress(cpu_time, checkpoint_cpu_time, fraction_done);
}

void corvo_set_network_wanted(bool wanted) { client_runtime().set_network_wanted(wanted); }

void corvo_announce_web_graphics(const char* address) { client_runtime().announce_web_graphics(address); }

int corvo_open_sporadic_files(const char* directory) { return client_runtime().open_sporadic_files(directory); }

void corvo_finish(int status) { client_runtime().finish(status); }

void corvo_temporary_exit(int delay, const char* reason) { client_runtime().temporary_exit(delay, reason); }

