// The command line of quayside: "--sporadic", "--verbose", "--config FILE",
// "--dockerfile FILE"; every other argument goes to the container.
#pragma once

#include <string>
#include <vector>

#include "driver/job.h"

// What "quayside --help" prints: every option, standalone mode, where the
// output goes.
extern const char kQuaysideUsage[];

// Answers "--help" or "--version" as the first argument on standard output
// and returns true; any other command line returns false. Anywhere else
// these words are job arguments.
bool answer_help_or_version(const std::vector<std::string>& arguments, const char* program, const char* usage);

// Reads the arguments after the program name into job, left to right.
// Returns 0, or 1 after printing "missing value for %s\n" when "--config" or
// "--dockerfile" is the last argument.
int read_command_line(const std::vector<std::string>& arguments, JOB& job);
