// Processes: the calling process, CPU times, and the end of the process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// An identifier of a process that this layer can query.
using process_ref = std::int64_t;

process_ref current_process();
int current_process_id();

// CPU time (user plus kernel) of a process in seconds. Returns false when
// the times can't be read.
bool process_cpu_seconds(process_ref process, double& seconds);

// The program's arguments after its name, as UTF-8: argv itself on POSIX,
// the wide command line on Windows (argv there is in the ANSI code page,
// which loses every character outside it).
std::vector<std::string> program_arguments(int argc, char** argv);

// The path of this process's program file, or empty when unknown.
std::string own_executable_path();

// Keeps every program and library that this process and its children start
// from being looked up in the current directory (the slot, which the job
// can write). Call once, early. On Linux nothing searches it already.
void restrict_program_search();

// Ends the process at once with the status: no exit handlers, no
// destructors, no other thread runs any further.
[[noreturn]] void terminate_process_now(int status);

}  // namespace platform
