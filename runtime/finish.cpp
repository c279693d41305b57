// The planned end of a job: the finish file for the client, then the
// common end of the process.
#include <cstdio>
#include <string>

#include "lib/file_util.h"
#include "lib/system_info.h"

#include "runtime/client_runtime.h"
#include "runtime/log_prefix.h"

namespace {

// Seconds before the client starts the job again when its finish file is
// stuck.
constexpr int kFinishFileStuckDelay = 60;

}  // namespace

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
  // can't be written; an earlier finish file must not tell it otherwise. One
  // that can't be removed either makes the client start the job again
  // rather than trust what it says.
  if (options.slot_owner && write_status_file("corvo_finish_called", std::to_string(exit_status) + "\n") != 0 &&
      delete_file_retry("corvo_finish_called", clock) != 0) {
    temporary_exit(kFinishFileStuckDelay,
                   "corvo_finish_called can't be written or removed (another program may hold it open).");
  }
  end_process(exit_status);
}

void ClientRuntime::temporary_exit(int delay, const char* reason) {
  std::fprintf(stderr, "%s temporary exit for %d s: %s\n", log_prefix(), delay, reason);
  write_status_file("corvo_temporary_exit", std::to_string(delay) + "\n" + reason + "\n");
  end_process(0);
}

int ClientRuntime::write_status_file(const char* name, const std::string& text) {
  // A scanner or an indexer may hold the old file open for a moment.
  int error = replace_file_retry(name, text, clock);
  if (error != 0) {
    char message[512];
    std::fprintf(stderr, "%s can't write %s: %s\n", log_prefix(), name,
                 system_error_text(error, message, sizeof message));
  }
  return error;
}
