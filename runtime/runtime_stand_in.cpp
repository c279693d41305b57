// Stand-in for the client runtime until the real one is built: always
// standalone, no client, no status messages.
#include <cstdio>
#include <cstdlib>

#include "runtime/corvo_api.h"

std::atomic<bool> heartbeat_seen{false};

namespace {
INIT_DATA runtime_init_data;
}

int corvo_startup(const RUNTIME_OPTIONS&) { return 0; }
int corvo_standalone() { return 1; }
int corvo_copy_init_data(INIT_DATA& data) {
  data = runtime_init_data;
  return 0;
}
int corvo_load_init_data() {
  runtime_init_data.reset();
  return 0;
}
int corvo_client_status(CLIENT_STATUS& status) {
  status = CLIENT_STATUS();
  return 0;
}
int corvo_send_progress_ext(double, double, double, int, double, double, double) { return 0; }
int corvo_send_progress(double, double, double) { return 0; }
void corvo_set_network_wanted(bool) {}
void corvo_announce_web_graphics(const char*) {}
int corvo_open_sporadic_files(const char*) { return 0; }
void corvo_finish(int status) {
  std::fprintf(stderr, "called corvo_finish(%d)\n", status);
  std::fflush(nullptr);
  std::_Exit(status);
}
