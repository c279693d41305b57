// The planned end of a job: the finish file for the client, then the
// common end of the process.
#include <cstdio>
#include <string>

#include "lib/system_info.h"
#include "platform/files.h"

#include "runtime/client_runtime.h"
#include "runtime/log_prefix.h"

void ClientRuntime::finish(int exit_status) {
  fraction_done = 1.0;
  std::fprintf(stderr, "%s called corvo_finish(%d)\n", log_prefix(), exit_status);
  finishing = true;
  if (!standalone) {
    // Gives the timer thread its last turn, then makes sure it does nothing.
    clock.pause(2);
    stopped = true;
  }
  // The exit status still tells the client how the job ended when the file
  // can't be written.
  if (options.slot_owner) write_status_file("corvo_finish_called", std::to_string(exit_status) + "\n");
  end_process(exit_status);
}

void ClientRuntime::temporary_exit(int delay, const char* reason) {
  std::fprintf(stderr, "%s temporary exit for %d s: %s\n", log_prefix(), delay, reason);
  write_status_file("corvo_temporary_exit", std::to_string(delay) + "\n" + reason + "\n");
  end_process(0);
}

int ClientRuntime::write_status_file(const char* name, const std::string& text) {
  int error = 0;
  platform::replace_file_with(name, text, error);
  if (error != 0) {
    char message[512];
    std::fprintf(stderr, "%s can't write %s: %s\n", log_prefix(), name,
                 system_error_text(error, message, sizeof message));
  }
  return error;
}
