// What the process does when it crashes: a report on standard error that
// begins "Unhandled Exception Detected...", then the end of the process.
#pragma once

namespace platform {

// Installs the handlers for fatal signals or exceptions and the terminate
// handler. The report names each address's module, its offset there and
// the module's base, where the system can tell them, and is written without
// the C runtime's locks. Safe to call more than once.
void install_crash_handlers();

// Marks the next crash report as caused by a client abort: the process then
// ends with -197.
void mark_aborted_by_client();

// Raises a debug break, which the crash handlers report.
void raise_debug_break();

}  // namespace platform
