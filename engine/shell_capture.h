// Runs a complete command line through the system command interpreter and
// captures its standard output. Main thread only.
#pragma once

#include <string>
#include <vector>

// Empties lines, then appends every line the command prints, each with its
// line end; a line longer than 4095 bytes arrives as several elements.
// Returns 0 when the command ran and exited with status 0, otherwise -1 (the
// lines read stay in the list). exit_status, when given, receives the exit
// status (-1 when the command could not run or did not exit normally).
int run_shell_capture(const std::string& command_line, std::vector<std::string>& lines, int* exit_status = nullptr);
