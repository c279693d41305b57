// What the job driver needs of the client runtime once it has started:
// whether a client is there and its init data, the client's requests,
// progress reports, the sporadic files, and the ways a job ends. An
// interface so that tests can fake the client and catch the ends.
#pragma once

#include <cstdlib>

#include "runtime/corvo_api.h"

class JobRuntime {
 public:
  virtual ~JobRuntime() = default;

  // True when no client is attached.
  virtual bool standalone() = 0;
  // The client's init data; without a client, what the slot's
  // init_data.xml holds, if anything.
  virtual void copy_init_data(INIT_DATA& data) = 0;
  // Opens the sporadic job's state files in directory. 0 or a result code.
  virtual int open_sporadic_files(const char* directory) = 0;

  virtual CLIENT_STATUS client_status() = 0;
  virtual bool heartbeat_seen() = 0;
  virtual void send_progress_ext(double cpu_time, double fraction_done, double wss) = 0;
  virtual void send_progress_zero() = 0;
  virtual void set_network_wanted(bool wanted) = 0;
  virtual void announce_web_graphics(const char* address) = 0;
  // Waits up to seconds, less when the client's requests change meanwhile.
  virtual void wait_for_request(double seconds) = 0;

  // Finishes the job: the client learns the status and the process ends.
  [[noreturn]] void finish(int status) {
    end_with_finish(status);
    std::abort();  // an implementation that returns is a bug
  }
  // Asks the client to start the job again after delay seconds, for the
  // reason given; the process ends with 0.
  [[noreturn]] void temporary_exit(int delay, const char* reason) {
    end_with_temporary_exit(delay, reason);
    std::abort();
  }
  // Ends the process with the exit code and no finish file, so the client
  // may start the job again.
  [[noreturn]] void exit(int code) {
    end_with_exit(code);
    std::abort();
  }

 protected:
  // Neither returns: the process ends (or, in a test fake, throws).
  virtual void end_with_finish(int status) = 0;
  virtual void end_with_exit(int code) = 0;
  virtual void end_with_temporary_exit(int delay, const char* reason) = 0;
};

// The real runtime of this process.
JobRuntime& corvo_runtime();
