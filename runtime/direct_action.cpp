// Direct action: the client library's contract lets a job ask the runtime
// (RUNTIME_OPTIONS::act_directly) to carry the client's requests out on the
// process itself: its threads suspended and resumed, the process ended. The
// job driver never asks for it, as it carries requests out on the
// container; this file holds all of it, called by the timer thread.
#include "runtime/client_runtime.h"

#include "platform/threads.h"

void ClientRuntime::act_on_suspend() { suspend_job_threads(); }

void ClientRuntime::act_on_resume() {
  if (status.is_suspended.load() == 1) resume_job_threads();
}

void ClientRuntime::act_on_end(int exit_status) {
  if (status.is_suspended.load() == 1) resume_job_threads();
  end_process(exit_status);
}

void ClientRuntime::suspend_job_threads() {
  if (!options.all_threads) {
    platform::suspend_thread(main_thread);
    return;
  }
  suspended_threads.clear();
  for (platform::thread_ref thread : platform::threads_of_this_process()) {
    if (thread == timer_thread) continue;
    if (platform::suspend_thread(thread)) suspended_threads.push_back(thread);
  }
}

void ClientRuntime::resume_job_threads() {
  if (!options.all_threads) {
    platform::resume_thread(main_thread);
    return;
  }
  for (platform::thread_ref thread : suspended_threads) platform::resume_thread(thread);
  suspended_threads.clear();
}
