// Programs started by their path with an argument vector, without any
// command interpreter, and their output read back. Main thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The full path of a program found in the absolute directories of PATH;
// relative entries, and so the current directory, are never searched.
// Empty when none holds it.
std::string find_on_path(const std::string& name);

// The full path of a program of the operating system: in the system
// directory on Windows ("wsl.exe", "PING.EXE"); found on PATH elsewhere.
std::string system_program(const std::string& name);

// How the engine shell is to name the engine's program: on Linux, where the
// shell runs in the slot directory, the absolute path found by find_on_path
// (empty when there is none), so that nothing in the slot stands in for it;
// on Windows the bare name, found by the WSL distro's own shell.
std::string engine_program_for_shell(const std::string& name);

// Runs the program at path with argv (argv[0] is the name it is given),
// standard input empty, standard output and error joined and handed to
// sink piece by piece as they arrive, and waits for its output to end and
// for it to end. Returns true with exit_status (-1 when it did not exit
// normally), or false with the system's error number in start_error when
// it can't be started. stop, when given, is asked about every 200 ms while
// the program is silent or has closed its output without ending: true ends
// the program at once (exit_status -1). On Windows the program and
// everything it starts are in a job object: stopping ends them all, and so
// does the end of this process while the program runs.
bool run_program(const std::string& path, const std::vector<std::string>& argv,
                 const std::function<void(std::string_view)>& sink, int& exit_status,
                 const std::function<bool()>& stop = nullptr, int* start_error = nullptr);

}  // namespace platform
