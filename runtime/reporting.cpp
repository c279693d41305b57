// Status messages to the client, the web-graphics address and the sporadic
// state files.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "lib/result_codes.h"
#include "lib/text_util.h"
#include "runtime/client_runtime.h"

namespace {

constexpr std::size_t kMessageSize = 1024;

// Appends one formatted element, cut to what still fits.
template <typename... Args>
void append_element(char (&message)[kMessageSize], const char* format, Args... args) {
  char element[kMessageSize];
  std::snprintf(element, sizeof element, format, args...);
  append_bounded(message, element, sizeof message);
}

// The part that both status messages of the job begin with.
void progress_head(char (&message)[kMessageSize], double cpu_time, double checkpoint_cpu_time, double fraction) {
  std::snprintf(message, sizeof message,
                "<current_cpu_time>%e</current_cpu_time>\n<checkpoint_cpu_time>%e</checkpoint_cpu_time>\n"
                "<fraction_done>%e</fraction_done>\n",
                cpu_time, checkpoint_cpu_time, fraction);
}

}  // namespace

int ClientRuntime::send_progress_ext(double cpu_time, double checkpoint_cpu_time, double fraction, int other_pid,
                                     double wss) {
  if (standalone) return 0;
  char message[kMessageSize];
  progress_head(message, cpu_time, checkpoint_cpu_time, fraction);
  if (other_pid != 0) append_element(message, "<other_pid>%d</other_pid>\n", other_pid);
  if (int ac = ac_state.load(); ac != 0) append_element(message, "<sporadic_ac>%d</sporadic_ac>\n", ac);
  if (wss != 0 && !std::isnan(wss)) append_element(message, "<wss>%f</wss>\n", wss);
  if (want_network.load() != 0) append_element(message, "%s", "<want_network>1</want_network>\n");
  return channel_send(shm->status_out, message) ? 0 : RC_WRITE_FAILED;
}

int ClientRuntime::send_progress(double cpu_time, double checkpoint_cpu_time, double fraction) {
  // The same message without the other process and the memory.
  return send_progress_ext(cpu_time, checkpoint_cpu_time, fraction, 0, 0);
}

void ClientRuntime::send_timer_status() {
  if (standalone) return;
  char message[kMessageSize];
  std::snprintf(message, sizeof message,
                "<current_cpu_time>%e</current_cpu_time>\n<checkpoint_cpu_time>%e</checkpoint_cpu_time>\n"
                "<want_network>%d</want_network>\n",
                last_cpu_time, last_checkpoint_cpu_time, want_network.load() != 0 ? 1 : 0);
  double fraction = fraction_done.load();
  if (fraction >= 0) {
    double start = init_data.fraction_done_start;
    append_element(message, "<fraction_done>%e</fraction_done>\n",
                   start + fraction * (init_data.fraction_done_end - start));
  }
  if (int ac = ac_state.load(); ac != 0) append_element(message, "<sporadic_ac>%d</sporadic_ac>\n", ac);
  channel_send(shm->status_out, message);
}

void ClientRuntime::announce_web_graphics(const char* address) {
  if (standalone) return;
  MutexLock hold(web_graphics_mutex);
  web_graphics_address = std::string(address).substr(0, 255);
  web_graphics_pending.store(true, std::memory_order_release);
}

void ClientRuntime::send_web_graphics() {
  if (shm == nullptr || !web_graphics_pending.load(std::memory_order_acquire)) return;
  if (!channel_empty(shm->graphics_out)) return;  // the next second tries again
  MutexLock hold(web_graphics_mutex);
  char message[512];
  std::snprintf(message, sizeof message, "<web_graphics_url>%s</web_graphics_url>", web_graphics_address.c_str());
  if (channel_send(shm->graphics_out, message)) web_graphics_pending.store(false, std::memory_order_relaxed);
}

int ClientRuntime::open_sporadic_files(const std::string& directory) {
  std::string ac_path = (directory + "/ac").substr(0, 4095);
  std::string ca_path = (directory + "/ca").substr(0, 4095);
  ac_file = platform::SlotFile::open(ac_path, false);
  if (ac_file == nullptr) std::fprintf(stderr, "can't open sporadic file %s\n", ac_path.c_str());
  ca_file = platform::SlotFile::open(ca_path, true);
  if (ca_file == nullptr) std::fprintf(stderr, "can't open sporadic file %s\n", ca_path.c_str());
  if (ac_file == nullptr || ca_file == nullptr) return RC_FOPEN_FAILED;
  status.sporadic_ca = 1;
  ac_state = 0;
  sporadic_open.store(true, std::memory_order_release);
  return 0;
}

void ClientRuntime::sync_sporadic_files() {
  std::int32_t ca = status.sporadic_ca.load(std::memory_order_relaxed);
  if (ca != ca_written) {
    char record[256] = {};
    std::snprintf(record, sizeof record, "%d\n", ca);
    ca_file->write_at_start(record, sizeof record);
    ca_written = ca;
  }
  long long mtime = 0;
  if (!ac_file->modification_time(mtime) || mtime == ac_mtime) return;
  char text[256];
  long count = ac_file->read_at_start(text, 255);
  if (count <= 0) {
    std::fprintf(stderr, "API: error reading AC state: %ld\n", count < 0 ? -1L : 0L);
    return;
  }
  text[count] = '\0';
  int value = 0;
  if (std::sscanf(text, "%d", &value) == 1) {
    ac_state = value;
  } else {
    ac_state = 0;
    std::fprintf(stderr, "API: error parsing AC state: %s\n", text);
  }
  ac_mtime = mtime;
}
