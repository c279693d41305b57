// Direct action: the runtime suspends and resumes the job's threads itself.
// (Its ending of the process on a quit or an abort is tested through a
// child process, in runtime_posix_test.cpp.)
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/threads.h"
#include "client_runtime_inside.h"
#include "runtime/client_runtime.h"
#include "runtime/shared_channels.h"

TEST(DirectAction, ASuspendedThreadGoesOnAfterResume) {
  std::atomic<long> counter{0};
  std::atomic<platform::thread_ref> worker_id{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    worker_id = platform::current_thread();
    while (!done) ++counter;
  });
  while (worker_id == 0) std::this_thread::yield();
  SHM_AREA area{};
  ClientRuntime runtime;
  inside(runtime).shm = &area;
  inside(runtime).standalone = false;
  inside(runtime).options.obey_control = 1;
  inside(runtime).options.act_directly = 1;
  inside(runtime).main_thread = worker_id;
  channel_send(area.control_in, "<suspend/>");
  runtime.timer_tick();
  EXPECT_EQ(inside(runtime).status.is_suspended.load(), 1);
  channel_send(area.control_in, "<resume/>");
  runtime.timer_tick();
  long seen = counter;
  while (counter == seen) std::this_thread::yield();
  done = true;
  worker.join();
  EXPECT_EQ(inside(runtime).status.is_suspended.load(), 0);
}
