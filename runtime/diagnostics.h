// The diagnostics set-up that runs before anything else of the runtime:
// standard error (and on request standard output) into files of the slot
// directory, crash handlers, and the few settings crash reports need. One
// facility per process, set up once on the main thread.
#pragma once

#include <string>

constexpr int DIAG_DUMP_STACKS = 0x1;
constexpr int DIAG_UNUSED_BITS = 0x2 | 0x4 | 0x200;  // accepted, without effect
constexpr int DIAG_KEEP_OLD_STDERR = 0x8;
constexpr int DIAG_KEEP_OLD_STDOUT = 0x10;
constexpr int DIAG_STDERR_APPEND = 0x20;
constexpr int DIAG_STDOUT_APPEND = 0x40;
constexpr int DIAG_STDERR_TRUNCATE = 0x80;
constexpr int DIAG_STDOUT_TRUNCATE = 0x100;
constexpr int DIAG_CLIENT_JOB = 0x1000;
constexpr int DIAG_USER_LOG_DIR = 0x2000;

// What the runtime asks for when the job has not set the facility up:
// call stacks in crash reports, standard error appended to stderr.txt.
// The unused bits are kept, as every runtime has always sent them.
constexpr int DIAG_RUNTIME_FLAGS = DIAG_DUMP_STACKS | DIAG_STDERR_APPEND | DIAG_UNUSED_BITS;
static_assert(DIAG_RUNTIME_FLAGS == 0x227);

struct DIAGNOSTICS {
  bool set_up = false;
  int flags = 0;
  std::string stdout_txt, stdout_old, stderr_txt, stderr_old;
  // Settings for crash reports, read from init_data.xml and the system.
  std::string corvo_dir;
  std::string install_dir;
  std::string proxy;  // host:port
  bool use_proxy = false;
  std::string symstore;

  // Returns 0, RC_INVALID_PARAMETER (already set up, or conflicting flags)
  // or RC_FOPEN_FAILED (a stream can't be redirected).
  int setup(int flags_word, const char* out_base, const char* err_base);

  // Stops the facility; it may be set up again afterwards.
  void finish();

  bool has_flag(int flag) const { return (flags & flag) != 0; }

 private:
  void read_client_settings();
};

// The process's facility.
DIAGNOSTICS& diagnostics();

int setup_diagnostics(int flags, const char* out_base, const char* err_base);
void finish_diagnostics();
