#include "driver/container_state.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "driver/engine_json.h"
#include "lib/text_util.h"

namespace {

using nlohmann::json;

std::string ps_json_command(const JOB& job) {
  return "ps --all --filter \"name=" + job.job_container + "\" --format json";
}

int wslc_container_state(JOB& job, CONTAINER_STATE& state) {
  std::vector<std::string> lines;
  int result = job.engine->run_engine_command(ps_json_command(job), lines, job.verbose() >= 2);
  if (result != 0) {
    std::fputs("ps command failed\n", stderr);
    return result;
  }
  if (lines.empty()) return 0;
  json document;
  if (!parse_json_line(lines[0], "failed to parse ps output %s: %s\n", document)) return -1;
  std::string state_text;
  if (!string_member(document, "State", state_text)) {
    std::fprintf(stderr, "No State in %s\n", lines[0].c_str());
    return -1;
  }
  state = state_from_text(state_text.c_str());
  return 0;
}

int engine_container_state(JOB& job, CONTAINER_STATE& state) {
  std::vector<std::string> lines;
  std::string command = "ps --all --filter \"name=^" + job.job_container +
                        "$\" --format \"{{.Names}}|{{.Status}}\"";
  int result = job.engine->run_engine_command(command, lines, job.verbose() >= 2);
  if (result != 0) return result;
  for (const auto& full_line : lines) {
    std::string line = full_line.substr(0, 1023);
    if (line.find(job.job_container) == std::string::npos) continue;
    std::size_t bar = line.find('|');
    if (bar == std::string::npos) return 0;
    std::string state_text = line.substr(bar + 1);
    std::fprintf(stderr, "container state: %s\n", state_text.c_str());
    state = state_from_text(state_text.c_str());
    return 0;
  }
  return 0;
}

POLL_OUTCOME wslc_poll(JOB& job) {
  std::vector<std::string> lines;
  if (job.engine->run_engine_command(ps_json_command(job), lines, job.verbose() >= 2) != 0) {
    std::fputs("poll: ps command failed\n", stderr);
    return POLL_FAILED;
  }
  if (lines.empty()) return POLL_FAILED;
  json document;
  if (!parse_json_line(lines[0], "poll: failed to parse ps output %s: %s\n", document)) return POLL_FAILED;
  std::string status;
  if (!string_member(document, "Status", status)) {
    std::fprintf(stderr, "No Status in %s\n", lines[0].c_str());
    return POLL_FAILED;
  }
  int code = 0;
  if (std::sscanf(status.c_str(), "Exited (%d)", &code) == 1) {
    job.container_exit_status = code;
    return POLL_EXITED;
  }
  return POLL_RUNNING;
}

// Reads the number between "Exited (" and the next ')'. False when there is
// no ')' or no number before it.
bool read_exit_code(const std::string& line, std::size_t after_marker, int& code) {
  std::size_t close = line.find(')', after_marker);
  if (close == std::string::npos) return false;
  std::string inside = line.substr(after_marker, close - after_marker);
  char* end = nullptr;
  long value = std::strtol(inside.c_str(), &end, 10);
  if (end == inside.c_str()) return false;
  code = static_cast<int>(value);
  return true;
}

// The last blank-separated field of a line: the NAMES column of "ps".
std::string last_field(const std::string& line) {
  std::size_t end = line.find_last_not_of(" \t\r\n");
  if (end == std::string::npos) return {};
  std::size_t start = line.find_last_of(" \t", end);
  return line.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

POLL_OUTCOME engine_poll(JOB& job) {
  std::vector<std::string> lines;
  std::string command = "ps --all -f \"name=" + job.job_container + "\"";
  if (job.engine->run_engine_command(command, lines, job.verbose() >= 2) != 0) return POLL_FAILED;
  for (const auto& line : lines) {
    // Only our own container's line counts, not one whose name extends ours.
    if (last_field(line) != job.job_container) continue;
    static const std::string kExited = "Exited (";
    std::size_t marker = line.find(kExited);
    if (marker == std::string::npos) return POLL_RUNNING;
    int code = 0;
    if (!read_exit_code(line, marker + kExited.size(), code)) {
      std::fprintf(stderr, "can't read exit code in: %s", line.c_str());
      return POLL_FAILED;
    }
    job.container_exit_status = code;
    return POLL_EXITED;
  }
  std::fputs("Container name not found in ps output; quitting\n", stderr);
  return POLL_FAILED;
}

}  // namespace

CONTAINER_STATE state_from_text(const char* text) {
  if (find_nocase(text, "created") != nullptr) return CONTAINER_CREATED;
  if (find_nocase(text, "running") != nullptr) return CONTAINER_RUNNING;
  if (find_nocase(text, "paused") != nullptr) return CONTAINER_PAUSED;
  if (find_nocase(text, "exited") != nullptr) return CONTAINER_EXITED;
  return CONTAINER_OTHER;
}

int get_container_state(JOB& job, CONTAINER_STATE& state) {
  state = CONTAINER_ABSENT;
  if (job.engine->engine_type() == ENGINE_WSLC) return wslc_container_state(job, state);
  return engine_container_state(job, state);
}

POLL_OUTCOME poll_container(JOB& job) {
  if (job.engine->engine_type() == ENGINE_WSLC) return wslc_poll(job);
  return engine_poll(job);
}
