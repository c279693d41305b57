// The programs' version, and their answer to "--help" and "--version":
// small, so that the tools use them without the job driver.
#pragma once

#include <string>
#include <vector>

// The version printed at start-up and by "--version".
constexpr int kQuaysideVersion = 23;

// Answers "--help" or "--version" as the first argument on standard output
// and returns true; any other command line returns false. Anywhere else
// these words are job arguments.
bool answer_help_or_version(const std::vector<std::string>& arguments, const char* program, const char* usage);
