// The timer thread's tick: the client's pulse and control messages, the
// client check, and the periodic reporting steps.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>

#include "lib/system_info.h"
#include "lib/text_util.h"
#include "lib/xml_scan.h"
#include "platform/crash_report.h"
#include "platform/interrupts.h"
#include "platform/process.h"
#include "platform/process_table.h"
#include "runtime/client_runtime.h"
#include "runtime/log_prefix.h"

namespace {

constexpr std::int32_t kHeartbeatTicks = 300;  // 30 seconds of 100 ms ticks

// The number after tag in text, if the text holds the tag and the number is
// finite and in range. A tag followed by no number reads as 0.
bool number_after(const char* text, const char* tag, double& value) {
  const char* found = std::strstr(text, tag);
  if (found == nullptr) return false;
  return read_plain_decimal(found + std::strlen(tag), value);
}

bool integer_after(const char* text, const char* tag, std::int32_t& value) {
  const char* found = std::strstr(text, tag);
  if (found == nullptr) return false;
  errno = 0;
  long long number = std::strtoll(found + std::strlen(tag), nullptr, 0);
  if (errno == ERANGE || number < INT32_MIN || number > INT32_MAX) return false;
  value = static_cast<std::int32_t>(number);
  return true;
}

}  // namespace

double ClientRuntime::process_cpu_seconds() {
  double seconds = 0;
  if (cpu_seconds_of(platform::current_process(), seconds) == 0) return seconds;
  return running_ticks * 0.1;
}

void ClientRuntime::timer_tick() {
  timer_role.assume();  // called by the timer thread alone (or a test standing in for it)
  if (stopped.load()) return;
  if (finishing.load()) {
    if (options.timer_reports_progress) {
      last_cpu_time = process_cpu_seconds() + initial_cpu_time;
      send_timer_status();
    }
    stopped = true;
    return;
  }
  ++tick_count;
  if (shm != nullptr) {
    char message[kChannelSize];
    if (options.watch_client && channel_receive(shm->pulse_in, message)) apply_pulse(message);
    if (options.obey_control) apply_control_message();
  }
  if (tick_count % 10 == 0 && options.watch_client) check_client();
  // Ctrl-C, a plain kill or a closed terminal: the job quits as the client
  // would have it quit.
  if (options.obey_control && platform::interrupt_requested() && status.quit_asked.load() == 0) {
    std::fprintf(stderr, "%s interrupted - quitting\n", log_prefix());
    status.quit_asked = 1;
  }
  signal_request_change();
  if (tick_count % 10 != 0) return;
  if (options.timer_reports_progress && status.is_suspended.load() == 0) {
    last_cpu_time = process_cpu_seconds() + initial_cpu_time;
    send_timer_status();
  }
  send_web_graphics();
  if (sporadic_open.load(std::memory_order_acquire)) sync_sporadic_files();
}

void ClientRuntime::signal_request_change() {
  std::int32_t bits = request_bits(status.copy());
  if (bits == last_request_bits) return;
  last_request_bits = bits;
  MutexLock hold(request_mutex);
  ++request_generation;
  request_signal.notify_all();
}

void ClientRuntime::wait_for_request(double seconds) {
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
  MutexLock hold(request_mutex);
  std::uint64_t seen = request_generation;
  while (request_generation == seen) {
    if (request_signal.wait_until(hold, deadline) == std::cv_status::timeout) return;
  }
}

void ClientRuntime::apply_pulse(const char* text) {
  status.network_suspended.store(0, std::memory_order_relaxed);
  if (std::strstr(text, "<heartbeat/>") != nullptr) heartbeat_deadline = tick_count + kHeartbeatTicks;
  double number = 0;
  if (number_after(text, "<wss>", number)) status.wss.store(number, std::memory_order_relaxed);
  if (number_after(text, "<max_wss>", number)) status.max_wss.store(number, std::memory_order_relaxed);
  bool suspended = false;
  if (find_flag_in_text(text, "network_suspended", suspended)) {
    status.network_suspended.store(suspended ? 1 : 0, std::memory_order_relaxed);
  }
  std::int32_t sporadic = 0;
  if (integer_after(text, "<sporadic_ca>", sporadic)) status.sporadic_ca.store(sporadic, std::memory_order_relaxed);
  heartbeat_seen.store(true, std::memory_order_relaxed);
}

void ClientRuntime::apply_control_message() {
  char text[kChannelSize];
  if (!channel_receive(shm->control_in, text)) return;
  MutexLock hold(control_mutex);
  if (std::strstr(text, "<suspend/>") != nullptr) {
    status.is_suspended = 1;
    if (options.act_directly) act_on_suspend();
  }
  if (std::strstr(text, "<resume/>") != nullptr) {
    if (options.act_directly) act_on_resume();
    status.is_suspended = 0;
  }
  if (status.quit_asked.load() == 1 || std::strstr(text, "<quit/>") != nullptr) {
    status.quit_asked = 1;
    if (options.act_directly) {
      hold.unlock();
      act_on_end(0);
    }
  }
  if (status.abort_asked.load() == 1 || std::strstr(text, "<abort/>") != nullptr) {
    status.abort_asked = 1;
    if (options.act_directly) {
      platform::mark_aborted_by_client();
      platform::raise_debug_break();
      hold.unlock();
      act_on_end(194);
    }
  }
  if (std::strstr(text, "<reread_app_info/>") != nullptr) status.reread_asked = 1;
}

void ClientRuntime::check_client() {
  bool lost = false;
  if (init_data.client_pid != 0) {
    if (tick_count % 100 == 0) lost = platform::probe_process(init_data.client_pid) == platform::ProbeResult::lost;
  } else {
    lost = tick_count > heartbeat_deadline;
  }
  if (lost) client_lost_now();
}

void ClientRuntime::client_lost_now() {
  std::fprintf(stderr, "%s%s", log_prefix(),
               init_data.client_pid != 0 ? " CORVO client no longer exists - exiting\n"
                                         : " No heartbeat from client for 30 sec - exiting\n");
  std::fprintf(stderr, "%s timer handler: client dead, exiting\n", log_prefix());
  if (options.act_directly) act_on_end(0);
  status.client_lost = 1;
}
