// The operating system's texts for its error numbers, and process CPU time.
#pragma once

#include <cstddef>

#include "platform/process.h"

// Writes "%s (0x%x)" with the system's message and the code into buffer, or
// "(unknown error) (%lu)" with the failed lookup's own error number; never
// more than size bytes. Returns buffer.
char* system_error_text(int code, char* buffer, std::size_t size);

// CPU time of a process (user plus kernel) in seconds. Returns 0, or -1
// when the times can't be read.
int cpu_seconds_of(platform::process_ref process, double& seconds);
