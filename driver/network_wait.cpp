#include "driver/network_wait.h"

#include <cstdio>
#include <string>
#include <vector>

#include "lib/system_info.h"
#include "platform/network_probe.h"
#include "platform/program_run.h"

bool test_server_reachable() {
  std::vector<std::string> argv = platform::ping_arguments(kReferenceHost);
  int exit_status = -1;
  int error = 0;
  std::string path = platform::system_program(argv[0]);
  if (!platform::run_program(path, argv, [](std::string_view) {}, exit_status, nullptr, &error)) {
    char text[256];
    std::fprintf(stderr, "network test: can't start %s: error %d: %s\n", path.empty() ? argv[0].c_str() : path.c_str(),
                 error, system_error_text(error, text, sizeof text));
    return false;
  }
  return exit_status == 0;
}

void wait_for_network(JOB& job) {
  job.runtime->set_network_wanted(true);
  job.runtime->send_progress_zero();
  job.clock->pause(10);
}
