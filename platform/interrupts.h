// Interrupts from the terminal (Ctrl-C), for the client simulator, which
// asks its job to quit rather than dying at once.
#pragma once

namespace platform {

// Makes the first interrupt (Ctrl-C) only set a flag that
// interrupt_requested() reports.
void catch_interrupts();
bool interrupt_requested();

}  // namespace platform
