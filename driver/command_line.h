// The command line of quayside: "--sporadic", "--verbose", "--config FILE",
// "--dockerfile FILE"; every other argument goes to the container.
#pragma once

#include <string>
#include <vector>

#include "driver/job.h"

// What "quayside --help" prints: every option, standalone mode, where the
// output goes.
extern const char kQuaysideUsage[];

// Reads the arguments after the program name into job, left to right.
// Returns 0, or 1 after printing "missing value for %s\n" when "--config" or
// "--dockerfile" is the last argument.
int read_command_line(const std::vector<std::string>& arguments, JOB& job);
