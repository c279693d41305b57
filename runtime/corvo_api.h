// The job-side half of the client protocol, as the job driver calls it.
// corvo_startup runs once on the main thread before anything else; the
// status and reporting calls are made from the main thread afterwards.
#pragma once

#include <cstdint>

#include "lib/init_data.h"

// Eight switches for corvo_startup; zero is off.
struct RUNTIME_OPTIONS {
  std::int32_t keep_main_priority = 0;
  std::int32_t slot_owner = 0;
  std::int32_t watch_client = 0;
  std::int32_t obey_control = 0;
  std::int32_t timer_reports_progress = 0;
  std::int32_t act_directly = 0;
  std::int32_t all_threads = 0;
  std::int32_t kill_children_at_exit = 0;
};

// What the client has asked and told, as the runtime sees it.
// The fields are listed once, here, as FIELD(type, name); the runtime's
// own copy, one atomic a field, is made from the same list.
#define CLIENT_STATUS_FIELDS(FIELD)   \
  FIELD(std::int32_t, client_lost)    \
  FIELD(std::int32_t, is_suspended)   \
  FIELD(std::int32_t, quit_asked)     \
  FIELD(std::int32_t, reread_asked)   \
  FIELD(std::int32_t, abort_asked)    \
  FIELD(double, wss)                  \
  FIELD(double, max_wss)              \
  FIELD(std::int32_t, network_suspended) \
  FIELD(std::int32_t, sporadic_ca)

struct CLIENT_STATUS {
#define CLIENT_STATUS_MEMBER(type, name) type name = 0;
  CLIENT_STATUS_FIELDS(CLIENT_STATUS_MEMBER)
#undef CLIENT_STATUS_MEMBER
};

// The client's requests, one bit each, in one value: what the job is
// asked to do now.
enum ClientRequest : std::int32_t {
  kRequestClientLost = 1,
  kRequestSuspend = 2,
  kRequestQuit = 4,
  kRequestAbort = 8,
  kRequestNetworkSuspend = 16,
};
// The requests that end the job: the client gone, a quit, an abort.
inline constexpr std::int32_t kRequestsEndingJob = kRequestClientLost | kRequestQuit | kRequestAbort;

// The requests the status holds, as ClientRequest bits.
inline std::int32_t request_bits(const CLIENT_STATUS& status) {
  return (status.client_lost != 0 ? kRequestClientLost : 0) | (status.is_suspended != 0 ? kRequestSuspend : 0) |
         (status.quit_asked != 0 ? kRequestQuit : 0) | (status.abort_asked != 0 ? kRequestAbort : 0) |
         (status.network_suspended != 0 ? kRequestNetworkSuspend : 0);
}

// Whether the client wants the job to end now.
inline bool ends_job(const CLIENT_STATUS& status) { return (request_bits(status) & kRequestsEndingJob) != 0; }

// Starts the runtime. Returns 0 or a failure code.
int corvo_startup(const RUNTIME_OPTIONS& options);

// 1 when no client is attached, else 0.
int corvo_standalone();

// Copies the runtime's init data into the caller's record. Returns 0.
int corvo_copy_init_data(INIT_DATA& data);

// Clears the runtime's init data and reads init_data.xml again. Returns 0
// or a result code.
int corvo_load_init_data();

// Copies the client status into the caller's record. Returns 0.
int corvo_client_status(CLIENT_STATUS& status);

// True once the first pulse message from the client has been taken.
bool corvo_heartbeat_seen();

// Waits up to seconds, less when the client's requests change meanwhile.
void corvo_wait_for_request(double seconds);

// Sends the extended status message. Returns 0, or RC_WRITE_FAILED when the
// client had not taken the previous one.
int corvo_send_progress_ext(double cpu_time, double checkpoint_cpu_time, double fraction_done,
                            int other_pid, double bytes_sent, double bytes_received, double wss);

// Sends the short status message; results as above.
int corvo_send_progress(double cpu_time, double checkpoint_cpu_time, double fraction_done);

void corvo_set_network_wanted(bool wanted);

// Hands the web-graphics address to the client (ignored when standalone).
void corvo_announce_web_graphics(const char* address);

// Opens the sporadic files "ac" and "ca" in the directory. Returns 0 or
// RC_FOPEN_FAILED.
int corvo_open_sporadic_files(const char* directory);

// Tells the client that the job ended with the status and ends the process
// with it.
[[noreturn]] void corvo_finish(int status);

// Asks the client to start the job again after delay seconds (the reason
// is shown to the volunteer) and ends the process with 0.
[[noreturn]] void corvo_temporary_exit(int delay, const char* reason);
