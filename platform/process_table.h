// Other processes: whether the client still lives, and the descendants of
// this process for the end of the job.
#pragma once

#include <vector>

namespace platform {

enum class ProbeResult { alive, lost };

// Probes a process by id with query rights; a refusal for lack of
// permission counts as alive.
ProbeResult probe_process(int pid);

struct ProcessEntry {
  int pid;
  int parent_pid;
};

// All processes of the host with their parents; empty when the table can't
// be read.
std::vector<ProcessEntry> process_table();

// Ends a process with the exit code. Returns false when it can't be opened.
bool terminate_process(int pid, int exit_code);

}  // namespace platform
