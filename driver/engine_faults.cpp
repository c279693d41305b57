#include "driver/engine_faults.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "platform/files.h"

namespace {

// How many temporary exits for an unreachable engine came one after another,
// kept in the slot across runs.
constexpr const char* kWaitsFile = "engine_waits";

}  // namespace

void wait_for_engine(JOB& job, const char* what) {
  std::fprintf(stderr, "engine unreachable: %s; trying again later\n", what);
  std::string text;
  int waits = 0;
  if (platform::read_regular_file_start(kWaitsFile, 16, text)) waits = std::clamp(std::atoi(text.c_str()), 0, 6);
  int error = 0;  // a count that can't be kept only shortens the next wait
  platform::replace_file_with(kWaitsFile, std::to_string(waits + 1) + "\n", error);
  int delay = std::min(60 << waits, 3600);
  job.runtime->temporary_exit(delay, "The container engine can't be reached; the job will go on when it is back.");
}

void engine_answered() {
  int error = 0;  // a file that is not there is what was wanted
  platform::delete_file(kWaitsFile, error);
}
