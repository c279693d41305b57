// Interrupts from the terminal or the system (Ctrl-C, a plain kill, a
// closed terminal; on Windows Ctrl-C, Ctrl-Break and a closed console), for
// programs that end in good order rather than at once: the client simulator
// asks its job to quit, and quayside quits.
#pragma once

namespace platform {

// Makes an interrupt (SIGINT, SIGTERM or SIGHUP; a console control event)
// only set a flag that interrupt_requested() reports.
void catch_interrupts();
bool interrupt_requested();

}  // namespace platform
