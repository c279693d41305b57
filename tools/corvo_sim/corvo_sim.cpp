// corvo-sim: stands in for the volunteer's client for one job, so that a
// project developer can try a job on a desktop and the end-to-end tests can
// drive quayside as the client would.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "lib/clock.h"
#include "lib/file_util.h"
#include "lib/utf8_path.h"
#include "lib/version.h"
#include "platform/child_process.h"
#include "platform/interrupts.h"
#include "platform/process.h"
#include "platform/shared_block.h"
#include "runtime/shared_channels.h"
#include "tools/corvo_sim/sim_options.h"

namespace fs = std::filesystem;

namespace {

// The first line of text, without its line end.
std::string trimmed(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

std::string read_text(const fs::path& path) {
  std::string text;
  read_whole_file(utf8_text(path), text);
  return text;
}

// Copies the job directory into the slot entry by entry, replacing what a
// earlier run left there. (A whole-tree copy that checks whether source and
// target are one file can't tell on Windows, where every file's number is
// 0: it refuses every file that exists on the same drive.)
void copy_job(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    fs::path target = to / entry.path().filename();
    if (entry.is_directory()) {
      copy_job(entry.path(), target);
    } else if (int error = copy_file_over(utf8_text(entry.path()), utf8_text(target)); error != 0) {
      throw fs::filesystem_error("can't copy", entry.path(), target, std::error_code(error, std::system_category()));
    }
  }
}

std::string xml_escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

void write_init_data(const SimOptions& o, const fs::path& slot, const std::string& comm_obj_name) {
  std::ofstream out(slot / "init_data.xml");
  out << "<app_init_data>\n"
      << "<comm_obj_name>" << comm_obj_name << "</comm_obj_name>\n"
      << "<project_dir>" << xml_escaped(o.project_dir) << "</project_dir>\n"
      << "<wu_name>" << xml_escaped(o.wu_name) << "</wu_name>\n"
      << "<result_name>" << xml_escaped(o.wu_name) << "_0</result_name>\n"
      << "<slot>0</slot>\n"
      << "<ncpus>" << o.ncpus << "</ncpus>\n"
      << "<wu_cpu_time>" << o.wu_cpu_time << "</wu_cpu_time>\n"
      << "<fraction_done_start>" << o.fraction_done_start << "</fraction_done_start>\n"
      << "<fraction_done_end>" << o.fraction_done_end << "</fraction_done_end>\n";
  if (o.client_pid) out << "<client_pid>" << platform::current_process_id() << "</client_pid>\n";
  out << "<host_info>\n";
  if (o.wslc) {
    out << "<use_wslc/>\n";
  } else {
    out << "<wsl>\n<distro>\n<distro_name>corvo-tavi-runner</distro_name>\n<distro_version>4</distro_version>\n"
        << "<docker_version>sim</docker_version>\n<docker_type>" << (o.engine == "docker" ? 1 : 2)
        << "</docker_type>\n</distro>\n</wsl>\n";
  }
  out << "</host_info>\n</app_init_data>\n";
}

// Every simple element <name>value</name> of a message.
nlohmann::ordered_json fields_of(const std::string& message) {
  nlohmann::ordered_json fields = nlohmann::ordered_json::object();
  static const std::regex element(R"(<([A-Za-z_]+)>([^<]*)</\1>)");
  for (std::sregex_iterator it(message.begin(), message.end(), element), end; it != end; ++it) {
    std::string value = (*it)[2];
    char* stop = nullptr;
    double number = std::strtod(value.c_str(), &stop);
    if (!value.empty() && *stop == '\0') {
      fields[(*it)[1].str()] = number;
    } else {
      fields[(*it)[1].str()] = value;
    }
  }
  return fields;
}

struct Progress {
  double fraction = 0;
  double cpu = 0;
  double wss = 0;
  bool want_network = false;
};

// Rewrites the one live line, when what it says has changed.
void show_live_line(const Progress& p, const std::string& state) {
  static std::string shown;
  int filled = static_cast<int>(std::min(1.0, std::max(0.0, p.fraction)) * 20 + 0.5);
  std::string bar = std::string(filled, '#') + std::string(20 - filled, ' ');
  char line[256];
  std::snprintf(line, sizeof line, "\r[%s] %5.1f%%  cpu %8.1f s  wss %8.1f MB  net %-3s  %-12s", bar.c_str(),
                p.fraction * 100, p.cpu, p.wss / 1e6, p.want_network ? "yes" : "no", state.c_str());
  if (shown == line) return;
  shown = line;
  std::fputs(line, stdout);
  std::fflush(stdout);
}

// The quayside built beside this program (quayside.exe on Windows).
std::string default_quayside(const char* argv0) {
  std::string own = platform::own_executable_path();
  fs::path self = own.empty() ? fs::absolute(utf8_path(argv0)) : utf8_path(own);
  fs::path quayside = self.parent_path() / "quayside";
  quayside.replace_extension(self.extension());
  return utf8_text(quayside);
}

fs::path make_slot(const SimOptions& o) {
  if (!o.slot.empty()) {
    fs::create_directories(utf8_path(o.slot));
    return fs::absolute(utf8_path(o.slot));
  }
  fs::path base = fs::temp_directory_path();
  for (int attempt = 0;; ++attempt) {
    fs::path candidate = base / ("corvo-sim-" + std::to_string(platform::current_process_id()) + "-" +
                                 std::to_string(attempt));
    if (fs::create_directory(candidate)) return candidate;
  }
}

// What one run of the job is made of, set up before quayside starts.
struct SimRun {
  SimOptions o;
  fs::path slot;
  std::string block_name;
  SHM_AREA* area = nullptr;
  std::unique_ptr<platform::ChildProcess> child;
};

// Reads the options, copies the job into a slot, writes the init data and
// starts quayside there. Returns 0 with run ready, else the exit code after
// a message.
int prepare_run(const std::vector<std::string>& arguments, const char* argv0, SimRun& run) {
  std::optional<SimOptions> parsed = read_sim_options(arguments);
  if (!parsed) return 2;
  SimOptions& o = run.o;
  o = *parsed;
  const fs::path job_dir = utf8_path(o.job_dir);
  if (!fs::is_directory(job_dir)) {
    std::fprintf(stderr, "corvo-sim: %s is not a directory\n", o.job_dir.c_str());
    return 2;
  }
  if (o.wu_name.empty()) {
    o.wu_name = utf8_text(fs::absolute(job_dir).lexically_normal().filename()) + "_" +
                std::to_string(platform::current_process_id());
  }
  if (o.quayside.empty()) o.quayside = default_quayside(argv0);
  try {
    run.slot = make_slot(o);
    copy_job(job_dir, run.slot);
  } catch (const fs::filesystem_error& error) {
    std::fprintf(stderr, "corvo-sim: can't prepare the slot: %s\n", error.what());
    return 2;
  }
  std::string comm_obj_name = "corvo_sim_" + std::to_string(platform::current_process_id());
  write_init_data(o, run.slot, comm_obj_name);
  run.block_name = "shm_" + comm_obj_name;
  run.area = static_cast<SHM_AREA*>(platform::create_named_block(run.block_name, sizeof(SHM_AREA)));
  if (run.area == nullptr) {
    std::fprintf(stderr, "corvo-sim: can't create the shared block %s\n", run.block_name.c_str());
    return 2;
  }
  std::fprintf(stderr, "corvo-sim: slot %s\n", utf8_text(run.slot).c_str());
  std::vector<std::string> command{o.quayside};
  command.insert(command.end(), o.job_args.begin(), o.job_args.end());
  run.child = platform::ChildProcess::start(command, utf8_text(run.slot));
  if (run.child == nullptr) {
    std::fprintf(stderr, "corvo-sim: can't start %s\n", o.quayside.c_str());
    platform::remove_named_block(run.block_name);
    return 2;
  }
  return 0;
}

// Queues the requests of --control-file's lines written whole since the
// last look; taken counts the lines already seen.
void take_file_requests(const SimOptions& o, std::size_t& taken, std::vector<std::string>& pending) {
  std::ifstream requests(utf8_path(o.control_file));
  std::string line;
  for (std::size_t index = 0; std::getline(requests, line); ++index) {
    if (index < taken || requests.eof()) continue;
    ++taken;
    std::string message = request_message(line);
    if (!message.empty()) {
      pending.push_back(message);
    } else if (line.find_first_not_of(" \t\r") != std::string::npos) {
      std::fprintf(stderr, "\ncorvo-sim: %s:%zu: unknown request \"%s\" (suspend, resume, quit or abort); not sent\n",
                   o.control_file.c_str(), index + 1, line.c_str());
    }
  }
}

// Sends the first pending request when the channel is free; state becomes
// what it asks for.
void send_next_request(const SimRun& run, double elapsed, std::vector<std::string>& pending, std::string& state) {
  if (pending.empty() || !channel_send(run.area->control_in, pending.front().c_str())) return;
  std::string sent = pending.front();
  pending.erase(pending.begin());
  // Every message queued is "<word/>".
  std::string word = sent.substr(1, sent.size() - 3);
  state = word == "suspend" ? "suspended" : word == "resume" ? "running" : word;
  if (run.o.json) {
    nlohmann::ordered_json event = {{"time", elapsed}, {"event", "request"}, {"request", word}};
    std::printf("%s\n", event.dump().c_str());
    std::fflush(stdout);
  }
}

// Takes what quayside sent on its channels: printed as events with --json,
// else kept in progress for the live line.
void take_reports(const SimRun& run, double elapsed, Progress& progress) {
  for (auto [channel, name] :
       {std::pair{&run.area->status_out, "status_out"}, {&run.area->graphics_out, "graphics_out"}}) {
    char message[kChannelSize];
    if (!channel_receive(*channel, message)) continue;
    nlohmann::ordered_json fields = fields_of(message);
    if (run.o.json) {
      nlohmann::ordered_json event = {{"time", elapsed}, {"channel", name}, {"fields", fields}, {"raw", message}};
      std::printf("%s\n", event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
      std::fflush(stdout);
      continue;
    }
    if (fields.contains("fraction_done")) progress.fraction = fields["fraction_done"].get<double>();
    if (fields.contains("current_cpu_time")) progress.cpu = fields["current_cpu_time"].get<double>();
    if (fields.contains("wss")) progress.wss = fields["wss"].get<double>();
    progress.want_network = fields.contains("want_network") && fields["want_network"] == 1.0;
    if (fields.contains("web_graphics_url")) {
      std::printf("\nweb graphics at %s\n", fields["web_graphics_url"].get<std::string>().c_str());
    }
  }
}

// How the drive of the job ended.
struct RunEnd {
  int exit_code = 0;
  bool timed_out = false;
  double seconds = 0;
  Progress progress;
};

// Plays the client until quayside ends (or is killed at --timeout, or 15 s
// after an interrupt): requests, heartbeats and the reports read back.
RunEnd drive(SimRun& run) {
  const SimOptions& o = run.o;
  double start = now_seconds();
  double next_pulse = start;
  double interrupted_at = 0;
  std::size_t next_control = 0;
  std::size_t file_requests_taken = 0;
  std::vector<std::string> pending_control;
  std::string state = "running";
  RunEnd end;
  for (;;) {
    if (run.child->finished(end.exit_code)) break;
    double now = now_seconds();
    double elapsed = now - start;
    if (o.timeout > 0 && elapsed >= o.timeout) {
      run.child->kill();
      end.timed_out = true;
      break;
    }
    if (platform::interrupt_requested() && interrupted_at == 0) {
      interrupted_at = now;
      pending_control.push_back("<quit/>");
      state = "interrupted";
    }
    if (interrupted_at != 0 && now - interrupted_at > 15) {
      run.child->kill();
      break;
    }
    while (next_control < o.control_at.size() && o.control_at[next_control].first <= elapsed) {
      pending_control.push_back(o.control_at[next_control++].second);
    }
    if (!o.control_file.empty()) take_file_requests(o, file_requests_taken, pending_control);
    send_next_request(run, elapsed, pending_control, state);
    if (now >= next_pulse) {
      std::string pulse = o.heartbeat ? "<heartbeat/>" : "";
      if (o.network_suspended) pulse += "<network_suspended/>";
      if (!pulse.empty()) channel_send(run.area->pulse_in, pulse.c_str());
      next_pulse += 1;
    }
    take_reports(run, elapsed, end.progress);
    if (!o.json) show_live_line(end.progress, state);
    // Requests reach the block within 20 ms, as a client's would.
    pause_seconds(0.02);
  }
  end.seconds = now_seconds() - start;
  return end;
}

// Says how the job ended: the files quayside left in the slot, its exit and,
// when asked, its log. Returns corvo-sim's own exit code.
int report_end(const SimRun& run, const RunEnd& end) {
  const SimOptions& o = run.o;
  const fs::path& slot = run.slot;
  std::string finish = read_text(slot / "corvo_finish_called");
  std::string temporary_exit = read_text(slot / "corvo_temporary_exit");
  if (o.json) {
    nlohmann::ordered_json event = {{"time", end.seconds}, {"event", end.timed_out ? "timeout" : "exit"},
                                    {"exit_code", end.exit_code}};
    if (fs::exists(slot / "corvo_finish_called")) event["corvo_finish_called"] = finish;
    if (fs::exists(slot / "corvo_temporary_exit")) event["corvo_temporary_exit"] = temporary_exit;
    std::printf("%s\n", event.dump().c_str());
  } else {
    // The last figures stay on the live line, with how the job ended.
    std::string how = end.timed_out ? "timed out"
                      : fs::exists(slot / "corvo_finish_called")  ? "finished " + trimmed(finish)
                      : fs::exists(slot / "corvo_temporary_exit") ? "temporary exit"
                                                                  : "ended, exit " + std::to_string(end.exit_code);
    show_live_line(end.progress, how);
    std::printf("\n");
  }
  if (end.timed_out) {
    std::fprintf(stderr, "corvo-sim: quayside killed after %g seconds\n", o.timeout);
  } else {
    std::fprintf(stderr, "corvo-sim: quayside exited with status %d\n", end.exit_code);
  }
  if (fs::exists(slot / "corvo_finish_called")) std::fprintf(stderr, "corvo_finish_called: %s", finish.c_str());
  if (fs::exists(slot / "corvo_temporary_exit")) {
    std::fprintf(stderr, "corvo_temporary_exit: %s", temporary_exit.c_str());
  }
  if (o.show_log) std::fprintf(stderr, "--- stderr.txt\n%s--- end\n", read_text(slot / "stderr.txt").c_str());
  return end.timed_out ? 124 : end.exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments = platform::program_arguments(argc, argv);
  if (!arguments.empty() && arguments[0] == "-h") {
    std::fputs(kSimUsage, stdout);
    return 0;
  }
  if (answer_help_or_version(arguments, "corvo-sim", kSimUsage)) return 0;
  SimRun run;
  if (int code = prepare_run(arguments, argv[0], run); code != 0) return code;
  platform::catch_interrupts();
  RunEnd end = drive(run);
  platform::remove_named_block(run.block_name);
  return report_end(run, end);
}
