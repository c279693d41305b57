// Threads as the runtime needs them beyond std::thread: the idle priority of
// the job's main thread, and suspending and resuming threads of this process
// for the runtime's direct-action mode.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// An identifier of a thread of this process that stays valid in other
// threads.
using thread_ref = std::int64_t;

thread_ref current_thread();

// Lowers the calling thread to the idle priority level. Returns false when
// the system refuses.
bool lower_current_thread_to_idle();

// Every thread of this process.
std::vector<thread_ref> threads_of_this_process();

// Stops a thread of this process until resume_thread; returns false on
// failure.
bool suspend_thread(thread_ref thread);
bool resume_thread(thread_ref thread);

}  // namespace platform
