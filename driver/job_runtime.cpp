#include "driver/job_runtime.h"

#include <cstdio>
#include <cstdlib>

#include "platform/streams.h"

namespace {

class CorvoRuntime final : public JobRuntime {
 public:
  bool standalone() override { return corvo_standalone() != 0; }
  void copy_init_data(INIT_DATA& data) override { corvo_copy_init_data(data); }
  int open_sporadic_files(const char* directory) override { return corvo_open_sporadic_files(directory); }
  CLIENT_STATUS client_status() override {
    CLIENT_STATUS status;
    corvo_client_status(status);
    return status;
  }
  bool heartbeat_seen() override { return corvo_heartbeat_seen(); }
  void send_progress_ext(double cpu_time, double fraction_done, double wss) override {
    // All CPU time counts as checkpointed: the container keeps its own state.
    corvo_send_progress_ext(cpu_time, cpu_time, fraction_done, 0, 0, 0, wss);
  }
  void send_progress_zero() override { corvo_send_progress(0, 0, 0); }
  void set_network_wanted(bool wanted) override { corvo_set_network_wanted(wanted); }
  void announce_web_graphics(const char* address) override { corvo_announce_web_graphics(address); }
  void wait_for_request(double seconds) override { corvo_wait_for_request(seconds); }
  void end_with_finish(int status) override { corvo_finish(status); }
  void end_with_temporary_exit(int delay, const char* reason) override { corvo_temporary_exit(delay, reason); }
  void end_with_exit(int code) override {
    std::fflush(nullptr);
    platform::finish_standard_error();
    std::exit(code);
  }
};

}  // namespace

JobRuntime& corvo_runtime() {
  static CorvoRuntime runtime;
  return runtime;
}
