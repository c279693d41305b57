// The planned end of a job: the finish file for the client, then the
// common end of the process.
#include <cstdio>

#include "runtime/client_runtime.h"
#include "runtime/log_prefix.h"

void ClientRuntime::finish(int exit_status) {
  fraction_done = 1.0;
  char buffer[256];
  std::fprintf(stderr, "%s called corvo_finish(%d)\n", log_prefix(buffer, sizeof buffer), exit_status);
  finishing = true;
  if (!standalone) {
    // Gives the timer thread its last turn, then makes sure it does nothing.
    clock.pause(2);
    stopped = true;
  }
  if (options.slot_owner) {
    if (std::FILE* file = std::fopen("corvo_finish_called", "w")) {
      std::fprintf(file, "%d\n", exit_status);
      std::fclose(file);
    }
  }
  end_process(exit_status);
}
