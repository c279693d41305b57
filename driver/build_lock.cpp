#include "driver/build_lock.h"

#include <cstdio>

#include "driver/client_control.h"
#include "driver/image.h"
#include "platform/build_mutex.h"

namespace {

// The name every quayside on the machine uses.
constexpr const char* kBuildLockName = "corvo_wsl_build";
constexpr double kBuildLockLimit = 3600;
// How long a job that is ending waits for the lock before it removes its
// image all the same: briefly when it carries out a client's request, which
// is answered within two seconds.
constexpr double kEndingWait = 5;
constexpr double kRequestWait = 1;

platform::MachineMutex* build_mutex(JOB& job) {
  if (job.build_lock == nullptr) job.build_lock = platform::MachineMutex::open(kBuildLockName);
  return job.build_lock.get();
}

}  // namespace

bool take_build_lock(JOB& job) {
  if (job.build_lock_held) return true;
  platform::MachineMutex* mutex = build_mutex(job);
  if (mutex == nullptr) return false;
  double start = job.clock->now();
  bool said = false;
  // In steps of a second, so that the client is answered while another
  // job builds.
  while (!mutex->wait(1)) {
    check_exit_request(job);
    if (job.clock->now() - start >= kBuildLockLimit) return false;
    if (!said && job.verbose() >= 1) std::fputs("waiting for another job's image build\n", stderr);
    said = true;
  }
  job.build_lock_held = true;
  return true;
}

void release_build_lock(JOB& job) {
  if (!job.build_lock_held) return;
  job.build_lock->release();
  job.build_lock_held = false;
}

void with_build_lock(JOB& job, const std::function<void()>& work) {
  if (job.build_lock_held) {
    work();
    return;
  }
  platform::MachineMutex* mutex = build_mutex(job);
  CLIENT_STATUS status = job.runtime->client_status();
  bool taken = mutex != nullptr && mutex->wait(ends_job(status) ? kRequestWait : kEndingWait);
  work();
  if (taken) mutex->release();
}
